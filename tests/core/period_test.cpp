#include <gtest/gtest.h>

#include "rules/period.h"
#include "vocabulary/texts.h"
#include "presenter/status_report.h"

namespace kivrel {
namespace {

TEST(PeriodTest, BillingPeriodsAndTheirYears) {
    struct Case {
        LocalDate today;
        int32_t billingDay;
        int month, year;
        const char *first, *last;
    };
    const Case cases[] = {
        {{2026, 12, 21}, 20, 1, 2027, "2026-12-21", "2027-01-20"},
        {{2026, 12, 20}, 20, 12, 2026, "2026-11-21", "2026-12-20"},
        {{2027, 1, 5}, 0, 1, 2027, "2027-01-01", "2027-01-31"},
        {{2028, 2, 10}, 0, 2, 2028, "2028-02-01", "2028-02-29"},
        {{2027, 1, 31}, 30, 2, 2027, "2027-01-31", "2027-02-28"},  // no 30 February
        {{2027, 3, 1}, 30, 3, 2027, "2027-03-01", "2027-03-30"},
        {{2027, 5, 10}, 30, 5, 2027, "2027-05-01", "2027-05-30"},  // no 31 April
        {{2027, 3, 31}, 30, 4, 2027, "2027-03-31", "2027-04-30"},
        {{2026, 6, 15}, 31, 6, 2026, "2026-06-01", "2026-06-30"},
        {{2026, 6, 15}, 99999, 6, 2026, "2026-06-01", "2026-06-30"},
        {{2026, 12, 1}, -3, 1, 2027, "2026-12-01", "2026-12-31"},
    };
    for (const auto& c : cases) {
        const BillingPeriod p = PeriodOf(c.today, c.billingDay);
        const std::string what = IsoDate(c.today) + " day " + std::to_string(c.billingDay);
        EXPECT_EQ(p.month, c.month) << what;
        EXPECT_EQ(p.year, c.year) << what;
        EXPECT_EQ(IsoDate(p.first), c.first) << what;
        EXPECT_EQ(IsoDate(p.last), c.last) << what;
    }
}

TEST(PeriodTest, DaysAndForecast) {
    const BillingPeriod p = PeriodOf({2026, 12, 21}, 20);  // 31 days
    EXPECT_EQ(DaysInclusive(p.first, p.last), 31);
    EXPECT_EQ(DaysInclusive({2026, 12, 31}, {2027, 1, 1}), 2);
    struct Case {
        LocalDate today;
        int64_t used, forecast;
    };
    const Case cases[] = {
        {{2026, 12, 21}, 10, 310},  // first day counts as one
        {{2027, 1, 20}, 500, 500},  // last day: the forecast is the use
        {{2027, 1, 1}, 12, 31},     // 12 × 31 / 12
        {{2026, 12, 22}, 1, 16},    // 15.5 rounds to even
        {{2026, 12, 24}, 2, 16},    // 15.5 again
        {{2026, 12, 22}, 3, 46},    // 46.5 rounds to even, down
    };
    for (const auto& c : cases)
        EXPECT_EQ(ForecastMinutes(c.used, p, c.today), c.forecast) << IsoDate(c.today);
}

}  // namespace
}  // namespace kivrel
