// The layout of timer.ini: which section and key hold each value Kivrel keeps. Nothing else in
// the program spells a section or a key name; everything reads and writes through Settings (the
// values as one text holds them) and SettingsStore (the file).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "accounting/ledger.h"
#include "accounting/tariff.h"
#include "guard/idle_guard.h"
#include "platform/system_ports.h"

namespace kivrel {

// Every single value Kivrel keeps, by name. A new value is one name here and one row in the
// layout table of settings_store.cpp; its reads and writes are Int and SetInt, or Text and
// SetText.
enum class Setting {
    BillingDay,      // the billing day, 0 for the month's end
    AllowanceHours,  // the monthly allowance in hours, 0 for a flat rate
    RunAtLogOn,      // 1 when Kivrel starts at log-on
    Exit,            // written 0 at every save of the month's total
    AlertPercent,    // the allowance alerts' threshold as the user set it (only the user writes it)
    AlertShownMonth,     // the billing month (year × 100 + month) the two flags below tell of
    LowAlertShown,       // 1: the low-allowance alert was shown in that month
    EmptyAlertShown,     // 1: the used-up alert was shown in that month
    BilledLink,          // text: the billed link's interface names, comma-separated
    TariffRound,         // each session's minutes rounded up to a multiple of this
    TariffFee,           // charge per session, in the currency's smallest unit
    TariffBase,          // charge per billing month
    TariffPrice,         // charge per hour beyond the allowance
    TariffCurrency,      // text: the unit's name
    SessionStart,        // text: the open session's first tick
    SessionLast,         // text: its latest tick
    SessionTenths,       // its ticks; 0 when no session is open
    SessionLink,         // text: its link
    SessionIdle,         // its idle ticks
    GuardIdle,           // minutes of idle ticks in a row before the reminder; 0: none
    GuardIdleBytes,      // fewer bytes than this in a tick make it idle; 0: 2048
    GuardHangUp,         // text: when Kivrel may end the billed connection itself
    GuardHangUpCommand,  // text: the command that ends it where the system offers no other way
    GuardIdleRun,        // [Session]: idle ticks in a row now
    GuardIdleToldAt,     // text: when the idle reminder of this run was shown
    GuardIdleHeld,       // 1: "继续上网" or a cancel holds the idle hang-up
    GuardAllowanceHeld,  // the billing month an allowance hang-up is held for
    GuardBudgetHeld,     // the billing month a budget hang-up is held for
    GuardAtHeld,         // text: the day a daily hang-up is held for
    GuardAtDay,          // text: the day of the daily hang-up announced last
    GuardPending,        // text: the reason of an announced hang-up
    GuardHangUpAt,       // text: when it acts
};

// What the section of a month holds: its whole minutes and the year they belong to (0: a total
// from before totals carried their year).
struct MonthRecord {
    int32_t minutes = 0;
    int32_t year = 0;
    friend bool operator==(const MonthRecord&, const MonthRecord&) = default;
};

// The name of the section of month 1 to 12 ("T5"), as the window's state shows it.
std::string MonthSectionName(int month);

// The values of timer.ini as one text holds them, each read and written by its name. A missing
// value reads as 0 (or empty text); a write changes that one value and keeps every other line.
class Settings {
  public:
    Settings() = default;
    explicit Settings(std::string text) : text_(std::move(text)) {}
    const std::string& FileText() const { return text_; }

    int32_t Int(Setting setting) const;
    void SetInt(Setting setting, int32_t value);
    std::string Text(Setting setting) const;
    void SetText(Setting setting, std::string_view value);

    // The total of a month and its year; the total of an earlier year kept beside them.
    MonthRecord Month(int month) const;
    void SetMonthMinutes(int month, int32_t minutes);
    void SetMonthYear(int month, int32_t year);
    int32_t PastYearMinutes(int month, int32_t year) const;
    void SetPastYearMinutes(int month, int32_t year, int32_t minutes);

    // The billed link's names; none: every connection counts.
    std::vector<std::string> BilledLinkPatterns() const;
    // The tariff; a negative amount reads as 0, a missing currency as 元.
    Tariff TariffValues() const;
    // The session left open by the last online tick; none when none is open or its fields are
    // damaged.
    std::optional<Session> OpenSession() const;
    void SetOpenSession(const std::optional<Session>& session);
    // The [Guard] section, and the guard's state kept beside the open session. Only values that
    // differ from what the text holds are written, so a user who never met the guard gets no
    // new lines but the idle figure.
    GuardConfig GuardValues() const;
    GuardState GuardStateValues() const;
    void SetGuardState(const GuardState& state);

  private:
    std::string text_;
};

// The settings file. Every read reads the file (a change made by hand is seen by the next read);
// every write is one durable replace of the whole file, however many values it changes.
class SettingsStore {
  public:
    explicit SettingsStore(IFileSystem& files) : files_(files) {}

    // The file to use from now on.
    void Open(std::string path) { path_ = std::move(path); }
    const std::string& Path() const { return path_; }

    // The file's values now; all missing when the file cannot be read.
    Settings Read() const;
    // One replace of the file with the values `change` makes of it. False when the file was not
    // written; a file that exists but cannot be read is never replaced.
    bool Write(const std::function<void(Settings&)>& change);
    bool WriteInt(Setting setting, int32_t value);

  private:
    IFileSystem& files_;
    std::string path_;
};

// What the user is told when a setting could not be written to the file at `path`.
std::string WriteFailedText(const std::string& path);

}  // namespace kivrel
