// The year stamp of a month's total. The twelve month sections serve every year, so each total
// carries the year of the billing month it belongs to (key `Year`). A total stamped with an
// earlier year than the billing month now entered is last year's: the month starts from 0, and
// at the next save last year's total moves to a key of its own, `Value<year>` (`Value2026`).
// A section without a stamp (a file from before stamps) is taken as the current year's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kivrel {

inline constexpr const char* kYearKey = "Year";

// The key that keeps the total of `year` once a newer year has taken the section over.
std::string PastYearKey(int32_t year);

// Whether a total stamped `storedYear` (0: no stamp) belongs to a year before `billingYear`.
bool IsPastYear(int32_t storedYear, int32_t billingYear);

// The current total of a month section whose `Value` is `storedMinutes` and whose stamp is
// `storedYear`, for the billing month of `billingYear`: 0 when the stamp is of an earlier year.
int32_t CurrentTotal(int32_t storedMinutes, int32_t storedYear, int32_t billingYear);

// The settings text with `section` holding `minutes` stamped `year`. A total of an earlier year
// found there is first kept under PastYearKey (unless it is 0). Other sections, and other keys of
// this section, are left as they are.
std::string WriteStampedTotal(std::string_view text, std::string_view section, int32_t minutes,
                              int32_t year);

// The year a preset of month `month` is stamped with while the accounting is in `currentMonth` of
// `currentYear`: a preset records a month that has begun, this one or the latest before it.
int32_t PresetYear(int month, int currentMonth, int32_t currentYear);

}  // namespace kivrel
