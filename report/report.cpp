#include "report/report.h"

#include "rules/daily.h"
#include "rules/year_stamp.h"

namespace kivrel {

ReportFigures MakeReportFigures(const MonthInputs& in, const Settings& settings,
                                const std::string& settingsFile,
                                const std::optional<Session>& first) {
    ReportFigures f;
    f.month = MakeMonthFigures(in);
    f.made = in.now;
    f.settingsFile = settingsFile;
    const BillingPeriod& period = f.month.period;

    // Every session read, also those before the period: the ledger began on the earliest one's
    // day. The first session, read from the ledger's start, only tells that day: its minutes are
    // among the ledger's when they fall in the period.
    std::vector<Session> everything = in.ledger;
    if (first) {
        everything.push_back(*first);
        everything.back().tenths = 0;
        everything.back().idleTenths = 0;
    }
    if (in.open)
        everything.push_back(*in.open);
    f.days = DailyUse(period, everything, f.month.today, in.offsets, in.tariff);

    // The twelve billing months, the oldest first: the eleven before this one fall in this
    // billing year or the one before.
    for (int back = 11; back >= 0; --back) {
        const int month = (period.month - 1 - back + 12) % 12 + 1;
        const int32_t expectedYear = month <= period.month ? period.year : period.year - 1;
        const MonthRecord record = settings.Month(month);
        // A total of 0 is never kept for an earlier year: 0 there means none was kept.
        const auto pastTotal = [&](int32_t year) -> std::optional<int64_t> {
            const int32_t kept = settings.PastYearMinutes(month, year);
            return kept != 0 ? std::optional<int64_t>(kept) : std::nullopt;
        };
        MonthBar bar;
        bar.month = month;
        bar.current = back == 0;
        if (bar.current) {
            bar.year = period.year;
            bar.minutes = f.month.counted.usedMinutes;
            // Last year's total is still the section's own until the next save moves it.
            bar.lastYearMinutes =
                IsPastYear(record.year, period.year) && record.year == period.year - 1
                    ? std::optional<int64_t>(record.minutes)
                    : pastTotal(period.year - 1);
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
