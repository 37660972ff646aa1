// Number rules shared by the accounting and the records: rounding half to even, saturating
// narrowings, and the test of answers typed into input boxes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kivrel {

// numerator / denominator rounded to the nearest integer, an exact half to the even neighbour.
// denominator must be positive.
int64_t DivideHalfEven(int64_t numerator, int64_t denominator);

// Saturating narrowings.
int32_t SaturateTo32(int64_t value);
int16_t SaturateTo16(int64_t value);

// An answer typed into an input box. It is valid when, blanks around it aside, it is a number
// (decimal digits with an optional leading sign and an optional decimal fraction: "12", "-3",
// "2.5", ".5", "7.") and that number is not below 0. Empty text (also what Cancel gives) is not
// valid. Exponents and group separators are not numbers here.
struct Answer {
    bool valid = false;
    bool isZero = false;    // the number equals 0 (0, 0.0, -0)
    bool overflow = false;  // the rounded value does not fit 63 bits; `rounded` is then INT64_MAX
    int64_t rounded = 0;    // the number rounded half to even, when valid
};
Answer ReadAnswer(std::string_view text);

}  // namespace kivrel
