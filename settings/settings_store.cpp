#include "settings/settings_store.h"

#include <array>

#include "accounting/link.h"
#include "settings/ini_format.h"

namespace kivrel {

namespace {

struct Place {
    Setting setting;
    std::string_view section;
    std::string_view key;
};

// Where each value lives. Section and key names are compared without regard to case.
constexpr std::array<Place, 33> kLayout{{
    {Setting::BillingDay, "r", "Value"},
    {Setting::AllowanceHours, "s", "Value"},
    {Setting::RunAtLogOn, "Run", "Value"},
    {Setting::Exit, "Exit", "Value"},
    {Setting::AlertPercent, "Alert", "Value"},
    {Setting::AlertShownMonth, "AlertShown", "Month"},
    {Setting::LowAlertShown, "AlertShown", "Low"},
    {Setting::EmptyAlertShown, "AlertShown", "Empty"},
    {Setting::BilledLink, "Link", "Value"},
    {Setting::TariffRound, "Tariff", "Round"},
    {Setting::TariffFee, "Tariff", "Fee"},
    {Setting::TariffBase, "Tariff", "Base"},
    {Setting::TariffPrice, "Tariff", "Price"},
    {Setting::TariffCurrency, "Tariff", "Currency"},
    {Setting::SessionStart, "Session", "Start"},
    {Setting::SessionLast, "Session", "Last"},
    {Setting::SessionTenths, "Session", "Tenths"},
    {Setting::SessionLink, "Session", "Link"},
    {Setting::SessionIdle, "Session", "Idle"},
    {Setting::GuardIdle, "Guard", "Idle"},
    {Setting::GuardIdleBytes, "Guard", "IdleBytes"},
    {Setting::GuardHangUp, "Guard", "HangUp"},
    {Setting::GuardHangUpCommand, "Guard", "HangUpCommand"},
    {Setting::GuardIdleRun, "Session", "IdleRun"},
    {Setting::GuardIdleToldAt, "Session", "IdleToldAt"},
    {Setting::GuardIdleHeld, "Session", "IdleHeld"},
    {Setting::GuardAllowanceHeld, "Session", "AllowanceHeld"},
    {Setting::GuardBudgetHeld, "Session", "BudgetHeld"},
    {Setting::GuardAtHeld, "Session", "AtHeld"},
    {Setting::GuardAtDay, "Session", "AtDay"},
    {Setting::GuardPending, "Session", "HangUp"},
    {Setting::GuardHangUpAt, "Session", "HangUpAt"},
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

std::vector<std::string> Settings::BilledLinkPatterns() const {
    return ParseLinkPatterns(Text(Setting::BilledLink));
}

Tariff Settings::TariffValues() const {
    const auto amount = [this](Setting setting) {
        const int32_t value = Int(setting);
        return value > 0 ? value : 0;
    };
    Tariff tariff;
    tariff.roundMinutes = amount(Setting::TariffRound);
    tariff.fee = amount(Setting::TariffFee);
    tariff.base = amount(Setting::TariffBase);
    tariff.price = amount(Setting::TariffPrice);
    if (std::string currency = Text(Setting::TariffCurrency); !currency.empty())
        tariff.currency = std::move(currency);
    return tariff;
}

std::optional<Session> Settings::OpenSession() const {
    const int32_t tenths = Int(Setting::SessionTenths);
    const auto start = ParseIsoDateTime(Text(Setting::SessionStart));
    const auto last = ParseIsoDateTime(Text(Setting::SessionLast));
    if (tenths <= 0 || !start || !last)
        return std::nullopt;
    const int32_t idle = Int(Setting::SessionIdle);
    return Session{*start, *last,
                   tenths, Text(Setting::SessionLink),
                   {},     idle > 0 && idle <= tenths ? idle : 0};
}

// A closed session leaves its times behind with no ticks: the section is only ever added to.
void Settings::SetOpenSession(const std::optional<Session>& session) {
    if (!session) {
        if (Int(Setting::SessionTenths) != 0)
            SetInt(Setting::SessionTenths, 0);
        return;
    }
    SetText(Setting::SessionStart, IsoDateTime(session->start));
    SetText(Setting::SessionLast, IsoDateTime(session->end));
    SetInt(Setting::SessionTenths, static_cast<int32_t>(session->tenths));
    SetText(Setting::SessionLink, session->link);
    if (Int(Setting::SessionIdle) != session->idleTenths)
        SetInt(Setting::SessionIdle, static_cast<int32_t>(session->idleTenths));
}

namespace {

std::string DayText(int64_t day) {
    return day < 0 ? std::string() : IsoDate(DateOfDayNumber(day));
}

int64_t DayOfText(const std::string& text) {
    const auto time = ParseIsoDateTime(text + "T00:00:00+00:00");
    return time ? DayNumber(time->date) : -1;
}

}  // namespace

GuardConfig Settings::GuardValues() const {
    return ReadGuardConfig(Int(Setting::GuardIdle), Int(Setting::GuardIdleBytes),
                           Text(Setting::GuardHangUp), Text(Setting::GuardHangUpCommand));
}

GuardState Settings::GuardStateValues() const {
    GuardState state;
    state.idleRun = Int(Setting::GuardIdleRun);
    state.idleToldAt = ParseIsoDateTime(Text(Setting::GuardIdleToldAt));
    state.idleHeld = Int(Setting::GuardIdleHeld) != 0;
    state.allowanceHeld = Int(Setting::GuardAllowanceHeld);
    state.budgetHeld = Int(Setting::GuardBudgetHeld);
    state.atHeld = DayOfText(Text(Setting::GuardAtHeld));
    state.atDay = DayOfText(Text(Setting::GuardAtDay));
    const auto at = ParseIsoDateTime(Text(Setting::GuardHangUpAt));
    state.pending = at ? ReasonOfWord(Text(Setting::GuardPending)) : HangUpReason::None;
    if (at)
        state.actAt = *at;
    return state;
}

void Settings::SetGuardState(const GuardState& state) {
    const auto setInt = [this](Setting setting, int64_t value) {
        if (Int(setting) != value)
            SetInt(setting, static_cast<int32_t>(value));
    };
    const auto setText = [this](Setting setting, const std::string& value) {
        if (Text(setting) != value)
            SetText(setting, value);
    };
    setInt(Setting::GuardIdleRun, state.idleRun);
    setText(Setting::GuardIdleToldAt, state.idleToldAt ? IsoDateTime(*state.idleToldAt) : "");
    setInt(Setting::GuardIdleHeld, state.idleHeld ? 1 : 0);
    setInt(Setting::GuardAllowanceHeld, state.allowanceHeld);
    setInt(Setting::GuardBudgetHeld, state.budgetHeld);
    setText(Setting::GuardAtHeld, DayText(state.atHeld));
    setText(Setting::GuardAtDay, DayText(state.atDay));
    const bool pending = state.pending != HangUpReason::None;
    setText(Setting::GuardPending, std::string(ReasonWord(state.pending)));
    setText(Setting::GuardHangUpAt, pending ? IsoDateTime(state.actAt) : "");
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
