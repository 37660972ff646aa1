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
        {{"--report", "--sessions"}, CommandKind::Usage},
        {{"--report", "a", "--report", "b"}, CommandKind::Usage},
        {{"--status", "--report", "x"}, CommandKind::Usage},
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
              "\"settings_file\":\"/opt/kivrel/timer.ini\",\"link\":\"\",\"network\":null,"
              "\"metered\":null,\"sessions\":0,\"billed_minutes\":500,\"bill_cents\":0,"
              "\"currency\":\"元\",\"plan\":\"included_hours\",\"remaining_billed_minutes\":3100,"
              "\"idle_minutes\":0,\"hang_up_at\":null,\"warnings\":[]}\n");
    c.connection.online = false;
    EXPECT_EQ(
        c.Run({"--status"}).out,
        "计费月为:1月\n没有连接上网\n本月已用500分钟8小时\n本月剩余3100分钟52小时\n"
        "计费周期：2026-12-21至2027-01-20，还剩27天\n预计本月共用3100分钟\n"
        "计费方式：包时 60 小时\n本期会话：0次\n计费时长：500分钟\n按计费时长剩余：3100分钟\n");
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

// The worked example of docs/settings.md: 30 included hours, 1.20 per extra hour, sessions
// rounded to the started minute; three sessions of 612.3, 1180.5 and 57.2 minutes (the last one
// still open), and an older one of the month before that the bill leaves out.
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
                        "\"link\":\"ppp0\",\"network\":null,\"metered\":null,\"sessions\":3,"
                        "\"billed_minutes\":1852,\"bill_cents\":104,\"currency\":\"元\","
                        "\"plan\":\"included_hours\",\"remaining_billed_minutes\":-52,"
                        "\"idle_minutes\":0,\"hang_up_at\":null,\"warnings\":[]}"),
              std::string::npos)
        << json;
    const std::string text = c.Run({"--status"}).out;
    EXPECT_NE(
        text.find("计费链路：ppp0\n计费方式：包时 30 小时\n本期会话：3次\n计费时长：1852分钟\n"
                  "按计费时长超出：52分钟\n本月费用：1.04 元\n"),
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
    EXPECT_NE(offline.find("\"link\":null,\"network\":null,\"metered\":null,\"sessions\":3"),
              std::string::npos)
        << offline;
    EXPECT_EQ(c.files.writes + c.files.appends, 0);
}

// The same ledger as a spreadsheet saves it, with lines that are not sessions: a fee of 10 cents
// a session, rounded up to 6 minutes. The open session, which the ledger holds already (it
// closed after the last save), counts once.
TEST(StatusTest, ALedgerWithoutQuotesIsBilledAndSkippedLinesAreSaid) {
    Console c;
    c.clock.today = {2026, 12, 8};
    c.files.files["/opt/kivrel/timer.ini"] =
        "[s]\r\nValue=30\r\n[Tariff]\r\nRound=6\r\nFee=10\r\n[T12]\r\nValue=1850\r\n"
        "Year=2026\r\n[Session]\r\nStart=2026-12-08T09:00:00+08:00\r\n"
        "Last=2026-12-08T09:57:00+08:00\r\nTenths=570\r\nLink=ppp0\r\n";
    c.files.files["/opt/kivrel/sessions.csv"] =
        "\xEF\xBB\xBFstart,end,minutes,link\r\n"
        "2026-12-01T00:00:00Z,2026-12-01T10:12:18Z,612.3,ppp0\r\n"
        "2026-12-03T20:00:00+08:00,2026-12-04T15:40:30+08:00,1180.5,ppp0\r\n"
        "2026-12-05T20:00:00+08:00,2026-12-05T20:10:00+08:00,11.0,ppp0\r\n"
        "not a session\r\n"
        "2026-12-08T09:00:00+08:00,2026-12-08T09:57:12+08:00,57.2,ppp0";
    const std::string json = c.Run({"--status", "--json"}).out;
    const std::string warning = "/opt/kivrel/sessions.csv：2 行无法读取，未计入";
    EXPECT_NE(json.find("\"sessions\":3,\"billed_minutes\":1860,\"bill_cents\":30,"
                        "\"currency\":\"元\",\"plan\":\"included_hours\","
                        "\"remaining_billed_minutes\":-60,\"idle_minutes\":0,\"hang_up_at\":null,"
                        "\"warnings\":[\"" +
                        warning + "\"]}"),
              std::string::npos)
        << json;
    EXPECT_NE(c.Run({"--status"}).out.find("\n注意：" + warning + "\n"), std::string::npos);
    const ConsoleOutput sessions = c.Run({"--sessions"});
    EXPECT_EQ(sessions.err, warning + "\n");
    EXPECT_EQ(sessions.out.find(warning), std::string::npos);
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
    EXPECT_EQ(unknown.err.rfind("kivrel：无法识别的选项“--bogus”\n", 0), 0u);
    // Two options that do not go together are named as such, not as unknown.
    EXPECT_EQ(
        c.Run({"--report", "a", "--report", "b"}).err.rfind("kivrel：--report 只能给一次\n", 0),
        0u);
    EXPECT_EQ(c.Run({"--status", "--report", "x"})
                  .err.rfind("kivrel：--report 不能与 --status 同用\n", 0),
              0u);
    EXPECT_EQ(c.files.writes, 0);
}

// The three plans of docs/tariffs.md, each with the month worked there by hand (December 2026,
// UTC+8), to the cent in --status --json and in the report; then the campus plan with a band
// that cannot be read, which is named and left out.
TEST(StatusTest, TheWorkedPlansOfTheTariffNotesToTheCent) {
    const std::string head = "[T12]\r\nYear=2026\r\n";
    const std::string campus =
        head +
        "Value=2050\r\n[s]\r\nValue=30\r\n[Tariff]\r\nPrice=120\r\n"
        "[Band1]\r\nName=夜间\r\nHours=23:00-07:00\r\nCounts=0\r\nPrice=0\r\n";
    const std::string campusLedger =
        "2026-12-10T22:00:00+08:00,2026-12-11T01:00:00+08:00,180.0,\"wlan0\"\n"
        "2026-12-12T06:00:00+08:00,2026-12-12T08:30:00+08:00,150.0,\"wlan0\"\n"
        "2026-12-15T14:00:00+08:00,2026-12-15T16:00:00+08:00,120.0,\"wlan0\"\n";
    const std::string campusFigures =
        "\"billed_minutes\":1870,\"bill_cents\":140,\"currency\":\"元\",\"plan\":\"included_"
        "hours\","
        "\"remaining_billed_minutes\":-70,\"idle_minutes\":0,\"hang_up_at\":null,\"free_minutes\":"
        "180,"
        "\"bands\":[{\"band\":1,\"name\":\"夜间\",\"minutes\":180,\"cents\":0},"
        "{\"band\":null,\"name\":null,\"minutes\":1870,\"cents\":140}]";
    struct {
        std::string ini, ledger, figures;  // figures: from billed_minutes to the end
        const char* total;                 // the report's
    } cases[] = {
        {head + "Value=216\r\n[Tariff]\r\nFirst=60\r\nRound=60\r\nPrice=500\r\n",
         "2026-12-01T20:00:00+08:00,2026-12-01T20:25:00+08:00,25.0,\"wlan0\"\n"
         "2026-12-03T09:00:00+08:00,2026-12-03T10:10:24+08:00,70.4,\"wlan0\"\n"
         "2026-12-05T21:00:00+08:00,2026-12-05T23:00:36+08:00,120.6,\"wlan0\"\n",
         "\"billed_minutes\":360,\"bill_cents\":3000,\"currency\":\"元\",\"plan\":\"pay_as_you_"
         "go\","
         "\"remaining_billed_minutes\":null,\"idle_minutes\":0,\"hang_up_at\":null,\"warnings\":[]}"
         "\n",
         "30.00 元"},
        {campus, campusLedger, campusFigures + ",\"warnings\":[]}\n", "1.40 元"},
        {head + "Value=245\r\n[Tariff]\r\nRound=1\r\nPrice=300\r\n"
                "[Band1]\r\nName=周末\r\nDays=Sat-Sun\r\nHours=00:00-24:00\r\nPrice=150\r\n",
         "2026-12-04T22:00:00+08:00,2026-12-05T01:00:00+08:00,180.0,\"wlan0\"\n"
         "2026-12-06T10:00:00+08:00,2026-12-06T10:44:36+08:00,44.6,\"wlan0\"\n"
         "2026-12-08T19:00:00+08:00,2026-12-08T19:20:24+08:00,20.4,\"wlan0\"\n",
         "\"billed_minutes\":246,\"bill_cents\":968,\"currency\":\"元\",\"plan\":\"pay_as_you_go\","
         "\"remaining_billed_minutes\":null,\"idle_minutes\":0,\"hang_up_at\":null,\"free_"
         "minutes\":0,"
         "\"bands\":[{\"band\":1,\"name\":\"周末\",\"minutes\":105,\"cents\":263},"
         "{\"band\":null,\"name\":null,\"minutes\":141,\"cents\":705}],\"warnings\":[]}\n",
         "9.68 元"},
        {campus + "[Band2]\r\nHours=25:00-07:00\r\nPrice=0\r\n", campusLedger,
         campusFigures + ",\"warnings\":[\"[Band2] Hours=25:00-07:00：应写作 HH:MM-HH:MM（如 "
                         "23:00-07:00），该时段已忽略\"]}\n",
         "1.40 元"},
    };
    for (const auto& c : cases) {
        Console con;
        con.clock.today = {2026, 12, 20};
        con.files.files["/opt/kivrel/timer.ini"] = c.ini;
        con.files.files["/opt/kivrel/sessions.csv"] = "start,end,minutes,link\n" + c.ledger;
        const std::string json = con.Run({"--status", "--json"}).out;
        EXPECT_EQ(json.substr(std::min(json.size(), json.find("\"billed_minutes\""))), c.figures);
        con.Run({"--report", "/r.html"});
        EXPECT_NE(con.files.files["/r.html"].find(c.total + std::string("</td></tr></tfoot>")),
                  std::string::npos)
            << c.total;
        if (c.ini == campus) {
            EXPECT_NE(con.Run({"--status"})
                          .out.find("夜间：180分钟，免费\n其他时段：1870分钟，1.40 元\n"),
                      std::string::npos);
        }
    }
}

// The bands ask the clock where local time falls: the day summer time begins has 23 hours, so
// the session reaches the next night's first hour.
TEST(StatusTest, BandsAskTheClockWhereLocalTimeFalls) {
    Console c;
    c.clock.today = {2026, 3, 30};
    c.clock.offsetMinutes = 60;
    c.clock.changes = {{1774746000, 120}};  // 2026-03-29 01:00 UTC
    c.files.files["/opt/kivrel/timer.ini"] =
        "[T3]\r\nValue=1380\r\nYear=2026\r\n[Band1]\r\n"
        "Hours=00:00-02:00\r\nCounts=0\r\n";
    c.files.files["/opt/kivrel/sessions.csv"] =
        "2026-03-29T01:00:00+01:00,2026-03-30T01:00:00+02:00,1380.0,\"ppp0\"\n";
    EXPECT_NE(c.Run({"--status", "--json"}).out.find("\"free_minutes\":120,"), std::string::npos);
}

// A refused value: the figures use 0 in its place (never more left than the allowance), and
// both printouts name it.
TEST(StatusTest, RefusedValuesAreNamedAndNoFigureIsImpossible) {
    Console c;
    c.files.files["/opt/kivrel/timer.ini"] = "[s]\r\nValue=10\r\n[T5]\r\nValue=-500\r\n";
    const std::string json = c.Run({"--status", "--json"}).out;
    const std::string total =
        "/opt/kivrel/timer.ini：[T5] Value=-500 无法读取（不能是负数），按 0 计算";
    EXPECT_NE(json.find("\"remaining_minutes\":600,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"warnings\":[\"" + total + "\"]}"), std::string::npos) << json;
    EXPECT_NE(c.Run({"--status"}).out.find("本月剩余600分钟10小时\n"), std::string::npos);
    EXPECT_NE(c.Run({"--status"}).out.find("\n注意：" + total + "\n"), std::string::npos);
}

// Whatever bytes the files and the system hold, --status --json stays valid JSON and the
// terminal gets no control character.
TEST(StatusTest, BytesThatAreNotTextNeitherBreakTheJsonNorReachTheTerminal) {
    const std::string r = "\xEF\xBF\xBD";  // U+FFFD
    Console c;
    c.app.dir = "/opt/a\tb\xC0\xAF";  // a tab, and an overlong "/"
    c.files.files[c.app.dir + "/timer.ini"] =
        "[Link]\r\nValue=ppp*\r\n[Tariff]\r\nBase=100\r\nCurrency=\xFF\x7F\r\n";
    c.connection.online = true;
    c.connection.routed = {"ppp\x1B[2J\x07\xC2\x85"};
    const std::string json = c.Run({"--status", "--json"}).out;
    EXPECT_NE(json.find("\"settings_file\":\"/opt/a\\u0009b" + r + r + "/timer.ini\""),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"link\":\"ppp\\u001b[2J\\u0007\\u0085\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"currency\":\"" + r + "\\u007f\""), std::string::npos) << json;
    const std::string text = c.Run({"--status"}).out;
    EXPECT_NE(text.find("计费链路：ppp" + r + "[2J" + r + r + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("本月费用：1.00 " + r + r + "\n"), std::string::npos) << text;

    c.files.files[c.app.dir + "/sessions.csv"] =
        "start,end,minutes,link\n"
        "2026-05-02T09:00:00+08:00,2026-05-02T09:10:00+08:00,10.0,\"ppp\x1B]0;x\x07\"\n";
    const std::string sessions = c.Run({"--sessions"}).out;
    EXPECT_NE(sessions.find(",10.0,\"ppp" + r + "]0;x" + r + "\",\"\",\"0.0\"\n"),
              std::string::npos)
        << sessions;
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
                  .out.find(",\"idle_minutes\":14.9,\"hang_up_at\":\"2026-12-08T23:30:00+08:00\","),
              std::string::npos);
    c.connection.routed = {};
    c.connection.online = false;
    const std::string offline = c.Run({"--status"}).out;
    EXPECT_EQ(offline.find("\n空闲："), std::string::npos) << offline;
    EXPECT_NE(c.Run({"--status", "--json"}).out.find("\"hang_up_at\":null"), std::string::npos);
}

}  // namespace
}  // namespace kivrel
