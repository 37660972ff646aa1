#include "presenter/drawing.h"
#include "form1_fixture.h"

namespace kivrel {
namespace {

struct MenuRow {
    bool restore, move, size, minimize, maximize;
};

MenuRow MenuOf(const fakes::FakeWindow& w) {
    return {w.menuEnabled.at(Menu::mnuTrayRestore), w.menuEnabled.at(Menu::mnuTrayMove),
            w.menuEnabled.at(Menu::mnuTraySize), w.menuEnabled.at(Menu::mnuTrayMinimize),
            w.menuEnabled.at(Menu::mnuTrayMaximize)};
}

void ExpectMenu(const fakes::FakeWindow& w, MenuRow e, const std::string& where) {
    const MenuRow m = MenuOf(w);
    EXPECT_EQ(m.restore, e.restore) << where;
    EXPECT_EQ(m.move, e.move) << where;
    EXPECT_EQ(m.size, e.size) << where;
    EXPECT_EQ(m.minimize, e.minimize) << where;
    EXPECT_EQ(m.maximize, e.maximize) << where;
}

constexpr MenuRow kNormalMenu{false, true, true, true, true};
constexpr MenuRow kTrayMenu{true, false, false, false, true};
constexpr MenuRow kMaxMenu{true, false, false, true, false};

TEST_F(Form1Test, TheFirstLeftClickShowsTheWindowAndArmsTheCountdown) {
    Load();
    EXPECT_TRUE(fp.window.menuEnabled.empty());  // layout states until the first resize
    EXPECT_TRUE(fp.tray.Click(TrayEvent::LeftButtonUp));
    EXPECT_TRUE(fp.window.visible);
    EXPECT_EQ(fp.window.activateCount, 1);
    EXPECT_TRUE(fp.window.appliedStates.empty());  // the state was left alone
    ExpectMenu(fp.window, kNormalMenu, "first show");
    EXPECT_EQ(fp.window.menuOrder,
              (std::vector<std::string>{"Maximize", "Minimize", "Move", "Restore", "Size"}));
    EXPECT_TRUE(fp.window.timerEnabled[TimerId::Timer2]);
    EXPECT_EQ(form.HideCountdown(), 30);
    EXPECT_EQ(form.LastState(), WindowState::Normal);
}

TEST_F(Form1Test, StateTableForEveryWayInAndOutOfTheTray) {
    Load();
    fp.tray.Click(TrayEvent::LeftButtonUp);
    struct Step {
        std::string name;
        std::function<void()> act;
        WindowState state;
        bool visible;
        MenuRow menu;
        bool timer2;
        WindowState lastState;
    };
    const std::vector<Step> steps = {
        {"hide button", [&] { form.Command2_Click(); }, WindowState::Minimized, false, kTrayMenu,
         false, WindowState::Normal},
        {"left click", [&] { fp.tray.Click(TrayEvent::LeftButtonUp); }, WindowState::Normal, true,
         kNormalMenu, true, WindowState::Normal},
        {"maximize item", [&] { form.mnuTrayMaximize_Click(); }, WindowState::Maximized, true,
         kMaxMenu, true, WindowState::Maximized},
        {"minimize item", [&] { form.mnuTrayMinimize_Click(); }, WindowState::Minimized, false,
         kTrayMenu, false, WindowState::Maximized},
        {"left click back to maximised", [&] { fp.tray.Click(TrayEvent::LeftButtonUp); },
         WindowState::Maximized, true, kMaxMenu, true, WindowState::Maximized},
        {"system restore", [&] { form.SystemRestore(); }, WindowState::Normal, true, kNormalMenu,
         true, WindowState::Normal},
        {"keyboard size", [&] { form.SystemChangedWindow(WindowState::Normal, true); },
         WindowState::Normal, true, kNormalMenu, true, WindowState::Normal},
        {"countdown ends",
         [&] {
             for (int i = 0; i < 31; ++i)
                 form.Timer2_Timer();
         },
         WindowState::Minimized, false, kTrayMenu, false, WindowState::Normal},
        {"restore from the tray", [&] { form.SystemRestore(); }, WindowState::Normal, true,
         kNormalMenu, true, WindowState::Normal},
    };
    for (const auto& s : steps) {
        s.act();
        EXPECT_EQ(form.State(), s.state) << s.name;
        EXPECT_EQ(fp.window.visible, s.visible) << s.name;
        ExpectMenu(fp.window, s.menu, s.name);
        EXPECT_EQ(fp.window.timerEnabled[TimerId::Timer2], s.timer2) << s.name;
        EXPECT_EQ(form.LastState(), s.lastState) << s.name;
        if (s.timer2) {
            EXPECT_EQ(form.HideCountdown(), 30) << s.name;
        }
    }
}

TEST_F(Form1Test, TheCountdownRunsThirtyOneTicks) {
    Load();
    fp.tray.Click(TrayEvent::LeftButtonUp);
    for (int shown = 30; shown >= 1; --shown) {
        form.Timer2_Timer();
        EXPECT_EQ(Text(Ctl::Label7), "自动隐藏倒计时:" + std::to_string(shown));
        EXPECT_TRUE(fp.window.visible) << shown;
    }
    form.Timer2_Timer();  // the 31st tick shows 0 and hides the window
    EXPECT_EQ(Text(Ctl::Label7), "自动隐藏倒计时:0");
    EXPECT_FALSE(fp.window.visible);
    EXPECT_EQ(form.State(), WindowState::Minimized);
    EXPECT_FALSE(fp.window.timerEnabled[TimerId::Timer2]);
    EXPECT_EQ(form.HideCountdown(), -1);
    // Brought back, the label keeps its 0 until the next tick shows 30.
    fp.tray.Click(TrayEvent::LeftButtonUp);
    EXPECT_EQ(Text(Ctl::Label7), "自动隐藏倒计时:0");
    form.Timer2_Timer();
    EXPECT_EQ(Text(Ctl::Label7), "自动隐藏倒计时:30");
}

TEST_F(Form1Test, CancellingTheCountdownLastsUntilTheNextResize) {
    Load();
    fp.tray.Click(TrayEvent::LeftButtonUp);
    for (int i = 0; i < 5; ++i)
        form.Timer2_Timer();
    form.Label7_Click();
    EXPECT_EQ(Text(Ctl::Label7), "已取消自动隐藏");
    EXPECT_FALSE(fp.window.timerEnabled[TimerId::Timer2]);
    EXPECT_EQ(form.HideCountdown(), 25);  // kept as it was
    form.SystemChangedWindow(
        WindowState::Normal);  // the echo of the state it holds changes nothing
    EXPECT_FALSE(fp.window.timerEnabled[TimerId::Timer2]);
    form.SystemChangedWindow(WindowState::Normal, true);  // a resize re-arms it
    EXPECT_TRUE(fp.window.timerEnabled[TimerId::Timer2]);
    EXPECT_EQ(form.HideCountdown(), 30);
    // Minimising during a countdown stops it and keeps the last number shown.
    form.Timer2_Timer();
    form.Command2_Click();
    EXPECT_FALSE(fp.window.timerEnabled[TimerId::Timer2]);
    EXPECT_EQ(Text(Ctl::Label7), "自动隐藏倒计时:30");
}

// The window reports every size it takes, the program's own changes included: only a size other
// than the last one seen in the normal state is a resize, one that re-arms the countdown.
TEST_F(Form1Test, OnlyANewSizeInTheNormalStateIsAResize) {
    Load();
    fp.tray.Click(TrayEvent::LeftButtonUp);
    IWindowEvents& events = form;
    const auto nothing = [] {};
    struct Row {
        const char* name;
        std::function<void()> before;
        WindowState state;
        PixelSize size;
        bool resize;
    };
    const Row rows[] = {
        {"the designed size", nothing, WindowState::Normal, {539, 351}, false},
        {"a new size", nothing, WindowState::Normal, {600, 400}, true},
        {"the same size again", nothing, WindowState::Normal, {600, 400}, false},
        {"the size of a maximise",
         [&] { form.mnuTrayMaximize_Click(); },
         WindowState::Maximized,
         {1024, 740},
         false},
        {"the size of the restore",
         [&] { form.mnuTrayRestore_Click(); },
         WindowState::Normal,
         {600, 400},
         false},
        {"back to the designed size", nothing, WindowState::Normal, {539, 351}, true},
    };
    for (const Row& row : rows) {
        row.before();
        form.Timer2_Timer();  // 30 shown, 29 next
        events.SizeChanged(row.state, row.size);
        EXPECT_EQ(form.HideCountdown() == 30, row.resize) << row.name;
    }
}

TEST_F(Form1Test, TheCountdownHoldsWhileABoxIsOpen) {
    Load();
    fp.tray.Click(TrayEvent::LeftButtonUp);
    for (int i = 0; i < 10; ++i)
        form.Timer2_Timer();
    fp.dialogs.whileOpen = [&] {
        for (int i = 0; i < 40; ++i)
            form.Timer2_Timer();
        form.Timer1_Timer();  // the accounting clock goes on meanwhile
    };
    fp.dialogs.inputs.push_back("60");
    form.Command3_Click();
    EXPECT_TRUE(fp.window.visible);
    EXPECT_EQ(Text(Ctl::Label7), "自动隐藏倒计时:21");
    EXPECT_EQ(fp.connection.asked, 1);
    form.Timer2_Timer();  // and resumes where it was once the box has closed
    EXPECT_EQ(Text(Ctl::Label7), "自动隐藏倒计时:20");
}

TEST_F(Form1Test, RightClickPopsUpTheTrayMenuAndOtherEventsPassOn) {
    Load();
    fp.window.onPopup = [&](Menu) { form.mnuTrayClose_Click(); };
    EXPECT_FALSE(fp.tray.Click(TrayEvent::Other));
    EXPECT_FALSE(fp.window.visible);
    EXPECT_TRUE(fp.tray.Click(TrayEvent::RightButtonUp));
    ASSERT_EQ(fp.window.popups.size(), 1u);
    EXPECT_EQ(fp.window.popups[0], Menu::mnuTray);
    EXPECT_TRUE(form.Unloaded());  // Close chosen from the menu
    EXPECT_FALSE(fp.tray.present);
}

TEST_F(Form1Test, TrayMenuItemsAskTheSystemForItsMoveAndSize) {
    Load();
    form.mnuTrayMove_Click();
    form.mnuTraySize_Click();
    EXPECT_EQ(fp.window.systemCommands,
              (std::vector<SysCommand>{SysCommand::Move, SysCommand::Size}));
}

// A desktop that does not let the program move, or size, its window: those items stay off in
// every state, the others follow the state as usual.
TEST_F(Form1Test, MoveAndSizeAreOfferedOnlyWhereTheWindowCanBeMovedOrSized) {
    struct Case {
        WindowAbilities can;
        MenuRow normal, tray, max;
    };
    const Case cases[] = {
        {{true, true}, kNormalMenu, kTrayMenu, kMaxMenu},
        {{false, true}, {false, false, true, true, true}, kTrayMenu, kMaxMenu},
        {{false, false}, {false, false, false, true, true}, kTrayMenu, kMaxMenu},
    };
    fp.window.abilities = {false, true};
    Load();
    // Off from the start, before any state set the menu; the rest keeps its layout states.
    EXPECT_EQ(fp.window.menuEnabled, (std::map<Menu, bool>{{Menu::mnuTrayMove, false}}));
    for (const Case& c : cases) {
        fp.window.abilities = c.can;
        const std::string where = std::string("move ") + (c.can.move ? "yes" : "no") + ", size " +
                                  (c.can.size ? "yes" : "no");
        fp.tray.Click(TrayEvent::LeftButtonUp);
        ExpectMenu(fp.window, c.normal, where + ", shown");
        form.Command2_Click();
        ExpectMenu(fp.window, c.tray, where + ", in the tray");
        fp.tray.Click(TrayEvent::LeftButtonUp);
        form.mnuTrayMaximize_Click();
        ExpectMenu(fp.window, c.max, where + ", maximised");
        form.SystemRestore();
        ExpectMenu(fp.window, c.normal, where + ", restored");
        form.Command2_Click();
    }
}

TEST_F(Form1Test, TheIconComesBackWithTheTrayHost) {
    Load();
    fp.tray.present = false;  // the panel died and took the icon with it
    fp.tray.sink->TrayHostCreated();
    EXPECT_TRUE(fp.tray.present);
    EXPECT_EQ(fp.tray.adds, 2);
    EXPECT_EQ(fp.tray.tip, "Kivrel正在运行，好运！");
}

TEST_F(Form1Test, LosingTheTrayWhileHiddenKeepsTheWindowReachable) {
    Load();
    fp.tray.Click(TrayEvent::LeftButtonUp);
    form.Command2_Click();
    ASSERT_FALSE(fp.window.visible);
    fp.tray.available = false;
    form.TrayAvailabilityChanged();
    form.TrayGrace_Timer();
    EXPECT_TRUE(fp.window.visible);
    EXPECT_TRUE(fp.window.taskbarFallback);
    // And when the tray comes back the window goes back into it.
    fp.tray.available = true;
    fp.tray.sink->TrayHostCreated();
    EXPECT_FALSE(fp.window.visible);
    EXPECT_FALSE(fp.window.taskbarFallback);
}

TEST_F(Form1Test, LosingTheTrayBeforeTheWindowWasEverOpenedKeepsItReachable) {
    Load();
    fp.tray.available = false;
    form.TrayAvailabilityChanged();
    form.TrayGrace_Timer();
    EXPECT_TRUE(fp.window.visible);
    EXPECT_EQ(form.State(), WindowState::Minimized);
    EXPECT_EQ(fp.window.appliedStates.back(), WindowState::Minimized);
    EXPECT_FALSE(fp.window.timerEnabled[TimerId::Timer2]);
    // Restored from the taskbar, it behaves as any shown window.
    form.SystemChangedWindow(WindowState::Normal);
    EXPECT_TRUE(fp.window.timerEnabled[TimerId::Timer2]);
    EXPECT_EQ(form.LastState(), WindowState::Normal);
}

// A panel restarting takes its notification area away for a moment: within the grace period
// nothing the user sees changes; only a tray that stays away brings the window out.
TEST_F(Form1Test, ATrayBackWithinTheGracePeriodChangesNothing) {
    Load();
    for (int round = 0; round < 2; ++round) {
        fp.tray.available = false;
        fp.tray.sink->TrayHostLost();
        EXPECT_TRUE(fp.window.timerEnabled[TimerId::TrayGrace]) << round;
        fp.tray.available = true;
        fp.tray.sink->TrayHostCreated();
        EXPECT_FALSE(fp.window.timerEnabled[TimerId::TrayGrace]) << round;
        form.TrayGrace_Timer();  // a tick already on its way finds the tray back
    }
    EXPECT_FALSE(fp.window.visible);
    EXPECT_FALSE(fp.window.taskbarFallback);
    EXPECT_TRUE(fp.window.appliedStates.empty());
    EXPECT_EQ(fp.tray.adds, 3);  // the icon went back in each time
    // Gone for good: the grace timer's tick brings the window out, and stops.
    fp.tray.available = false;
    fp.tray.sink->TrayHostLost();
    EXPECT_FALSE(fp.window.visible);
    form.TrayGrace_Timer();
    EXPECT_TRUE(fp.window.visible);
    EXPECT_TRUE(fp.window.taskbarFallback);
    EXPECT_FALSE(fp.window.timerEnabled[TimerId::TrayGrace]);
}

TEST_F(Form1Test, HintFollowsThePointerAcrossTheLabelWidth) {
    Load();
    const std::string hint =
        "请在控制面板→Internet选项→连接中,将(ADSL拨号连接) ⑴设置默认值 ⑵始终拨默认连接。";
    fp.window.label6Width = 191;
    const std::pair<float, const char*> moves[] = {
        {0, hint.c_str()},  {190.9f, hint.c_str()}, {191, "如何正确使用"},
        {50, hint.c_str()}, {400, "如何正确使用"},  {-20, hint.c_str()},
    };
    for (const auto& [x, expected] : moves) {
        form.Label6_MouseMove(x);
        EXPECT_EQ(Text(Ctl::Label6), expected) << x;
    }
    form.Command2_Click();
    EXPECT_EQ(Text(Ctl::Label6), "如何正确使用");
}

TEST(Drawing, GradientRowsAndLamps) {
    fakes::PixelCanvas canvas(539, 351);
    PaintGradient(canvas);
    EXPECT_EQ(canvas.boxes, 352);
    EXPECT_EQ(canvas.At(0, 0), (Rgb{255, 240, 220}));
    EXPECT_EQ(canvas.At(538, 0), (Rgb{255, 240, 220}));
    EXPECT_EQ(canvas.At(10, 175), (Rgb{128, 240, 220}));
    EXPECT_EQ(canvas.At(0, 350), (Rgb{0, 240, 220}));
    for (int y = 0; y < 351; ++y) {
        const int red = 255 - (255 * (y + 1)) / 351;
        ASSERT_EQ(canvas.At(270, y).r, red) << y;
    }
    EXPECT_EQ(LampColour(-1), (Rgb{50, 205, 50}));
    EXPECT_EQ(LampColour(0), (Rgb{255, 0, 0}));
    EXPECT_EQ(LampColour(1), (Rgb{255, 0, 0}));
    PaintLamps(canvas, -1);
    EXPECT_EQ(canvas.At(100, 50), (Rgb{50, 205, 50}));
    EXPECT_EQ(canvas.At(439, 50), (Rgb{50, 205, 50}));
    ASSERT_EQ(canvas.circles.size(), 2u);
    EXPECT_DOUBLE_EQ(canvas.circles[1].cx, 439);
    EXPECT_DOUBLE_EQ(canvas.circles[1].r, 40);
}

TEST(Drawing, ANothingHighWindowDrawsNoGradient) {
    fakes::PixelCanvas canvas(539, 0);
    PaintGradient(canvas);
    EXPECT_EQ(canvas.boxes, 0);
}

TEST_F(Form1Test, ARepaintKeepsTheLampsOfTheLastTick) {
    Load();
    fakes::PixelCanvas before(539, 351);
    form.Form_Paint(before);
    EXPECT_EQ(before.At(100, 50), GradientStripColour(51, 351));  // no lamps before a tick
    fp.connection.online = true;
    form.Timer1_Timer();
    EXPECT_GT(fp.window.repaintCount, 0);
    fakes::PixelCanvas online(539, 351);
    form.Form_Paint(online);
    EXPECT_EQ(online.At(100, 50), (Rgb{50, 205, 50}));
    fp.connection.online = false;
    form.Timer1_Timer();
    fakes::PixelCanvas offline(539, 351);
    form.Form_Paint(offline);
    EXPECT_EQ(offline.At(439, 50), (Rgb{255, 0, 0}));
    EXPECT_EQ(offline.At(0, 0), (Rgb{255, 240, 220}));
}

}  // namespace
}  // namespace kivrel
