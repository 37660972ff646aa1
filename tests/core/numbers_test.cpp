#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "vocabulary/numbers.h"
#include "vocabulary/texts.h"

namespace kivrel {
namespace {

TEST(DivideHalfEven, RoundsToNearestAndHalvesToEven) {
    struct Case {
        int64_t n, d, expected;
    };
    const Case cases[] = {
        {15, 10, 2},   {25, 10, 2},   {35, 10, 4},  {-5, 10, 0},  {-15, 10, -2}, {-25, 10, -2},
        {126, 10, 13}, {124, 10, 12}, {90, 60, 2},  {150, 60, 2}, {30, 60, 0},   {210, 60, 4},
        {-90, 60, -2}, {89, 60, 1},   {-30, 60, 0}, {0, 7, 0},    {7, 7, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DivideHalfEven(c.n, c.d), c.expected) << c.n << "/" << c.d;
}

TEST(Saturate, ClampsAtTheLimits) {
    EXPECT_EQ(SaturateTo32(int64_t{1} << 40), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(SaturateTo32(-(int64_t{1} << 40)), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(SaturateTo32(-7), -7);
    EXPECT_EQ(SaturateTo16(99999), 32767);
    EXPECT_EQ(SaturateTo16(-99999), -32768);
    EXPECT_EQ(SaturateTo16(32767), 32767);
}

TEST(ReadAnswer, TellsNumbersFromTheRest) {
    struct Case {
        const char* text;
        bool valid;
        int64_t rounded;
        bool isZero;
    };
    const Case cases[] = {
        {"60", true, 60, false},        {"0", true, 0, true},       {"", false, 0, false},
        {"abc", false, 0, false},       {"-5", false, 0, false},    {"12.5", true, 12, false},
        {"13.5", true, 14, false},      {"7.6", true, 8, false},    {"020", true, 20, false},
        {"20.5", true, 20, false},      {"0.4", true, 0, false},    {"45", true, 45, false},
        {"99999", true, 99999, false},  {"  42 ", true, 42, false}, {"2.5", true, 2, false},
        {"3.5", true, 4, false},        {"-0", true, 0, true},      {"0.0", true, 0, true},
        {"-0.4", false, 0, false},      {".5", true, 0, false},     {"7.", true, 7, false},
        {"+3", true, 3, false},         {"1e400", false, 0, false}, {"1,000", false, 0, false},
        {"-", false, 0, false},         {".", false, 0, false},     {"12a", false, 0, false},
        {"2.50000001", true, 3, false}, {"4.5000", true, 4, false}, {"1 2", false, 0, false},
    };
    for (const auto& c : cases) {
        const Answer a = ReadAnswer(c.text);
        EXPECT_EQ(a.valid, c.valid) << '"' << c.text << '"';
        if (c.valid) {
            EXPECT_EQ(a.rounded, c.rounded) << '"' << c.text << '"';
            EXPECT_EQ(a.isZero, c.isZero) << '"' << c.text << '"';
            EXPECT_FALSE(a.overflow) << '"' << c.text << '"';
        }
    }
}

TEST(ReadAnswer, HugeNumbersSaturateAndSaySo) {
    const Answer a = ReadAnswer("99999999999999999999999");
    EXPECT_TRUE(a.valid);
    EXPECT_TRUE(a.overflow);
    EXPECT_EQ(a.rounded, std::numeric_limits<int64_t>::max());
    const Answer b = ReadAnswer("99999999999");
    EXPECT_TRUE(b.valid);
    EXPECT_FALSE(b.overflow);
    EXPECT_EQ(b.rounded, 99999999999);
}

TEST(DecimalText, PlainDecimalWithMinusSign) {
    const std::vector<std::pair<int64_t, std::string>> cases = {
        {0, "0"},
        {7, "7"},
        {-1, "-1"},
        {120, "120"},
        {std::numeric_limits<int64_t>::max(), "9223372036854775807"},
        {std::numeric_limits<int64_t>::min(), "-9223372036854775808"},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(DecimalText(value), text);
    }
}

}  // namespace
}  // namespace kivrel
