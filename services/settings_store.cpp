#include "services/settings_store.h"

#include <algorithm>
#include <array>
#include <optional>

#include "rules/link.h"
#include "vocabulary/texts.h"
#include "vocabulary/ini_format.h"

namespace kivrel {

namespace {

struct Place {
    Setting setting;
    std::string_view section;
    std::string_view key;
    ValueKind kind;
};

// Where each value lives. Section and key names are compared without regard to case.
constexpr std::array<Place, 34> kLayout{{
    {Setting::BillingDay, "r", "Value", ValueKind::Day},
    {Setting::AllowanceHours, "s", "Value", ValueKind::Signed},
    {Setting::RunAtLogOn, "Run", "Value", ValueKind::Any},
    {Setting::Exit, "Exit", "Value", ValueKind::Any},
    {Setting::AlertPercent, "Alert", "Value", ValueKind::Any},
    {Setting::AlertShownMonth, "AlertShown", "Month", ValueKind::Any},
    {Setting::LowAlertShown, "AlertShown", "Low", ValueKind::Any},
    {Setting::EmptyAlertShown, "AlertShown", "Empty", ValueKind::Any},
    {Setting::BilledLink, "Link", "Value", ValueKind::Any},
    {Setting::TariffRound, "Tariff", "Round", ValueKind::Count},
    {Setting::TariffFee, "Tariff", "Fee", ValueKind::Money},
    {Setting::TariffBase, "Tariff", "Base", ValueKind::Money},
    {Setting::TariffPrice, "Tariff", "Price", ValueKind::Money},
    {Setting::TariffCurrency, "Tariff", "Currency", ValueKind::Any},
    {Setting::TariffFirst, "Tariff", "First", ValueKind::Count},
    {Setting::SessionStart, "Session", "Start", ValueKind::Any},
    {Setting::SessionLast, "Session", "Last", ValueKind::Any},
    {Setting::SessionTenths, "Session", "Tenths", ValueKind::Any},
    {Setting::SessionLink, "Session", "Link", ValueKind::Any},
    {Setting::SessionNetwork, "Session", "Network", ValueKind::Any},
    {Setting::SessionIdle, "Session", "Idle", ValueKind::Any},
    {Setting::GuardIdle, "Guard", "Idle", ValueKind::Count},
    {Setting::GuardIdleBytes, "Guard", "IdleBytes", ValueKind::Count},
    {Setting::GuardHangUp, "Guard", "HangUp", ValueKind::Any},
    {Setting::GuardHangUpCommand, "Guard", "HangUpCommand", ValueKind::Any},
    {Setting::GuardIdleRun, "Session", "IdleRun", ValueKind::Any},
    {Setting::GuardIdleToldAt, "Session", "IdleToldAt", ValueKind::Any},
    {Setting::GuardIdleHeld, "Session", "IdleHeld", ValueKind::Any},
    {Setting::GuardAllowanceHeld, "Session", "AllowanceHeld", ValueKind::Any},
    {Setting::GuardBudgetHeld, "Session", "BudgetHeld", ValueKind::Any},
    {Setting::GuardAtHeld, "Session", "AtHeld", ValueKind::Any},
    {Setting::GuardAtDay, "Session", "AtDay", ValueKind::Any},
    {Setting::GuardPending, "Session", "HangUp", ValueKind::Any},
    {Setting::GuardHangUpAt, "Session", "HangUpAt", ValueKind::Any},
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

constexpr int32_t kMaxValue = 2147483647;

// A number with a decimal point, as a price is printed ("1.20", "0.5"), in the smallest unit:
// none when it has more than two decimals, a sign, or does not fit.
std::optional<int64_t> HundredthsOf(std::string_view text) {
    const size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point), fraction = text.substr(point + 1);
    const auto digits = [](std::string_view part) {
        return part.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (point == std::string_view::npos || !digits(whole) || !digits(fraction) ||
        fraction.size() > 2 || whole.size() + fraction.size() == 0 || whole.size() > 8)
        return std::nullopt;
    int64_t value = 0;
    for (const char c : whole)
        value = value * 10 + (c - '0');
    for (size_t i = 0; i < 2; ++i)
        value = value * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
    return value <= kMaxValue ? std::optional<int64_t>(value) : std::nullopt;
}

std::string PastYearKey(int32_t year) {
    std::string key(kMonthTotal);
    key += std::to_string(year);
    return key;
}

// The sessions waiting for the ledger: their count, then a line each ("Waiting1").
constexpr std::string_view kWaitingSection = "Session";
constexpr std::string_view kWaitingCount = "Waiting";
constexpr int32_t kMostWaiting = 1000;

std::string WaitingKey(int32_t i) {
    std::string key(kWaitingCount);
    key += std::to_string(i);
    return key;
}

}  // namespace

ValueReading ReadValue(std::string_view text, std::string_view key, ValueKind kind) {
    ValueReading reading;
    if (text.empty())
        return reading;
    if (kind == ValueKind::Any) {
        reading.value = ParseIniInteger(text);
        return reading;
    }
    const size_t signs = text[0] == '+' || text[0] == '-' ? 1 : 0;
    const std::string_view digits = text.substr(signs);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
        if (kind == ValueKind::Money && text.find('.') != std::string_view::npos) {
            reading.why = "金额以分为单位，不能带小数点";
            if (const std::optional<int64_t> cents = HundredthsOf(text)) {
                reading.why +=
                    "：写作 " + std::string(key) + "=" + std::to_string(*cents) + "（单位：分）";
            }
        } else {
            reading.why = "不是整数";
        }
        return reading;
    }
    const size_t significant = digits.find_first_not_of('0');
    const bool negative = text[0] == '-' && significant != std::string_view::npos;
    if (significant != std::string_view::npos &&
        (digits.size() - significant > 10 ||
         (digits.size() - significant == 10 && digits.substr(significant) > "2147483647"))) {
        reading.why = "超出可以计算的范围";
        return reading;
    }
    if (negative && kind == ValueKind::Day) {
        reading.why = "结算日不能是负数（0 表示月底）";
        return reading;
    }
    if (negative && kind != ValueKind::Signed) {
        reading.why = "不能是负数";
        return reading;
    }
    reading.value = ParseIniInteger(text);
    return reading;
}

std::string MonthSectionName(int month) {
    // Appending, not "T" + text: GCC 12 reports a false -Wrestrict on the latter when optimising.
    std::string name = "T";
    name += std::to_string(month);
    return name;
}

int32_t Settings::Int(Setting setting) const {
    const Place& place = PlaceOf(setting);
    if (place.kind == ValueKind::Any)
        return IniReadInt(text_, place.section, place.key);
    return ReadValue(IniReadText(text_, place.section, place.key), place.key, place.kind).value;
}

void Settings::SetInt(Setting setting, int32_t value) {
    const Place& place = PlaceOf(setting);
    text_ = IniWriteInt(text_, place.section, place.key, value);
}

int32_t Settings::WrittenInt(Setting setting) const {
    const Place& place = PlaceOf(setting);
    return IniReadInt(text_, place.section, place.key);
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
    return MonthRecord{
        ReadValue(IniReadText(text_, section, kMonthTotal), kMonthTotal, ValueKind::Count).value,
        IniReadInt(text_, section, kMonthYear)};
}

std::vector<std::string> Settings::RefusedValues(std::string_view fileName) const {
    std::vector<std::string> lines;
    const auto check = [&](std::string_view section, std::string_view key, ValueKind kind) {
        const std::string text = IniReadText(text_, section, key);
        const ValueReading reading = ReadValue(text, key, kind);
        if (reading.why.empty())
            return;
        std::string line(fileName);
        line += "：[";
        line += section;
        line += "] ";
        line += key;
        line += "=" + text + " 无法读取（" + reading.why + "），按 0 计算";
        lines.push_back(std::move(line));
    };
    for (const Place& place : kLayout)
        if (place.kind != ValueKind::Any)
            check(place.section, place.key, place.kind);
    for (int month = 1; month <= 12; ++month)
        check(MonthSectionName(month), kMonthTotal, ValueKind::Count);
    return lines;
}

void Settings::SetMonthMinutes(int month, int32_t minutes) {
    text_ = IniWriteInt(text_, MonthSectionName(month), kMonthTotal, minutes);
}

void Settings::SetMonthYear(int month, int32_t year) {
    text_ = IniWriteInt(text_, MonthSectionName(month), kMonthYear, year);
}

int32_t Settings::PastYearMinutes(int month, int32_t year) const {
    // A refused total reads as none kept (0).
    const std::string key = PastYearKey(year);
    return ReadValue(IniReadText(text_, MonthSectionName(month), key), key, ValueKind::Count).value;
}

void Settings::SetPastYearMinutes(int month, int32_t year, int32_t minutes) {
    text_ = IniWriteInt(text_, MonthSectionName(month), PastYearKey(year), minutes);
}

std::vector<std::string> Settings::BilledLinkPatterns() const {
    return ParseLinkPatterns(Text(Setting::BilledLink));
}

LinkRule Settings::BilledLinkRule() const {
    return ParseLinkRule(Text(Setting::BilledLink));
}

Tariff Settings::TariffValues(std::vector<std::string>* warnings) const {
    const auto amount = [this](Setting setting) {
        const int32_t value = Int(setting);
        return value > 0 ? value : 0;
    };
    Tariff tariff;
    tariff.roundMinutes = amount(Setting::TariffRound);
    tariff.fee = amount(Setting::TariffFee);
    tariff.base = amount(Setting::TariffBase);
    tariff.price = amount(Setting::TariffPrice);
    tariff.firstMinutes = amount(Setting::TariffFirst);
    // A time band's section: [Band1] to [Band9], read in order.
    for (int n = 1; n <= kMaxBands; ++n) {
        std::string section = "Band";
        section += std::to_string(n);
        const auto text = [&](std::string_view key) { return IniReadText(text_, section, key); };
        std::string warning;
        const BandTexts texts{text("Hours"), text("Days"), text("Name"), text("Price"),
                              text("Counts")};
        if (std::optional<Band> band = ReadBand(n, texts, warning))
            tariff.bands.push_back(std::move(*band));
        else if (!warning.empty() && warnings)
            warnings->push_back(std::move(warning));
    }
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
    return Session{*start,
                   *last,
                   tenths,
                   Text(Setting::SessionLink),
                   Text(Setting::SessionNetwork),
                   idle > 0 && idle <= tenths ? idle : 0};
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
    // A file whose sessions never had a network gets no key for one.
    if (!session->network.empty() || !Text(Setting::SessionNetwork).empty())
        SetText(Setting::SessionNetwork, session->network);
    if (Int(Setting::SessionIdle) != session->idleTenths)
        SetInt(Setting::SessionIdle, static_cast<int32_t>(session->idleTenths));
}

std::vector<Session> Settings::WaitingSessions() const {
    std::vector<Session> sessions;
    const int32_t count = IniReadInt(text_, kWaitingSection, kWaitingCount);
    for (int32_t i = 1; i <= count && i <= kMostWaiting; ++i) {
        LineRead line = ReadLedgerLine(IniReadText(text_, kWaitingSection, WaitingKey(i)), false);
        if (line.kind == LineKind::Session)
            sessions.push_back(std::move(line.session));
    }
    return sessions;
}

// Lines of sessions no longer waiting are emptied, not removed: the section is only added to.
void Settings::SetWaitingSessions(const std::vector<Session>& sessions) {
    const int32_t before = IniReadInt(text_, kWaitingSection, kWaitingCount);
    const auto count = static_cast<int32_t>(std::min<size_t>(sessions.size(), kMostWaiting));
    if (before == 0 && count == 0)
        return;
    text_ = IniWriteInt(text_, kWaitingSection, kWaitingCount, count);
    for (int32_t i = 1; i <= std::max(before, count) && i <= kMostWaiting; ++i) {
        std::string line = i <= count ? LedgerLine(sessions[static_cast<size_t>(i - 1)]) : "";
        if (!line.empty())
            line.pop_back();  // its line end
        if (IniReadText(text_, kWaitingSection, WaitingKey(i)) != line)
            text_ = IniWriteText(text_, kWaitingSection, WaitingKey(i), line);
    }
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

std::optional<std::string> SettingsStore::Load() const {
    return held_ ? *held_ : files_.ReadAll(path_);
}

Settings SettingsStore::Read() const {
    std::optional<std::string> text = Load();
    return Settings(text ? std::move(*text) : std::string());
}

bool SettingsStore::Write(const std::function<void(Settings&)>& change) {
    std::optional<std::string> text = Load();
    if (!text) {
        // A file that exists but cannot be read must not be replaced by a nearly empty one.
        if (files_.Exists(path_))
            return false;
        text.emplace();
    }
    Settings settings(std::move(*text));
    change(settings);
    if (!files_.ReplaceAll(path_, settings.FileText()))
        return false;
    if (held_)
        held_ = settings.FileText();
    return true;
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

void WriteStampedTotal(Settings& settings, int month, int32_t minutes, int32_t year) {
    const MonthRecord stored = settings.Month(month);
    if (IsPastYear(stored.year, year) && stored.minutes != 0)
        settings.SetPastYearMinutes(month, stored.year, stored.minutes);
    settings.SetMonthMinutes(month, minutes);
    if (stored.year != year)
        settings.SetMonthYear(month, year);
}

}  // namespace kivrel
