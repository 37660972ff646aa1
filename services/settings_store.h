// The layout of timer.ini: which section and key hold each value Kivrel keeps. Nothing else in
// the program spells a section or a key name; everything reads and writes through Settings (the
// values as one text holds them) and SettingsStore (the file).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rules/ledger.h"
#include "rules/network.h"
#include "rules/tariff.h"
#include "rules/year_stamp.h"
#include "rules/idle_guard.h"
#include "ports/system_ports.h"

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
    BilledLink,          // text: the billed link's interface and network patterns, comma-separated
    TariffRound,         // each session's minutes rounded up to a multiple of this
    TariffFee,           // charge per session, in the currency's smallest unit
    TariffBase,          // charge per billing month
    TariffPrice,         // charge per hour beyond the allowance
    TariffCurrency,      // text: the unit's name
    TariffFirst,         // each session billed at least this many minutes
    SessionStart,        // text: the open session's first tick
    SessionLast,         // text: its latest tick
    SessionTenths,       // its ticks; 0 when no session is open
    SessionLink,         // text: its link
    SessionNetwork,      // text: its network, absent when not looked up
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

// How a value the figures depend on must read: a whole number (blanks around it, an optional
// sign, decimal digits) within 32 bits, and for each kind within its range. Anything else is
// refused: the figures use the default in its place, 0 as for a missing value, and the user is
// told (RefusedValues).
enum class ValueKind {
    Any,    // a flag or a stamp Kivrel writes: read as before, never refused
    Count,  // minutes or hours, not below 0
    Money,  // an amount in the currency's smallest unit, not below 0, never with a decimal point
    Day,    // the billing day: 0 (the month's end) or more
    Signed  // the allowance: a negative one means nothing is left, and is kept
};

// The reading of one value's text (blanks around it already removed); `key` names it in the hint
// a money value with a decimal point gets.
struct ValueReading {
    int32_t value = 0;  // what the figures use: the value, or 0 when it is missing or refused
    std::string why;    // empty when accepted; else why it was refused, in the user's words
};
ValueReading ReadValue(std::string_view text, std::string_view key, ValueKind kind);

// The name of the section of month 1 to 12 ("T5"), as the window's state shows it.
std::string MonthSectionName(int month);

// The values of timer.ini as one text holds them, each read and written by its name. A missing
// value reads as 0 (or empty text), and so does a refused one (ValueKind); a write changes that
// one value and keeps every other line.
class Settings {
  public:
    Settings() = default;
    explicit Settings(std::string text) : text_(std::move(text)) {}
    const std::string& FileText() const { return text_; }

    int32_t Int(Setting setting) const;
    // The number as the file writes it, refused or not (anything after its digits ignored, held
    // at the 32-bit limits): what the window's labels show of the file.
    int32_t WrittenInt(Setting setting) const;
    void SetInt(Setting setting, int32_t value);
    std::string Text(Setting setting) const;
    void SetText(Setting setting, std::string_view value);

    // The total of a month and its year; the total of an earlier year kept beside them. A total
    // that is refused (negative, not a whole number) reads as 0.
    MonthRecord Month(int month) const;
    void SetMonthMinutes(int month, int32_t minutes);
    void SetMonthYear(int month, int32_t year);
    int32_t PastYearMinutes(int month, int32_t year) const;
    void SetPastYearMinutes(int month, int32_t year, int32_t minutes);

    // Each value of the file that was refused, as one line for the user naming the file
    // `fileName`, the section, the key and the value, why, and the default used in its place.
    std::vector<std::string> RefusedValues(std::string_view fileName) const;

    // The billed link's names; none: every connection counts.
    std::vector<std::string> BilledLinkPatterns() const;
    LinkRule BilledLinkRule() const;
    // The tariff with its bands [Band1]…[Band9]; a refused or negative amount reads as 0, a missing
    // currency as 元. A band that cannot be read is left out, and said in `warnings` when given.
    Tariff TariffValues(std::vector<std::string>* warnings = nullptr) const;
    // The session left open by the last online tick; none when none is open or its fields are
    // damaged.
    std::optional<Session> OpenSession() const;
    void SetOpenSession(const std::optional<Session>& session);
    // The closed sessions that wait for the ledger, oldest first, each as its ledger line.
    std::vector<Session> WaitingSessions() const;
    void SetWaitingSessions(const std::vector<Session>& sessions);
    // The [Guard] section, and the guard's state kept beside the open session. Only values that
    // differ from what the text holds are written, so a user who never met the guard gets no
    // new lines but the idle figure.
    GuardConfig GuardValues() const;
    GuardState GuardStateValues() const;
    void SetGuardState(const GuardState& state);

  private:
    std::string text_;
};

// `month` holding `minutes` stamped `year`. A total of an earlier year found there is first kept
// under its own year (unless it is 0). Other months, and other values of this one, stay as they
// are.
void WriteStampedTotal(Settings& settings, int month, int32_t minutes, int32_t year);

// The settings file. Every read reads the file (a change made by hand is seen by the next read),
// except while the values are held: then the file is read once and every read and write works on
// what that read found. Every write is one durable replace of the whole file, however many values
// it changes.
class SettingsStore {
  public:
    explicit SettingsStore(IFileSystem& files) : files_(files) {}

    // Holds the file's values for as long as it lives (one tick of the meter).
    class Hold {
      public:
        explicit Hold(SettingsStore& store) : store_(store) { store_.held_ = store_.Load(); }
        ~Hold() { store_.held_.reset(); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

      private:
        SettingsStore& store_;
    };

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
    std::optional<std::string> Load() const;

    IFileSystem& files_;
    std::string path_;
    std::optional<std::optional<std::string>> held_;  // the text read while held
};

// What the user is told when a setting could not be written to the file at `path`.
std::string WriteFailedText(const std::string& path);

}  // namespace kivrel
