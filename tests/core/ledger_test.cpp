#include <gtest/gtest.h>

#include "rules/ledger.h"
#include "rules/link.h"
#include "services/session_ledger.h"
#include "fakes/fakes.h"

namespace kivrel {
namespace {

TEST(BilledLink, OnlyAListedInterfaceCountsAndNoListCountsEveryConnection) {
    const std::vector<std::string> both{"wlan0", "PPP0"};
    struct {
        const char* list;
        bool connected;
        std::vector<std::string> routed;
        std::optional<std::string> billed;
    } cases[] = {
        {"", true, both, "wlan0"},  // no list: any connection, named after the first route
        {" , ", true, {}, ""},      // a list of blanks is no list; the system named no link
        {"", false, both, std::nullopt},
        {"ppp*", true, both, "PPP0"},  // case does not matter, the route order picks
        {"ppp*, wwan0", true, {"wlan0"}, std::nullopt},  // only an unlisted link is up
        {"wwan?", true, {"wwan10", "wwan1"}, "wwan1"},   // ? is exactly one character
        {"宽带连接", true, {"Ethernet", "宽带连接"}, "宽带连接"},
        {"*net*", true, {"Ethernet"}, "Ethernet"},
        {"wwan0, ppp*", true, {"ppp0", "wwan0"}, "ppp0"},  // the first routed link, not pattern
    };
    for (const auto& c : cases)
        EXPECT_EQ(BilledLink(ParseLinkPatterns(c.list), c.connected, c.routed), c.billed) << c.list;
    EXPECT_FALSE(LinkMatches("a*b*c", "abcb"));
    EXPECT_TRUE(LinkMatches("a*b*c", "aXbYbZc"));
}

LocalTime At(int day, int seconds, int offset = 480) {
    return LocalTime{{2026, 12, day}, seconds / 3600, seconds / 60 % 60, seconds % 60, offset};
}

TEST(SessionStep, ASessionIsOneUnbrokenRunOfTicksOnOneLink) {
    const Session open{At(7, 3600), At(7, 3660), 11, "ppp0", {}, 0};
    struct {
        const char* what;
        LocalTime now;
        std::optional<std::string> link;
        bool monthChanged;
        bool closes;
        bool opensNew;
        std::string network = {};
    } cases[] = {
        {"the next tick extends it", At(7, 3666), "ppp0", false, false, false},
        {"a gap of exactly 60 s still extends it", At(7, 3720), "ppp0", false, false, false},
        {"a gap over 60 s (sleep) closes it", At(7, 3721), "ppp0", false, true, true},
        {"the clock went back", At(7, 3600), "ppp0", false, true, true},
        {"offline closes it", At(7, 3666), std::nullopt, false, true, false},
        {"another link closes it", At(7, 3666), "wwan0", false, true, true},
        {"another network on the same link closes it", At(7, 3666), "ppp0", false, true, true,
         "Hotspot"},
        {"a new billing month closes it", At(7, 3666), "ppp0", true, true, true},
        // The same instant in another offset (a time-zone change) is no gap.
        {"an offset change alone", At(7, 3666 + 3600, 540), "ppp0", false, false, false},
    };
    for (const auto& c : cases) {
        const SessionStep step = StepSession(open, c.now, c.link, c.monthChanged, c.network);
        EXPECT_EQ(step.closed.has_value(), c.closes) << c.what;
        if (step.closed) {
            EXPECT_EQ(*step.closed, open) << c.what;  // closed at its latest tick, as it was
        }
        ASSERT_EQ(step.open.has_value(), c.link.has_value()) << c.what;
        if (!step.open)
            continue;
        EXPECT_EQ(step.open->end, c.now) << c.what;
        if (c.opensNew) {
            EXPECT_EQ(*step.open, (Session{c.now, c.now, 1, *c.link, c.network, 0})) << c.what;
        } else {
            EXPECT_EQ(step.open->tenths, 12) << c.what;
        }
    }
    EXPECT_FALSE(StepSession(std::nullopt, At(7, 0), std::nullopt, false).open);
    // Idle ticks count in the session they fall in, a new one included; a closed session keeps
    // its own.
    Session idled = open;
    idled.idleTenths = 4;
    const SessionStep same = StepSession(idled, At(7, 3666), std::string("ppp0"), false, "", true);
    EXPECT_EQ(same.open->idleTenths, 5);
    const SessionStep other =
        StepSession(idled, At(7, 3666), std::string("wwan0"), false, "", true);
    EXPECT_EQ(other.closed->idleTenths, 4);
    EXPECT_EQ(other.open->idleTenths, 1);
    EXPECT_EQ(
        StepSession(idled, At(7, 3666), std::string("ppp0"), false, "", false).open->idleTenths, 4);
}

TEST(Ledger, WhatALineReadsAs) {
    const std::string t1 = "2026-12-08T01:00:00+08:00", t2 = "2026-12-08T01:10:00+08:00";
    const std::string times = t1 + "," + t2 + ",";
    struct {
        std::string line;
        bool lastWithoutEnd;
        LineKind kind;
        int64_t tenths;
        const char* link;
        const char* network;
        int64_t idle;
    } cases[] = {
        {times + "10.0,\"ppp0\"", false, LineKind::Session, 100, "ppp0", "", 0},
        // As a spreadsheet, Python's csv module or a person writes it.
        {times + "9.4,ppp0", false, LineKind::Session, 94, "ppp0", "", 0},
        {times + "9,ppp0", false, LineKind::Session, 90, "ppp0", "", 0},
        {"\"" + t1 + "\",\"" + t2 + "\",\"9.4\",ppp0", false, LineKind::Session, 94, "ppp0", "", 0},
        {times + "1.0,\"a,\"\"b\"\"\"", false, LineKind::Session, 10, "a,\"b\"", "", 0},
        {times + "1.0,ppp0,\"家里\",0.5", false, LineKind::Session, 10, "ppp0", "家里", 5},
        {times + "1.0,ppp0,,", false, LineKind::Session, 10, "ppp0", "", 0},
        // Ten minutes from start to end hold 101 ticks at most.
        {times + "10.1,ppp0", false, LineKind::Session, 101, "ppp0", "", 0},
        {times + "10.2,ppp0", false, LineKind::Damaged, 0, "", "", 0},
        {t2 + "," + t1 + ",0.1,ppp0", false, LineKind::Damaged, 0, "", "", 0},
        {times + "1.25,ppp0", false, LineKind::Damaged, 0, "", "", 0},
        {times + "-1.0,ppp0", false, LineKind::Damaged, 0, "", "", 0},
        {times + "1.0,ppp0,x,y", false, LineKind::Damaged, 0, "", "", 0},
        {times + "1.0,ppp0,x,1,z", false, LineKind::Damaged, 0, "", "", 0},
        {times + "1.0,a,b,c,d,e,f", true, LineKind::Damaged, 0, "", "", 0},
        {times + "1.0", false, LineKind::Damaged, 0, "", "", 0},
        {times + "1.0,\"ppp0", false, LineKind::Damaged, 0, "", "", 0},
        {times + "1.0," + std::string(kMaxLedgerLine, 'x'), false, LineKind::Damaged, 0, "", "", 0},
        {"start,end,minutes,link,network,idle", false, LineKind::Header, 0, "", "", 0},
        {" \t\r", false, LineKind::Blank, 0, "", "", 0},
        // The last line without its line end: whole, or torn by a crash.
        {times + "1.0,\"ppp0\"", true, LineKind::Session, 10, "ppp0", "", 0},
        {times + "1.0,\"pp", true, LineKind::Torn, 0, "", "", 0},
        {times + "1.0,", true, LineKind::Torn, 0, "", "", 0},
        {times + "1.", true, LineKind::Torn, 0, "", "", 0},
        {times + "12.0,\"ppp0\"", true, LineKind::Damaged, 0, "", "", 0},
    };
    for (const auto& c : cases) {
        const LineRead r = ReadLedgerLine(c.line, c.lastWithoutEnd);
        EXPECT_EQ(r.kind, c.kind) << c.line;
        if (c.kind != LineKind::Session || r.kind != LineKind::Session)
            continue;
        EXPECT_EQ(r.session.start, At(8, 3600)) << c.line;
        EXPECT_EQ(r.session.tenths, c.tenths) << c.line;
        EXPECT_EQ(r.session.link, c.link) << c.line;
        EXPECT_EQ(r.session.network, c.network) << c.line;
        EXPECT_EQ(r.session.idleTenths, c.idle) << c.line;
    }
    // UTC written with Z: the same instant as 09:00 in UTC+8.
    const LineRead utc =
        ReadLedgerLine("2026-12-08T01:00:00Z,2026-12-08T01:00:06Z,0.1,ppp0", false);
    ASSERT_EQ(utc.kind, LineKind::Session);
    EXPECT_EQ(EpochSeconds(utc.session.start), EpochSeconds(At(8, 9 * 3600)));
}

TEST(Ledger, AFileAsASpreadsheetSavesItAndWhatIsSkippedIsCounted) {
    const std::string text =
        "\xEF\xBB\xBFstart,end,minutes,link\r\n"
        "2026-12-08T01:00:00+08:00,2026-12-08T01:00:00+08:00,0.1,ppp0\r\n"
        "garbage\r\n\r\n"
        "2026-12-08T02:00:00+08:00,2026-12-08T01:00:00+08:00,0.1,ppp0\r\n"
        "2026-12-08T03:00:00+08:00,2026-12-08T03:00:00+08:00,0.1,wwan0";
    const LedgerRead read = ReadLedger(text);
    ASSERT_EQ(read.sessions.size(), 2u);
    EXPECT_EQ(read.sessions[1].link, "wwan0");  // the last line, whole without its line end
    EXPECT_EQ(read.skipped, 2);
}

TEST(Ledger, AnAppendCutsATornLineAndEndsAWholeOne) {
    const Session odd{At(7, 75786), At(8, 360), 123, "Link \"A\", B", {}, 0};
    const Session plain{At(8, 3600), At(8, 3600), 1, "ppp0", {}, 0};
    const std::string line = LedgerLine(plain);
    EXPECT_EQ(line,
              "2026-12-08T01:00:00+08:00,2026-12-08T01:00:00+08:00,0.1,\"ppp0\",\"\",\"0.0\"\n");
    const std::string header = std::string(kLedgerHeader) + "\n";
    const std::string user = "2026-12-08T03:00:00+08:00,2026-12-08T03:00:00+08:00,0.1,x";
    struct {
        std::string tail;
        bool whole;
        size_t cut;
        std::string text;
    } cases[] = {
        {"", true, 0, header + line},
        {"\xEF\xBB\xBF", true, 0, header + line},
        {header, true, 0, line},
        {"start,end,minutes,link", true, 0, "\n" + line},
        {"start,end,mi", true, 12, header + line},  // torn in its header
        {header + user, true, 0, "\n" + line},
        {"a\r\n" + user, true, 0, "\r\n" + line},  // the user's lines end in CR LF
        {header + line.substr(0, 40), true, 40, line},
        {"xx" + std::string(kMaxLedgerLine + 2, 'x'), false, 0, "\n" + line},  // too long to tell
    };
    for (const auto& c : cases) {
        const LedgerAppend plan = PlanLedgerAppend(c.tail, c.whole, plain);
        EXPECT_EQ(plan.cut, c.cut) << c.tail;
        EXPECT_EQ(plan.text, c.text) << c.tail;
    }
    // A crash tore the last line anywhere before its closing quote: it never reads as a session,
    // is not counted, and the next append cuts it away.
    const std::string ledger = header + LedgerLine(odd) + line;
    // Torn right after the link's or the network's closing quote it is a whole line of four or
    // five fields: read, with its figures whole and the rest lost, and ended by the next append.
    const size_t afterLink = line.find(",\"\",\"0.0\""), afterNetwork = line.find(",\"0.0\"");
    for (size_t cut = 1; cut + 2 < line.size(); ++cut) {
        const bool whole = cut == afterLink || cut == afterNetwork;
        std::string torn = ledger + line.substr(0, cut);
        EXPECT_EQ(ReadLedger(torn).sessions.size(), whole ? 3u : 2u) << cut;
        EXPECT_EQ(ReadLedger(torn).skipped, 0) << cut;
        const LedgerAppend plan = PlanLedgerAppend(torn, true, odd);
        const std::string kept = torn.substr(0, torn.size() - plan.cut);
        EXPECT_EQ(kept + plan.text, (whole ? torn + "\n" : ledger) + LedgerLine(odd)) << cut;
    }
    const std::vector<Session> held{odd, plain};
    EXPECT_TRUE(LedgerHolds(held, Session{plain.start, At(9, 0), 99, "ppp0", {}, 0}));
    EXPECT_FALSE(LedgerHolds(held, Session{plain.start, plain.end, 1, "wwan0", {}, 0}));
}

// Ten years of a session a day, then this month's with a damaged line and a line too long for a
// chunk: only the tail is read, and only what is read is counted.
TEST(LedgerFile, ReadFromItsEndBackToThePeriodsStart) {
    fakes::Journal journal;
    fakes::FakeFiles files(journal);
    const std::string path = "/f/sessions.csv";
    std::string& text = files.files[path];
    text = "\xEF\xBB\xBFgarbage\nstart,end,minutes,link\n";
    const int64_t first = DayNumber({2016, 12, 1});
    for (int64_t day = first; day < first + 3660; ++day) {
        const LocalTime t{DateOfDayNumber(day), 12, 0, 0, 480};
        text += LedgerLine(Session{t, t, 1, "ppp0", {}, 0});
        if (day == first + 100)
            text += "damaged long ago\n";
    }
    const LocalDate from = DateOfDayNumber(first + 3660 - 10);
    text += std::string(40000, 'x') + "\nnot a session\n";
    text += LedgerLine(Session{At(7, 0), At(7, 0), 1, "ppp0", {}, 0}).substr(0, 30);  // torn
    const LedgerRead read = ReadLedgerSince(files, path, from);
    ASSERT_EQ(read.sessions.size(), 10u);
    EXPECT_EQ(read.sessions.front().start.date, from);
    EXPECT_EQ(read.skipped, 2);
    EXPECT_LT(files.bytesRead[path], 40000u + 2 * 16384u);
    const LedgerRead whole = ReadLedger(text);
    EXPECT_EQ(whole.sessions.size(), 3660u);
    EXPECT_EQ(std::vector<Session>(whole.sessions.end() - 10, whole.sessions.end()), read.sessions);

    const uint64_t before = files.bytesRead[path];
    const std::optional<Session> began = FirstLedgerSession(files, path);
    ASSERT_TRUE(began);
    EXPECT_EQ(began->start.date, (LocalDate{2016, 12, 1}));
    EXPECT_LT(files.bytesRead[path] - before, 2 * 16384u);
    files.files["/f/one.csv"] =
        "\xEF\xBB\xBF"
        "2026-12-08T01:00:00Z,2026-12-08T01:00:00Z,0.1,a";
    EXPECT_TRUE(FirstLedgerSession(files, "/f/one.csv"));
    EXPECT_EQ(ReadLedgerSince(files, "/f/one.csv", {2026, 12, 1}).sessions.size(), 1u);
    EXPECT_FALSE(FirstLedgerSession(files, "/f/none.csv"));
}

// What Kivrel writes reads back whole, its network and idle minutes included; an idle figure
// above the minutes, or one that is no number, makes the line damaged.
TEST(Ledger, SixFieldsReadBackAndABadIdleFigureIsDamage) {
    const Session odd{At(7, 75786), At(8, 360), 123, "Link \"A\", B", "Caf\u00e9 \"5G\"", 41};
    EXPECT_EQ(ReadLedger(std::string(kLedgerHeader) + "\n" + LedgerLine(odd)).sessions,
              std::vector<Session>{odd});
    const std::string times = "2026-12-08T01:00:00+08:00,2026-12-08T01:00:00+08:00,0.1,\"a\",\"\",";
    for (const char* idle : {"\"0.2\"", "\"x\"", "\"\",\"\""})
        EXPECT_EQ(ReadLedgerLine(times + idle, false).kind, LineKind::Damaged) << idle;
}

TEST(Ledger, APeriodHoldsTheSessionsThatEndInIt) {
    const BillingPeriod period{12, 2026, {2026, 11, 21}, {2026, 12, 20}};
    const Session overTheStart{At(20, 86000) /* 20 Dec */, At(21, 100), 5, "a", {}, 0};
    std::vector<Session> all{
        {{{2026, 11, 20}, 23, 0, 0, 480}, {{2026, 11, 21}, 0, 10, 0, 480}, 3, "a", {}, 0},
        {{{2026, 11, 20}, 22, 0, 0, 480}, {{2026, 11, 20}, 23, 59, 59, 480}, 3, "a", {}, 0},
        {At(20, 0), At(20, 86399), 7, "a", {}, 0},
        overTheStart};
    const std::vector<Session> of = SessionsOfPeriod(all, period);
    ASSERT_EQ(of.size(), 2u);
    EXPECT_EQ(of[0].tenths, 3);
    EXPECT_EQ(of[1].tenths, 7);
}

}  // namespace
}  // namespace kivrel
