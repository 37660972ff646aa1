// The current billing month's figures, worked out once from the settings, the ledger, the clock
// and the link: the window's status lines, `--status`, `--sessions`, the report and the allowance
// alerts all read them, in both programs. Two figures that differ by definition have a name each:
// the counted minutes (the month's total, a tenth a tick) and the billed minutes (the counted
// ones with what each session's rounding adds); what remains by the count and by the bill.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rules/alerts.h"
#include "rules/billing.h"
#include "rules/ledger.h"
#include "rules/period.h"
#include "rules/tariff.h"
#include "services/settings_store.h"

namespace kivrel {

// The plan the month is billed by: decided once, worded the same by every output.
enum class PlanKind {
    FlatRate,       // no allowance and no price by the hour: time is not limited
    IncludedHours,  // an allowance (a negative one includes nothing, so nothing of it is left)
    PayAsYouGo,     // no allowance, a price by the hour: every billed minute is charged
};

// A session of the billing period as the outputs list it.
struct PeriodSession {
    Session session;
    bool open = false;  // the session still going on; its end is its latest tick
    int64_t billedTenths = 0;
};

// What the figures are made from: a printout reads it from the files (ReadMonthInputs), the
// running program from its own state.
struct MonthInputs {
    BillingPeriod period;  // the billing month being counted
    LocalTime now;
    int32_t allowanceHours = 0;  // as set
    Tariff tariff;
    MinuteTotal counted;              // the month's total as counted
    std::vector<Session> ledger;      // the closed sessions, in file order
    std::optional<Session> open;      // the session going on, which the ledger does not hold
    std::optional<std::string> link;  // the billed link carrying the route now, none offline
    UtcOffsets offsets;               // the user's time zone: where the bands fall
    // The idle guard as the running program left it at its latest online tick: how long the
    // link has been idle, and when an announced hang-up acts; none offline.
    std::optional<int64_t> idleRunTenths;
    std::optional<LocalTime> hangUpAt;
    std::vector<std::string> warnings;  // what the figures could not take in, a line each
};

// The inputs as the settings file `settingsFile` and its ledger (read back to the period's
// start) hold them. The settings keep a closed session until the next save; the ledger holds it
// then, and it is counted once, as closed. Refused values, bands that cannot be read and ledger
// lines that are not sessions become warnings.
MonthInputs ReadMonthInputs(const Settings& settings, LedgerRead ledger, const LocalTime& now,
                            const std::optional<std::string>& link, const std::string& settingsFile,
                            const UtcOffsets& offsets = {});

struct MonthFigures {
    BillingPeriod period;
    LocalDate today;
    int64_t daysLeft = 0;  // today to the closing date, both counted
    PlanKind plan = PlanKind::FlatRate;
    int32_t allowanceHours = 0;   // as set
    int64_t includedMinutes = 0;  // what the allowance includes: 0 without one, and below 0
    // The counted minutes and hours, and allowance × 60 − counted, each rounded as the window
    // shows them; what remains by the count is `remainingMinutes`, none without an allowance.
    TickFigures counted;
    std::optional<int64_t> remainingMinutes;       // by the count; none without an allowance
    std::optional<int64_t> remainingBilledTenths;  // included − billed; none without an allowance
    int64_t forecastMinutes = 0;                   // the counted minutes carried on at their pace
    std::optional<int64_t> paceTenths;             // a day, to use up what remains by the bill
    bool online = false;
    std::optional<std::string> link;
    // The network on the link, none offline or when it is unknown (or not looked up), and
    // whether the system marks it as metered (none when it does not say).
    std::optional<std::string> network;
    std::optional<bool> metered;
    std::vector<PeriodSession> sessions;   // the period's, the open one last
    int64_t idleTenths = 0;                // the idle minutes of the period's sessions
    std::optional<int64_t> idleRunTenths;  // online: how long the link has been idle now
    std::optional<LocalTime> hangUpAt;     // online: when an announced hang-up acts
    Tariff tariff;
    Bill bill;
    std::vector<std::string> warnings;  // what the outputs tell beside the figures
};

// The one place the month's figures are worked out.
MonthFigures MakeMonthFigures(const MonthInputs& inputs);

// The plan in words: "包月，不限时长", "包时 60 小时", "按时计费".
std::string PlanText(const MonthFigures& figures);
// The plan for scripts: "flat_rate", "included_hours", "pay_as_you_go".
const char* PlanKey(PlanKind plan);

// What remains by the bill, named as the outputs show it: "按计费时长剩余" and the tenths left, or
// "按计费时长超出" and the tenths beyond; none without an allowance.
struct BilledRemainder {
    std::string name;
    int64_t tenths = 0;
    bool over = false;
};
std::optional<BilledRemainder> BilledRemainderOf(const MonthFigures& figures);

// Label1's text, lines ending in CR LF.
std::string WindowStatusText(const MonthFigures& figures);

// What an online tick's alerts decide for the month (only an allowance has alerts), from the
// alerts shown so far and the `Alert` setting.
AlertStep AlertsOf(const MonthFigures& figures, const AlertState& shown, int32_t alertSetting);

}  // namespace kivrel
