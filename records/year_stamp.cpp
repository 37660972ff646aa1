#include "records/year_stamp.h"

#include "settings/ini_format.h"

namespace kivrel {

std::string PastYearKey(int32_t year) {
    return "Value" + DecimalText(year);
}

bool IsPastYear(int32_t storedYear, int32_t billingYear) {
    return storedYear != 0 && storedYear < billingYear;
}

int32_t CurrentTotal(int32_t storedMinutes, int32_t storedYear, int32_t billingYear) {
    return IsPastYear(storedYear, billingYear) ? 0 : storedMinutes;
}

std::string WriteStampedTotal(std::string_view text, std::string_view section, int32_t minutes,
                              int32_t year) {
    std::string out(text);
    const int32_t storedYear = IniReadInt(out, section, kYearKey);
    const int32_t storedMinutes = IniReadInt(out, section, "Value");
    if (IsPastYear(storedYear, year) && storedMinutes != 0)
        out = IniWriteInt(out, section, PastYearKey(storedYear), storedMinutes);
    out = IniWriteInt(out, section, "Value", minutes);
    if (storedYear != year)
        out = IniWriteInt(out, section, kYearKey, year);
    return out;
}

int32_t PresetYear(int month, int currentMonth, int32_t currentYear) {
    return month <= currentMonth ? currentYear : currentYear - 1;
}

}  // namespace kivrel
