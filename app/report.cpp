#include "app/report.h"

#include "accounting/daily.h"
#include "accounting/period.h"
#include "accounting/year_stamp.h"

namespace kivrel {

ReportInputs ReadReportInputs(Settings settings, std::string_view ledgerText) {
    ReportInputs in;
    in.tariff = settings.TariffValues();
    // The settings keep a closed session until the next save: the ledger holds it then.
    if (std::optional<Session> open = settings.OpenSession();
        open && !LedgerHolds(ledgerText, *open))
        in.open = std::move(open);
    in.settings = std::move(settings);
    in.ledger = ReadLedger(ledgerText);
    return in;
}

ReportFigures MakeReportFigures(const ReportInputs& in, const LocalTime& now,
                                const std::string& settingsFile) {
    ReportFigures f;
    f.made = now;
    f.settingsFile = settingsFile;
    f.today = now.date;
    f.period = PeriodOf(f.today, in.settings.Int(Setting::BillingDay));
    f.daysLeft = DaysInclusive(f.today, f.period.last);
    f.allowanceHours = in.settings.Int(Setting::AllowanceHours);
    f.tariff = in.tariff;

    f.usedMinutes = CurrentTotal(in.settings.Month(f.period.month), f.period.year);

    std::vector<Session> everything = in.ledger;
    std::vector<Session> ofPeriod = SessionsOfPeriod(in.ledger, f.period);
    for (const Session& s : ofPeriod)
        f.sessions.push_back({s, false, BilledTenths(s.tenths, in.tariff.roundMinutes)});
    if (in.open) {
        everything.push_back(*in.open);
        if (!SessionsOfPeriod({*in.open}, f.period).empty()) {
            ofPeriod.push_back(*in.open);
            f.sessions.push_back(
                {*in.open, true, BilledTenths(in.open->tenths, in.tariff.roundMinutes)});
        }
    }
    f.bill = ComputeBill(f.usedMinutes, ofPeriod, f.allowanceHours, in.tariff);
    f.days = DailyUse(f.period, everything, f.today);
    f.paceTenths = PaceTenths(f.allowanceHours, f.bill.billedTenths, f.daysLeft);
    f.warnings = in.settings.RefusedValues(settingsFile);

    // The twelve billing months, the oldest first: the eleven before this one fall in this
    // billing year or the one before.
    for (int back = 11; back >= 0; --back) {
        const int month = (f.period.month - 1 - back + 12) % 12 + 1;
        const int32_t expectedYear = month <= f.period.month ? f.period.year : f.period.year - 1;
        const MonthRecord record = in.settings.Month(month);
        // A total of 0 is never kept for an earlier year: 0 there means none was kept.
        const auto pastTotal = [&](int32_t year) -> std::optional<int64_t> {
            const int32_t kept = in.settings.PastYearMinutes(month, year);
            return kept != 0 ? std::optional<int64_t>(kept) : std::nullopt;
        };
        MonthBar bar;
        bar.month = month;
        bar.current = back == 0;
        if (bar.current) {
            bar.year = f.period.year;
            bar.minutes = f.usedMinutes;
            // Last year's total is still the section's own until the next save moves it.
            bar.lastYearMinutes =
                IsPastYear(record.year, f.period.year) && record.year == f.period.year - 1
                    ? std::optional<int64_t>(record.minutes)
                    : pastTotal(f.period.year - 1);
        } else {
            if (record.year != 0)
                bar.year = record.year;
            bar.minutes = record.minutes;
            bar.lastYearMinutes = pastTotal((record.year != 0 ? record.year : expectedYear) - 1);
        }
        f.months.push_back(bar);
    }
    return f;
}

}  // namespace kivrel
