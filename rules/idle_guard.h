// The idle guard: whether a tick passed traffic on the billed link, when an idle connection is
// worth a reminder, and when Kivrel may end the billed connection itself because the user asked
// for it ([Guard] HangUp). Every rule here is pure: the account feeds it each tick and the
// presenter carries out what it returns.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vocabulary/calendar.h"

namespace kivrel {

// The byte counters of one interface as the system keeps them, since the interface came up.
struct ByteCounters {
    uint64_t received = 0;
    uint64_t sent = 0;
    friend bool operator==(const ByteCounters&, const ByteCounters&) = default;
};

// One reading of the billed link's counters.
struct TrafficSample {
    std::string link;
    ByteCounters bytes;
};

enum class Traffic {
    Idle,   // fewer than IdleBytes passed since the previous tick
    Busy,   // IdleBytes or more passed
    Fresh,  // nothing to compare with: the first reading, another interface, a counter that went
            // back (the interface was made again) or no reading at all; never idle
};

inline constexpr int64_t kDefaultIdleBytes = 2048;

// What passed on the billed link between two readings, in and out together.
Traffic ClassifyTraffic(const std::optional<TrafficSample>& before,
                        const std::optional<TrafficSample>& now, int64_t idleBytes);

// Why Kivrel ends the connection.
enum class HangUpReason { None, Idle, Allowance, Budget, At, User };

// The [Guard] section as the user wrote it.
struct GuardConfig {
    int32_t idleMinutes = 0;  // 0: no idle reminder (and no idle hang-up)
    int64_t idleBytes = kDefaultIdleBytes;
    bool onIdle = false;            // HangUp lists `idle`
    bool onAllowance = false;       // `allowance`
    std::optional<int64_t> budget;  // `budget=CENTS`
    std::optional<int> atMinute;    // `at=HH:MM`, minutes since midnight
    std::string command;            // HangUpCommand, as written
    bool AnyHangUp() const { return onIdle || onAllowance || budget || atMinute; }
};

// Reads the [Guard] values: Idle (minutes, below 1 or missing: off), IdleBytes (below 1 or
// missing: 2048), HangUp (items separated by commas or blanks, letters in any case; an item it
// does not know is left out) and HangUpCommand.
GuardConfig ReadGuardConfig(int32_t idleMinutes, int32_t idleBytes, std::string_view hangUp,
                            std::string command);

// A command line split at blanks, with no quoting: "poff  -a dsl" is {"poff", "-a", "dsl"}.
std::vector<std::string> SplitCommand(std::string_view command);

// The guard's state, kept with the open session.
struct GuardState {
    int64_t idleRun = 0;                  // idle ticks in a row on the billed link
    std::optional<LocalTime> idleToldAt;  // the idle reminder of this run was shown then
    bool idleHeld = false;  // "继续上网" or a cancel: no idle hang-up until traffic flows again
    int32_t allowanceHeld = 0;  // the billing month (MonthStamp) an allowance hang-up is held for
    int32_t budgetHeld = 0;     // the same for the budget
    int64_t atHeld = -1;        // the day (DayNumber) of the daily hang-up that is held
    int64_t atDay = -1;         // the day of the daily hang-up announced last
    HangUpReason pending = HangUpReason::None;  // a hang-up that has been announced
    LocalTime actAt;                            // when it acts
    friend bool operator==(const GuardState&, const GuardState&) = default;
};

// What the account knows at a tick.
struct GuardInput {
    LocalTime now;
    bool online = false;  // the billed link carries the route
    Traffic traffic = Traffic::Fresh;
    int32_t month = 0;              // the billing month, MonthStamp
    bool allowanceReached = false;  // the billed minutes reached a (non-zero) allowance
    std::optional<int64_t> bill;    // the month's bill, when the tariff charges
};

struct GuardStep {
    GuardState state;
    bool remind = false;                     // show the idle reminder now
    HangUpReason warn = HangUpReason::None;  // announce a hang-up 60 s from now
    HangUpReason act = HangUpReason::None;   // end the connection now
};

// Seconds between the announcement of a hang-up and the hang-up; also how long the idle
// reminder stands unanswered before the idle hang-up is announced.
inline constexpr int64_t kHangUpNoticeSeconds = 60;
// A daily hang-up is announced at the first online tick from a minute before its time until
// this many seconds after it; a connection made later that day is left alone.
inline constexpr int64_t kAtLateSeconds = 300;

// One tick of the guard. Offline, everything about the idle run and a planned hang-up ends.
// Traffic (Busy or Fresh) ends the idle run and what it held. After `idleMinutes` minutes of idle
// ticks in a row one reminder is shown; with `idle` in HangUp, a reminder that stood 60 s
// unanswered announces the hang-up. `allowance` and `budget` announce it when the allowance or
// the bill is reached, `at` in the minute before its time. A hang-up acts 60 s after its
// announcement; acting holds its trigger as a cancel does, so that a failed hang-up is never
// tried again in a loop.
GuardStep StepGuard(const GuardConfig& config, GuardState state, const GuardInput& in);

// The user's answers. "继续上网" (or a click on a reminder without actions): no idle hang-up and
// no reminder until traffic flows and stops again. "取消" of an announced hang-up: holds it until
// traffic resumes (idle), the next billing month (allowance, budget) or the next day (at).
GuardState AnswerContinue(GuardState state);
GuardState AnswerCancel(GuardState state, int32_t month);
// Holds the trigger of `reason` as a cancel does.
GuardState Hold(GuardState state, HangUpReason reason, int32_t month);

// The texts the guard shows. `idleTenths`: the idle run; `billedTenths`: the session's billed
// minutes so far; `grown`: how much the month's bill grew since the session began, when the
// tariff charges.
std::string IdleReminderText(int64_t idleTenths, int64_t billedTenths,
                             const std::optional<std::string>& grown);
std::string ReasonText(HangUpReason reason, const GuardConfig& config, int64_t idleTenths);
std::string WarningText(const std::string& link, const LocalTime& when, const std::string& reason);
std::string HungUpText(const std::string& link, const std::string& reason);
std::string HangUpFailedText(const std::string& link, const std::string& why);
// "23:30"
std::string ClockText(const LocalTime& time);

// The words a reason is kept under in the settings file ("idle", ...), and back.
std::string_view ReasonWord(HangUpReason reason);
HangUpReason ReasonOfWord(std::string_view word);

}  // namespace kivrel
