#include "settings/settings_store.h"

#include <array>

#include "settings/ini_format.h"

namespace kivrel {

namespace {

struct Place {
    Setting setting;
    std::string_view section;
    std::string_view key;
};

// Where each value lives. Section and key names are compared without regard to case.
constexpr std::array<Place, 8> kLayout{{
    {Setting::BillingDay, "r", "Value"},
    {Setting::AllowanceHours, "s", "Value"},
    {Setting::RunAtLogOn, "Run", "Value"},
    {Setting::Exit, "Exit", "Value"},
    {Setting::AlertPercent, "Alert", "Value"},
    {Setting::AlertShownMonth, "AlertShown", "Month"},
    {Setting::LowAlertShown, "AlertShown", "Low"},
    {Setting::EmptyAlertShown, "AlertShown", "Empty"},
}};

const Place& PlaceOf(Setting setting) {
    for (const Place& place : kLayout)
        if (place.setting == setting)
            return place;
    return kLayout.front();  // every Setting has its row
}

// A month's section: its total, its year, and the totals of earlier years.
constexpr std::string_view kMonthTotal = "Value";
constexpr std::string_view kMonthYear = "Year";

std::string PastYearKey(int32_t year) {
    std::string key(kMonthTotal);
    key += std::to_string(year);
    return key;
}

}  // namespace

std::string MonthSectionName(int month) {
    // Appending, not "T" + text: GCC 12 reports a false -Wrestrict on the latter when optimising.
    std::string name = "T";
    name += std::to_string(month);
    return name;
}

int32_t Settings::Int(Setting setting) const {
    const Place& place = PlaceOf(setting);
    return IniReadInt(text_, place.section, place.key);
}

void Settings::SetInt(Setting setting, int32_t value) {
    const Place& place = PlaceOf(setting);
    text_ = IniWriteInt(text_, place.section, place.key, value);
}

std::string Settings::Text(Setting setting) const {
    const Place& place = PlaceOf(setting);
    return IniReadText(text_, place.section, place.key);
}

void Settings::SetText(Setting setting, std::string_view value) {
    const Place& place = PlaceOf(setting);
    text_ = IniWriteText(text_, place.section, place.key, value);
}

MonthRecord Settings::Month(int month) const {
    const std::string section = MonthSectionName(month);
    return MonthRecord{IniReadInt(text_, section, kMonthTotal),
                       IniReadInt(text_, section, kMonthYear)};
}

void Settings::SetMonthMinutes(int month, int32_t minutes) {
    text_ = IniWriteInt(text_, MonthSectionName(month), kMonthTotal, minutes);
}

void Settings::SetMonthYear(int month, int32_t year) {
    text_ = IniWriteInt(text_, MonthSectionName(month), kMonthYear, year);
}

int32_t Settings::PastYearMinutes(int month, int32_t year) const {
    return IniReadInt(text_, MonthSectionName(month), PastYearKey(year));
}

void Settings::SetPastYearMinutes(int month, int32_t year, int32_t minutes) {
    text_ = IniWriteInt(text_, MonthSectionName(month), PastYearKey(year), minutes);
}

Settings SettingsStore::Read() const {
    std::optional<std::string> text = files_.ReadAll(path_);
    return Settings(text ? std::move(*text) : std::string());
}

bool SettingsStore::Write(const std::function<void(Settings&)>& change) {
    std::optional<std::string> text = files_.ReadAll(path_);
    if (!text) {
        // A file that exists but cannot be read must not be replaced by a nearly empty one.
        if (files_.Exists(path_))
            return false;
        text.emplace();
    }
    Settings settings(std::move(*text));
    change(settings);
    return files_.ReplaceAll(path_, settings.FileText());
}

bool SettingsStore::WriteInt(Setting setting, int32_t value) {
    return Write([&](Settings& settings) { settings.SetInt(setting, value); });
}

std::string WriteFailedText(const std::string& path) {
    std::string text = "无法写入设置文件 ";
    text += path;
    text += "\r\n设置没有改变。";
    return text;
}

}  // namespace kivrel
