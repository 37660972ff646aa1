#include <gtest/gtest.h>

#include "rules/tariff.h"
#include "vocabulary/texts.h"

namespace kivrel {
namespace {

std::vector<Session> Sessions(std::initializer_list<int64_t> tenths) {
    std::vector<Session> sessions;
    for (const int64_t t : tenths)
        sessions.push_back(Session{{}, {}, t, "ppp0", {}, 0});
    return sessions;
}

TEST(Tariff, SessionsRoundUpToTheirMultiple) {
    struct {
        int64_t tenths;
        int32_t round;
        int64_t billed;
    } cases[] = {{1, 1, 10},     {10, 1, 10}, {11, 1, 20}, {1, 6, 60},  {61, 6, 120},
                 {599, 60, 600}, {0, 60, 0},  {37, 0, 37}, {37, -5, 37}};
    for (const auto& c : cases)
        EXPECT_EQ(BilledTenths(c.tenths, c.round), c.billed) << c.tenths << " / " << c.round;
}

TEST(Tariff, TheBillAddsBaseFeesAndTheHoursBeyondTheAllowance) {
    struct {
        const char* what;
        int64_t used;
        std::vector<Session> sessions;
        int32_t allowance;
        Tariff tariff;
        int64_t billedTenths, over, total;
    } cases[] = {
        // 30 h included, 1.20 per extra hour, sessions to the started minute: 1801 counted
        // minutes, two sessions of 2.3 and 4.1 minutes add 0.7 and 0.9.
        {"plan", 1801, Sessions({23, 41}), 30, {1, 0, 0, 120, "元"}, 18026, 26, 5},
        {"within the allowance", 100, Sessions({23}), 30, {1, 0, 0, 120, "元"}, 1007, 0, 0},
        // 15 minutes over at 1.00 an hour is 25 分; 0.5 hour at 1.01 is 50.5: half up to 51.
        {"a quarter hour", 75, {}, 1, {0, 0, 0, 100, "元"}, 750, 150, 25},
        {"half up", 30, {}, 0, {0, 0, 0, 101, "元"}, 300, 300, 51},
        {"pay as you go", 90, Sessions({10, 10}), 0, {6, 10, 500, 60, "元"}, 1000, 1000, 620},
        {"flat rate", 5000, Sessions({1}), 0, {}, 50000, 50000, 0},
    };
    for (const auto& c : cases) {
        const Bill bill = ComputeBill(c.used, c.sessions, c.allowance, c.tariff);
        EXPECT_EQ(bill.billedTenths, c.billedTenths) << c.what;
        EXPECT_EQ(bill.overTenths, c.over) << c.what;
        EXPECT_EQ(bill.total, c.total) << c.what;
        EXPECT_EQ(bill.total, bill.baseCharge + bill.feeCharge + bill.overCharge) << c.what;
    }
}

TEST(Tariff, MoneyAndMinutesAsPeopleReadThem) {
    EXPECT_EQ(MoneyText(1153, "元"), "11.53 元");
    EXPECT_EQ(MoneyText(5, "元"), "0.05 元");
    EXPECT_EQ(MoneyText(-120, "EUR"), "-1.20 EUR");
    EXPECT_EQ(MinutesText(18026), "1802.6");
    EXPECT_EQ(MinutesText(18020), "1802");
    EXPECT_EQ(TenthsText(7), "0.7");
}

}  // namespace
}  // namespace kivrel
