#include "form1_fixture.h"

namespace kivrel {
namespace {

TEST_F(Form1Test, AnOnlineTickCountsSavesAndShowsTheFiguresBeforeIt) {
    Load("[s]\r\nValue=10\r\n[T5]\r\nValue=125\r\n");
    fp.connection.online = true;
    Ticks(3);  // 125.3
    form.Timer1_Timer();
    EXPECT_EQ(form.UsedMinutes(), TenthsTotal(1254));
    EXPECT_EQ(Stored("T5"), 125);
    EXPECT_EQ(Stored("Exit"), 0);
    EXPECT_EQ(Text(Ctl::Label1),
              "计费月为：5月\r\n已经连接上网\r\n本月已用125分钟2小时\r\n本月剩余475分钟8小时");
}

TEST_F(Form1Test, TickSequencesStoreWholeMinutes) {
    struct Case {
        int64_t start;
        int ticks;
        int32_t stored;
    };
    const Case cases[] = {{0, 10, 1},
                          {33, 10, 34},
                          {0, 5, 0},
                          {0, 1, 0},
                          {40000, 10, 40001},
                          {40000, 1, 40000},
                          {2147483000, 10, 2147483001}};
    for (const auto& c : cases) {
        fakes::FakePlatform p;
        Form1 f(p.platform);
        p.PutIni("[T5]\r\nValue=" + std::to_string(c.start) + "\r\n");
        ASSERT_TRUE(f.Form_Load());
        p.connection.online = true;
        for (int i = 0; i < c.ticks; ++i)
            f.Timer1_Timer();
        EXPECT_EQ(IniReadInt(p.Ini(), "T5", "Value"), c.stored) << c.start << " + " << c.ticks;
        EXPECT_EQ(f.UsedMinutes().Tenths(), c.start * 10 + c.ticks);
    }
}

TEST_F(Form1Test, AnOfflineTickWritesNothingAndUsesTheAsciiColon) {
    Load("[T5]\r\nValue=90\r\n");
    const std::string before = fp.Ini();
    form.Timer1_Timer();
    EXPECT_EQ(fp.files.writes, 0);
    EXPECT_EQ(fp.Ini(), before);
    EXPECT_EQ(form.UsedMinutes(), MinuteTotal::FromWholeMinutes(90));
    EXPECT_EQ(Text(Ctl::Label1), "计费月为:5月\r\n没有连接上网\r\n本月已用90分钟2小时\r\n");
}

TEST_F(Form1Test, FirstOnlineTickFromZero) {
    Load();
    fp.connection.online = true;
    form.Timer1_Timer();
    EXPECT_EQ(Text(Ctl::Label1), "计费月为：5月\r\n已经连接上网\r\n本月已用0分钟0小时\r\n");
    EXPECT_EQ(form.UsedMinutes(), TenthsTotal(1));
    EXPECT_EQ(Stored("T5"), 0);
}

TEST_F(Form1Test, UsedUpAllowanceShowsNegativeRemainders) {
    Load("[s]\r\nValue=1\r\n[T5]\r\nValue=90\r\n");
    form.Timer1_Timer();
    EXPECT_EQ(Text(Ctl::Label1),
              "计费月为:5月\r\n没有连接上网\r\n本月已用90分钟2小时\r\n本月剩余-30分钟0小时");
}

TEST_F(Form1Test, AHugeHandEditedAllowanceDoesNotBreakTheTick) {
    Load("[s]\r\nValue=2147483647\r\n");
    form.Timer1_Timer();
    EXPECT_EQ(Text(Ctl::Label1),
              "计费月为:5月\r\n没有连接上网\r\n本月已用0分钟0小时\r\n本月剩余128849018820分钟"
              "2147483647小时");
}

TEST_F(Form1Test, TheBillingMonthFollowsTheCalendarWhileRunning) {
    Load("[r]\r\nValue=20\r\n[T5]\r\nValue=10\r\n[T6]\r\nValue=3\r\n");
    fp.connection.online = true;
    fp.clock.today = {2026, 5, 20};
    Ticks(7);  // 10.7 in T5
    fp.clock.today = {2026, 5, 21};
    form.Timer1_Timer();  // closes May's billing month first, then counts into June's
    EXPECT_EQ(Stored("T5"), 11);
    EXPECT_EQ(form.MonthSection(), "T6");
    EXPECT_EQ(form.UsedMinutes(), TenthsTotal(31));
    EXPECT_EQ(Text(Ctl::Label1), "计费月为：6月\r\n已经连接上网\r\n本月已用3分钟0小时\r\n");
    // Year end: December's billing month is followed by January's.
    fp.clock.today = {2026, 12, 21};
    form.Timer1_Timer();
    EXPECT_EQ(form.MonthSection(), "T1");
}

TEST_F(Form1Test, RefreshReplacesTheTotalInMemory) {
    Load("[T5]\r\nValue=40\r\n");
    fp.connection.online = true;
    Ticks(7);  // 40.7 counted, 41 stored
    ASSERT_EQ(form.UsedMinutes(), TenthsTotal(407));
    ASSERT_EQ(Stored("T5"), 41);
    form.RefreshBillingMonth();
    EXPECT_EQ(form.UsedMinutes(), MinuteTotal::FromWholeMinutes(41));
}

TEST(Form1Save, SaveUsageRoundsHalfToEven) {
    const std::pair<int64_t, int32_t> cases[] = {{125, 12}, {135, 14}, {126, 13}, {124, 12}};
    for (const auto& [tenths, stored] : cases) {
        fakes::FakePlatform p;
        Form1 f(p.platform);
        p.PutIni("[T5]\r\nValue=" + std::to_string(tenths / 10) + "\r\n");
        ASSERT_TRUE(f.Form_Load());
        // The ticks' own saves fail: what is stored is SaveUsage's.
        p.connection.online = true;
        p.files.failWrites = true;
        for (int64_t i = 0; i < tenths % 10; ++i)
            f.Timer1_Timer();
        p.files.failWrites = false;
        ASSERT_EQ(f.UsedMinutes(), TenthsTotal(tenths));
        ASSERT_TRUE(f.SaveUsage());
        EXPECT_EQ(IniReadInt(p.Ini(), "T5", "Value"), stored) << tenths;
        EXPECT_EQ(IniReadInt(p.Ini(), "Exit", "Value"), 0);
    }
}

TEST_F(Form1Test, AFailedSaveLosesNothingAndIsToldOnce) {
    Load("[T5]\r\nValue=100\r\n");
    fp.connection.online = true;
    fp.files.failWrites = true;
    Ticks(25);
    EXPECT_EQ(fp.tray.notifications.size(), 1u);
    EXPECT_NE(fp.tray.notifications[0].second.find("/opt/kivrel/timer.ini"), std::string::npos);
    EXPECT_EQ(Stored("T5"), 100);
    fp.files.failWrites = false;
    Ticks(5);  // 103.0 minutes counted, all of them kept
    EXPECT_EQ(Stored("T5"), 103);
    // A later failure is told again.
    fp.files.failWrites = true;
    Ticks(1);
    EXPECT_EQ(fp.tray.notifications.size(), 2u);
}

TEST_F(Form1Test, AFailedSaveAtTheMonthsEndKeepsTheOldMonthUntilItIsSaved) {
    Load("[T5]\r\nValue=50\r\n");
    fp.connection.online = true;
    Ticks(5);
    fp.files.failWrites = true;
    Ticks(5);  // 51.0 minutes, 50 stored
    fp.clock.today = {2026, 6, 1};
    Ticks(5);
    EXPECT_EQ(form.MonthSection(), "T5");  // not moved on: May's minutes are not yet stored
    fp.files.failWrites = false;
    form.Timer1_Timer();
    EXPECT_EQ(Stored("T5"), 52);  // 50 + 1.5 minutes, rounded to even
    EXPECT_EQ(form.MonthSection(), "T6");
}

TEST_F(Form1Test, AllowanceCommandAnswers) {
    struct Case {
        const char* answer;
        int32_t stored;
        const char* label;
    };
    const Case cases[] = {
        {"60", 60, "包时60小时"},
        {"0", 0, "包月"},
        {"", 0, "包月"},
        {"abc", 0, "包月"},
        {"-5", 0, "包月"},
        {"12.5", 12, "包时12小时"},
        {"13.5", 14, "包时14小时"},
        {"7.6", 8, "包时8小时"},
        {" 45 ", 45, "包时45小时"},
        {"99999", 32767, "包时32767小时"},
        {"1e400", 0, "包月"},
    };
    for (const auto& c : cases) {
        fakes::FakePlatform p;
        Form1 f(p.platform);
        p.PutIni("");
        ASSERT_TRUE(f.Form_Load());
        p.dialogs.inputs.push_back(c.answer);
        f.Command3_Click();
        ASSERT_EQ(p.dialogs.shown.size(), 1u);
        EXPECT_EQ(p.dialogs.shown[0].text, "0表示包月,\r\n60表示60小时");
        EXPECT_EQ(p.dialogs.shown[0].title, "设置每月使用时间");
        EXPECT_EQ(p.dialogs.shown[0].defaultAnswer, "60");
        EXPECT_EQ(IniReadInt(p.Ini(), "s", "Value"), c.stored) << c.answer;
        EXPECT_EQ(f.QuotaHours(), c.stored) << c.answer;
        EXPECT_EQ(p.window.Text(Ctl::Label3), c.label) << c.answer;
    }
}

TEST_F(Form1Test, BillingDayCommandAnswers) {
    struct Case {
        const char* answer;
        int32_t stored;
        const char* label;
    };
    const Case cases[] = {
        {"20", 20, "结算为20号"},
        {"0", 0, "结算为月底"},
        {"", 0, "结算为月底"},
        {"abc", 0, "结算为月底"},
        {"-5", 0, "结算为月底"},
        {"020", 20, "结算为020号"},
        {"20.5", 20, "结算为20.5号"},
        {"0.4", 0, "结算为0.4号"},
        {"45", 45, "结算为45号"},
        {"0.0", 0, "结算为月底"},
        {"99999999999", 2147483647, "结算为99999999999号"},
    };
    for (const auto& c : cases) {
        fakes::FakePlatform p;
        Form1 f(p.platform);
        p.PutIni("");
        ASSERT_TRUE(f.Form_Load());
        p.dialogs.inputs.push_back(c.answer);
        f.command4_Click();
        EXPECT_EQ(p.dialogs.shown[0].text, "0表示月底,\r\n20表示20号");
        EXPECT_EQ(p.dialogs.shown[0].title, "设置每月结算时间");
        EXPECT_EQ(p.dialogs.shown[0].defaultAnswer, "0");
        EXPECT_EQ(IniReadInt(p.Ini(), "r", "Value"), c.stored) << c.answer;
        EXPECT_EQ(p.window.Text(Ctl::Label4), c.label) << c.answer;
    }
}

TEST_F(Form1Test, ANewBillingDayMovesTheAccountingAtOnce) {
    Load("[T5]\r\nValue=10\r\n[T6]\r\nValue=44\r\n");
    fp.clock.today = {2026, 5, 21};
    fp.dialogs.inputs.push_back("20");
    form.command4_Click();
    EXPECT_EQ(form.MonthSection(), "T6");
    EXPECT_EQ(form.UsedMinutes(), MinuteTotal::FromWholeMinutes(44));
}

TEST_F(Form1Test, ATickWhileTheInputBoxIsOpenIsKeptAndTheAnswerAppliedAfter) {
    Load("[T5]\r\nValue=10\r\n");
    fp.connection.online = true;
    fp.dialogs.whileOpen = [&] { Ticks(10); };
    fp.dialogs.inputs.push_back("30");
    form.Command3_Click();
    EXPECT_EQ(Stored("T5"), 11);
    EXPECT_EQ(form.QuotaHours(), 30);
}

TEST_F(Form1Test, ACommandWhoseWriteFailsChangesNothing) {
    Load("[s]\r\nValue=5\r\n");
    fp.files.failWrites = true;
    fp.dialogs.inputs.push_back("60");
    form.Command3_Click();
    EXPECT_EQ(form.QuotaHours(), 5);
    EXPECT_EQ(Text(Ctl::Label3), "包时5小时");
    fp.dialogs.inputs.push_back("20");
    form.command4_Click();
    EXPECT_EQ(Text(Ctl::Label4), "结算为月底");
    // Each failure is told in a box of the program's own, not under the input box's title.
    ASSERT_EQ(fp.dialogs.shown.size(), 4u);
    for (size_t box : {1u, 3u}) {
        EXPECT_EQ(fp.dialogs.shown[box].title, "Kivrel") << box;
        EXPECT_EQ(fp.dialogs.shown[box].text,
                  "无法写入设置文件 /opt/kivrel/timer.ini\r\n设置没有改变。")
            << box;
        EXPECT_EQ(fp.dialogs.shown[box].style.icon, MsgIcon::Critical) << box;
    }
}

TEST_F(Form1Test, AnUnreadableFileIsNeverReplaced) {
    Load("[T5]\r\nValue=300\r\n");
    fp.files.unreadable.insert(fp.IniPath());
    fp.connection.online = true;
    form.Timer1_Timer();
    fp.files.unreadable.clear();
    EXPECT_EQ(fp.Ini(), "[T5]\r\nValue=300\r\n");
}

}  // namespace
}  // namespace kivrel

namespace kivrel {
namespace {

// A refused value is told once per start and once per change; the window shows 0 in its place.
TEST_F(Form1Test, RefusedValuesAreToldOncePerStartAndPerChange) {
    const std::string total = "[s]\r\nValue=10\r\n[T5]\r\nValue=-500\r\n[Tariff]\r\nPrice=";
    Load(total + "1.20\r\n");
    ASSERT_EQ(fp.tray.notifications.size(), 1u);
    EXPECT_EQ(fp.tray.notifications[0].first, "Kivrel 设置有误");
    EXPECT_NE(fp.tray.notifications[0].second.find("Price=120（单位：分）"), std::string::npos);
    EXPECT_NE(fp.tray.notifications[0].second.find("\r\n/opt/kivrel/timer.ini：[T5]"),
              std::string::npos);
    Ticks(3);
    EXPECT_EQ(Text(Ctl::Label1),
              "计费月为:5月\r\n没有连接上网\r\n本月已用0分钟0小时\r\n本月剩余600分钟10小时");
    // Changed by hand and still refused: that one alone; right, then refused again: told again.
    for (const char* price : {"1.30", "130", "1.30"}) {
        fp.PutIni(total + price + "\r\n");
        Ticks(2);
    }
    ASSERT_EQ(fp.tray.notifications.size(), 3u);
    EXPECT_EQ(fp.tray.notifications[1].second.find("[T5]"), std::string::npos);
    EXPECT_NE(fp.tray.notifications[2].second.find("Price=130（"), std::string::npos);
}

}  // namespace
}  // namespace kivrel
