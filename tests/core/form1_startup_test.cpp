#include "presenter/module1.h"
#include "form1_fixture.h"

namespace kivrel {
namespace {

TEST_F(Form1Test, StartsInOrderAndShowsTheStoredSettings) {
    Load("[r]\r\nValue=20\r\n[s]\r\nValue=60\r\n[Run]\r\nValue=1\r\n[T5]\r\nValue=57\r\n");
    EXPECT_EQ(Text(Ctl::Form1), "☆Kivrel☆  第1版第71次编译");
    EXPECT_EQ(form.IniFile(), "/opt/kivrel/timer.ini");
    EXPECT_EQ(Text(Ctl::Command5), "取消开机运行");
    EXPECT_EQ(Text(Ctl::Label8), "已设开机就运行");
    EXPECT_EQ(Text(Ctl::Label3), "包时60小时");
    EXPECT_EQ(Text(Ctl::Label4), "结算为20号");
    EXPECT_EQ(form.QuotaHours(), 60);
    EXPECT_EQ(form.MonthSection(), "T5");  // 15 May with billing day 20
    EXPECT_EQ(form.UsedMinutes(), MinuteTotal::FromWholeMinutes(57));
    EXPECT_TRUE(fp.tray.present);
    EXPECT_EQ(fp.tray.tip, "Kivrel正在运行，好运！");
    EXPECT_EQ(fp.tray.menu, Menu::mnuTray);  // what hosts that draw icon menus show
    // The instance test comes before any cleanup of the settings directory, the tray after it.
    const auto& j = fp.journal;
    EXPECT_LT(j.IndexOf("instance.check"), j.IndexOf("file.cleanup"));
    EXPECT_LT(j.IndexOf("file.cleanup"), j.IndexOf("tray.add"));
    EXPECT_LT(j.IndexOf("tray.add"), j.IndexOf("tray.tip"));
    // Nothing is written by start-up and the window stays hidden.
    EXPECT_EQ(fp.files.writes, 0);
    EXPECT_FALSE(fp.window.visible);
    EXPECT_EQ(Text(Ctl::Label1), "");
}

TEST_F(Form1Test, AnEmptyFileMeansDefaults) {
    Load("");
    EXPECT_EQ(Text(Ctl::Command5), "开机就运行");
    EXPECT_EQ(Text(Ctl::Label8), "未设开机就运行");
    EXPECT_EQ(Text(Ctl::Label3), "包月");
    EXPECT_EQ(Text(Ctl::Label4), "结算为月底");
    EXPECT_EQ(form.MonthSection(), "T5");
    EXPECT_EQ(form.UsedMinutes(), MinuteTotal());
}

TEST_F(Form1Test, StartUpShowsOutOfRangeSettingsAsTheFileHoldsThem) {
    Load("[s]\nValue=99999\n[r]\nValue=-3\n[Run]\nValue=2\n");
    EXPECT_EQ(Text(Ctl::Label3), "包时99999小时");
    EXPECT_EQ(Text(Ctl::Label4), "结算为-3号");
    EXPECT_EQ(Text(Ctl::Label8), "未设开机就运行");  // only 1 means on
}

TEST_F(Form1Test, RefusesWithoutTimerIniAndLeavesNoTrace) {
    EXPECT_FALSE(form.Form_Load());
    ASSERT_EQ(fp.dialogs.shown.size(), 1u);
    EXPECT_EQ(fp.dialogs.shown[0].text, "文件损坏，请重装本程序");
    EXPECT_EQ(fp.dialogs.shown[0].title, "Kivrel");
    EXPECT_EQ(fp.dialogs.shown[0].style.icon, MsgIcon::Information);
    EXPECT_TRUE(fp.files.files.empty());
    EXPECT_EQ(fp.tray.adds, 0);
    EXPECT_EQ(fp.journal.IndexOf("instance.check"), -1);
    EXPECT_EQ(Text(Ctl::Form1), "");  // the caption was never touched
}

TEST_F(Form1Test, RefusesASecondInstanceAndTouchesNothing) {
    fp.instance.otherRunning = true;
    fp.PutIni("[T5]\r\nValue=9\r\n");
    EXPECT_FALSE(form.Form_Load());
    ASSERT_EQ(fp.dialogs.shown.size(), 1u);
    EXPECT_EQ(fp.dialogs.shown[0].text, "程序已经运行");
    EXPECT_EQ(fp.dialogs.shown[0].title, "Kivrel");
    EXPECT_EQ(fp.dialogs.shown[0].style.icon, MsgIcon::None);
    EXPECT_EQ(fp.Ini(), "[T5]\r\nValue=9\r\n");
    EXPECT_EQ(fp.files.writes, 0);
    EXPECT_EQ(fp.files.staleRemovals, 0);
    EXPECT_EQ(fp.tray.adds, 0);
    // The caption had already been given its build number.
    EXPECT_EQ(Text(Ctl::Form1), "☆Kivrel☆  第1版第71次编译");
}

TEST(IniChoice, WhichFileKeepsTheRecords) {
    struct Case {
        IniFacts facts;  // beside exists, beside writable, user folder known, user file exists
        IniSource expected;
    };
    const Case cases[] = {
        {{true, true, true, false}, IniSource::Beside},  // portable copy
        {{true, true, true, true}, IniSource::Beside},   // portable copy wins over the user's
        {{true, false, true, false}, IniSource::UserFromCopy},
        {{true, false, true, true}, IniSource::User},
        {{false, false, true, true}, IniSource::User},
        {{false, false, true, false}, IniSource::None},
        {{false, false, false, false}, IniSource::None},
        {{true, false, false, false}, IniSource::Beside},  // nowhere else to go
    };
    for (const auto& c : cases) {
        const IniFacts& f = c.facts;
        EXPECT_EQ(ChooseIniFile(f), c.expected)
            << f.besideExists << f.besideWritable << f.userKnown << f.userExists;
    }
}

constexpr const char* kUserIni = "/home/u/.local/share/kivrel/timer.ini";

TEST_F(Form1Test, AnInstalledCopyKeepsItsRecordsInTheUsersOwnFile) {
    fp.PutIni("[s]\r\nValue=40\r\n");
    fp.files.readOnly.insert(fp.IniPath());
    ASSERT_TRUE(form.Form_Load());
    EXPECT_EQ(form.IniFile(), kUserIni);
    EXPECT_EQ(fp.files.files[kUserIni], "[s]\r\nValue=40\r\n");
    EXPECT_EQ(fp.files.dirs.count("/home/u/.local/share/kivrel"), 1u);
    EXPECT_EQ(Text(Ctl::Label3), "包时40小时");
    // Nothing is made before this is known to be the only running copy.
    const auto& j = fp.journal;
    EXPECT_LT(j.IndexOf("instance.check"), j.IndexOf("file.mkdir"));
    EXPECT_LT(j.IndexOf("file.mkdir"), j.IndexOf("file.write"));

    fp.connection.online = true;
    Ticks(10);
    EXPECT_EQ(IniReadInt(fp.files.files[kUserIni], "T5", "Value"), 1);
    EXPECT_EQ(fp.Ini(), "[s]\r\nValue=40\r\n");

    // The next start finds the user's file and copies nothing.
    fakes::FakePlatform next;
    next.files.files = fp.files.files;
    next.files.readOnly = fp.files.readOnly;
    Form1 again(next.platform);
    ASSERT_TRUE(again.Form_Load());
    EXPECT_EQ(again.IniFile(), kUserIni);
    EXPECT_EQ(next.files.writes, 0);
    EXPECT_EQ(again.UsedMinutes(), MinuteTotal::FromWholeMinutes(1));
}

TEST_F(Form1Test, AnInstalledCopyThatCannotMakeTheUsersFileSaysSo) {
    fp.PutIni("");
    fp.files.readOnly.insert(fp.IniPath());
    fp.files.failDirectories = true;
    EXPECT_FALSE(form.Form_Load());
    ASSERT_EQ(fp.dialogs.shown.size(), 1u);
    EXPECT_EQ(fp.dialogs.shown[0].text,
              std::string("无法创建设置文件 ") + kUserIni + "\r\n请检查该文件夹是否可写。");
    EXPECT_EQ(fp.dialogs.shown[0].title, "Kivrel");
    EXPECT_EQ(fp.files.files.count(kUserIni), 0u);
    EXPECT_EQ(fp.tray.adds, 0);
}

TEST_F(Form1Test, ASecondInstanceMakesNoUsersFile) {
    fp.PutIni("");
    fp.files.readOnly.insert(fp.IniPath());
    fp.instance.otherRunning = true;
    EXPECT_FALSE(form.Form_Load());
    EXPECT_EQ(fp.files.files.count(kUserIni), 0u);
    EXPECT_TRUE(fp.files.dirs.empty());
}

// A log-out that asks first and may be cancelled: the question only saves; the real end unloads.
TEST_F(Form1Test, TheEndOfTheSessionUnloadsOnlyWhenItReallyComes) {
    Load("[T5]\r\nValue=7\r\n");
    fp.connection.online = true;
    Ticks(6);  // 7.6 minutes
    const int before = fp.files.writes;
    form.QueryEndSession();
    EXPECT_EQ(fp.files.writes, before + 1);
    EXPECT_EQ(Stored("T5"), 8);
    form.EndSession(false);  // the user cancelled the log-out
    EXPECT_FALSE(form.Unloaded());
    EXPECT_TRUE(fp.tray.present);
    Ticks(5);
    EXPECT_EQ(Stored("T5"), 8);  // 8.1 minutes: still counting, and saving every tick
    EXPECT_EQ(fp.files.writes, before + 6);

    form.QueryEndSession();
    form.EndSession(true);
    EXPECT_TRUE(form.Unloaded());
    EXPECT_EQ(fp.journal.Count("window.destroy"), 1);
    EXPECT_FALSE(fp.tray.present);
    EXPECT_EQ(fp.files.writes, before + 8);  // the question's save and the unload's
    form.EndSession(true);
    EXPECT_EQ(fp.files.writes, before + 8);
}

TEST_F(Form1Test, TheCaptionFollowsTheBuildRevision) {
    fp.app.revision = 5;
    Load();
    EXPECT_EQ(Text(Ctl::Form1), "☆Kivrel☆  第1版第5次编译");
}

// Every closing path saves the month once, removes the icon and destroys the window.
TEST_F(Form1Test, EveryClosingPathSavesOnce) {
    const std::vector<std::pair<const char*, void (Form1::*)()>> paths = {
        {"Command1", &Form1::Command1_Click},
        {"mnuFileExit", &Form1::mnuFileExit_Click},
        {"mnuTrayClose", &Form1::mnuTrayClose_Click},
        {"system close", &Form1::Unload},
    };
    for (const auto& [name, close] : paths) {
        fakes::FakePlatform p;
        Form1 f(p.platform);
        p.PutIni("[T5]\r\nValue=7\r\n[Exit]\r\nValue=3\r\n");
        ASSERT_TRUE(f.Form_Load());
        p.connection.online = true;
        for (int i = 0; i < 6; ++i)
            f.Timer1_Timer();  // 7.6 minutes in memory
        const int before = p.files.writes;
        (f.*close)();
        (f.*close)();  // a second close request changes nothing
        f.Unload();
        EXPECT_EQ(p.files.writes, before + 1) << name;
        EXPECT_EQ(IniReadInt(p.Ini(), "T5", "Value"), 8) << name;
        EXPECT_EQ(IniReadInt(p.Ini(), "Exit", "Value"), 0) << name;
        EXPECT_FALSE(p.tray.present) << name;
        EXPECT_EQ(p.journal.Count("window.destroy"), 1) << name;
        EXPECT_LT(p.journal.IndexOf("tray.remove"), p.journal.IndexOf("window.destroy")) << name;
        EXPECT_TRUE(f.Unloaded()) << name;
    }
}

TEST_F(Form1Test, NoTickCountsBeforeStartUpHasFinished) {
    fp.connection.online = true;
    fp.PutIni("");
    form.Timer1_Timer();
    EXPECT_EQ(fp.connection.asked, 0);
    EXPECT_EQ(fp.files.writes, 0);
}

TEST_F(Form1Test, WithoutANotificationAreaTheWindowStartsShown) {
    fp.tray.available = false;
    Load();
    EXPECT_TRUE(fp.window.visible);
    EXPECT_TRUE(fp.window.taskbarFallback);
    // Hiding it keeps it reachable: it is minimised, not hidden.
    form.Command2_Click();
    EXPECT_EQ(form.State(), WindowState::Minimized);
    EXPECT_TRUE(fp.window.visible);
    EXPECT_EQ(fp.window.appliedStates.back(), WindowState::Minimized);
}

}  // namespace
}  // namespace kivrel
