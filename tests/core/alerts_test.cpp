#include "rules/alerts.h"
#include "form1_fixture.h"

namespace kivrel {
namespace {

TEST(AlertsTest, ThresholdFromTheSetting) {
    const std::pair<int32_t, std::optional<int>> percents[] = {
        {0, 10}, {1, 1}, {25, 25}, {99, 99}, {100, 10}, {-1, std::nullopt}};
    for (const auto& [setting, percent] : percents)
        EXPECT_EQ(AlertPercent(setting), percent) << setting;
    EXPECT_EQ(AlertThresholdMinutes(60, 10), 360);
    EXPECT_EQ(AlertThresholdMinutes(1, 10), 6);
    EXPECT_EQ(AlertThresholdMinutes(7, 15), 63);  // 63.0
    EXPECT_EQ(AlertThresholdMinutes(3, 7), 12);   // 12.6 rounds down
}

TEST(AlertsTest, StepsOfAMonth) {
    const std::string low = "本月剩余不足10%，还剩360分钟";
    struct Case {
        const char* what;
        AlertState stored;
        int32_t month;
        int64_t quota;
        int32_t setting;
        int64_t remaining;
        AlertState next;
        std::string text;  // "" for none
    };
    const Case cases[] = {
        {"above", {202605, false, false}, 202605, 60, 0, 361, {202605, false, false}, ""},
        {"at the threshold",
         {202605, false, false},
         202605,
         60,
         0,
         360,
         {202605, true, false},
         low},
        {"once", {202605, true, false}, 202605, 60, 0, 100, {202605, true, false}, ""},
        {"used up", {202605, true, false}, 202605, 60, 0, 0, {202605, true, true}, kEmptyAlertText},
        {"both at once",
         {202605, false, false},
         202605,
         60,
         0,
         -5,
         {202605, true, true},
         kEmptyAlertText},
        {"shown and still over",
         {202605, true, true},
         202605,
         60,
         0,
         -20,
         {202605, true, true},
         ""},
        {"new month re-arms",
         {202604, true, true},
         202605,
         60,
         0,
         300,
         {202605, true, false},
         "本月剩余不足10%，还剩300分钟"},
        {"more allowance re-arms",
         {202605, true, true},
         202605,
         120,
         0,
         3000,
         {202605, false, false},
         ""},
        {"back above 0 only", {202605, true, true}, 202605, 60, 0, 5, {202605, true, false}, ""},
        {"own percent",
         {202605, false, false},
         202605,
         60,
         25,
         900,
         {202605, true, false},
         "本月剩余不足25%，还剩900分钟"},
        {"alerts off", {202605, false, false}, 202605, 60, -1, -5, {202605, false, false}, ""},
        {"flat rate", {202605, false, false}, 202605, 0, 0, -5, {202605, false, false}, ""},
        // A hand-edited negative allowance has nothing left: used up from the first tick.
        {"negative allowance",
         {202605, false, false},
         202605,
         -1,
         0,
         -60,
         {202605, true, true},
         kEmptyAlertText},
    };
    for (const auto& c : cases) {
        const AlertStep step = StepAlerts(c.stored, c.month, c.quota, c.setting, c.remaining);
        EXPECT_EQ(step.state, c.next) << c.what;
        EXPECT_EQ(step.text.value_or(""), c.text) << c.what;
    }
}

// The window's part: notifications through the tray, the state kept in the file for restarts.
TEST_F(Form1Test, AllowanceAlertsReachTheTrayOncePerMonthAcrossRestarts) {
    // 10 hours: threshold 60 minutes; 61 minutes left.
    Load("[s]\r\nValue=10\r\n[T5]\r\nValue=539\r\n");
    fp.connection.online = true;
    Ticks(10);  // the first tick showing 60 left alerts
    ASSERT_EQ(fp.tray.notifications.size(), 1u);
    EXPECT_EQ(fp.tray.notifications[0],
              std::make_pair(std::string("Kivrel"), std::string("本月剩余不足10%，还剩60分钟")));
    Ticks(5);
    EXPECT_EQ(fp.tray.notifications.size(), 1u);
    EXPECT_EQ(IniReadInt(fp.Ini(), "AlertShown", "Month"), 202605);
    EXPECT_EQ(IniReadInt(fp.Ini(), "AlertShown", "Low"), 1);
    EXPECT_EQ(Stored("s"), 10);  // other sections as they were

    // A restart does not show it again; the used-up alert comes at 0.
    fakes::FakePlatform p2;
    p2.PutIni(fp.Ini());
    Form1 again(p2.platform);
    ASSERT_TRUE(again.Form_Load());
    p2.connection.online = true;
    for (int i = 0; i < 600; ++i)
        again.Timer1_Timer();
    ASSERT_EQ(p2.tray.notifications.size(), 1u);
    EXPECT_EQ(p2.tray.notifications[0].second, "本月包时已用完");
    // An offline tick writes nothing, alerts or not.
    p2.connection.online = false;
    const int writes = p2.files.writes;
    again.Timer1_Timer();
    EXPECT_EQ(p2.files.writes, writes);
}

// The alerts belong to the billing month, whose year is that of its closing date.
TEST_F(Form1Test, AnAlertShownInDecemberForJanuaryIsNotShownAgainInJanuary) {
    fp.clock.today = {2026, 12, 25};
    Load("[r]\r\nValue=20\r\n[s]\r\nValue=10\r\n[T1]\r\nValue=539\r\nYear=2027\r\n");
    fp.connection.online = true;
    Ticks(10);
    ASSERT_EQ(fp.tray.notifications.size(), 1u);
    EXPECT_EQ(IniReadInt(fp.Ini(), "AlertShown", "Month"), 202701);
    fp.clock.today = {2027, 1, 2};
    Ticks(1);
    EXPECT_EQ(fp.tray.notifications.size(), 1u);
}

}  // namespace
}  // namespace kivrel
