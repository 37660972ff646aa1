#include "app/report.h"

#include "accounting/daily.h"
#include "accounting/period.h"
#include "accounting/year_stamp.h"

namespace kivrel {

ReportInputs ReadReportInputs(Settings settings, LedgerRead ledger, std::optional<Session> first,
                              const std::string& ledgerPath) {
    ReportInputs in;
    in.tariff = settings.TariffValues(&in.warnings);
    // The settings keep a closed session until the next save: the ledger holds it then.
    if (std::optional<Session> open = settings.OpenSession();
        open && !LedgerHolds(ledger.sessions, *open))
        in.open = std::move(open);
    in.settings = std::move(settings);
    in.ledger = std::move(ledger.sessions);
    in.first = std::move(first);
    if (ledger.skipped > 0)
        in.warnings.push_back(SkippedLinesText(ledgerPath, ledger.skipped));
    return in;
}

ReportFigures MakeReportFigures(const ReportInputs& in, const LocalTime& now,
                                const std::string& settingsFile, const UtcOffsets& offsets) {
    ReportFigures f;
    f.made = now;
    f.settingsFile = settingsFile;
    f.today = now.date;
    f.period = PeriodOf(f.today, in.settings.Int(Setting::BillingDay));
    f.daysLeft = DaysInclusive(f.today, f.period.last);
    f.allowanceHours = in.settings.Int(Setting::AllowanceHours);
    f.tariff = in.tariff;
    f.warnings = in.settings.RefusedValues(settingsFile);
    f.warnings.insert(f.warnings.end(), in.warnings.begin(), in.warnings.end());

    f.usedMinutes = CurrentTotal(in.settings.Month(f.period.month), f.period.year);

    std::vector<Session> everything = in.ledger;
    // The first session only tells the day the records began: its minutes are among the
    // ledger's when they fall in the period.
    if (in.first) {
        everything.push_back(*in.first);
        everything.back().tenths = 0;
    }
    std::vector<Session> ofPeriod = SessionsOfPeriod(in.ledger, f.period);
    for (const Session& s : ofPeriod)
        f.sessions.push_back({s, false, BilledTenths(s.tenths, in.tariff)});
    if (in.open) {
        everything.push_back(*in.open);
        if (!SessionsOfPeriod({*in.open}, f.period).empty()) {
            ofPeriod.push_back(*in.open);
            f.sessions.push_back({*in.open, true, BilledTenths(in.open->tenths, in.tariff)});
        }
    }
    f.bill = ComputeBill(f.usedMinutes, ofPeriod, f.allowanceHours, in.tariff, offsets);
    f.days = DailyUse(f.period, everything, f.today, offsets, in.tariff);
    f.paceTenths = PaceTenths(f.allowanceHours, f.bill.billedTenths, f.daysLeft);

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
