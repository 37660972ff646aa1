#include "rules/year_stamp.h"
#include "form1_fixture.h"
#include "services/settings_store.h"

namespace kivrel {
namespace {

TEST(YearStampTest, WritingAStampedTotal) {
    struct Case {
        const char* what;
        const char* before;
        int32_t minutes, year;
        const char* after;
    };
    const Case cases[] = {
        {"an old file gains the stamp", "[T1]\r\nValue=40\r\n", 41, 2027,
         "[T1]\r\nValue=41\r\nYear=2027\r\n"},
        {"same year", "[T1]\r\nValue=41\r\nYear=2027\r\n", 42, 2027,
         "[T1]\r\nValue=42\r\nYear=2027\r\n"},
        {"last year's total is kept", "[T1]\r\nValue=900\r\nYear=2026\r\n", 1, 2027,
         "[T1]\r\nValue=1\r\nYear=2027\r\nValue2026=900\r\n"},
        {"an older year's total is kept under its year", "[T1]\r\nValue=900\r\nYear=2025\r\n", 1,
         2027, "[T1]\r\nValue=1\r\nYear=2027\r\nValue2025=900\r\n"},
        {"nothing to keep", "[T1]\r\nValue=0\r\nYear=2025\r\n", 0, 2027,
         "[T1]\r\nValue=0\r\nYear=2027\r\n"},
        {"other sections untouched", "[T2]\r\nValue=5\r\n", 7, 2027,
         "[T2]\r\nValue=5\r\n[T1]\r\nValue=7\r\nYear=2027\r\n"},
    };
    for (const auto& c : cases) {
        Settings settings(c.before);
        WriteStampedTotal(settings, 1, c.minutes, c.year);
        EXPECT_EQ(settings.FileText(), c.after) << c.what;
    }
    const int32_t totals[][4] = {// stored, stamp, billing year, current total
                                 {900, 2026, 2027, 0},
                                 {900, 0, 2027, 900},
                                 {900, 2027, 2027, 900},
                                 {900, 2028, 2027, 900}};
    for (const auto& t : totals)
        EXPECT_EQ(CurrentTotal(MonthRecord{t[0], t[1]}, t[2]), t[3]) << t[1];
    EXPECT_EQ(PresetYear(1, 1, 2027), 2027);
    EXPECT_EQ(PresetYear(12, 1, 2027), 2026);
}

TEST_F(Form1Test, JanuaryStartsFromZeroAndKeepsLastJanuary) {
    fp.clock.today = {2027, 1, 5};
    Load("[T1]\r\nValue=1500\r\nYear=2026\r\n[T12]\r\nValue=30\r\n");
    EXPECT_EQ(form.UsedMinutes(), MinuteTotal());
    fp.window.comboIndex[Ctl::Combo1] = 0;
    form.Combo1_Click();
    EXPECT_EQ(Text(Ctl::Label5), "1月份使用了0小时");
    fp.connection.online = true;
    Ticks(10);
    EXPECT_EQ(Stored("T1"), 1);
    EXPECT_EQ(IniReadInt(fp.Ini(), "T1", "Year"), 2027);
    EXPECT_EQ(IniReadInt(fp.Ini(), "T1", "Value2026"), 1500);
    EXPECT_EQ(IniReadInt(fp.Ini(), "T12", "Year"), 0);  // other months left as they are
}

TEST_F(Form1Test, AnUnstampedTotalIsThisYearsAndAnOfflineBoundaryWritesNothing) {
    fp.clock.today = {2026, 12, 31};
    Load("[T12]\r\nValue=70\r\n[T1]\r\nValue=20\r\n");
    Ticks(1);
    fp.clock.today = {2027, 1, 1};
    Ticks(1);  // offline, into a new month: nothing changed, nothing written
    EXPECT_EQ(fp.files.writes, 0);
    EXPECT_EQ(form.MonthSection(), "T1");
    EXPECT_EQ(form.MonthYear(), 2027);
    EXPECT_EQ(form.UsedMinutes(), MinuteTotal::FromWholeMinutes(20));  // never reset on a guess
    // December stamped 2026 by a preset, then the year goes round: it starts from 0.
    fp.window.comboIndex[Ctl::Combo2] = 12;
    fp.dialogs.inputs.push_back("300");
    form.Combo2_Click();
    EXPECT_EQ(IniReadInt(fp.Ini(), "T12", "Year"), 2026);
    fp.clock.today = {2027, 12, 1};
    Ticks(1);
    EXPECT_EQ(form.MonthSection(), "T12");
    EXPECT_EQ(form.UsedMinutes(), MinuteTotal());
}

// A long suspend: the running program wakes in the same billing month a year later.
TEST_F(Form1Test, TheSameMonthAYearLaterStartsFromZero) {
    fp.clock.today = {2026, 5, 10};
    Load("[T5]\r\nValue=100\r\nYear=2026\r\n");
    fp.connection.online = true;
    fp.clock.today = {2027, 5, 10};
    Ticks(10);
    EXPECT_EQ(Stored("T5"), 1);
    EXPECT_EQ(IniReadInt(fp.Ini(), "T5", "Year"), 2027);
    EXPECT_EQ(IniReadInt(fp.Ini(), "T5", "Value2026"), 100);
}

}  // namespace
}  // namespace kivrel
