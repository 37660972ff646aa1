#include "vocabulary/numbers.h"

#include <limits>

namespace kivrel {

int64_t DivideHalfEven(int64_t numerator, int64_t denominator) {
    int64_t q = numerator / denominator;
    int64_t r = numerator % denominator;
    if (r < 0) {  // floor division
        q -= 1;
        r += denominator;
    }
    // Compare 2r with the denominator without overflowing.
    if (r > denominator - r || (r == denominator - r && (q % 2 != 0))) {
        q += 1;
    }
    return q;
}

int32_t SaturateTo32(int64_t value) {
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

int16_t SaturateTo16(int64_t value) {
    if (value > std::numeric_limits<int16_t>::max())
        return std::numeric_limits<int16_t>::max();
    if (value < std::numeric_limits<int16_t>::min())
        return std::numeric_limits<int16_t>::min();
    return static_cast<int16_t>(value);
}

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool AllDigits(std::string_view text) {
    for (char c : text)
        if (!IsDigit(c))
            return false;
    return true;
}
bool AllZeros(std::string_view text) {
    for (char c : text)
        if (c != '0')
            return false;
    return true;
}

// The whole part, saturating, rounded half to even by the fraction, exactly, from its digits.
// `overflow`: it went past the largest 64-bit number.
int64_t RoundedWhole(std::string_view whole, std::string_view fraction, bool& overflow) {
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    int64_t value = 0;
    for (char c : whole) {
        int digit = c - '0';
        if (value > (kMax - digit) / 10) {
            overflow = true;
            return kMax;
        }
        value = value * 10 + digit;
    }
    if (fraction.empty())
        return value;
    int first = fraction.front() - '0';
    bool restNonZero = !AllZeros(fraction.substr(1));
    bool up = first > 5 || (first == 5 && (restNonZero || value % 2 != 0));
    if (up) {
        if (value == kMax)
            overflow = true;
        else
            value += 1;
    }
    return value;
}
}  // namespace

Answer ReadAnswer(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    Answer answer;
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    size_t dot = text.find('.');
    std::string_view whole = text.substr(0, dot);
    std::string_view fraction =
        dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
    if (whole.empty() && fraction.empty())
        return answer;  // empty, a lone sign or a lone dot
    if (!AllDigits(whole) || !AllDigits(fraction))
        return answer;

    const bool zero = AllZeros(whole) && AllZeros(fraction);
    if (negative && !zero)
        return answer;  // below 0

    answer.rounded = RoundedWhole(whole, fraction, answer.overflow);
    answer.valid = true;
    answer.isZero = zero;
    return answer;
}

}  // namespace kivrel
