// The idle guard in the running program: which counters a tick reads, what is shown and saved,
// and which connection is ended.
#include "presenter/guard_notices.h"
#include "form1_fixture.h"

namespace kivrel {
namespace {

struct Guarded {
    fakes::FakePlatform fp;
    Form1 form{fp.platform};

    explicit Guarded(const std::string& ini) {
        fp.PutIni(ini);
        EXPECT_TRUE(form.Form_Load());
        fp.connection.online = true;
        fp.connection.routed = {"wlan0", "ppp0"};
        fp.connection.bytes = {{"ppp0", {5000, 700}}, {"wlan0", {1, 1}}};
    }
    // Ticks 6 s apart; `perTick` bytes come in on ppp0 at each.
    void Ticks(int n, uint64_t perTick = 0) {
        for (int i = 0; i < n; ++i) {
            fp.connection.bytes["ppp0"].received += perTick;
            form.Timer1_Timer();
            fp.clock.secondOfDay += 6;
        }
    }
};

TEST(GuardInTheProgram, WithoutAGuardSectionOnlyTheIdleFiguresAreNew) {
    Guarded g("[Link]\r\nValue=ppp*\r\n");
    g.Ticks(5, 4096);
    g.Ticks(300);
    EXPECT_TRUE(g.fp.tray.asked.empty());
    EXPECT_TRUE(g.fp.hangUp.ended.empty());
    // Only the billed link's counters are read.
    EXPECT_EQ(g.fp.connection.bytesAsked, std::vector<std::string>(305, "ppp0"));
    EXPECT_NE(g.fp.Ini().find("Idle=300\r\n"), std::string::npos) << g.fp.Ini();
    EXPECT_EQ(g.fp.Ini().find("[Guard]"), std::string::npos);
    g.fp.connection.routed = {"wlan0"};
    g.Ticks(1);
    EXPECT_NE(g.fp.files.files["/opt/kivrel/sessions.csv"].find(",30.5,\"ppp0\",\"\",\"30.0\"\n"),
              std::string::npos);
}

TEST(GuardInTheProgram, AnUnansweredReminderEndsTheBilledLinkOnly) {
    Guarded g(
        "[Link]\r\nValue=ppp*\r\n[Tariff]\r\nPrice=120\r\n[Guard]\r\nIdle=1\r\nHangUp=idle\r\n"
        "HangUpCommand=poff  dsl\r\n");
    g.Ticks(11);  // the first reading has nothing to compare with; ten idle ticks follow
    ASSERT_EQ(g.fp.tray.asked.size(), 1u);
    EXPECT_EQ(g.fp.tray.asked[0].notice, kIdleNotice);
    EXPECT_EQ(g.fp.tray.asked[0].text,
              "已连接但 1 分钟没有流量，本次会话计费 1.1 分钟，约 0.02 元");
    EXPECT_EQ(g.fp.tray.asked[0].actions, IdleNoticeActions(true));
    g.Ticks(10);
    ASSERT_EQ(g.fp.tray.asked.size(), 2u);
    EXPECT_EQ(g.fp.tray.asked[1].notice, kHangUpNotice);
    EXPECT_EQ(g.fp.tray.asked[1].text, "将于 12:03:00 断开 ppp0（2 分钟没有流量）");
    EXPECT_NE(g.fp.Ini().find("HangUpAt=2026-05-15T12:03:00+08:00"), std::string::npos);
    g.Ticks(10);
    EXPECT_EQ(g.fp.hangUp.ended, std::vector<std::string>{"ppp0"});
    EXPECT_EQ(g.fp.hangUp.lastCommand, (std::vector<std::string>{"poff", "dsl"}));
    EXPECT_EQ(g.fp.tray.notifications.back().second, "已断开 ppp0（3 分钟没有流量）");
    g.Ticks(100);
    EXPECT_EQ(g.fp.hangUp.ended.size(), 1u);  // a link that stays up is not ended again
}

TEST(GuardInTheProgram, AnswersAndARefusal) {
    const std::string ini = "[Link]\r\nValue=ppp*\r\n[Guard]\r\nIdle=1\r\nHangUp=idle\r\n";
    Guarded keep(ini);
    keep.fp.hangUp.possible = false;
    keep.Ticks(11);
    EXPECT_EQ(keep.fp.tray.asked.at(0).actions, IdleNoticeActions(false));
    keep.fp.tray.Answer(kIdleNotice, kNoticeClicked);  // a balloon's click: 继续上网
    keep.Ticks(100);
    EXPECT_EQ(keep.fp.tray.asked.size(), 1u);
    EXPECT_TRUE(keep.fp.hangUp.ended.empty());

    Guarded now(ini);
    now.fp.hangUp.result = {false, "poff 退出状态 1"};
    now.Ticks(11);
    now.fp.tray.Answer(kIdleNotice, IdleNoticeActions(true)[0].key);  // 断开连接
    EXPECT_EQ(now.fp.hangUp.ended, std::vector<std::string>{"ppp0"});
    EXPECT_EQ(now.fp.tray.notifications.back().second, "无法断开 ppp0：poff 退出状态 1");
    now.Ticks(100);  // refused: told once, never tried again in a loop
    EXPECT_EQ(now.fp.hangUp.ended.size(), 1u);
}

}  // namespace
}  // namespace kivrel
