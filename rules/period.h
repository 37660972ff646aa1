// The billing period as a span of calendar days: which days a billing month holds, the year it
// belongs to, and the figures that follow from today's place in it.
#pragma once

#include <cstdint>

#include "vocabulary/calendar.h"

namespace kivrel {

// A billing month with its year and its days. A billing month closes on the billing day and is
// named after the calendar month in which it closes; it belongs to the year of its closing date
// (with billing day 20, 21 December 2026 is in month 1 of 2027). A billing day that the month
// does not have (30 in February) closes the month on its last day.
struct BillingPeriod {
    int month = 1;  // 1..12, as BillingMonthOf gives it
    int year = 2000;
    LocalDate first;  // the first day of the period
    LocalDate last;   // the closing date
};
BillingPeriod PeriodOf(const LocalDate& today, int32_t billingDay);

// The year and month as one number, 202701 for month 1 of 2027.
int32_t MonthStamp(int32_t year, int month);

// Days from `from` to `to`, both counted (1 when they are the same day).
int64_t DaysInclusive(const LocalDate& from, const LocalDate& to);

// Used minutes carried on at the same pace over the whole period: used × days of the period /
// days elapsed (today counted), rounded half to even.
int64_t ForecastMinutes(int64_t usedMinutes, const BillingPeriod& period, const LocalDate& today);

}  // namespace kivrel
