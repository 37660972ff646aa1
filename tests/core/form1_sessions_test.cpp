// The ledger of sessions as the running program keeps it: what closes a session, what the
// settings and sessions.csv hold after each tick, and a crash's session appended exactly once.
#include "rules/ledger.h"
#include "form1_fixture.h"

namespace kivrel {
namespace {

const std::string kLedger = "/opt/kivrel/sessions.csv";

// The program on fakes, ticking 6 seconds apart on the links that carry the default route.
struct Meter {
    fakes::FakePlatform fp;
    Form1 form{fp.platform};

    explicit Meter(const std::string& ini = "") {
        fp.PutIni(ini);
        EXPECT_TRUE(form.Form_Load());
    }
    void TicksOn(int n, std::vector<std::string> routed) {
        fp.connection.online = !routed.empty();
        fp.connection.routed = std::move(routed);
        for (int i = 0; i < n; ++i) {
            form.Timer1_Timer();
            fp.clock.secondOfDay += 6;
        }
    }
    std::vector<Session> Ledger() { return ReadLedger(fp.files.files[kLedger]).sessions; }
    LocalTime At(int secondOfDay) const {
        return {fp.clock.today, secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60, 480};
    }
};

TEST(SessionsTest, WhatClosesASession) {
    // Three ticks on ppp0 up to 23:59:54 on 15 May, what the case does, then three more on ppp0
    // from midnight on.
    struct {
        const char* what;
        const char* ini;
        std::function<void(Meter&)> breakIt;
        size_t closedAfter;
    } cases[] = {
        {"nothing: one unbroken run over midnight", "", [](Meter&) {}, 0},
        {"an offline tick", "", [](Meter& t) { t.TicksOn(1, {}); }, 1},
        {"another link carries the route", "", [](Meter& t) { t.TicksOn(1, {"wlan0"}); }, 2},
        {"a gap over 60 s", "", [](Meter& t) { t.fp.clock.secondOfDay += 55; }, 1},
        {"the billing month closes at midnight", "[r]\r\nValue=15\r\n", [](Meter&) {}, 1},
    };
    for (const auto& c : cases) {
        Meter t(c.ini);
        t.fp.clock.secondOfDay = 86400 - 18;
        t.TicksOn(3, {"ppp0", "wlan0"});
        c.breakIt(t);
        t.TicksOn(3, {"ppp0"});
        ASSERT_EQ(t.Ledger().size(), c.closedAfter) << c.what;
        if (c.closedAfter > 0) {
            const LocalDate day{2026, 5, 15};
            EXPECT_EQ(t.Ledger()[0],
                      (Session{{day, 23, 59, 42, 480}, {day, 23, 59, 54, 480}, 3, "ppp0", {}, 0}))
                << c.what;
        }
        // The open session is in the settings, counted by every tick.
        const auto open = Settings(t.fp.Ini()).OpenSession();
        ASSERT_TRUE(open) << c.what;
        EXPECT_EQ(open->tenths, c.closedAfter == 0 ? 6 : 3) << c.what;
    }
}

TEST(SessionsTest, OnlyTheBilledLinkCountsAndLightsTheLamps) {
    Meter m("[Link]\r\nValue=ppp*\r\n[T5]\r\nValue=10\r\n");
    auto& fp = m.fp;
    const auto Text = [&](Ctl c) { return fp.window.Text(c); };
    const std::string before = fp.Ini();
    m.TicksOn(3, {"wlan0"});  // free Wi-Fi only: offline, nothing counted or written
    EXPECT_EQ(m.form.UsedMinutes(), MinuteTotal::FromWholeMinutes(10));
    EXPECT_EQ(fp.Ini(), before);
    EXPECT_NE(Text(Ctl::Label1).find("没有连接上网"), std::string::npos);
    m.TicksOn(1, {"wlan0", "PPP0"});
    EXPECT_EQ(m.form.UsedMinutes(), TenthsTotal(101));
    EXPECT_EQ(Text(Ctl::Label1).find("没有连接上网"), std::string::npos);
    EXPECT_EQ(Settings(fp.Ini()).OpenSession()->link, "PPP0");
}

// Home and the hotspot in turn on one wlan0 that carries the route throughout.
TEST(SessionsTest, OnlyTheBilledNetworkCountsAndEachNetworkIsASession) {
    for (const char* rule : {"net:Hotspot", "metered"}) {
        Meter m(std::string("[Link]\r\nValue=") + rule + "\r\n[T5]\r\nValue=10\r\n");
        const ActiveNetwork home{"/ac/1", "Home", "802-11-wireless", {"wlan0"}, "home", false};
        const ActiveNetwork hotspot{"/ac/2", "Hotspot", "802-11-wireless", {"wlan0"}, "hs", true};
        const auto On = [&](const ActiveNetwork& network, int ticks) {
            m.fp.connection.networks = NetworkList{true, {}, {network}};
            m.TicksOn(ticks, {"wlan0"});
        };
        On(home, 3);
        EXPECT_EQ(m.form.UsedMinutes(), MinuteTotal::FromWholeMinutes(10)) << rule;
        EXPECT_NE(m.fp.window.Text(Ctl::Label1).find("没有连接上网"), std::string::npos);
        On(hotspot, 4);
        EXPECT_EQ(Settings(m.fp.Ini()).OpenSession()->network, "Hotspot") << rule;
        On(home, 2);
        On(hotspot, 1);
        EXPECT_EQ(m.form.UsedMinutes(), TenthsTotal(105)) << rule;
        ASSERT_EQ(m.Ledger().size(), 1u) << rule;
        EXPECT_EQ(m.Ledger()[0].tenths, 4) << rule;
        EXPECT_EQ(m.Ledger()[0].network, "Hotspot") << rule;
    }
}

TEST(SessionsTest, ACrashsSessionIsAppendedOnceAndUnloadClosesTheOpenOne) {
    Meter m;
    m.TicksOn(4, {"ppp0"});
    const int writes = m.fp.files.writes;
    m.TicksOn(1, {});  // closed and appended; the offline tick writes no settings
    EXPECT_EQ(m.fp.files.writes, writes);
    m.TicksOn(2, {"ppp0"});
    ASSERT_EQ(m.Ledger().size(), 1u);

    // Killed with a session open: each later start finds it, the ledger takes it once, also when
    // the start before was killed too before it saved anything.
    std::map<std::string, std::string> files = m.fp.files.files;
    for (int start = 0; start < 2; ++start) {
        fakes::FakePlatform next;
        next.files.files = files;
        Form1 again(next.platform);
        ASSERT_TRUE(again.Form_Load());
        files = next.files.files;
    }
    m.fp.files.files = files;
    ASSERT_EQ(m.Ledger().size(), 2u);
    EXPECT_EQ(m.Ledger()[1].tenths, 2);
    EXPECT_EQ(m.Ledger()[1].end, m.At(12 * 3600 + 30 + 6));

    // A clean end closes the open session and clears it from the settings.
    fakes::FakePlatform last;
    last.files.files = files;
    last.clock.secondOfDay = 13 * 3600;
    Form1 third(last.platform);
    ASSERT_TRUE(third.Form_Load());
    last.connection.online = true;
    third.Timer1_Timer();
    third.Unload();
    EXPECT_EQ(ReadLedger(last.files.files[kLedger]).sessions.size(), 3u);
    EXPECT_FALSE(Settings(last.Ini()).OpenSession());
}

TEST(SessionsTest, ALedgerThatCannotBeWrittenIsToldOnceAndCaughtUpLater) {
    Meter m;
    m.fp.files.readOnly.insert(kLedger);
    for (int i = 0; i < 2; ++i) {
        m.TicksOn(2, {"ppp0"});
        m.TicksOn(1, {});
    }
    EXPECT_TRUE(m.Ledger().empty());
    ASSERT_EQ(m.fp.tray.notifications.size(), 1u);
    EXPECT_EQ(m.fp.tray.notifications[0].second.rfind("无法保存上网记录到 " + kLedger, 0), 0u);
    m.fp.files.readOnly.clear();
    m.TicksOn(2, {"ppp0"});
    m.TicksOn(1, {});
    const std::vector<Session> ledger = m.Ledger();
    ASSERT_EQ(ledger.size(), 3u);  // the two that waited first, in their order
    EXPECT_LT(EpochSeconds(ledger[0].start), EpochSeconds(ledger[1].start));
}

// Two sessions closed and a third open while the ledger could not be written, then the program
// ended: the next start appends all three, in order, and a later start none again.
TEST(SessionsTest, SessionsWaitingForTheLedgerOutliveTheProgram) {
    Meter m;
    m.fp.files.readOnly.insert(kLedger);
    for (int i = 0; i < 2; ++i) {
        m.TicksOn(2, {"ppp0"});
        m.TicksOn(1, {});
    }
    m.TicksOn(3, {"ppp0"});
    m.form.Unload();
    EXPECT_EQ(Settings(m.fp.Ini()).WaitingSessions().size(), 3u);
    EXPECT_FALSE(Settings(m.fp.Ini()).OpenSession());

    std::map<std::string, std::string> files = m.fp.files.files;
    for (int start = 0; start < 2; ++start) {
        fakes::FakePlatform next;
        next.files.files = files;
        Form1 again(next.platform);
        ASSERT_TRUE(again.Form_Load());  // killed before its first save
        files = next.files.files;
    }
    const LedgerRead ledger = ReadLedger(files[kLedger]);
    ASSERT_EQ(ledger.sessions.size(), 3u);
    EXPECT_EQ(ledger.sessions[0].tenths, 2);
    EXPECT_EQ(ledger.sessions[2].tenths, 3);
    EXPECT_LT(EpochSeconds(ledger.sessions[0].start), EpochSeconds(ledger.sessions[1].start));

    // Once appended, the next save clears them.
    fakes::FakePlatform last;
    last.files.files = files;
    Form1 third(last.platform);
    ASSERT_TRUE(third.Form_Load());
    third.Unload();
    EXPECT_TRUE(Settings(last.Ini()).WaitingSessions().empty());
    EXPECT_EQ(ReadLedger(last.files.files[kLedger]).sessions.size(), 3u);
}

// The settings file is read once a tick, whatever the tick does: online, closing a session, the
// allowance alert, the move to the next billing month.
TEST(SessionsTest, OneReadOfTheSettingsATick) {
    Meter m("[s]\r\nValue=1\r\n[T5]\r\nValue=50\r\n[Alert]\r\nValue=20\r\n");
    m.fp.clock.secondOfDay = 86400 - 12;
    for (const std::vector<std::string>& routed :
         {std::vector<std::string>{"ppp0"}, {"ppp0"}, {}, {"ppp0"}, {"wlan0"}, {"ppp0"}}) {
        const int reads = m.fp.files.reads;
        m.TicksOn(1, routed);
        EXPECT_EQ(m.fp.files.reads - reads, 1) << m.fp.clock.secondOfDay;
    }
    EXPECT_EQ(m.fp.tray.notifications.size(), 1u);  // the low-allowance alert came
}

}  // namespace
}  // namespace kivrel
