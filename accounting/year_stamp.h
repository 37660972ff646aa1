// The year stamp of a month's total. The twelve month sections serve every year, so each total
// carries the year of the billing month it belongs to. A total stamped with an earlier year than
// the billing month now entered is last year's: the month starts from 0, and at the next save
// last year's total is kept beside the new one, under that year. A month without a stamp (a file
// from before stamps) is taken as the current year's.
#pragma once

#include <cstdint>

#include "settings/settings_store.h"

namespace kivrel {

// Whether a total stamped `storedYear` (0: no stamp) belongs to a year before `billingYear`.
bool IsPastYear(int32_t storedYear, int32_t billingYear);

// The current total of a month as `record` holds it, for the billing month of `billingYear`: 0
// when the stamp is of an earlier year. The accounting, the month query and the status report
// all read a month's total through this.
int32_t CurrentTotal(const MonthRecord& record, int32_t billingYear);

// `month` holding `minutes` stamped `year`. A total of an earlier year found there is first kept
// under its own year (unless it is 0). Other months, and other values of this one, stay as they
// are.
void WriteStampedTotal(Settings& settings, int month, int32_t minutes, int32_t year);

// The year a preset of month `month` is stamped with while the accounting is in `currentMonth` of
// `currentYear`: a preset records a month that has begun, this one or the latest before it.
int32_t PresetYear(int month, int currentMonth, int32_t currentYear);

}  // namespace kivrel
