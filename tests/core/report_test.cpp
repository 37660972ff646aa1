#include <gtest/gtest.h>

#include <string>

#include "console.h"
#include "presenter/command_line.h"
#include "report/report.h"
#include "report/report_page.h"
#include "rules/daily.h"
#include "rules/year_stamp.h"
#include "vocabulary/numbers.h"
#include "vocabulary/texts.h"

namespace kivrel {
namespace {

// Billing day 20, today 5 January 2027: the period runs from 21 December 2026 to 20 January.
const BillingPeriod kPeriod = PeriodOf({2027, 1, 5}, 20);
constexpr LocalDate kToday{2027, 1, 5};

// A session of this billing period from "12-24 23:30" to "12-25 00:10" (UTC+8).
Session S(std::string_view start, std::string_view end, int64_t tenths) {
    const auto at = [](std::string_view text) {
        std::string iso = text[1] == '2' ? "2026-" : "2027-";
        iso += text;
        iso[10] = 'T';
        iso += ":00+08:00";
        return ParseIsoDateTime(iso).value();
    };
    return Session{at(start), at(end), tenths, "ppp0", {}, 0};
}

// The recorded days that are not 0: "12-30:720 12-31:1440".
std::string RecordedDays(const std::vector<Session>& sessions) {
    std::string days;
    for (const DayUse& d : DailyUse(kPeriod, sessions, kToday))
        if (d.state == DayState::Recorded && d.tenths != 0) {
            days += days.empty() ? "" : " ";
            days += IsoDate(d.date).substr(5) + ":" + std::to_string(d.tenths);
        }
    return days;
}

TEST(DailyUse, SessionsAreSplitAtMidnightByTheirTimeOfDay) {
    struct {
        const char* what;
        Session session;
        const char* days;
    } cases[] = {
        {"within a day", S("01-02 09:00", "01-02 09:30", 300), "01-02:300"},
        {"over midnight, half each", S("01-03 23:30", "01-04 00:30", 600), "01-03:300 01-04:300"},
        // 10 of 30 minutes before midnight: a third of 301 tenths is 100.3, rounded down; the
        // next day takes the rest, so nothing is lost.
        {"uneven shares", S("01-03 23:50", "01-04 00:20", 301), "01-03:100 01-04:201"},
        // Half of 201 tenths before midnight is 100.5: the day before takes 100, never 101.
        {"a half share", S("01-03 23:50", "01-04 00:10", 201), "01-03:100 01-04:101"},
        {"two midnights", S("12-30 12:00", "01-01 12:00", 2880), "12-30:720 12-31:1440 01-01:720"},
        // The part before the period's first day is not shown; nor are days still to come.
        {"over the billing day", S("12-20 23:00", "12-21 01:00", 1200), "12-21:600"},
        {"over the period's end", S("01-20 23:00", "01-21 01:00", 1200), ""},
        {"a single tick", S("01-01 00:00", "01-01 00:00", 1), "01-01:1"},
        {"the open one, to its latest tick", S("01-05 08:00", "01-05 08:06", 60), "01-05:60"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RecordedDays({c.session}), c.days) << c.what;
}

TEST(DailyUse, DaysBeforeTheLedgerBeganHaveNoRecordsAndDaysToComeAreApart) {
    const std::vector<Session> sessions{
        S("12-28 10:00", "12-28 11:00", 600),
        S("12-24 23:00", "12-25 00:00", 600),  // the earliest start
    };
    const std::vector<DayUse> days = DailyUse(kPeriod, sessions, kToday);
    ASSERT_EQ(days.size(), 31u);
    EXPECT_EQ(IsoDate(days.front().date), "2026-12-21");
    EXPECT_EQ(IsoDate(days.back().date), "2027-01-20");
    const auto stateOf = [&days](int index) { return days[static_cast<size_t>(index)].state; };
    EXPECT_EQ(stateOf(2), DayState::NoRecords);  // 23 December
    EXPECT_EQ(stateOf(3), DayState::Recorded);   // 24 December: the ledger began
    EXPECT_EQ(days[4].tenths, 0);                // 25 December: began at midnight, nothing after
    EXPECT_EQ(stateOf(5), DayState::Recorded);   // 26 December: a day without a session is 0
    EXPECT_EQ(days[5].tenths, 0);
    EXPECT_EQ(stateOf(15), DayState::Recorded);  // today
    EXPECT_EQ(stateOf(16), DayState::Future);

    // No ledger at all: nothing is known of any day that has been.
    for (const DayUse& d : DailyUse(kPeriod, {}, kToday))
        EXPECT_EQ(d.state,
                  DayNumber(d.date) > DayNumber(kToday) ? DayState::Future : DayState::NoRecords)
            << IsoDate(d.date);
}

TEST(DailyUse, PaceUsesUpWhatRemainsOverTheDaysLeft) {
    struct {
        int32_t allowanceHours;
        int64_t billedTenths, daysLeft;
        std::optional<int64_t> pace;
    } cases[] = {
        {60, 12400, 16, 1475},         // (36000 − 12400) / 16
        {1, 500, 3, 33},               // 10 tenths left over 3 days: rounded down, never over
        {60, 36000, 16, 0},            // used up
        {60, 40000, 16, 0},            // beyond it
        {0, 12400, 16, std::nullopt},  // a flat rate has no pace
        {-5, 0, 16, 0},                // a negative allowance: nothing of it is left
        {10, 0, 1, 6000},              // the last day: all that remains, today
    };
    for (const auto& c : cases)
        EXPECT_EQ(PaceTenths(c.allowanceHours, c.billedTenths, c.daysLeft), c.pace)
            << c.allowanceHours << " h, " << c.billedTenths << " used, " << c.daysLeft << " days";
}

ReportFigures Month(int32_t allowanceHours, const Tariff& tariff, std::vector<Session> sessions) {
    MonthInputs in;
    in.period = kPeriod;
    in.now = LocalTime{kToday, 12, 0, 0, 480};
    in.allowanceHours = allowanceHours;
    in.tariff = tariff;
    int64_t tenths = 0;
    for (const Session& s : sessions)
        tenths += s.tenths;
    in.counted = MinuteTotal::FromWholeMinutes(DivideHalfEven(tenths, 10));
    in.ledger = sessions;
    ReportFigures f;
    f.month = MakeMonthFigures(in);
    f.made = in.now;
    f.settingsFile = "/home/u/.local/share/kivrel/timer.ini";
    f.days = DailyUse(kPeriod, sessions, kToday);
    for (int i = 0; i < 12; ++i)
        f.months.push_back(
            MonthBar{(i + 1) % 12 + 1, i < 11 ? 2026 : 2027, 100 * i, std::nullopt, i == 11});
    return f;
}

size_t Count(const std::string& page, const std::string& what) {
    size_t n = 0;
    for (size_t at = page.find(what); at != std::string::npos; at = page.find(what, at + 1))
        ++n;
    return n;
}

TEST(ReportPage, TheBillWithItsPartsAndTheAllowanceLines) {
    Tariff tariff;
    tariff.roundMinutes = 1;
    tariff.fee = 10;
    tariff.base = 1000;
    tariff.price = 120;
    // Two sessions of 30.5 and 29.5 minutes in a month of 1 included hour: billed 31 + 30 = 61
    // minutes, 1 beyond the allowance: 10.00 + 2 × 0.10 + 1/60 × 1.20 = 10.22 元.
    const std::string page = ReportPage(Month(
        1, tariff, {S("01-02 09:00", "01-02 09:30", 305), S("01-03 09:00", "01-03 09:30", 295)}));
    for (const char* figure : {"计费月 <strong>2027年1月</strong>", "2026-12-21 至 2027-01-20",
                               "还剩 <strong>16</strong> 天", "60 分钟", "61 分钟", "10.22 元",
                               "0.10 元 × 2 次", "超出包时 1 分钟", "0.02 元",
                               "<td class=\"num\">30.5</td><td class=\"num\">31</td><td "
                               "class=\"num\">0</td><td>ppp0</td>",
                               "（UTC+08:00）"})
        EXPECT_NE(page.find(figure), std::string::npos) << figure;
    EXPECT_EQ(Count(page, "class=\"pace\""), 0u);  // nothing remains: no pace line
    EXPECT_EQ(Count(page, "包时已用完"), 1u);
    EXPECT_EQ(Count(page, "class=\"allow\""), 1u);
    EXPECT_EQ(Count(page, "<title>"), 3u);  // the page's and one for each chart
    EXPECT_EQ(Count(page, "<table class=\"sr\">"), 2u);
    EXPECT_EQ(page.find("http:"), page.find("http://www.w3.org/2000/svg"));
    EXPECT_EQ(page.find("https:"), std::string::npos);
}

// Billed exactly the allowance: nothing left, nothing over.
TEST(ReportPage, TheAllowanceUsedExactlyIsNotOver) {
    const std::string page = ReportPage(Month(1, Tariff{}, {S("01-02 09:00", "01-02 10:00", 600)}));
    EXPECT_NE(
        page.find("<span class=\"name\">按计费时长剩余</span><span class=\"figure\">0 分钟</span>"),
        std::string::npos);
    EXPECT_EQ(Count(page, "tile over"), 0u);
    EXPECT_EQ(Count(page, "超出"), 0u);
    // A negative allowance: over by what was billed, not by more.
    const std::string negative =
        ReportPage(Month(-5, Tariff{}, {S("01-02 09:00", "01-02 10:00", 600)}));
    EXPECT_NE(
        negative.find(
            "<span class=\"name\">按计费时长超出</span><span class=\"figure\">60 分钟</span>"),
        std::string::npos);
}

TEST(ReportPage, AFlatRateMonthAndAnEmptyLedger) {
    const std::string flat = ReportPage(Month(0, Tariff{}, {S("01-02 09:00", "01-02 10:00", 600)}));
    for (const char* absent : {"class=\"allow\"", "class=\"pace\"", "本月费用", "费用明细"})
        EXPECT_EQ(Count(flat, absent), 0u) << absent;
    EXPECT_NE(flat.find("包月"), std::string::npos);
    // An allowance left, and no session yet: the pace from today on, days without records.
    const std::string empty = ReportPage(Month(60, Tariff{}, {}));
    EXPECT_EQ(Count(empty, "class=\"pace\""), 1u);
    EXPECT_NE(empty.find("配速 225 分钟/天"), std::string::npos);  // 3600 min / 16 days
    EXPECT_NE(empty.find("本期还没有上网记录。"), std::string::npos);
    EXPECT_EQ(Count(empty, "class=\"day"), 0u);
    EXPECT_EQ(Count(empty, "<td>无记录</td>"), 16u);  // 21 December to today
    EXPECT_EQ(Count(empty, "class=\"norec\""), 16u);
}

TEST(ReportPage, TextsFromTheLedgerAndTheSettingsAreEscaped) {
    Tariff tariff;
    tariff.base = 100;
    tariff.currency = "<i>元</i>";
    std::vector<Session> sessions{S("01-02 09:00", "01-02 10:00", 600),
                                  S("01-03 09:00", "01-03 10:00", 600)};
    sessions[0].link = "<script>x</script> & \"宽带\" 'a'";
    sessions[1].link = std::string("bad\xFF\xC0\x01", 6) + "\xE5\xAE";
    ReportFigures f = Month(0, tariff, sessions);
    f.settingsFile = "C:\\Users\\A&B\\<kivrel>\\timer.ini";
    const std::string page = ReportPage(f);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("<i>"), std::string::npos);
    for (const char* escaped :
         {"&lt;script&gt;x&lt;/script&gt; &amp; &quot;宽带&quot; &#39;a&#39;", "1.00 &lt;i&gt;元",
          "bad\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD<",
          "C:\\Users\\A&amp;B\\&lt;kivrel&gt;\\timer.ini"})
        EXPECT_NE(page.find(escaped), std::string::npos) << escaped;
    EXPECT_EQ(HtmlEscape("ok\t中文\n"), "ok\t中文\n");
}

TEST(ReportFigures, TwelveBillingMonthsWithTheirStampsAndLastYears) {
    Settings settings;
    settings.SetInt(Setting::BillingDay, 20);
    WriteStampedTotal(settings, 1, 500, 2026);  // last year's January
    WriteStampedTotal(settings, 2, 200, 2025);
    WriteStampedTotal(settings, 2, 300, 2026);  // 2025's total kept under its year
    settings.SetMonthMinutes(12, 700);          // no stamp
    const std::string ledger =
        "start,end,minutes,link\n"
        "\"2026-12-20T23:00:00+08:00\",\"2026-12-20T23:30:00+08:00\",30.0,\"ppp0\"\n"
        "\"2027-01-02T09:00:00+08:00\",\"2027-01-02T09:30:00+08:00\",30.0,\"ppp0\"\n";
    // A session closed and appended, still in the settings until their next save: counted once.
    settings.SetOpenSession(S("01-02 09:00", "01-02 09:30", 300));
    const LocalTime now = S("01-05 12:00", "01-05 12:00", 0).end;
    EXPECT_EQ(ReadMonthInputs(settings, ReadLedger(ledger), now, std::nullopt, "").open,
              std::nullopt);
    settings.SetOpenSession(S("01-05 08:00", "01-05 08:30", 300));
    const ReportFigures f =
        MakeReportFigures(ReadMonthInputs(settings, ReadLedger(ledger), now, std::nullopt, ""),
                          settings, "/x/timer.ini");
    ASSERT_EQ(f.months.size(), 12u);
    const auto bar = [&f](size_t i) {
        const MonthBar& m = f.months[i];
        return std::to_string(m.month) + "/" + std::to_string(m.year.value_or(0)) + " " +
               std::to_string(m.minutes) + " " + std::to_string(m.lastYearMinutes.value_or(-1)) +
               (m.current ? " now" : "");
    };
    EXPECT_EQ(bar(0), "2/2026 300 200");     // the oldest, 2025's total kept beside it
    EXPECT_EQ(bar(10), "12/0 700 -1");       // no stamp, nothing kept
    EXPECT_EQ(bar(11), "1/2027 0 500 now");  // stamped 2026: last year's, this one starts at 0
    // The period's sessions: the one that ended on 20 December belongs to the month before.
    ASSERT_EQ(f.month.sessions.size(), 2u);
    EXPECT_TRUE(f.month.sessions[1].open);
    EXPECT_EQ(f.month.bill.sessions, 2);
    EXPECT_EQ(f.days[15].tenths, 300);               // today: the open session
    EXPECT_EQ(f.days[0].state, DayState::Recorded);  // the ledger began on 20 December
}

// The tail read stops at the period's start: the records began on the day of the file's first
// session, read from its start; a line left out is said in the page's head.
TEST(ReportCommand, RecordsBeganWithTheFilesFirstSessionAndSkippedLinesAreSaid) {
    Console c;
    c.clock.today = kToday;
    c.files.files["/opt/kivrel/timer.ini"] = "[r]\r\nValue=20\r\n";
    const std::string csv = "/opt/kivrel/sessions.csv";
    c.files.files[csv] =
        "start,end,minutes,link\n"
        "2025-06-01T09:00:00+08:00,2025-06-01T09:00:00+08:00,0.1,ppp0\n"
        "2026-12-01T09:00:00+08:00,2026-12-01T09:00:00+08:00,0.1,ppp0\n"
        "bad\n"
        "2027-01-02T09:00:00+08:00,2027-01-02T09:30:00+08:00,30,ppp0\n";
    ASSERT_EQ(c.Run({"--report", "out.html"}).status, 0);
    const std::string page = c.files.files["out.html"];
    EXPECT_EQ(page.find("没有记录"), std::string::npos);  // no day before the records began
    EXPECT_NE(page.find("<p>" + csv + "：1 行无法读取，未计入</p>"), std::string::npos);
    c.files.files[csv] = "2027-01-02T09:00:00+08:00,2027-01-02T09:30:00+08:00,30,ppp0\n";
    ASSERT_EQ(c.Run({"--report", "out.html"}).status, 0);
    EXPECT_NE(c.files.files["out.html"].find("没有记录"), std::string::npos);
    EXPECT_EQ(c.files.files["out.html"].find("class=\"warnings\""), std::string::npos);
}

TEST(ReportCommand, WritesThePageWhereAskedOrBesideTheSettingsAndOpensIt) {
    Console c;
    c.clock.today = kToday;
    ConsoleOutput out = c.Run({"--report", "out.html"});  // no settings file
    EXPECT_EQ(out.status, 2);
    EXPECT_EQ(out.err, "文件损坏，请重装本程序\n");
    EXPECT_EQ(c.files.writes, 0);
    const std::string ini = "[r]\r\nValue=20\r\n[s]\r\nValue=60\r\n";
    c.files.files["/opt/kivrel/timer.ini"] = ini;
    c.files.files["/opt/kivrel/sessions.csv"] =
        "start,end,minutes,link\n"
        "\"2027-01-02T09:00:00+08:00\",\"2027-01-02T09:30:00+08:00\",30.0,\"<ppp0>\"\n";
    out = c.Run({"--report", "out.html"});
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.out + out.err, "");
    EXPECT_NE(c.files.files["out.html"].find("&lt;ppp0&gt;"), std::string::npos);
    EXPECT_EQ(c.files.files["out.html"].find("网络</th>"), std::string::npos);
    EXPECT_TRUE(c.opener.opened.empty());
    // A session that knows its network adds the column, beside four-field lines.
    c.files.files["/opt/kivrel/sessions.csv"] +=
        "2027-01-03T09:00:00+08:00,2027-01-03T09:30:00+08:00,30.0,\"wlan0\",\"Hot&Spot\"\n";
    c.Run({"--report", "out.html"});
    EXPECT_NE(c.files.files["out.html"].find("<th scope=\"col\">网络</th>"), std::string::npos);
    EXPECT_NE(c.files.files["out.html"].find("<td>&lt;ppp0&gt;</td><td></td>"), std::string::npos);
    EXPECT_NE(c.files.files["out.html"].find("<td>wlan0</td><td>Hot&amp;Spot</td>"),
              std::string::npos);

    out = c.Run({"--report"});
    EXPECT_EQ(out.out, "/opt/kivrel/report.html\n");
    EXPECT_EQ(c.opener.opened, std::vector<std::string>{"/opt/kivrel/report.html"});
    EXPECT_EQ(c.files.files["/opt/kivrel/report.html"].substr(0, 15), "<!DOCTYPE html>");
    EXPECT_EQ(c.files.files["/opt/kivrel/timer.ini"], ini);
    c.opener.fail = true;
    out = c.Run({"--report"});
    EXPECT_EQ(out.status, 0);  // written all the same; the path says where
    EXPECT_EQ(out.err, "kivrel：无法启动浏览器打开报告 /opt/kivrel/report.html\n");

    // An installed, read-only file whose user copy is still to be made: the user's folder.
    c.files.readOnly.insert("/opt/kivrel/timer.ini");
    out = c.Run({"--report"});
    EXPECT_EQ(out.out, c.app.userDir + "/report.html\n");
    EXPECT_EQ(c.files.dirs.count(c.app.userDir), 1u);
    EXPECT_EQ(c.files.files.count(c.app.userDir + "/timer.ini"), 0u);

    c.files.failWrites = true;
    out = c.Run({"--report", "out.html"});
    EXPECT_EQ(out.status, 1);
    EXPECT_EQ(out.err, "kivrel：无法把报告写到 out.html：Read-only file system\n");
}

// The page goes nowhere near the settings or the ledger, by whatever name, and replaces only a
// page of Kivrel's; a page written names a refused value at its head.
TEST(ReportCommand, NeverReplacesTheSettingsTheLedgerOrAFileThatIsNotAReport) {
    const std::string ini = "[Tariff]\r\nPrice=1.20\r\n", ledger = "start,end,minutes,link\n";
    const std::string notOurs = "已经存在，且不是 Kivrel 的用量报告，没有改动\n";
    const struct {
        std::vector<std::string> args;
        const char* holds;  // what a.html holds beforehand; nullptr: nothing
        std::string err;    // "": written
    } cases[] = {
        {{"--report", "/tmp/link.ini"},
         nullptr,
         "kivrel：不能把报告写到 /tmp/link.ini：它是设置文件 /opt/kivrel/timer.ini，没有改动\n"},
        {{"--report", "/tmp/link.csv"},
         nullptr,
         "kivrel：不能把报告写到 /tmp/link.csv：它是上网记录 /opt/kivrel/sessions.csv，没有改动\n"},
        {{"--report"},
         nullptr,  // report.html, a link to the ledger
         "kivrel：不能把报告写到 /opt/kivrel/report.html：它是上网记录 /opt/kivrel/sessions.csv，"
         "没有改动\n"},
        {{"--report", "a.html"}, "<title>Notes</title>", "kivrel：a.html " + notOurs},
        {{"--report", "a.html"},
         "<head></head><meta name=\"generator\" content=\"Kivrel\">",
         "kivrel：a.html " + notOurs},
        {{"--report", "a.html"}, "<head><title>Kivrel 用量报告 · 2026年12月</title></head>", ""},
        {{"--report", "a.html"}, "<head><meta name=\"generator\" content=\"Kivrel\"></head>", ""},
    };
    for (const auto& c : cases) {
        Console console;
        auto& files = console.files.files;
        files["/opt/kivrel/timer.ini"] = ini;
        files["/opt/kivrel/sessions.csv"] = ledger;
        console.files.aliases = {{"/tmp/link.ini", "/opt/kivrel/timer.ini"},
                                 {"/tmp/link.csv", "/opt/kivrel/sessions.csv"},
                                 {"/opt/kivrel/report.html", "/opt/kivrel/sessions.csv"}};
        if (c.holds)
            files["a.html"] = c.holds;
        const ConsoleOutput out = console.Run(c.args);
        EXPECT_EQ(out.status, c.err.empty() ? 0 : 1) << c.err;
        EXPECT_EQ(out.err, c.err);
        EXPECT_EQ(files["/opt/kivrel/timer.ini"] + files["/opt/kivrel/sessions.csv"], ini + ledger);
        EXPECT_EQ(console.files.writes, c.err.empty() ? 1 : 0) << c.err;
        // A page written names the refused price at its head.
        if (c.err.empty()) {
            EXPECT_LT(files["a.html"].find("<section class=\"warnings\" role=\"alert\">\n<p>"
                                           "/opt/kivrel/timer.ini：[Tariff] Price=1.20 无法读取"),
                      files["a.html"].find("class=\"tiles\""));
        }
    }
}

// A session the settings hold open from before the period is not one of the period's.
TEST(ReportFigures, AnOpenSessionFromBeforeThePeriodIsLeftOut) {
    for (const std::string last : {"2026-12-20T23:00:00", "2026-12-21T00:30:00"}) {
        const Settings open(
            "[r]\r\nValue=20\r\n[Session]\r\nStart=2026-12-20T22:00:00+08:00\r\n"
            "Tenths=600\r\nLast=" +
            last + "+08:00\r\n");
        const ReportFigures f =
            MakeReportFigures(ReadMonthInputs(open, ReadLedger(""),
                                              LocalTime{kToday, 12, 0, 0, 480}, std::nullopt, "x"),
                              open, "x");
        const size_t inPeriod = last[9] == '1' ? 1 : 0;
        EXPECT_EQ(f.month.sessions.size(), inPeriod) << last;
        EXPECT_EQ(f.month.bill.sessions, static_cast<int64_t>(inPeriod)) << last;
    }
}

}  // namespace
}  // namespace kivrel

namespace kivrel {
namespace {

TEST(ReportPage, TheIdleShareOfADayAndOfASession) {
    Session s = S("01-02 09:00", "01-02 09:30", 300);
    s.idleTenths = 125;
    const std::string page = ReportPage(Month(1, Tariff{}, {s}));
    EXPECT_EQ(Count(page, "class=\"idle\""), 1u);
    EXPECT_NE(page.find("<td class=\"num\">12.5（41%）</td><td>ppp0</td>"), std::string::npos);
    EXPECT_NE(page.find("<tr><th scope=\"row\">2027-01-02</th><td>30</td><td>12.5</td></tr>"),
              std::string::npos);
    EXPECT_NE(page.find("浅色：连接着但没有流量的分钟"), std::string::npos);
}

}  // namespace
}  // namespace kivrel
