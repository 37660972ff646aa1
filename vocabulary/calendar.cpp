#include "vocabulary/calendar.h"

namespace kivrel {

namespace {

// `count` decimal digits at `at`, none when any of them is not a digit.
std::optional<int> Digits(std::string_view text, size_t at, size_t count) {
    if (at + count > text.size())
        return std::nullopt;
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int64_t DayNumber(const LocalDate& date) {
    const int64_t y = date.month <= 2 ? date.year - 1 : date.year;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t mp = (date.month + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + date.day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

LocalDate DateOfDayNumber(int64_t dayNumber) {
    const int64_t z = dayNumber + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
    return LocalDate{year, month, day};
}

int64_t EpochSeconds(const LocalTime& time) {
    return DayNumber(time.date) * 86400 + time.hour * 3600 + time.minute * 60 + time.second -
           static_cast<int64_t>(time.offsetMinutes) * 60;
}

std::optional<LocalTime> ParseIsoDateTime(std::string_view text) {
    // 2026-12-07T21:03:06+08:00
    if (text.size() != 25 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || (text[19] != '+' && text[19] != '-') ||
        text[22] != ':')
        return std::nullopt;
    const auto year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
    const auto hour = Digits(text, 11, 2), minute = Digits(text, 14, 2),
               second = Digits(text, 17, 2);
    const auto offsetHours = Digits(text, 20, 2), offsetMinutes = Digits(text, 23, 2);
    if (!year || !month || !day || !hour || !minute || !second || !offsetHours || !offsetMinutes)
        return std::nullopt;
    if (*month < 1 || *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month) || *hour > 23 ||
        *minute > 59 || *second > 59 || *offsetHours > 23 || *offsetMinutes > 59)
        return std::nullopt;
    const int offset = *offsetHours * 60 + *offsetMinutes;
    return LocalTime{LocalDate{*year, *month, *day}, *hour, *minute, *second,
                     text[19] == '-' ? -offset : offset};
}

}  // namespace kivrel
