#include "accounting/period.h"

#include "accounting/billing.h"
#include "accounting/numbers.h"

namespace kivrel {

namespace {

bool IsLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DayNumber(const LocalDate& date) {
    const int64_t y = date.month <= 2 ? date.year - 1 : date.year;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t mp = (date.month + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + date.day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct YearMonth {
    int year;
    int month;
};

YearMonth Previous(YearMonth ym) {
    return ym.month == 1 ? YearMonth{ym.year - 1, 12} : YearMonth{ym.year, ym.month - 1};
}

}  // namespace

BillingPeriod PeriodOf(const LocalDate& today, int32_t billingDay) {
    BillingPeriod period;
    period.month = BillingMonthOf(today.month, today.day, billingDay);
    // The billing month is today's calendar month or the one after it.
    period.year = period.month == today.month ? today.year
                  : today.month == 12         ? today.year + 1
                                              : today.year;
    const int16_t d = SaturateTo16(billingDay);
    const YearMonth named{period.year, period.month};
    if (d < 0) {
        // Every day belongs to the next month's billing month: the period is the whole calendar
        // month before the one it is named after.
        const YearMonth before = Previous(named);
        period.first = {before.year, before.month, 1};
        period.last = {before.year, before.month, DaysInMonth(before.year, before.month)};
        return period;
    }
    const int lastOfNamed = DaysInMonth(named.year, named.month);
    if (d == 0 || d >= 31) {
        period.first = {named.year, named.month, 1};
        period.last = {named.year, named.month, lastOfNamed};
        return period;
    }
    period.last = {named.year, named.month, d < lastOfNamed ? d : lastOfNamed};
    const YearMonth before = Previous(named);
    const int lastOfBefore = DaysInMonth(before.year, before.month);
    if (d >= lastOfBefore)
        period.first = {named.year, named.month, 1};
    else
        period.first = {before.year, before.month, d + 1};
    return period;
}

int32_t MonthStamp(int32_t year, int month) {
    return year * 100 + month;
}

int64_t DaysInclusive(const LocalDate& from, const LocalDate& to) {
    return DayNumber(to) - DayNumber(from) + 1;
}

int64_t ForecastMinutes(int64_t usedMinutes, const BillingPeriod& period, const LocalDate& today) {
    const int64_t elapsed = DaysInclusive(period.first, today);
    const int64_t total = DaysInclusive(period.first, period.last);
    if (elapsed <= 0)
        return usedMinutes;
    return DivideHalfEven(usedMinutes * total, elapsed);
}

}  // namespace kivrel
