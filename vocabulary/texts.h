// The texts of numbers, minutes, money, dates and times, as every output writes them: the window,
// the command line, the ledger and the report all take their digits from here.
#pragma once

#include <cstdint>
#include <string>

#include "vocabulary/calendar.h"

namespace kivrel {

// Decimal text of an integer: no leading blank, a minus sign when negative.
std::string DecimalText(int64_t value);

// An integer with at least `width` digits, zeros in front: "07", "2026", "-05".
std::string ZeroPaddedText(int64_t value, int width);

// Minutes from tenths with one decimal: "12.3", "0.1", "120.0".
std::string TenthsText(int64_t tenths);

// Tenths (of a minute, of a pixel) with at most one decimal: "12", "12.3", "-0.5".
std::string MinutesText(int64_t tenths);

// Money as people read it: the unit with two decimals, "11.53 元", "-0.05 元".
std::string MoneyText(int64_t amount, const std::string& currency);

// "2026-12-20"
std::string IsoDate(const LocalDate& date);
// "2026-12-07T21:03:06+08:00"
std::string IsoDateTime(const LocalTime& time);

}  // namespace kivrel
