#include <gtest/gtest.h>

#include "rules/billing.h"
#include "form1_fixture.h"

namespace kivrel {
namespace {

TEST(BillingMonth, FollowsTheBillingDay) {
    struct Case {
        int month, day;
        int32_t billingDay;
        int expected;
    };
    const Case cases[] = {
        {3, 31, 0, 3},
        {4, 1, 0, 4},
        {5, 20, 20, 5},
        {5, 21, 20, 6},
        {12, 21, 20, 1},
        {1, 5, 20, 1},
        {1, 31, 30, 2},
        {2, 28, 30, 2},
        {3, 31, 30, 4},
        {12, 31, 31, 12},
        {7, 31, 45, 7},
        {12, 31, 30, 1},
        {6, 1, 1, 6},
        {6, 2, 1, 7},
        {8, 15, -5, 9},
        // Hand-edited days beyond 16 bits saturate: very large acts as the month end.
        {8, 31, 70000, 8},
        {8, 1, -70000, 9},
        {8, 31, 2147483647, 8},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BillingMonthOf(c.month, c.day, c.billingDay), c.expected)
            << c.month << "/" << c.day << " day " << c.billingDay;
}

TEST(MinuteTotal, CountsExactTenthsAtAnyTotal) {
    struct Case {
        int64_t start;
        int ticks;
        int64_t stored;
    };
    const Case cases[] = {
        {0, 5, 0},          {0, 10, 1},        {57, 10, 58},
        {40000, 10, 40001}, {32768, 1, 32768}, {131072, 10, 131073},
        {0, 15, 2},         {0, 25, 2},        {0, 6, 1},
    };
    for (const auto& c : cases) {
        MinuteTotal t = MinuteTotal::FromWholeMinutes(c.start);
        for (int i = 0; i < c.ticks; ++i)
            t.AddTick();
        EXPECT_EQ(t.RoundedMinutes(), c.stored) << c.start << " + " << c.ticks;
        EXPECT_EQ(t.Tenths(), c.start * 10 + c.ticks);
    }
    // A very large total still counts every tick.
    MinuteTotal big = MinuteTotal::FromWholeMinutes(int64_t{1} << 40);
    big.AddTick();
    EXPECT_EQ(big.Tenths(), (int64_t{1} << 40) * 10 + 1);
}

TEST(TickFigures, AreComputedFromTheTotalBeforeTheTick) {
    struct Case {
        int64_t tenths;
        int64_t quota;
        TickFigures expected;
    };
    const Case cases[] = {
        {1253, 10, {125, 2, 475, 8}}, {1500, 0, {150, 2, -150, -2}},
        {300, 0, {30, 0, -30, 0}},    {900, 1, {90, 2, -30, 0}},
        {0, 0, {0, 0, 0, 0}},         {5, 0, {0, 0, 0, 0}},
        {15, 0, {2, 0, -2, 0}},       {0, 2147483647, {0, 0, 128849018820, 2147483647}},
        {300, -10, {30, 0, -30, 0}},  // a negative allowance: over by what was used, no more
    };
    for (const auto& c : cases) {
        const TickFigures f = ComputeFigures(TenthsTotal(c.tenths), c.quota);
        EXPECT_EQ(f.usedMinutes, c.expected.usedMinutes) << c.tenths;
        EXPECT_EQ(f.usedHours, c.expected.usedHours) << c.tenths;
        EXPECT_EQ(f.remainingMinutes, c.expected.remainingMinutes) << c.tenths;
        EXPECT_EQ(f.remainingHours, c.expected.remainingHours) << c.tenths;
    }
}

TEST(StatusText, BuildsTheFourLines) {
    const TickFigures f = ComputeFigures(TenthsTotal(1253), 10);
    EXPECT_EQ(StatusText(true, 5, f, 10),
              "计费月为：5月\r\n已经连接上网\r\n本月已用125分钟2小时\r\n本月剩余475分钟8小时");
    EXPECT_EQ(StatusText(false, 5, f, 10),
              "计费月为:5月\r\n没有连接上网\r\n本月已用125分钟2小时\r\n本月剩余475分钟8小时");
    // A flat-rate month ends with the line break of the third line.
    EXPECT_EQ(StatusText(true, 12, f, 0),
              "计费月为：12月\r\n已经连接上网\r\n本月已用125分钟2小时\r\n");
    const TickFigures over = ComputeFigures(TenthsTotal(900), 1);
    EXPECT_EQ(StatusText(false, 1, over, 1),
              "计费月为:1月\r\n没有连接上网\r\n本月已用90分钟2小时\r\n本月剩余-30分钟0小时");
}

TEST(SettingTexts, ShowZeroAsItsWord) {
    EXPECT_EQ(AllowanceText(0), "包月");
    EXPECT_EQ(AllowanceText(60), "包时60小时");
    EXPECT_EQ(AllowanceText(-3), "包时-3小时");
    EXPECT_EQ(BillingDayText(0), "结算为月底");
    EXPECT_EQ(BillingDayText(20), "结算为20号");
}

}  // namespace
}  // namespace kivrel
