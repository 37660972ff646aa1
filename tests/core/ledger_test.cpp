#include <gtest/gtest.h>

#include "accounting/ledger.h"
#include "accounting/link.h"

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
    } cases[] = {
        {"the next tick extends it", At(7, 3666), "ppp0", false, false, false},
        {"a gap of exactly 60 s still extends it", At(7, 3720), "ppp0", false, false, false},
        {"a gap over 60 s (sleep) closes it", At(7, 3721), "ppp0", false, true, true},
        {"the clock went back", At(7, 3600), "ppp0", false, true, true},
        {"offline closes it", At(7, 3666), std::nullopt, false, true, false},
        {"another link closes it", At(7, 3666), "wwan0", false, true, true},
        {"a new billing month closes it", At(7, 3666), "ppp0", true, true, true},
        // The same instant in another offset (a time-zone change) is no gap.
        {"an offset change alone", At(7, 3666 + 3600, 540), "ppp0", false, false, false},
    };
    for (const auto& c : cases) {
        const SessionStep step = StepSession(open, c.now, c.link, c.monthChanged);
        EXPECT_EQ(step.closed.has_value(), c.closes) << c.what;
        if (step.closed) {
            EXPECT_EQ(*step.closed, open) << c.what;  // closed at its latest tick, as it was
        }
        ASSERT_EQ(step.open.has_value(), c.link.has_value()) << c.what;
        if (!step.open)
            continue;
        EXPECT_EQ(step.open->end, c.now) << c.what;
        if (c.opensNew)
            EXPECT_EQ(*step.open, (Session{c.now, c.now, 1, *c.link, {}, 0})) << c.what;
        else
            EXPECT_EQ(step.open->tenths, 12) << c.what;
    }
    EXPECT_FALSE(StepSession(std::nullopt, At(7, 0), std::nullopt, false).open);
    // Idle ticks count in the session they fall in, a new one included; a closed session keeps
    // its own.
    Session idled = open;
    idled.idleTenths = 4;
    const SessionStep same = StepSession(idled, At(7, 3666), std::string("ppp0"), false, true);
    EXPECT_EQ(same.open->idleTenths, 5);
    const SessionStep other = StepSession(idled, At(7, 3666), std::string("wwan0"), false, true);
    EXPECT_EQ(other.closed->idleTenths, 4);
    EXPECT_EQ(other.open->idleTenths, 1);
    EXPECT_EQ(StepSession(idled, At(7, 3666), std::string("ppp0"), false, false).open->idleTenths,
              4);
}

TEST(Ledger, LinesReadBackAndTornOrDamagedLinesAreSkipped) {
    const Session odd{At(7, 75786), At(8, 360), 123, "Link \"A\", B", "Caf\u00e9 \"5G\"", 41};
    const Session plain{At(8, 3600), At(8, 3600), 1, "ppp0", {}, 0};
    EXPECT_EQ(LedgerLine(plain),
              "2026-12-08T01:00:00+08:00,2026-12-08T01:00:00+08:00,0.1,\"ppp0\",\"\",\"0.0\"\n");
    std::string ledger = LedgerAppendText("", odd);
    EXPECT_EQ(ledger.substr(0, 36), "start,end,minutes,link,network,idle\n");
    ledger += LedgerAppendText(ledger, plain);
    EXPECT_EQ(ReadLedger(ledger), (std::vector<Session>{odd, plain}));

    // A crash tore the last line anywhere before its closing quote: it never reads as a session,
    // and the next append starts on a line of its own.
    const std::string line = LedgerLine(plain);
    for (size_t cut = 1; cut + 2 < line.size(); ++cut) {
        const std::string torn = ledger + line.substr(0, cut);
        EXPECT_EQ(ReadLedger(torn).size(), 2u) << cut;
        EXPECT_EQ(ReadLedger(torn + LedgerAppendText(torn, odd)).size(), 3u) << cut;
    }
    for (const char* bad :
         {"2026-12-08T01:00:00+08:00,2026-12-08T01:00:00+08:00,1,\"a\"\n",
          "2026-12-08T02:00:00+08:00,2026-12-08T01:00:00+08:00,0.1,\"a\"\n",
          "2026-12-08T01:00:00+08:00,2026-12-08T01:00:00+08:00,0.1\n",
          // more idle minutes than minutes, an idle figure that is no number
          "2026-12-08T01:00:00+08:00,2026-12-08T01:00:00+08:00,0.1,\"a\",\"\",\"0.2\"\n",
          "2026-12-08T01:00:00+08:00,2026-12-08T01:00:00+08:00,0.1,\"a\",\"\",\"x\"\n",
          "2026-12-08T01:00:00+08:00,2026-12-08T01:00:00+08:00,0.1,\"a\",\"\",\"\",\"\"\n"})
        EXPECT_TRUE(ReadLedger(bad).empty()) << bad;
    EXPECT_TRUE(LedgerHolds(ledger, Session{plain.start, At(9, 0), 99, "ppp0", {}, 0}));
    EXPECT_FALSE(LedgerHolds(ledger, Session{plain.start, plain.end, 1, "wwan0", {}, 0}));
}

// Lines written before the network and the idle columns still read, by position.
TEST(Ledger, FourFiveAndSixFieldLinesAreSessions) {
    const std::string times = "2026-12-08T01:00:00+08:00,2026-12-08T01:30:00+08:00,30.0,\"ppp0\"";
    const struct {
        std::string tail;
        std::string network;
        int64_t idle;
    } cases[] = {
        {"", "", 0},
        {",\"Hotspot\"", "Hotspot", 0},
        {",\"Hotspot\",\"12.5\"", "Hotspot", 125},
        {",\"\",\"\"", "", 0},
        {",\"\",\"30.0\"", "", 300},
    };
    for (const auto& c : cases) {
        const std::vector<Session> read = ReadLedger(times + c.tail + "\n");
        ASSERT_EQ(read.size(), 1u) << c.tail;
        EXPECT_EQ(read[0].network, c.network) << c.tail;
        EXPECT_EQ(read[0].idleTenths, c.idle) << c.tail;
    }
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
