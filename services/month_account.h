// The accounting of the current billing month: which month it is, its minute total and the
// allowance; the tick that adds to the total while online, the save, the move to the next month
// when the billing day has passed, and the allowance alerts.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ports/system_ports.h"
#include "ports/window_ports.h"
#include "rules/alerts.h"
#include "rules/billing.h"
#include "rules/ledger.h"
#include "services/month_figures.h"
#include "services/session_ledger.h"
#include "services/settings_store.h"

namespace kivrel {

class MonthAccount {
  public:
    // `notices`: where a failed save and the allowance alerts are told (the tray icon).
    MonthAccount(SettingsStore& settings, IFileSystem& files, IClock& clock, ITrayIcon& notices)
        : settings_(settings), clock_(clock), notices_(notices), ledger_(files) {}

    // What the account holds: the allowance in hours, the billing month (its section, 1..12, and
    // its year, the year of its closing date) and the month's total.
    int32_t Allowance() const { return QuotaHours; }
    const std::string& Section() const { return MonthSection; }
    int Month() const { return BillingMonth; }
    int32_t Year() const { return MonthYear; }
    const MinuteTotal& Used() const { return UsedMinutes; }

    // At start-up: the billing month and its total, the alerts shown in it, the allowance; a
    // session that a crash left open is closed at its latest tick and goes to the ledger. A value
    // of the settings that is refused is told now, and again on a tick when it has changed.
    void Load();
    // Entering a billing month: a total stamped with an earlier year is last year's, and the
    // month starts from 0 (the next save keeps last year's total beside the new one).
    void RefreshBillingMonth();
    // Stores the month's total and the open session; a failure is told once, unless the program
    // is closing.
    bool SaveUsage();
    // The last save, as the program ends: the open session closes.
    void Close();

    // What the idle guard asks of the presenter at a tick, with the texts to show.
    struct GuardDo {
        std::optional<std::string> remind;  // the idle reminder
        std::optional<std::string> warn;    // the announcement of a hang-up
        HangUpReason act = HangUpReason::None;
        std::string reason;  // the words for the hang-up announced or done
    };
    struct TickResult {
        MonthFigures figures;             // those before the tick's own increment
        bool online = false;              // the billed link carries the route
        std::optional<std::string> link;  // the billed link carrying the route
        Traffic traffic = Traffic::Fresh;
        GuardDo guard;
    };
    using BytesOf = std::function<std::optional<ByteCounters>(const std::string& link)>;
    // One tick of the accounting clock: follows the calendar; finds the billed link among the
    // links that carry the default route (`connected`: the system's own answer, `routed`: their
    // names; `networks`: asks the system's network service, only when the settings bill a
    // network); while it is up adds a tenth of a minute, reads the link's byte counters (`bytes`,
    // for the billed link only) to tell an idle tick, saves, checks the alerts and steps the idle
    // guard. The session follows the tick: a closed one goes to the ledger.
    TickResult Tick(bool connected, const std::vector<std::string>& routed,
                    const std::function<NetworkList()>& networks = {}, const BytesOf& bytes = {});

    // The guard's settings as the file holds them now.
    GuardConfig Guard() const { return settings_.Read().GuardValues(); }
    const GuardState& GuardNow() const { return guard_; }
    // The user's answers to the guard's notifications; each is saved.
    void GuardContinue();
    void GuardCancel();
    // The presenter ended the connection (or failed to) for `reason`: the trigger is held.
    void GuardActed(HangUpReason reason);

    // The allowance and the billing day as the user sets them; false when the file could not be
    // written (nothing changed then).
    bool SetAllowance(int32_t hours);
    bool SetBillingDay(int32_t day);

  private:
    int32_t QuotaHours = 0;
    std::string MonthSection;
    int BillingMonth = 1;   // 1..12, the month MonthSection names
    int32_t MonthYear = 0;  // the year of the billing month, the year of its closing date
    MinuteTotal UsedMinutes;

    void FollowCalendar(const LocalDate& today);
    void CloseSession(const Session& session);
    MonthFigures FiguresNow(const Settings& settings, const LocalTime& now,
                            const std::optional<std::string>& link);
    void CheckAllowance(const MonthFigures& figures);
    void ReportSave(bool saved);
    void TellRefusedValues(const Settings& settings);
    GuardDo StepIdleGuard(const Settings& settings, const GuardConfig& config, const LocalTime& now,
                          bool online, Traffic traffic);

    GuardState guard_;
    std::optional<TrafficSample> sample_;  // the billed link's counters at the previous tick
    SettingsStore& settings_;
    IClock& clock_;
    ITrayIcon& notices_;
    int64_t savedTenths_ = 0;  // the month's total when it was last read or saved
    AlertState alerts_;        // which allowance alerts this billing month has shown
    bool saveFailureTold_ = false;
    bool ledgerFailureTold_ = false;
    bool closed_ = false;
    std::vector<std::string> refusedTold_;  // the refused values told since the start
    SessionLedger ledger_;
    std::optional<Session> open_;  // the session of the billed link, while it is up
    int32_t tickMonth_ = 0;        // the billing month (MonthStamp) of the latest tick
    BillingPeriod period_;         // the billing month counted: BillingMonth of MonthYear
};

// The allowance an answer typed into the allowance box sets: a number not below 0, rounded to
// whole hours and held in 0..32767; anything else sets 0.
int32_t AllowanceAnswer(std::string_view typed);

// The billing day an answer typed into the billing-day box stores (rounded, a day beyond 32 bits
// as the 32-bit limit, anything else 0), and the text Label4 shows for it.
struct BillingDayAnswer {
    int32_t stored = 0;
    std::string label;
};
BillingDayAnswer ReadBillingDayAnswer(const std::string& typed);

}  // namespace kivrel
