#include "services/month_account.h"

#include <algorithm>

#include "rules/link.h"
#include "rules/network.h"
#include "rules/period.h"
#include "rules/tariff.h"
#include "rules/year_stamp.h"
#include "vocabulary/numbers.h"
#include "vocabulary/safe_text.h"
#include "vocabulary/texts.h"

namespace kivrel {

void MonthAccount::Load() {
    RefreshBillingMonth();
    tickMonth_ = MonthStamp(MonthYear, BillingMonth);
    ledger_.Open(LedgerPathBeside(settings_.Path()));
    // The sessions that waited for the ledger when the program last ended go first, in order;
    // then a session that a crash left open. Each goes to the ledger once: the settings keep
    // them until the next save, and the ledger is asked whether it holds them already.
    ledger_.Resume(settings_.Read().WaitingSessions());
    if (const std::optional<Session> left = settings_.Read().OpenSession())
        ledger_.Recover(*left);
    const Settings shown = settings_.Read();
    alerts_ =
        AlertState{shown.Int(Setting::AlertShownMonth), shown.Int(Setting::LowAlertShown) != 0,
                   shown.Int(Setting::EmptyAlertShown) != 0};
    QuotaHours = shown.Int(Setting::AllowanceHours);
    // What a cancel holds outlives a restart; an idle run and an announced hang-up do not.
    const GuardState kept = shown.GuardStateValues();
    guard_.allowanceHeld = kept.allowanceHeld;
    guard_.budgetHeld = kept.budgetHeld;
    guard_.atHeld = kept.atHeld;
    guard_.atDay = kept.atDay;
    TellRefusedValues(shown);
}

// Each refused value is told once while it stays as it is: once per start, and again whenever
// the user changes it to another value that is refused too.
void MonthAccount::TellRefusedValues(const Settings& settings) {
    std::vector<std::string> refused = settings.RefusedValues(settings_.Path());
    std::string text;
    for (const std::string& line : refused)
        if (std::find(refusedTold_.begin(), refusedTold_.end(), line) == refusedTold_.end()) {
            text += text.empty() ? "" : "\r\n";
            text += PrintableText(line);
        }
    refusedTold_ = std::move(refused);
    if (!text.empty())
        notices_.Notify("Kivrel 设置有误", text);
}

void MonthAccount::RefreshBillingMonth() {
    const BillingPeriod period =
        PeriodOf(clock_.Today(), settings_.Read().Int(Setting::BillingDay));
    period_ = period;
    BillingMonth = period.month;
    MonthSection = MonthSectionName(BillingMonth);
    MonthYear = period.year;
    UsedMinutes = MinuteTotal::FromWholeMinutes(
        CurrentTotal(settings_.Read().Month(BillingMonth), MonthYear));
    savedTenths_ = UsedMinutes.Tenths();
}

bool MonthAccount::SaveUsage() {
    const int32_t minutes = SaturateTo32(UsedMinutes.RoundedMinutes());
    const bool saved = settings_.Write([&](Settings& settings) {
        WriteStampedTotal(settings, BillingMonth, minutes, MonthYear);
        settings.SetInt(Setting::Exit, 0);
        settings.SetOpenSession(open_);
        settings.SetWaitingSessions(ledger_.Waiting());
        settings.SetGuardState(guard_);
    });
    if (saved)
        savedTenths_ = UsedMinutes.Tenths();
    ReportSave(saved);
    return saved;
}

void MonthAccount::Close() {
    closed_ = true;
    // A session the ledger cannot take now waits in the settings with the others, in order: the
    // next start appends them.
    if (open_)
        ledger_.Append(*open_);
    open_.reset();
    SaveUsage();
}

// A ledger that cannot be written is told once; its sessions wait and go with the next append.
void MonthAccount::CloseSession(const Session& session) {
    const bool appended = ledger_.Append(session);
    if (!appended && !ledgerFailureTold_)
        notices_.Notify("Kivrel", "无法保存上网记录到 " + ledger_.Path() +
                                      "\r\n计时仍在继续，文件恢复可写后自动补存。");
    ledgerFailureTold_ = !appended;
}

// A save that fails is told once; counting goes on in memory and every online tick tries again.
void MonthAccount::ReportSave(bool saved) {
    if (saved) {
        saveFailureTold_ = false;
        return;
    }
    if (saveFailureTold_ || closed_)
        return;
    saveFailureTold_ = true;
    notices_.Notify("Kivrel", "无法保存上网时间到 " + settings_.Path() +
                                  "\r\n计时仍在继续，文件恢复可写后自动补存。");
}

// A billing month closes on the billing day: when today belongs to another billing month, the
// old month's total is stored and the accounting moves on. Should that store fail, the move waits
// for a later tick so that the old month's minutes are not dropped.
void MonthAccount::FollowCalendar(const LocalDate& today) {
    const BillingPeriod period = PeriodOf(today, settings_.Read().Int(Setting::BillingDay));
    if (period.month == BillingMonth && period.year == MonthYear)
        return;
    // Only a total that changed since it was saved is stored: an offline tick writes nothing.
    if (UsedMinutes.Tenths() != savedTenths_ && !SaveUsage())
        return;
    RefreshBillingMonth();
}

// Allowance alerts, on an online tick, from the remaining minutes the window shows.
void MonthAccount::CheckAllowance(const MonthFigures& figures) {
    if (figures.plan != PlanKind::IncludedHours)
        return;
    const AlertStep step = AlertsOf(figures, alerts_, settings_.Read().Int(Setting::AlertPercent));
    if (step.state != alerts_) {
        alerts_ = step.state;
        settings_.Write([&](Settings& settings) {
            settings.SetInt(Setting::AlertShownMonth, alerts_.month);
            settings.SetInt(Setting::LowAlertShown, alerts_.lowShown ? 1 : 0);
            settings.SetInt(Setting::EmptyAlertShown, alerts_.emptyShown ? 1 : 0);
        });
    }
    if (step.text)
        notices_.Notify(kAlertTitle, *step.text);
}

// The running program's figures: its own total, allowance and open session, the ledger's closed
// sessions of the period.
MonthFigures MonthAccount::FiguresNow(const Settings& settings, const LocalTime& now,
                                      const std::optional<std::string>& link) {
    MonthInputs inputs;
    inputs.period = period_;
    inputs.now = now;
    inputs.allowanceHours = QuotaHours;
    inputs.tariff = settings.TariffValues();
    inputs.counted = UsedMinutes;
    inputs.ledger = ledger_.Sessions(period_.first);
    inputs.open = open_;
    inputs.link = link;
    inputs.offsets = clock_.Offsets();
    return MakeMonthFigures(inputs);
}

MonthAccount::TickResult MonthAccount::Tick(bool connected, const std::vector<std::string>& routed,
                                            const std::function<NetworkList()>& networks,
                                            const BytesOf& bytes) {
    // One read of the settings file a tick: every value and write below works on it.
    const SettingsStore::Hold hold(settings_);
    const LocalTime now = clock_.Now();
    FollowCalendar(now.date);
    // The month may also have moved by a new billing day: a session never spans two.
    const int32_t month = MonthStamp(MonthYear, BillingMonth);
    const bool monthChanged = month != tickMonth_;
    tickMonth_ = month;

    const Settings settings = settings_.Read();
    TellRefusedValues(settings);
    const LinkRule rule = settings.BilledLinkRule();
    NetworkList list;
    if (rule.NeedsNetworks() && networks)
        list = networks();
    const std::optional<BilledConnection> billed =
        BilledOn(rule, connected, routed, rule.NeedsNetworks() ? &list : nullptr);
    const std::optional<std::string> link =
        billed ? std::optional<std::string>(billed->link) : std::nullopt;
    MonthFigures figures = FiguresNow(settings, now, link);
    // Only the billed link's counters are read, and only while it is up.
    std::optional<TrafficSample> sample;
    if (link && bytes)
        if (const std::optional<ByteCounters> counted = bytes(*link))
            sample = TrafficSample{*link, *counted};
    const GuardConfig guard = settings.GuardValues();
    const Traffic traffic = ClassifyTraffic(sample_, sample, guard.idleBytes);
    sample_ = std::move(sample);
    SessionStep step =
        StepSession(open_, now, link, monthChanged, billed ? billed->network : std::string(),
                    traffic == Traffic::Idle);
    if (step.closed)
        CloseSession(*step.closed);
    open_ = std::move(step.open);
    if (link)
        UsedMinutes.AddTick();
    TickResult result{figures, link.has_value(), link, traffic, {}};
    result.guard = StepIdleGuard(settings, guard, now, link.has_value(), traffic);
    // Offline nothing is written: a session closed now stays in the settings, held by the
    // ledger, until the next save.
    if (link) {
        SaveUsage();
        CheckAllowance(figures);
    }
    return result;
}

// The guard's step, with the month's bill only when a trigger or the reminder needs it (it reads
// the ledger).
MonthAccount::GuardDo MonthAccount::StepIdleGuard(const Settings& settings,
                                                  const GuardConfig& config, const LocalTime& now,
                                                  bool online, Traffic traffic) {
    GuardInput in{now, online, traffic, MonthStamp(MonthYear, BillingMonth), false, {}};
    const bool remindDue = config.idleMinutes > 0 && !guard_.idleToldAt &&
                           guard_.idleRun + 1 >= int64_t{config.idleMinutes} * 10;
    const Tariff tariff = settings.TariffValues();
    std::vector<Session> closed;
    std::optional<Bill> bill;
    if (online && open_ && (config.onAllowance || config.budget || remindDue)) {
        closed = SessionsOfPeriod(ledger_.Sessions(period_.first), period_);
        std::vector<Session> all = closed;
        all.push_back(*open_);
        bill = ComputeBillTenths(UsedMinutes.Tenths(), all, QuotaHours, tariff, clock_.Offsets());
        in.allowanceReached =
            HasAllowance(QuotaHours) && bill->billedTenths >= IncludedTenths(QuotaHours);
        if (tariff.Charges())
            in.bill = bill->total;
    }
    const GuardStep step = StepGuard(config, guard_, in);
    GuardDo todo;
    if (step.remind && open_) {
        std::optional<std::string> grown;
        if (tariff.Charges())
            grown = MoneyText(SessionCharge(UsedMinutes.Tenths(), closed, *open_, QuotaHours,
                                            tariff, clock_.Offsets()),
                              tariff.currency);
        todo.remind =
            IdleReminderText(step.state.idleRun, BilledTenths(open_->tenths, tariff), grown);
    }
    const HangUpReason named = step.warn != HangUpReason::None ? step.warn : step.act;
    if (named != HangUpReason::None)
        todo.reason = ReasonText(named, config, step.state.idleRun);
    if (step.warn != HangUpReason::None && open_)
        todo.warn = WarningText(open_->link, step.state.actAt, todo.reason);
    todo.act = step.act;
    guard_ = step.state;
    return todo;
}

void MonthAccount::GuardContinue() {
    guard_ = AnswerContinue(guard_);
    SaveUsage();
}

void MonthAccount::GuardCancel() {
    guard_ = AnswerCancel(guard_, MonthStamp(MonthYear, BillingMonth));
    SaveUsage();
}

void MonthAccount::GuardActed(HangUpReason reason) {
    guard_ = Hold(guard_, reason, MonthStamp(MonthYear, BillingMonth));
    SaveUsage();
}

bool MonthAccount::SetAllowance(int32_t hours) {
    if (!settings_.WriteInt(Setting::AllowanceHours, hours))
        return false;
    QuotaHours = hours;
    return true;
}

bool MonthAccount::SetBillingDay(int32_t day) {
    if (!settings_.WriteInt(Setting::BillingDay, day))
        return false;
    RefreshBillingMonth();
    return true;
}

int32_t AllowanceAnswer(std::string_view typed) {
    const Answer answer = ReadAnswer(typed);
    // The allowance is held in 0..32767; a larger answer is held at 32767 hours.
    return answer.valid ? SaturateTo16(answer.rounded) : 0;
}

BillingDayAnswer ReadBillingDayAnswer(const std::string& typed) {
    const Answer answer = ReadAnswer(typed);
    // A day beyond 32 bits is stored as the 32-bit limit; any day of 31 or more means month end.
    BillingDayAnswer day;
    day.stored = answer.valid ? SaturateTo32(answer.rounded) : 0;
    const bool isZero = !answer.valid || answer.isZero;
    day.label = isZero ? std::string("结算为月底") : "结算为" + typed + "号";
    return day;
}

}  // namespace kivrel
