// The idle guard's rules: an idle tick, the reminder's timing, each hang-up trigger with its
// announcement and its cancel, and the idle minutes of a day.
#include <gtest/gtest.h>

#include "rules/daily.h"
#include "presenter/guard_notices.h"
#include "rules/idle_guard.h"

namespace kivrel {
namespace {

TEST(IdleTick, FewerThanIdleBytesInAndOutTogether) {
    const auto at = [](const char* link, uint64_t in, uint64_t out) {
        return std::optional<TrafficSample>(TrafficSample{link, {in, out}});
    };
    const std::optional<TrafficSample> before = at("ppp0", 1000000, 50000);
    const struct {
        const char* what;
        std::optional<TrafficSample> before, now;
        Traffic traffic;
    } cases[] = {
        {"nothing passed", before, at("ppp0", 1000000, 50000), Traffic::Idle},
        {"one byte below", before, at("ppp0", 1002000, 50047), Traffic::Idle},
        {"exactly IdleBytes, in and out added", before, at("ppp0", 1002000, 50048), Traffic::Busy},
        {"above, out only", before, at("ppp0", 1000000, 60000), Traffic::Busy},
        {"in went back: the interface was made again", before, at("ppp0", 10, 50000),
         Traffic::Fresh},
        {"out went back", before, at("ppp0", 1000000, 49999), Traffic::Fresh},
        {"another interface, same counters", before, at("ppp1", 1000000, 50000), Traffic::Fresh},
        {"the first reading", std::nullopt, at("ppp0", 0, 0), Traffic::Fresh},
        {"no reading now", before, std::nullopt, Traffic::Fresh},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassifyTraffic(c.before, c.now, 2048), c.traffic) << c.what;
}

TEST(GuardSettings, TheKeysAsTheUserWritesThem) {
    GuardConfig c = ReadGuardConfig(10, 0, " Idle,allowance  BUDGET=5000,at=23:30,at=7:5,x", "");
    EXPECT_EQ(c.idleMinutes, 10);
    EXPECT_EQ(c.idleBytes, 2048);
    EXPECT_TRUE(c.onIdle && c.onAllowance);
    EXPECT_EQ(c.budget, 5000);
    EXPECT_EQ(c.atMinute, 23 * 60 + 30);  // "7:5" is no time
    c = ReadGuardConfig(-3, 512, "budget=-5 at=24:00 budget=12.5", "poff");
    EXPECT_EQ(c.idleMinutes, 0);
    EXPECT_EQ(c.idleBytes, 512);
    EXPECT_FALSE(c.AnyHangUp());
    EXPECT_EQ(SplitCommand(" poff\t -a  \"my dsl\" "),
              (std::vector<std::string>{"poff", "-a", "\"my", "dsl\""}));
}

// The guard ticking every 6 s from 22:00 on 8 Dec 2026 in billing month 202612.
struct GuardRun {
    GuardConfig config;
    GuardState state;
    LocalTime now{{2026, 12, 8}, 22, 0, 0, 480};
    int32_t month = 202612;
    bool online = true, allowanceReached = false;
    std::optional<int64_t> bill;
    std::vector<std::string> seen;  // "remind@tick", "warn:idle@tick", "act:idle@tick"
    int tick = 0;

    void Ticks(int n, Traffic traffic) {
        for (int i = 0; i < n; ++i) {
            ++tick;
            const GuardStep step =
                StepGuard(config, state, {now, online, traffic, month, allowanceReached, bill});
            state = step.state;
            const std::string when = "@" + std::to_string(tick);
            if (step.remind)
                seen.push_back("remind" + when);
            for (const auto& [what, reason] : {std::pair("warn:", step.warn), {"act:", step.act}})
                if (reason != HangUpReason::None)
                    seen.push_back(what + std::string(ReasonWord(reason)) + when);
            const int64_t second =
                DayNumber(now.date) * 86400 + now.hour * 3600 + now.minute * 60 + now.second + 6;
            now = {DateOfDayNumber(second / 86400), int(second % 86400 / 3600),
                   int(second / 60 % 60), int(second % 60), 480};
        }
    }
    std::vector<std::string> Seen() { return std::exchange(seen, {}); }
};

using Seen = std::vector<std::string>;

TEST(IdleGuard, OneReminderAfterExactlyNMinutesOfIdleTicksInARow) {
    GuardRun r;
    r.config = ReadGuardConfig(10, 0, "", "");
    r.Ticks(99, Traffic::Idle);
    r.Ticks(1, Traffic::Busy);  // one tick of traffic starts the count again
    r.Ticks(99, Traffic::Idle);
    EXPECT_EQ(r.Seen(), Seen{});
    r.Ticks(1, Traffic::Idle);  // the 100th idle tick in a row: ten minutes
    r.Ticks(300, Traffic::Idle);
    EXPECT_EQ(r.Seen(), Seen{"remind@200"});
    // A counter reset is no traffic but starts afresh; so does the link going down.
    r.Ticks(1, Traffic::Fresh);
    r.Ticks(100, Traffic::Idle);
    r.online = false;
    r.Ticks(1, Traffic::Idle);
    r.online = true;
    r.Ticks(100, Traffic::Idle);
    EXPECT_EQ(r.Seen(), (Seen{"remind@601", "remind@702"}));
    // Without Idle the run is counted (the status shows it) and nothing is shown.
    GuardRun off;
    off.Ticks(1000, Traffic::Idle);
    EXPECT_EQ(off.Seen(), Seen{});
    EXPECT_EQ(off.state.idleRun, 1000);
}

TEST(IdleGuard, AnUnansweredReminderIsAnnouncedAfter60sAndEndsTheLink60sLater) {
    GuardRun r;
    r.config = ReadGuardConfig(1, 0, "idle", "");
    r.Ticks(10 + 10 + 10, Traffic::Idle);
    EXPECT_EQ(r.Seen(), (Seen{"remind@10", "warn:idle@20", "act:idle@30"}));
    // Acting holds the trigger: no second hang-up while the link stays idle.
    r.Ticks(200, Traffic::Idle);
    EXPECT_EQ(r.Seen(), Seen{});

    // "继续上网" silences the reminder and the hang-up until traffic has flowed and stopped again.
    GuardRun c;
    c.config = r.config;
    c.Ticks(10, Traffic::Idle);
    c.state = AnswerContinue(c.state);
    c.Ticks(200, Traffic::Idle);
    EXPECT_EQ(c.Seen(), Seen{"remind@10"});
    c.Ticks(1, Traffic::Busy);
    c.Ticks(10, Traffic::Idle);
    EXPECT_EQ(c.Seen(), Seen{"remind@221"});
    // "继续上网" after the announcement withdraws it; traffic withdraws it too.
    c.Ticks(10, Traffic::Idle);
    c.state = AnswerContinue(c.state);
    c.Ticks(100, Traffic::Idle);
    c.Ticks(1, Traffic::Busy);
    c.Ticks(20, Traffic::Idle);
    c.Ticks(5, Traffic::Busy);
    EXPECT_EQ(c.Seen(), (Seen{"warn:idle@231", "remind@342", "warn:idle@352"}));
    EXPECT_EQ(c.state.pending, HangUpReason::None);
}

TEST(IdleGuard, EachTriggerAndHowLongItsCancelHolds) {
    struct {
        const char* hangUp;
        std::function<void(GuardRun&)> reach;    // makes the trigger due
        std::function<void(GuardRun&)> outlast;  // what a cancel outlasts
        std::function<void(GuardRun&)> endsIt;   // what ends the cancel
    } cases[] = {
        {"allowance", [](GuardRun& r) { r.allowanceReached = true; },
         [](GuardRun& r) {
             r.now.date = {2026, 12, 9};
         },
         [](GuardRun& r) { r.month = 202701; }},
        {"budget=2000", [](GuardRun& r) { r.bill = 2000; }, [](GuardRun& r) { r.bill = 2500; },
         [](GuardRun& r) { r.month = 202701; }},
        {"at=22:01", [](GuardRun&) {}, [](GuardRun& r) { r.month = 202701; },
         [](GuardRun& r) {
             r.now.date = {2026, 12, 9};
         }},
    };
    for (const auto& c : cases) {
        const std::string word = std::string(c.hangUp).substr(0, std::string(c.hangUp).find('='));
        GuardRun r;
        r.config = ReadGuardConfig(0, 0, c.hangUp, "");
        r.bill = 1999;
        c.reach(r);
        r.Ticks(1, Traffic::Busy);  // announced at 22:00:00 and cancelled
        r.state = AnswerCancel(r.state, r.month);
        c.outlast(r);
        r.now = {r.now.date, 22, 0, 0, 480};
        r.Ticks(30, Traffic::Busy);
        c.endsIt(r);
        r.now = {r.now.date, 22, 0, 0, 480};
        r.Ticks(30, Traffic::Busy);  // announced again; acts 60 s later, once
        EXPECT_EQ(r.Seen(),
                  (Seen{"warn:" + word + "@1", "warn:" + word + "@32", "act:" + word + "@42"}))
            << c.hangUp;
    }
    GuardRun none;  // an allowance or a budget not reached
    none.config = ReadGuardConfig(0, 0, "allowance budget=2000", "");
    none.bill = 1999;
    none.Ticks(30, Traffic::Busy);
    EXPECT_EQ(none.Seen(), Seen{});
    // A daily time is announced only from a minute before it to five minutes after.
    GuardRun late;
    late.config = ReadGuardConfig(0, 0, "at=21:54", "");
    late.Ticks(100, Traffic::Busy);
    EXPECT_EQ(late.Seen(), Seen{});
    GuardRun midnight;
    midnight.config = ReadGuardConfig(0, 0, "at=00:00", "");
    midnight.now = {{2026, 12, 8}, 23, 59, 0, 480};
    midnight.Ticks(1, Traffic::Busy);
    midnight.state = AnswerCancel(midnight.state, midnight.month);
    midnight.Ticks(60, Traffic::Busy);  // past midnight: the cancel was for the 9th's midnight
    EXPECT_EQ(midnight.Seen(), Seen{"warn:at@1"});
}

TEST(GuardNotices, ButtonsAndWhatEachAnswerMeans) {
    EXPECT_EQ(IdleNoticeActions(false).size(), 1u);
    const std::string hangUp = IdleNoticeActions(true)[0].key,
                      keep = IdleNoticeActions(true)[1].key;
    const std::string cancel = WarningActions()[0].key;
    EXPECT_EQ(AnswerOf(kIdleNotice, hangUp), GuardAnswer::HangUpNow);
    EXPECT_EQ(AnswerOf(kIdleNotice, keep), GuardAnswer::Continue);
    EXPECT_EQ(AnswerOf(kIdleNotice, kNoticeClicked), GuardAnswer::Continue);
    EXPECT_EQ(AnswerOf(kHangUpNotice, cancel), GuardAnswer::Cancel);
    EXPECT_EQ(AnswerOf(kHangUpNotice, kNoticeClicked), GuardAnswer::Cancel);  // never a hang-up
    EXPECT_EQ(AnswerOf(kHangUpNotice, hangUp), GuardAnswer::None);
}

TEST(IdleMinutes, ADaysShareOfASessionOverMidnight) {
    // 20:00 on the 7th to 02:00 on the 8th, 360 minutes of which 90 idle: 4 h and 2 h of it.
    const Session s{
        {{2026, 12, 7}, 20, 0, 0, 480}, {{2026, 12, 8}, 2, 0, 0, 480}, 3600, "ppp0", "", 901};
    const BillingPeriod period{12, 2026, {2026, 11, 21}, {2026, 12, 20}};
    const std::vector<DayUse> days = DailyUse(period, {s}, {2026, 12, 8});
    EXPECT_EQ(days[16].tenths, 2400);
    EXPECT_EQ(days[16].idleTenths, 600);  // 901 × 4/6, rounded down
    EXPECT_EQ(days[17].idleTenths, 301);  // the rest: the days add up to the session
}

}  // namespace
}  // namespace kivrel
