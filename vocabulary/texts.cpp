#include "vocabulary/texts.h"

#include <charconv>

namespace kivrel {

namespace {

uint64_t Magnitude(int64_t value) {
    return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

}  // namespace

std::string DecimalText(int64_t value) {
    char buffer[24];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)error;  // 24 characters hold every 64-bit integer
    return std::string(buffer, end);
}

std::string ZeroPaddedText(int64_t value, int width) {
    std::string digits = std::to_string(Magnitude(value));
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

std::string TenthsText(int64_t tenths) {
    const uint64_t magnitude = Magnitude(tenths);
    std::string text = tenths < 0 ? "-" : "";
    text += std::to_string(magnitude / 10);
    text += '.';
    text += static_cast<char>('0' + magnitude % 10);
    return text;
}

std::string MinutesText(int64_t tenths) {
    const std::string text = TenthsText(tenths);
    return tenths % 10 == 0 ? text.substr(0, text.size() - 2) : text;
}

std::string MoneyText(int64_t amount, const std::string& currency) {
    const uint64_t magnitude = Magnitude(amount);
    const uint64_t cents = magnitude % 100;
    std::string text = amount < 0 ? "-" : "";
    text += std::to_string(magnitude / 100);
    text += '.';
    text += static_cast<char>('0' + cents / 10);
    text += static_cast<char>('0' + cents % 10);
    text += ' ';
    text += currency;
    return text;
}

std::string IsoDate(const LocalDate& date) {
    return ZeroPaddedText(date.year, 4) + '-' + ZeroPaddedText(date.month, 2) + '-' +
           ZeroPaddedText(date.day, 2);
}

std::string IsoDateTime(const LocalTime& time) {
    const int offset = time.offsetMinutes;
    const int magnitude = offset < 0 ? -offset : offset;
    return IsoDate(time.date) + 'T' + ZeroPaddedText(time.hour, 2) + ':' +
           ZeroPaddedText(time.minute, 2) + ':' + ZeroPaddedText(time.second, 2) +
           (offset < 0 ? '-' : '+') + ZeroPaddedText(magnitude / 60, 2) + ':' +
           ZeroPaddedText(magnitude % 60, 2);
}

}  // namespace kivrel
