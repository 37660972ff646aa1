#include "form1_fixture.h"
#include "services/records.h"

namespace kivrel {
namespace {

TEST_F(Form1Test, MonthQueryRoundsHoursHalfToEven) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "7月份使用了0小时"},    {"30", "7月份使用了0小时"},
        {"31", "7月份使用了1小时"},  {"89", "7月份使用了1小时"},
        {"90", "7月份使用了2小时"},  {"150", "7月份使用了2小时"},
        {"151", "7月份使用了3小时"}, {"210", "7月份使用了4小时"},
        {"-90", "7月份使用了0小时"}, {"2147483647", "7月份使用了35791394小时"},
    };
    Load();
    for (const auto& [stored, text] : cases) {
        fp.PutIni(stored.empty() ? "" : "[T7]\r\nValue=" + stored + "\r\n");
        fp.window.comboIndex[Ctl::Combo1] = 6;
        fp.window.texts[Ctl::Combo1] = "7";
        fp.window.focus.reset();
        form.Combo1_Click();
        EXPECT_EQ(Text(Ctl::Label5), text) << stored;
        EXPECT_EQ(Text(Ctl::Combo1), "");
        EXPECT_EQ(fp.window.focus, Ctl::Command2);
    }
    EXPECT_EQ(fp.files.writes, 0);
}

TEST_F(Form1Test, ClearAnsweredYesZeroesAllTwelveAndReloads) {
    Load("[T5]\r\nValue=80\r\n[T2]\r\nValue=5\r\n[s]\r\nValue=9\r\n");
    fp.window.comboIndex[Ctl::Combo2] = 0;
    fp.dialogs.answers.push_back(MsgAnswer::Yes);
    form.Combo2_Click();
    for (int n = 1; n <= 12; ++n)
        EXPECT_EQ(IniReadInt(fp.Ini(), "T" + std::to_string(n), "Value"), 0);
    EXPECT_NE(fp.Ini().find("[T12]"), std::string::npos);  // missing sections are written too
    EXPECT_EQ(Stored("s"), 9);
    EXPECT_EQ(form.UsedMinutes(), MinuteTotal());
    ASSERT_EQ(fp.dialogs.shown.size(), 2u);
    EXPECT_EQ(fp.dialogs.shown[0].text, "要使1-12月份数据全部归零吗？\r\nYes确定，No取消。");
    EXPECT_EQ(fp.dialogs.shown[0].title, "Kivrel全清数据");
    EXPECT_EQ(fp.dialogs.shown[0].style.buttons, MsgButtons::YesNo);
    EXPECT_EQ(fp.dialogs.shown[0].style.defaultButton, 0);
    EXPECT_EQ(fp.dialogs.shown[0].style.icon, MsgIcon::None);
    EXPECT_EQ(fp.dialogs.shown[1].text, "已全清");
    EXPECT_EQ(fp.dialogs.shown[1].title, "Kivrel数据全清");
    EXPECT_EQ(fp.dialogs.shown[1].style.buttons, MsgButtons::Ok);
    EXPECT_EQ(fp.window.focus, Ctl::Command2);
    EXPECT_EQ(Text(Ctl::Combo2), "");
}

TEST_F(Form1Test, ClearAnsweredNoWritesNothing) {
    Load("[T5]\r\nValue=80\r\n");
    fp.connection.online = true;
    Ticks(3);  // 80.3 counted
    const int writes = fp.files.writes;
    fp.window.comboIndex[Ctl::Combo2] = 0;
    fp.dialogs.answers.push_back(MsgAnswer::No);
    form.Combo2_Click();
    EXPECT_EQ(fp.files.writes, writes);
    EXPECT_EQ(fp.dialogs.shown.size(), 1u);
    EXPECT_EQ(form.UsedMinutes(), TenthsTotal(803));  // no reload
    EXPECT_EQ(fp.window.focus, Ctl::Command2);
}

TEST_F(Form1Test, PresetEntries) {
    struct Case {
        const char* entry;
        bool accepted;
        int32_t stored;
    };
    const Case cases[] = {
        {"0", true, 0},
        {"2.5", true, 2},
        {"3.5", true, 4},
        {"120", true, 120},
        {"-1", false, 0},
        {"", false, 0},
        {"abc", false, 0},
        {"1e400", false, 0},
        {"99999999999", false, 0},
        {"2147483647", true, 2147483647},
        {" 7 ", true, 7},
    };
    for (const auto& c : cases) {
        fakes::FakePlatform p;
        Form1 f(p.platform);
        p.PutIni("[T3]\r\nValue=55\r\n");
        ASSERT_TRUE(f.Form_Load());
        p.window.comboIndex[Ctl::Combo2] = 3;
        p.dialogs.inputs.push_back(c.entry);
        f.Combo2_Click();
        ASSERT_EQ(p.dialogs.shown.size(), 2u) << c.entry;
        EXPECT_EQ(p.dialogs.shown[0].text, "预设3月份已使用分钟数");
        EXPECT_EQ(p.dialogs.shown[0].title, "Kivrel数据预设");
        EXPECT_EQ(p.dialogs.shown[0].defaultAnswer, "0");
        const fakes::ShownBox& result = p.dialogs.shown[1];
        EXPECT_EQ(result.title, "Kivrel数据预设");
        if (c.accepted) {
            EXPECT_EQ(IniReadInt(p.Ini(), "T3", "Value"), c.stored) << c.entry;
            EXPECT_EQ(result.text, std::string("预设3月份已使用") + c.entry + "分钟");
            EXPECT_EQ(result.style.icon, MsgIcon::None);
        } else {
            EXPECT_EQ(p.files.writes, 0) << c.entry;
            EXPECT_EQ(result.text, "预设请输正数!\r\n预设没成功！");
            EXPECT_EQ(result.style.icon, MsgIcon::Question);
        }
        EXPECT_EQ(p.window.focus, Ctl::Command2);
    }
}

TEST_F(Form1Test, PresettingTheRunningMonthIsNotUndoneByTheNextTick) {
    Load("[T5]\r\nValue=500\r\n");
    fp.connection.online = true;
    Ticks(10);
    fp.window.comboIndex[Ctl::Combo2] = 5;
    fp.dialogs.inputs.push_back("20");
    form.Combo2_Click();
    Ticks(10);
    EXPECT_EQ(Stored("T5"), 21);
}

TEST_F(Form1Test, PresettingAnotherMonthLeavesTheRunningTotal) {
    Load("[T5]\r\nValue=500\r\n[T8]\r\nValue=1\r\n");
    fp.window.comboIndex[Ctl::Combo2] = 8;
    fp.dialogs.inputs.push_back("77");
    form.Combo2_Click();
    EXPECT_EQ(Stored("T8"), 77);
    EXPECT_EQ(Stored("T5"), 500);
    EXPECT_EQ(form.UsedMinutes(), MinuteTotal::FromWholeMinutes(500));
}

TEST_F(Form1Test, DoneBoxesOnlyAfterAWriteThatSucceeded) {
    Load("[T5]\r\nValue=500\r\n");
    fp.files.failWrites = true;
    fp.window.comboIndex[Ctl::Combo2] = 5;
    fp.dialogs.inputs.push_back("20");
    form.Combo2_Click();
    fp.window.comboIndex[Ctl::Combo2] = 0;
    fp.dialogs.answers.push_back(MsgAnswer::Yes);
    form.Combo2_Click();
    ASSERT_EQ(fp.dialogs.shown.size(), 4u);
    EXPECT_EQ(fp.dialogs.shown[1].title, "Kivrel数据预设");
    EXPECT_EQ(fp.dialogs.shown[1].style.icon, MsgIcon::Critical);
    EXPECT_NE(fp.dialogs.shown[1].text.find("无法写入设置文件"), std::string::npos);
    EXPECT_EQ(fp.dialogs.shown[3].title, "Kivrel数据全清");
    EXPECT_EQ(fp.dialogs.shown[3].style.icon, MsgIcon::Critical);
    EXPECT_EQ(Stored("T5"), 500);
    EXPECT_EQ(form.UsedMinutes(), MinuteTotal::FromWholeMinutes(500));
}

TEST_F(Form1Test, RunAtStartupToggleFromEveryFlagValue) {
    struct Case {
        const char* flag;  // nullptr: no "Run" section
        int32_t after1, after2;
    };
    const Case cases[] = {{nullptr, 1, 0}, {"0", 1, 0}, {"1", 0, 1}, {"2", 1, 0}};
    for (const auto& c : cases) {
        fakes::FakePlatform p;
        Form1 f(p.platform);
        p.PutIni(c.flag ? std::string("[Run]\r\nValue=") + c.flag + "\r\n" : "");
        p.autostart.entered = c.flag && std::string(c.flag) == "1";
        ASSERT_TRUE(f.Form_Load());
        const std::string name = c.flag ? c.flag : "missing";
        for (int32_t expected : {c.after1, c.after2}) {
            f.Command5_Click();
            EXPECT_EQ(IniReadInt(p.Ini(), "Run", "Value"), expected) << name;
            EXPECT_EQ(p.autostart.entered, expected == 1) << name;
            EXPECT_EQ(p.window.Text(Ctl::Command5), expected == 1 ? "取消开机运行" : "开机就运行");
            EXPECT_EQ(p.window.Text(Ctl::Label8),
                      expected == 1 ? "已设开机就运行" : "未设开机就运行");
        }
        EXPECT_EQ(p.autostart.enteredDir, "/opt/kivrel") << name;
        EXPECT_TRUE(p.dialogs.shown.empty()) << name;
    }
}

TEST_F(Form1Test, AnAutostartEntryThatCannotBeWrittenChangesNothing) {
    Load("[Run]\r\nValue=0\r\n");
    fp.autostart.fail = true;
    form.Command5_Click();
    EXPECT_EQ(Stored("Run"), 0);
    EXPECT_EQ(Text(Ctl::Command5), "开机就运行");
    EXPECT_EQ(Text(Ctl::Label8), "未设开机就运行");
    ASSERT_EQ(fp.dialogs.shown.size(), 1u);
    EXPECT_EQ(fp.dialogs.shown[0].title, "Kivrel");
    EXPECT_NE(fp.dialogs.shown[0].text.find("autostart folder is not writable"), std::string::npos);
}

TEST_F(Form1Test, AFlagThatCannotBeWrittenPutsTheEntryBack) {
    Load("[Run]\r\nValue=1\r\n");
    fp.autostart.entered = true;
    fp.files.failWrites = true;
    form.Command5_Click();
    EXPECT_TRUE(fp.autostart.entered);
    EXPECT_EQ(Text(Ctl::Label8), "已设开机就运行");
    ASSERT_EQ(fp.dialogs.shown.size(), 1u);
    EXPECT_EQ(fp.dialogs.shown[0].style.icon, MsgIcon::Critical);
}

}  // namespace
}  // namespace kivrel
