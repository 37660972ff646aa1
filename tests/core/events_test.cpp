// The dispatch table: every control event, menu item and timer reaches its own handler, and
// nothing reaches Form1 once it has unloaded.
#include <functional>
#include <tuple>

#include "presenter/controls.h"
#include "presenter/events.h"
#include "form1_fixture.h"
#include "services/records.h"

namespace kivrel {
namespace {

struct Case {
    const char* name;
    std::function<void(Form1&)> raise;
    // True once the handler that belongs to the event has run.
    std::function<bool(const fakes::FakePlatform&, const Form1&)> ran;
};

bool BoxTitled(const fakes::FakePlatform& fp, const std::string& title) {
    return !fp.dialogs.shown.empty() && fp.dialogs.shown.back().title == title;
}

const Case kCases[] = {
    {"Command1", [](Form1& f) { RaiseEvent(f, Ctl::Command1, UiEvent::Click); },
     [](auto&, auto& f) { return f.Unloaded(); }},
    {"Command2", [](Form1& f) { RaiseEvent(f, Ctl::Command2, UiEvent::Click); },
     [](auto&, auto& f) { return f.State() == WindowState::Minimized; }},
    {"Command3", [](Form1& f) { RaiseEvent(f, Ctl::Command3, UiEvent::Click); },
     [](auto& fp, auto&) { return BoxTitled(fp, "设置每月使用时间"); }},
    {"command4", [](Form1& f) { RaiseEvent(f, Ctl::command4, UiEvent::Click); },
     [](auto& fp, auto&) { return BoxTitled(fp, "设置每月结算时间"); }},
    {"Command5", [](Form1& f) { RaiseEvent(f, Ctl::Command5, UiEvent::Click); },
     [](auto& fp, auto&) { return fp.autostart.entered; }},
    {"Combo1", [](Form1& f) { RaiseEvent(f, Ctl::Combo1, UiEvent::Click); },
     [](auto& fp, auto&) { return fp.window.Text(Ctl::Label5) == MonthQueryText(1, 0); }},
    {"Combo2", [](Form1& f) { RaiseEvent(f, Ctl::Combo2, UiEvent::Click); },
     [](auto& fp, auto&) { return BoxTitled(fp, std::string(kClearAskTitle)); }},
    {"Label7", [](Form1& f) { RaiseEvent(f, Ctl::Label7, UiEvent::Click); },
     [](auto& fp, auto&) { return fp.window.Text(Ctl::Label7) == "已取消自动隐藏"; }},
    {"Label6", [](Form1& f) { RaiseEvent(f, Ctl::Label6, UiEvent::MouseMove, {5}); },
     [](auto& fp, auto&) { return fp.window.Text(Ctl::Label6) == kHintText; }},
    {"mnuFileExit", [](Form1& f) { RaiseMenu(f, Menu::mnuFileExit); },
     [](auto&, auto& f) { return f.Unloaded(); }},
    {"mnuTrayRestore", [](Form1& f) { RaiseMenu(f, Menu::mnuTrayRestore); },
     [](auto& fp, auto&) { return fp.window.visible && fp.window.systemCommands.empty(); }},
    {"mnuTrayMove", [](Form1& f) { RaiseMenu(f, Menu::mnuTrayMove); },
     [](auto& fp, auto&) {
         return fp.window.systemCommands == std::vector<SysCommand>{SysCommand::Move};
     }},
    {"mnuTraySize", [](Form1& f) { RaiseMenu(f, Menu::mnuTraySize); },
     [](auto& fp, auto&) {
         return fp.window.systemCommands == std::vector<SysCommand>{SysCommand::Size};
     }},
    {"mnuTrayMinimize", [](Form1& f) { RaiseMenu(f, Menu::mnuTrayMinimize); },
     [](auto&, auto& f) { return f.State() == WindowState::Minimized; }},
    {"mnuTrayMaximize", [](Form1& f) { RaiseMenu(f, Menu::mnuTrayMaximize); },
     [](auto&, auto& f) { return f.State() == WindowState::Maximized; }},
    {"mnuTrayClose", [](Form1& f) { RaiseMenu(f, Menu::mnuTrayClose); },
     [](auto&, auto& f) { return f.Unloaded(); }},
    {"Timer1", [](Form1& f) { RaiseTimer(f, TimerId::Timer1); },
     [](auto& fp, auto&) { return fp.connection.asked == 1; }},
    {"Timer2", [](Form1& f) { RaiseTimer(f, TimerId::Timer2); },
     [](auto& fp, auto&) { return fp.window.Text(Ctl::Label7).starts_with("自动隐藏倒计时:"); }},
    {"TrayGrace", [](Form1& f) { RaiseTimer(f, TimerId::TrayGrace); },
     [](auto& fp, auto&) { return fp.window.taskbarFallback; }},
};

TEST(Dispatch, EveryEventReachesItsOwnHandler) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        fakes::FakePlatform fp;
        Form1 form(fp.platform);
        fp.PutIni("");
        ASSERT_TRUE(form.Form_Load());
        fp.window.comboIndex = {{Ctl::Combo1, 0}, {Ctl::Combo2, 0}};
        fp.dialogs.inputs = {"", ""};
        fp.dialogs.answers = {MsgAnswer::No};
        fp.window.texts.erase(Ctl::Label7);
        fp.tray.available = false;  // gone, though no one has said so yet
        ASSERT_FALSE(c.ran(fp, form));
        c.raise(form);
        EXPECT_TRUE(c.ran(fp, form));
    }
}

TEST(Dispatch, OnlyControlsWithAHandlerAreListenedTo) {
    EXPECT_TRUE(HasHandler(Ctl::Label7, UiEvent::Click));
    EXPECT_TRUE(HasHandler(Ctl::Label6, UiEvent::MouseMove));
    EXPECT_FALSE(HasHandler(Ctl::Label6, UiEvent::Click));
    EXPECT_FALSE(HasHandler(Ctl::Label1, UiEvent::Click));
    EXPECT_FALSE(HasHandler(Ctl::Command1, UiEvent::MouseMove));
}

// The timers: the countdown each second, the tick every 6 s, and the tray's grace of 5 s.
TEST(Dispatch, TheTimerTable) {
    const std::tuple<TimerId, int, bool> expected[] = {{TimerId::Timer2, 1000, false},
                                                       {TimerId::Timer1, 6000, true},
                                                       {TimerId::TrayGrace, 5000, false}};
    ASSERT_EQ(kTimers.size(), std::size(expected));
    for (size_t i = 0; i < kTimers.size(); ++i)
        EXPECT_EQ(std::tuple(kTimers[i].id, kTimers[i].intervalMs, kTimers[i].enabled), expected[i])
            << kTimers[i].name;
}

TEST_F(Form1Test, NothingIsRaisedAfterUnloading) {
    Load();
    form.Unload();
    const auto writes = fp.files.writes;
    RaiseTimer(form, TimerId::Timer1);
    RaiseEvent(form, Ctl::Command3, UiEvent::Click);
    RaiseMenu(form, Menu::mnuTrayMaximize);
    EXPECT_EQ(fp.connection.asked, 0);
    EXPECT_TRUE(fp.dialogs.shown.empty());
    EXPECT_EQ(form.State(), WindowState::Normal);
    EXPECT_EQ(fp.files.writes, writes);
}

}  // namespace
}  // namespace kivrel
