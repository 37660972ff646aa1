#include "app/report.h"

#include "accounting/billing.h"
#include "accounting/daily.h"
#include "accounting/period.h"
#include "records/year_stamp.h"
#include "settings/ini_format.h"

namespace kivrel {

namespace {

std::optional<int64_t> PastTotal(const MonthRecord& record, int32_t year) {
    const auto found = record.past.find(year);
    if (found == record.past.end())
        return std::nullopt;
    return found->second;
}

}  // namespace

ReportInputs ReadReportInputs(std::string_view settingsText, std::string_view ledgerText) {
    ReportInputs in;
    in.billingDay = IniReadInt(settingsText, "r", "Value");
    in.allowanceHours = IniReadInt(settingsText, "s", "Value");
    for (int m = 1; m <= 12; ++m) {
        const std::string section = MonthSectionName(m);
        MonthRecord& record = in.months[static_cast<size_t>(m - 1)];
        record.minutes = IniReadInt(settingsText, section, "Value");
        record.year = IniReadInt(settingsText, section, kYearKey);
        for (const int32_t year : {record.year - 1, record.year - 2})
            if (const int32_t kept = IniReadInt(settingsText, section, PastYearKey(year));
                kept != 0)
                record.past[year] = kept;
    }
    in.ledger = ReadLedger(ledgerText);
    return in;
}

ReportFigures MakeReportFigures(const ReportInputs& in, const LocalTime& now,
                                const std::string& settingsFile) {
    ReportFigures f;
    f.made = now;
    f.settingsFile = settingsFile;
    f.today = now.date;
    f.period = PeriodOf(f.today, in.billingDay);
    f.daysLeft = DaysInclusive(f.today, f.period.last);
    f.allowanceHours = in.allowanceHours;
    f.tariff = in.tariff;

    const MonthRecord& current = in.months[static_cast<size_t>(f.period.month - 1)];
    f.usedMinutes = CurrentTotal(current.minutes, current.year, f.period.year);

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
    f.bill = ComputeBill(f.usedMinutes, ofPeriod, in.allowanceHours, in.tariff);
    f.days = DailyUse(f.period, everything, f.today);
    f.paceTenths = PaceTenths(in.allowanceHours, f.bill.billedTenths, f.daysLeft);

    // The twelve billing months, the oldest first: the eleven before this one fall in this
    // billing year or the one before.
    for (int back = 11; back >= 0; --back) {
        const int month = (f.period.month - 1 - back + 12) % 12 + 1;
        const int32_t expectedYear = month <= f.period.month ? f.period.year : f.period.year - 1;
        const MonthRecord& record = in.months[static_cast<size_t>(month - 1)];
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
                    : PastTotal(record, f.period.year - 1);
        } else {
            if (record.year != 0)
                bar.year = record.year;
            bar.minutes = record.minutes;
            bar.lastYearMinutes =
                PastTotal(record, (record.year != 0 ? record.year : expectedYear) - 1);
        }
        f.months.push_back(bar);
    }
    return f;
}

}  // namespace kivrel
