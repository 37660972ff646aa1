#include "rules/period.h"

#include "rules/billing.h"
#include "vocabulary/numbers.h"

namespace kivrel {

namespace {

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
