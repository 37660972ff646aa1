// Ending the billed connection on Windows: the way chosen from what the system says of the link,
// and the balloon's click as the answer to an asking notification. Wine has no RAS connections
// and no Wi-Fi adapters, so RasHangUp and WlanDisconnect themselves are not reached here.
#include <gtest/gtest.h>

#include "platform/win32/hang_up.h"
#include "platform/win32/tray_icon.h"

namespace kivrel {
namespace {

TEST(Win32HangUp, TheWayFollowsWhatTheSystemSaysOfTheLink) {
    const struct {
        bool ras, wifi, command;
        HangUpWay way;
    } cases[] = {
        {true, false, true, HangUpWay::Ras},   // a broadband connection of that name
        {true, true, false, HangUpWay::Ras},   // dial-up over a Wi-Fi adapter: the RAS link
        {false, true, true, HangUpWay::Wlan},  // the Wi-Fi adapter leaves its network
        {false, false, true, HangUpWay::Command},
        {false, false, false, HangUpWay::None},  // nothing: "断开连接" is not offered
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseHangUpWay(c.ras, c.wifi, c.command), c.way) << c.ras << c.wifi << c.command;
}

TEST(Win32HangUp, AnUnknownLinkWithACommandRunsItAndTellsItsExitStatus) {
    Win32HangUp hangUp;
    EXPECT_FALSE(hangUp.CanHangUp("no such link", {}));
    const HangUpResult result = hangUp.HangUp("no such link", {"cmd.exe", "/c", "exit", "3"});
    EXPECT_FALSE(result.done);
    EXPECT_EQ(result.why, "cmd.exe 退出状态 3");
    EXPECT_TRUE(hangUp.HangUp("no such link", {"cmd.exe", "/c", "exit", "0"}).done);
}

struct Answers : INoticeSink {
    std::vector<std::pair<int, std::string>> got;
    void NoticeAnswered(int notice, const std::string& action) override {
        got.emplace_back(notice, action);
    }
};

TEST(Win32HangUp, AClickOnTheAskingBalloonIsItsAnswer) {
    Win32TrayIcon tray;
    Answers sink;
    tray.Ask(1, "Kivrel", "已连接但 10 分钟没有流量", {{"continue", "继续上网"}}, sink);
    EXPECT_FALSE(tray.BalloonMessage(WM_LBUTTONUP));
    EXPECT_TRUE(tray.BalloonMessage(NIN_BALLOONUSERCLICK));
    tray.Ask(2, "Kivrel", "将于 23:30:00 断开", {{"cancel", "取消"}}, sink);
    EXPECT_TRUE(tray.BalloonMessage(NIN_BALLOONTIMEOUT));    // it went unanswered
    EXPECT_TRUE(tray.BalloonMessage(NIN_BALLOONUSERCLICK));  // a later click is no answer
    tray.Ask(2, "Kivrel", "将于 23:30:00 断开", {{"cancel", "取消"}}, sink);
    tray.Notify("Kivrel", "已断开");
    tray.BalloonMessage(NIN_BALLOONUSERCLICK);  // the plain balloon replaced the asking one
    EXPECT_EQ(sink.got, (std::vector<std::pair<int, std::string>>{{1, kNoticeClicked}}));
}

}  // namespace
}  // namespace kivrel
