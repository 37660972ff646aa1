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
    const Session open{At(7, 3600), At(7, 3660), 11, "ppp0"};
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
            EXPECT_EQ(*step.open, (Session{c.now, c.now, 1, *c.link, c.network})) << c.what;
        } else {
            EXPECT_EQ(step.open->tenths, 12) << c.what;
        }
    }
    EXPECT_FALSE(StepSession(std::nullopt, At(7, 0), std::nullopt, false).open);
}

TEST(Ledger, LinesReadBackAndTornOrDamagedLinesAreSkipped) {
    const Session odd{At(7, 75786), At(8, 360), 123, "Link \"A\", B"};
    const Session plain{At(8, 3600), At(8, 3600), 1, "ppp0", "Hotspot"};
    EXPECT_EQ(LedgerLine(plain),
              "2026-12-08T01:00:00+08:00,2026-12-08T01:00:00+08:00,0.1,\"ppp0\",\"Hotspot\"\n");
    std::string ledger = LedgerAppendText("", odd);
    EXPECT_EQ(ledger.substr(0, 31), "start,end,minutes,link,network\n");
    ledger += LedgerAppendText(ledger, plain);
    EXPECT_EQ(ReadLedger(ledger), (std::vector<Session>{odd, plain}));
    // A file begun before sessions knew their network keeps its header and four-field lines.
    const std::string older =
        "start,end,minutes,link\n"
        "2026-12-08T01:00:00+08:00,2026-12-08T01:00:00+08:00,0.1,\"ppp0\"\n";
    Session withoutNetwork = plain;
    withoutNetwork.network.clear();
    EXPECT_EQ(ReadLedger(older + LedgerAppendText(older, plain)),
              (std::vector<Session>{withoutNetwork, plain}));

    // A crash tore the last line anywhere before its closing quote: it never reads as a session,
    // and the next append starts on a line of its own. Torn right after the link it reads as
    // that session with its figures whole and its network lost.
    const std::string line = LedgerLine(plain);
    for (size_t cut = 1; cut + 2 < line.size(); ++cut) {
        const std::string torn = ledger + line.substr(0, cut);
        EXPECT_EQ(ReadLedger(torn).size(), 2u) << cut;
        const std::vector<Session> read = ReadLedger(torn + LedgerAppendText(torn, odd));
        const bool atLink = cut == line.find(",\"Hotspot\"");
        ASSERT_EQ(read.size(), atLink ? 4u : 3u) << cut;
        if (atLink) {
            EXPECT_EQ(read[2], withoutNetwork);
        }
    }
    for (const char* bad : {"2026-12-08T01:00:00+08:00,2026-12-08T01:00:00+08:00,1,\"a\"\n",
                            "2026-12-08T02:00:00+08:00,2026-12-08T01:00:00+08:00,0.1,\"a\"\n",
                            "2026-12-08T01:00:00+08:00,2026-12-08T01:00:00+08:00,0.1\n",
                            "2026-12-08T01:00:00+08:00,2026-12-08T01:00:00+08:00,0.1,\"a\",\"b\","
                            "\"c\",\"d\"\n"})
        EXPECT_TRUE(ReadLedger(bad).empty()) << bad;
    EXPECT_TRUE(LedgerHolds(ledger, Session{plain.start, At(9, 0), 99, "ppp0"}));
    EXPECT_FALSE(LedgerHolds(ledger, Session{plain.start, plain.end, 1, "wwan0"}));
}

TEST(Ledger, APeriodHoldsTheSessionsThatEndInIt) {
    const BillingPeriod period{12, 2026, {2026, 11, 21}, {2026, 12, 20}};
    const Session overTheStart{At(20, 86000) /* 20 Dec */, At(21, 100), 5, "a"};
    std::vector<Session> all{
        {{{2026, 11, 20}, 23, 0, 0, 480}, {{2026, 11, 21}, 0, 10, 0, 480}, 3, "a"},
        {{{2026, 11, 20}, 22, 0, 0, 480}, {{2026, 11, 20}, 23, 59, 59, 480}, 3, "a"},
        {At(20, 0), At(20, 86399), 7, "a"},
        overTheStart};
    const std::vector<Session> of = SessionsOfPeriod(all, period);
    ASSERT_EQ(of.size(), 2u);
    EXPECT_EQ(of[0].tenths, 3);
    EXPECT_EQ(of[1].tenths, 7);
}

}  // namespace
}  // namespace kivrel
