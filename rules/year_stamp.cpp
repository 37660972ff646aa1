#include "rules/year_stamp.h"

namespace kivrel {

bool IsPastYear(int32_t storedYear, int32_t billingYear) {
    return storedYear != 0 && storedYear < billingYear;
}

int32_t CurrentTotal(const MonthRecord& record, int32_t billingYear) {
    return IsPastYear(record.year, billingYear) ? 0 : record.minutes;
}

int32_t PresetYear(int month, int currentMonth, int32_t currentYear) {
    return month <= currentMonth ? currentYear : currentYear - 1;
}

}  // namespace kivrel
