#include "services/month_figures.h"

#include "rules/daily.h"
#include "services/session_ledger.h"
#include "vocabulary/texts.h"
#include "rules/year_stamp.h"

namespace kivrel {

MonthInputs ReadMonthInputs(const Settings& settings, LedgerRead ledger, const LocalTime& now,
                            const std::optional<std::string>& link, const std::string& settingsFile,
                            const UtcOffsets& offsets) {
    MonthInputs in;
    in.period = PeriodOf(now.date, settings.Int(Setting::BillingDay));
    in.now = now;
    in.allowanceHours = settings.Int(Setting::AllowanceHours);
    in.warnings = settings.RefusedValues(settingsFile);
    in.tariff = settings.TariffValues(&in.warnings);
    in.counted = MinuteTotal::FromWholeMinutes(
        CurrentTotal(settings.Month(in.period.month), in.period.year));
    if (std::optional<Session> open = settings.OpenSession();
        open && !LedgerHolds(ledger.sessions, *open))
        in.open = std::move(open);
    in.ledger = std::move(ledger.sessions);
    if (ledger.skipped > 0)
        in.warnings.push_back(SkippedLinesText(LedgerPathBeside(settingsFile), ledger.skipped));
    in.link = link;
    in.offsets = offsets;
    // The guard's state is the running program's as of its latest online tick; offline it says
    // nothing about now.
    if (link) {
        const GuardState guard = settings.GuardStateValues();
        if (guard.idleRun > 0)
            in.idleRunTenths = guard.idleRun;
        if (guard.pending != HangUpReason::None)
            in.hangUpAt = guard.actAt;
    }
    return in;
}

MonthFigures MakeMonthFigures(const MonthInputs& in) {
    MonthFigures f;
    f.period = in.period;
    f.today = in.now.date;
    f.daysLeft = DaysInclusive(f.today, f.period.last);
    f.allowanceHours = in.allowanceHours;
    f.tariff = in.tariff;
    f.plan = HasAllowance(in.allowanceHours) ? PlanKind::IncludedHours
             : in.tariff.price != 0          ? PlanKind::PayAsYouGo
                                             : PlanKind::FlatRate;
    f.includedMinutes = IncludedTenths(in.allowanceHours) / 10;

    f.counted = ComputeFigures(in.counted, in.allowanceHours);
    f.forecastMinutes = ForecastMinutes(f.counted.usedMinutes, f.period, f.today);
    f.online = in.link.has_value();
    f.link = in.link;

    std::vector<Session> ofPeriod = SessionsOfPeriod(in.ledger, f.period);
    const size_t closed = ofPeriod.size();
    if (in.open && !SessionsOfPeriod({*in.open}, f.period).empty())
        ofPeriod.push_back(*in.open);
    for (size_t i = 0; i < ofPeriod.size(); ++i)
        f.sessions.push_back(
            {ofPeriod[i], i >= closed, BilledTenths(ofPeriod[i].tenths, in.tariff)});
    f.bill = ComputeBill(f.counted.usedMinutes, ofPeriod, in.allowanceHours, in.tariff, in.offsets);
    f.warnings = in.warnings;
    for (const PeriodSession& s : f.sessions)
        f.idleTenths += s.session.idleTenths;
    f.idleRunTenths = in.idleRunTenths;
    f.hangUpAt = in.hangUpAt;

    if (f.plan == PlanKind::IncludedHours) {
        f.remainingMinutes = f.counted.remainingMinutes;
        f.remainingBilledTenths = f.includedMinutes * 10 - f.bill.billedTenths;
    }
    f.paceTenths = PaceTenths(in.allowanceHours, f.bill.billedTenths, f.daysLeft);
    return f;
}

std::string PlanText(const MonthFigures& f) {
    switch (f.plan) {
        case PlanKind::IncludedHours:
            return "包时 " + DecimalText(f.includedMinutes / 60) + " 小时";
        case PlanKind::PayAsYouGo:
            return "按时计费";
        case PlanKind::FlatRate:
            break;
    }
    return "包月，不限时长";
}

const char* PlanKey(PlanKind plan) {
    switch (plan) {
        case PlanKind::IncludedHours:
            return "included_hours";
        case PlanKind::PayAsYouGo:
            return "pay_as_you_go";
        case PlanKind::FlatRate:
            break;
    }
    return "flat_rate";
}

std::optional<BilledRemainder> BilledRemainderOf(const MonthFigures& f) {
    if (!f.remainingBilledTenths)
        return std::nullopt;
    const int64_t rest = *f.remainingBilledTenths;
    if (rest < 0)
        return BilledRemainder{"按计费时长超出", -rest, true};
    return BilledRemainder{"按计费时长剩余", rest, false};
}

std::string WindowStatusText(const MonthFigures& f) {
    return StatusText(f.online, f.period.month, f.counted, f.allowanceHours);
}

AlertStep AlertsOf(const MonthFigures& f, const AlertState& shown, int32_t alertSetting) {
    if (f.plan != PlanKind::IncludedHours)
        return AlertStep{shown, std::nullopt};
    return StepAlerts(shown, MonthStamp(f.period.year, f.period.month), f.allowanceHours,
                      alertSetting, f.counted.remainingMinutes);
}

}  // namespace kivrel
