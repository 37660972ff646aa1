#include <gtest/gtest.h>

#include "vocabulary/calendar.h"
#include "vocabulary/texts.h"

namespace kivrel {
namespace {

TEST(Calendar, DayNumbersGoBothWaysAcrossLeapDaysAndCenturies) {
    for (const LocalDate d :
         {LocalDate{1970, 1, 1}, LocalDate{2000, 2, 29}, LocalDate{2100, 3, 1},
          LocalDate{2026, 12, 31}, LocalDate{2027, 1, 1}, LocalDate{1969, 12, 31}})
        EXPECT_EQ(DateOfDayNumber(DayNumber(d)), d) << IsoDate(d);
    EXPECT_EQ(DayNumber({2100, 3, 1}) - DayNumber({2100, 2, 28}), 1);  // 2100 is no leap year
    EXPECT_EQ(DayNumber({2000, 3, 1}) - DayNumber({2000, 2, 28}), 2);
}

TEST(Calendar, TimesReadBackOnlyInTheFormTheyAreWritten) {
    const LocalTime west{{2026, 12, 7}, 21, 3, 6, -330};
    EXPECT_EQ(IsoDateTime(west), "2026-12-07T21:03:06-05:30");
    EXPECT_EQ(ParseIsoDateTime(IsoDateTime(west)), west);
    for (const char* bad :
         {"2026-12-07T21:03:06+08:0", "2026-12-07 21:03:06+08:00", "2026-02-29T10:00:00+08:00",
          "2026-12-07T24:00:00+08:00", "2026-12-07T21:03:06Z08:00", "2026-1a-07T21:03:06+08:00"})
        EXPECT_FALSE(ParseIsoDateTime(bad)) << bad;
    // The same instant in two offsets is the same second.
    EXPECT_EQ(EpochSeconds({{2026, 12, 8}, 0, 30, 0, 480}),
              EpochSeconds({{2026, 12, 7}, 16, 30, 0, 0}));
}

}  // namespace
}  // namespace kivrel
