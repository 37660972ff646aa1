// The layout of timer.ini: every value Kivrel keeps, read from a file written by hand and
// written back where that file has it.
#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "services/settings_store.h"

namespace kivrel {
namespace {

// Names in other cases and blanks, as a hand-edited file has them.
const std::string kHandWritten =
    "[R]\r\nvalue=20\r\n[s]\r\nValue = 60\r\n[run]\r\nValue=1\r\n[Exit]\r\nValue=0\r\n"
    "[Alert]\r\nValue=-1\r\n[alertshown]\r\nmonth=202605\r\nlow=1\r\nEMPTY=1\r\n"
    "[T5]\r\nValue=539\r\nyear=2026\r\nValue2025=42\r\n[T12]\r\nValue=7\r\n";

TEST(SettingsStoreTest, EveryValueReadAndWrittenInItsPlace) {
    struct Case {
        Setting setting;
        int32_t stored;
        const char* line;  // the line a write of 9 leaves in the file
    };
    const Case cases[] = {
        {Setting::BillingDay, 20, "value=9"},
        {Setting::AllowanceHours, 60, "Value = 9"},
        {Setting::RunAtLogOn, 1, "[run]\r\nValue=9"},
        {Setting::Exit, 0, "[Exit]\r\nValue=9"},
        {Setting::AlertPercent, -1, "[Alert]\r\nValue=9"},
        {Setting::AlertShownMonth, 202605, "month=9"},
        {Setting::LowAlertShown, 1, "low=9"},
        {Setting::EmptyAlertShown, 1, "EMPTY=9"},
    };
    for (const Case& c : cases) {
        Settings settings(kHandWritten);
        EXPECT_EQ(settings.Int(c.setting), c.stored) << c.line;
        settings.SetInt(c.setting, 9);
        EXPECT_EQ(settings.Int(c.setting), 9) << c.line;
        EXPECT_NE(settings.FileText().find(c.line), std::string::npos) << settings.FileText();
        EXPECT_EQ(settings.FileText().size(),
                  kHandWritten.size() - std::to_string(c.stored).size() + 1)
            << "only that value changes: " << c.line;
    }

    Settings settings(kHandWritten);
    EXPECT_EQ(settings.Month(5), (MonthRecord{539, 2026}));
    EXPECT_EQ(settings.Month(12), (MonthRecord{7, 0}));
    EXPECT_EQ(settings.Month(1), MonthRecord{});
    EXPECT_EQ(settings.PastYearMinutes(5, 2025), 42);
    EXPECT_EQ(MonthSectionName(12), "T12");
    settings.SetMonthMinutes(12, 8);
    settings.SetMonthYear(12, 2027);
    settings.SetPastYearMinutes(12, 2026, 7);
    EXPECT_EQ(settings.FileText(), kHandWritten.substr(0, kHandWritten.size() - 9) +
                                       "Value=8\r\nYear=2027\r\nValue2026=7\r\n");
    // Text values, for the values to come: trimmed when read, one line when written.
    settings.SetText(Setting::AlertPercent, " 25\r\n");
    EXPECT_EQ(settings.Text(Setting::AlertPercent), "25");
    EXPECT_EQ(settings.Int(Setting::AlertPercent), 25);
}

TEST(SettingsStoreTest, TheLinkTheTariffAndTheOpenSession) {
    Settings settings(
        "[link]\r\nvalue= ppp*, wwan0 \r\n[TARIFF]\r\nround=6\r\nFee=-5\r\nBase=3000\r\n"
        "Price=120\r\n[Session]\r\nStart=2026-12-07T21:03:06+08:00\r\n"
        "Last=2026-12-07T21:15:24+08:00\r\nTenths=123\r\nLink=ppp0\r\n");
    EXPECT_EQ(settings.BilledLinkPatterns(), (std::vector<std::string>{"ppp*", "wwan0"}));
    const Tariff tariff = settings.TariffValues();
    EXPECT_EQ(tariff.roundMinutes, 6);
    EXPECT_EQ(tariff.fee, 0);  // never a negative charge
    EXPECT_EQ(tariff.base, 3000);
    EXPECT_EQ(tariff.price, 120);
    EXPECT_EQ(tariff.currency, "元");
    const Session open{
        {{2026, 12, 7}, 21, 3, 6, 480}, {{2026, 12, 7}, 21, 15, 24, 480}, 123, "ppp0", {}, 0};
    EXPECT_EQ(settings.OpenSession(), open);

    Session next = open;
    next.start.date.day = 8;
    next.link = "宽带连接";
    settings.SetOpenSession(next);
    EXPECT_EQ(Settings(settings.FileText()).OpenSession(), next);
    settings.SetOpenSession(std::nullopt);  // closed: no ticks left open
    EXPECT_EQ(settings.OpenSession(), std::nullopt);
    EXPECT_EQ(settings.Int(Setting::SessionTenths), 0);
    settings.SetInt(Setting::SessionTenths, 5);
    settings.SetText(Setting::SessionLast, "2026-12-07T21:15");  // damaged by hand
    EXPECT_EQ(settings.OpenSession(), std::nullopt);
}

TEST(SettingsStoreTest, ReadsTheFileEachTimeAndWritesInOneReplace) {
    fakes::FakePlatform fp;
    SettingsStore store(fp.files);
    store.Open(fp.IniPath());
    EXPECT_EQ(store.Read().Int(Setting::BillingDay), 0);  // no file: everything 0
    fp.PutIni(kHandWritten);
    EXPECT_EQ(store.Read().Int(Setting::BillingDay), 20);  // the file as it is now
    EXPECT_TRUE(store.Write([](Settings& s) {
        s.SetMonthMinutes(5, 540);
        s.SetInt(Setting::Exit, 0);
    }));
    EXPECT_EQ(fp.files.writes, 1);
    EXPECT_EQ(store.Read().Month(5).minutes, 540);
    // A file that exists but cannot be read is never replaced.
    fp.files.unreadable.insert(fp.IniPath());
    EXPECT_FALSE(store.WriteInt(Setting::AllowanceHours, 1));
    EXPECT_EQ(fp.files.writes, 1);
}

}  // namespace
}  // namespace kivrel

namespace kivrel {
namespace {

// A value is read as what it means or refused; a refused one reads as 0.
TEST(SettingsStoreTest, AValueIsReadAsWhatItMeansOrRefused) {
    const struct {
        const char* text;
        ValueKind kind;
        int32_t value;
        const char* why;  // "" when accepted
    } cases[] = {
        {"1.20", ValueKind::Money, 0, "金额以分为单位，不能带小数点：写作 Price=120（单位：分）"},
        {"1.205", ValueKind::Money, 0, "金额以分为单位，不能带小数点"},  // no hint
        {"abc", ValueKind::Money, 0, "不是整数"},
        {"1.5", ValueKind::Count, 0, "不是整数"},
        {"99999999999", ValueKind::Money, 0, "超出可以计算的范围"},
        {"2147483648", ValueKind::Count, 0, "超出可以计算的范围"},
        {"0002147483647", ValueKind::Money, 2147483647, ""},
        {"-500", ValueKind::Count, 0, "不能是负数"},
        {"-3", ValueKind::Day, 0, "结算日不能是负数（0 表示月底）"},
        {"-0", ValueKind::Day, 0, ""},
        {"-5", ValueKind::Signed, -5, ""},  // a negative allowance: nothing is left
        {"", ValueKind::Money, 0, ""},      // missing
        {"12abc", ValueKind::Any, 12, ""},
    };
    for (const auto& c : cases) {
        const ValueReading reading = ReadValue(c.text, "Price", c.kind);
        EXPECT_EQ(reading.value, c.value) << c.text;
        EXPECT_EQ(reading.why, c.why) << c.text;
    }
}

TEST(SettingsStoreTest, RefusedValuesAreNamedWithTheirFileAndKeyAndReadAsZero) {
    const Settings settings(
        "[r]\r\nValue=-3\r\n[s]\r\nValue=-10\r\n[Tariff]\r\nPrice=1.20\r\nFee=abc\r\n"
        "Base=99999999999\r\n[T12]\r\nValue=-500\r\nYear=2026\r\n");
    EXPECT_EQ(
        settings.RefusedValues("/h/timer.ini"),
        (std::vector<std::string>{
            "/h/timer.ini：[r] Value=-3 无法读取（结算日不能是负数（0 表示月底）），按 0 计算",
            "/h/timer.ini：[Tariff] Fee=abc 无法读取（不是整数），按 0 计算",
            "/h/timer.ini：[Tariff] Base=99999999999 无法读取（超出可以计算的范围），按 0 计算",
            "/h/timer.ini：[Tariff] Price=1.20 无法读取（金额以分为单位，不能带小数点：写作 "
            "Price=120（单位：分）），按 0 计算",
            "/h/timer.ini：[T12] Value=-500 无法读取（不能是负数），按 0 计算"}));
    EXPECT_EQ(settings.Int(Setting::BillingDay), 0);
    EXPECT_EQ(settings.WrittenInt(Setting::BillingDay), -3);
    EXPECT_EQ(settings.Int(Setting::AllowanceHours), -10);
    EXPECT_EQ(settings.Month(12), (MonthRecord{0, 2026}));
    EXPECT_EQ(Settings("[T3]\r\nValue2025=-40\r\n").PastYearMinutes(3, 2025), 0);
    const Tariff tariff = settings.TariffValues();
    EXPECT_EQ(tariff.price + tariff.fee + tariff.base, 0);
    EXPECT_TRUE(Settings("[Tariff]\r\nPrice=120\r\n").RefusedValues("x").empty());
}

}  // namespace
}  // namespace kivrel
