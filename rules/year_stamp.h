// The year stamp of a month's total. The twelve month sections serve every year, so each total
// carries the year of the billing month it belongs to. A total stamped with an earlier year than
// the billing month now entered is last year's: the month starts from 0, and at the next save
// last year's total is kept beside the new one, under that year. A month without a stamp (a file
// from before stamps) is taken as the current year's.
#pragma once

#include <cstdint>

namespace kivrel {

// What the section of a month holds: its whole minutes and the year they belong to (0: a total
// from before totals carried their year).
struct MonthRecord {
    int32_t minutes = 0;
    int32_t year = 0;
    friend bool operator==(const MonthRecord&, const MonthRecord&) = default;
};

// Whether a total stamped `storedYear` (0: no stamp) belongs to a year before `billingYear`.
bool IsPastYear(int32_t storedYear, int32_t billingYear);

// The current total of a month as `record` holds it, for the billing month of `billingYear`: 0
// when the stamp is of an earlier year. The accounting, the month query and the status report
// all read a month's total through this.
int32_t CurrentTotal(const MonthRecord& record, int32_t billingYear);

// The year a preset of month `month` is stamped with while the accounting is in `currentMonth` of
// `currentYear`: a preset records a month that has begun, this one or the latest before it.
int32_t PresetYear(int month, int currentMonth, int32_t currentYear);

}  // namespace kivrel
