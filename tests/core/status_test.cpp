#include <gtest/gtest.h>

#include "console.h"

namespace kivrel {
namespace {

TEST(StatusTest, Options) {
    const ToolkitOptions qtLike = [](const std::vector<std::string>& a, size_t i) {
        return a[i] == "-platform" ? 2 : 0;
    };
    struct Case {
        std::vector<std::string> args;
        CommandKind kind;
    };
    const Case cases[] = {
        {{}, CommandKind::Window},
        {{"-platform", "offscreen"}, CommandKind::Window},
        {{"--status"}, CommandKind::Status},
        {{"--json", "--status"}, CommandKind::StatusJson},
        {{"--json"}, CommandKind::Usage},
        {{"--version"}, CommandKind::Version},
        {{"--help", "--status"}, CommandKind::Help},
        {{"--sessions"}, CommandKind::Sessions},
        {{"--sessions", "--status"}, CommandKind::Usage},
        {{"--stat"}, CommandKind::Usage},
        {{"status"}, CommandKind::Usage},
        {{"--report"}, CommandKind::Report},
        {{"--report", "-platform", "offscreen"}, CommandKind::Report},
        {{"--report", "out.html", "x.html"}, CommandKind::Usage},
        {{"--report", "--status"}, CommandKind::Usage},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseCommandLine(c.args, qtLike).kind, c.kind) << c.args.size();
    EXPECT_EQ(ParseCommandLine({"--stat"}, qtLike).unknown, "--stat");
    EXPECT_EQ(ParseCommandLine({"--report", "out.html"}, qtLike).file, "out.html");
    EXPECT_EQ(ParseCommandLine({"--report", "-platform", "offscreen"}, qtLike).file, "");
}

TEST(StatusTest, ReportsTheBillingMonthFromTheFileAndWritesNothing) {
    Console c;
    c.clock.today = {2026, 12, 25};
    c.connection.online = true;
    c.files.files["/opt/kivrel/timer.ini"] =
        "[r]\r\nValue=20\r\n[s]\r\nValue=60\r\n[T1]\r\nValue=500\r\nYear=2027\r\n";
    ConsoleOutput json = c.Run({"--status", "--json"});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out,
              "{\"billing_month\":1,\"period_start\":\"2026-12-21\",\"period_end\":\"2027-01-20\","
              "\"days_left\":27,\"used_minutes\":500,\"allowance_hours\":60,"
              "\"remaining_minutes\":3100,\"forecast_minutes\":3100,\"online\":true,"
              "\"settings_file\":\"/opt/kivrel/timer.ini\",\"link\":\"\",\"sessions\":0,"
              "\"billed_minutes\":500,\"bill_cents\":0,\"currency\":\"元\",\"idle_minutes\":0,"
              "\"hang_up_at\":null}\n");
    c.connection.online = false;
    EXPECT_EQ(c.Run({"--status"}).out,
              "计费月为:1月\n没有连接上网\n本月已用500分钟8小时\n本月剩余3100分钟52小时\n"
              "计费周期：2026-12-21至2027-01-20，还剩27天\n预计本月共用3100分钟\n"
              "本期会话：0次\n计费时长：500分钟\n");
    // Last year's January, read in December of the calendar year it is stamped with, and a flat
    // rate.
    c.files.files["/opt/kivrel/timer.ini"] =
        "[r]\r\nValue=20\r\n[T1]\r\nValue=500\r\nYear=2026\r\n";
    json = c.Run({"--status", "--json"});
    EXPECT_NE(json.out.find("\"used_minutes\":0,\"allowance_hours\":0,\"remaining_minutes\":null"),
              std::string::npos)
        << json.out;
    EXPECT_EQ(c.files.writes, 0);
}

// The README's worked example: 30 included hours, 1.20 per extra hour, sessions rounded to the
// started minute; three sessions of 612.3, 1180.5 and 57.2 minutes (the last one still open), and
// an older one of the month before that the bill leaves out.
TEST(StatusTest, TheBillOfTheWorkedExampleToTheCent) {
    Console c;
    c.clock.today = {2026, 12, 8};
    c.connection.online = true;
    c.connection.routed = {"wlan0", "ppp0"};
    c.files.files["/opt/kivrel/timer.ini"] =
        "[s]\r\nValue=30\r\n[Link]\r\nValue=PPP*\r\n[Tariff]\r\nRound=1\r\nPrice=120\r\n"
        "[T12]\r\nValue=1850\r\nYear=2026\r\n[Session]\r\nStart=2026-12-08T09:00:00+08:00\r\n"
        "Last=2026-12-08T09:57:12+08:00\r\nTenths=572\r\nLink=ppp0\r\n";
    const std::string closed =
        "2026-12-01T08:00:00+08:00,2026-12-01T18:12:18+08:00,612.3,\"ppp0\"\n"
        "2026-12-03T20:00:00+08:00,2026-12-04T15:40:30+08:00,1180.5,\"ppp0\"\n";
    c.files.files["/opt/kivrel/sessions.csv"] =
        "start,end,minutes,link\n"
        "2026-11-30T22:00:00+08:00,2026-11-30T23:00:00+08:00,60.0,\"ppp0\"\n" +
        closed;
    const std::string json = c.Run({"--status", "--json"}).out;
    EXPECT_NE(json.find("\"online\":true,\"settings_file\":\"/opt/kivrel/timer.ini\","
                        "\"link\":\"ppp0\",\"sessions\":3,\"billed_minutes\":1852,"
                        "\"bill_cents\":104,\"currency\":\"元\""),
              std::string::npos)
        << json;
    const std::string text = c.Run({"--status"}).out;
    EXPECT_NE(text.find("计费链路：ppp0\n本期会话：3次\n计费时长：1852分钟\n本月费用：1.04 元\n"),
              std::string::npos)
        << text;
    // The listing is written as the ledger is now: six columns, whatever the lines read from.
    std::string listed = c.Run({"--sessions"}).out;
    EXPECT_EQ(listed,
              "start,end,minutes,link,network,idle\n"
              "2026-12-01T08:00:00+08:00,2026-12-01T18:12:18+08:00,612.3,\"ppp0\",\"\",\"0.0\"\n"
              "2026-12-03T20:00:00+08:00,2026-12-04T15:40:30+08:00,1180.5,\"ppp0\",\"\",\"0.0\"\n"
              "2026-12-08T09:00:00+08:00,2026-12-08T09:57:12+08:00,57.2,\"ppp0\",\"\",\"0.0\"\n");

    // Only the unlisted link carries the route: offline, no link, the same bill.
    c.connection.routed = {"wlan0"};
    const std::string offline = c.Run({"--status", "--json"}).out;
    EXPECT_NE(offline.find("\"online\":false"), std::string::npos) << offline;
    EXPECT_NE(offline.find("\"link\":null,\"sessions\":3"), std::string::npos) << offline;
    EXPECT_EQ(c.files.writes + c.files.appends, 0);
}

TEST(StatusTest, ReadsTheFileTheProgramWouldUse) {
    Console c;
    const std::string beside = "/opt/kivrel/timer.ini";
    const std::string user = c.app.userDir + "/timer.ini";
    c.files.files[beside] = "[T5]\r\nValue=7\r\n";
    c.files.readOnly.insert(beside);  // installed by the administrator
    // The user's own file not made yet: the installed one it would be made from.
    EXPECT_NE(c.Run({"--status", "--json"}).out.find("\"used_minutes\":7,"), std::string::npos);
    c.files.files[user] = "[T5]\r\nValue=9\r\n";
    const std::string json = c.Run({"--status", "--json"}).out;
    EXPECT_NE(json.find("\"used_minutes\":9,"), std::string::npos);
    EXPECT_NE(json.find("\"settings_file\":\"" + user + "\""), std::string::npos) << json;
    EXPECT_EQ(c.files.writes, 0);
    // A path with a quote and a backslash in it stays one JSON string.
    c.app.userDir = "/home/u \"q\"\\x";
    c.files.files[c.app.userDir + "/timer.ini"] = "";
    EXPECT_NE(
        c.Run({"--status", "--json"}).out.find(R"("settings_file":"/home/u \"q\"\\x/timer.ini")"),
        std::string::npos);
}

TEST(StatusTest, RefusalsAndVersion) {
    Console c;
    ConsoleOutput missing = c.Run({"--status"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err.rfind("文件损坏，请重装本程序\n", 0), 0u);
    EXPECT_EQ(c.Run({"--version"}).out, "Kivrel 1.0.0.71\n");
    ConsoleOutput unknown = c.Run({"--bogus"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.out, "");
    EXPECT_NE(unknown.err.find("Usage: kivrel"), std::string::npos);
    EXPECT_EQ(c.files.writes, 0);
}

}  // namespace
}  // namespace kivrel

namespace kivrel {
namespace {

// The idle figures: the period's from the sessions, the idle run and a planned hang-up from the
// running program's latest save, and those only while the billed link is up.
TEST(StatusTest, IdleMinutesAndAPlannedHangUp) {
    Console c;
    c.clock.today = {2026, 12, 8};
    c.connection.online = true;
    c.connection.routed = {"ppp0"};
    c.files.files["/opt/kivrel/timer.ini"] =
        "[T12]\r\nValue=60\r\nYear=2026\r\n[Session]\r\nStart=2026-12-08T22:00:00+08:00\r\n"
        "Last=2026-12-08T22:30:00+08:00\r\nTenths=300\r\nLink=ppp0\r\nIdle=125\r\n"
        "IdleRun=72\r\nHangUp=idle\r\nHangUpAt=2026-12-08T23:30:00+08:00\r\n";
    c.files.files["/opt/kivrel/sessions.csv"] =
        "start,end,minutes,link\n"
        "2026-12-01T08:00:00+08:00,2026-12-01T08:30:00+08:00,30.0,\"ppp0\",\"\",\"2.4\"\n";
    const std::string text = c.Run({"--status"}).out;
    EXPECT_NE(text.find("本期空闲：14.9分钟\n空闲：7.2 分钟\n将于 23:30 断开\n"), std::string::npos)
        << text;
    EXPECT_NE(c.Run({"--status", "--json"})
                  .out.find(",\"idle_minutes\":14.9,\"hang_up_at\":\"2026-12-08T23:30:00+08:00\"}"),
              std::string::npos);
    c.connection.routed = {};
    c.connection.online = false;
    const std::string offline = c.Run({"--status"}).out;
    EXPECT_EQ(offline.find("\n空闲："), std::string::npos) << offline;
    EXPECT_NE(c.Run({"--status", "--json"}).out.find("\"hang_up_at\":null"), std::string::npos);
}

}  // namespace
}  // namespace kivrel
