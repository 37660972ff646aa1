// Calendar dates and local wall-clock times, as the system clock gives them, and the few rules
// over them that the accounting needs: day numbers, seconds between two times, and the ISO 8601
// texts that the command line, the ledger and the report use.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kivrel {

struct LocalDate {
    int year = 2000;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    friend bool operator==(const LocalDate&, const LocalDate&) = default;
};

// A moment as the local clock showed it, with the offset of local time from UTC then.
struct LocalTime {
    LocalDate date;
    int hour = 0;           // 0..23
    int minute = 0;         // 0..59
    int second = 0;         // 0..59
    int offsetMinutes = 0;  // local time minus UTC: +480 for UTC+08:00
    friend bool operator==(const LocalTime&, const LocalTime&) = default;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DayNumber(const LocalDate& date);
LocalDate DateOfDayNumber(int64_t dayNumber);

// Seconds since 1970-01-01 00:00 UTC: two moments compare by this whatever their offsets.
int64_t EpochSeconds(const LocalTime& time);

// The offset of local time from UTC, in minutes, in force at a UTC second (seconds since
// 1970-01-01 00:00 UTC): the user's time zone, summer time included.
using UtcOffsets = std::function<int(int64_t utcSeconds)>;

// The moment IsoDateTime (vocabulary/texts.h) writes; none for any other text (a torn or
// hand-damaged field).
std::optional<LocalTime> ParseIsoDateTime(std::string_view text);

}  // namespace kivrel
