#include <gtest/gtest.h>

#include <map>
#include <string>

#include "rules/tariff.h"

namespace kivrel {
namespace {

// "2026-12-05 23:30+08:00" (a Saturday)
LocalTime At(std::string text) {
    text[10] = 'T';
    text.insert(16, ":00");
    return ParseIsoDateTime(text).value();
}

Session S(const char* start, const char* end, int64_t tenths) {
    return Session{At(start), At(end), tenths, "ppp0", {}, 0};
}

Band B(int from, int to, uint8_t days = 0x7F, std::optional<int64_t> price = {}, bool counts = 1) {
    return Band{1, "", from * 60, to * 60, days, price, counts};
}

// A zone that changes its offset at the given UTC seconds.
UtcOffsets Zone(int before, std::map<int64_t, int> changes) {
    return [=](int64_t utc) {
        const auto after = changes.upper_bound(utc);
        return after == changes.begin() ? before : std::prev(after)->second;
    };
}
// Summer time in Berlin from 2026-03-29 to 2026-10-25, changing at 01:00 UTC; in Santiago it
// begins on 2026-09-06 at 04:00 UTC, the local midnight that does not happen.
const UtcOffsets kBerlin = Zone(60, {{1774746000, 120}, {1792890000, 60}});
const UtcOffsets kSantiago = Zone(-240, {{1788667200, -180}});

TEST(Bands, ReadAsWrittenOrLeftOutWithAWarning) {
    struct {
        BandTexts texts;
        const char* read;  // "from-to/days", or a part of the warning
    } cases[] = {
        {{"23:00-07:00", "", "夜间", "0", "0"}, "1380-420/127"},
        {{"00:00-24:00", "Sat,Sun", "", "", ""}, "0-1440/96"},
        {{"22:00-02:00", "Fri-Mon", "", "", ""}, "1320-120/113"},
        {{"25:00-07:00", "", "", "", ""}, "[Band3] Hours=25:00-07:00："},
        {{"07:00-07:00", "", "", "", ""}, "开始与结束相同"},
        {{"", "", "夜间", "", ""}, "没有 Hours"},
        {{"23:00-07:00", "Mo", "", "", ""}, "Days=Mo："},
        {{"23:00-07:00", "", "", "1.20", ""}, "写作 Price=120（单位：分）"},
        {{"23:00-07:00", "", "", "", "2"}, "Counts=2："},
    };
    for (const auto& c : cases) {
        std::string warning;
        const std::optional<Band> b = ReadBand(3, c.texts, warning);
        const std::string read = b ? std::to_string(b->from) + "-" + std::to_string(b->to) + "/" +
                                         std::to_string(b->days)
                                   : warning;
        EXPECT_NE(read.find(c.read), std::string::npos) << read;
    }
    std::string warning = "x";
    EXPECT_FALSE(ReadBand(1, {}, warning));
    EXPECT_EQ(warning, "");
}

TEST(Bands, ASessionIsSplitByItsRealElapsedTime) {
    const std::vector<Band> night{B(23, 7)}, friday{B(23, 7, 0x10)}, none;
    struct {
        const char* what;
        Session session;
        std::vector<Band> bands;
        UtcOffsets zone;
        const char* split;  // day of the month / band position ("-": none) : tenths
    } cases[] = {
        {"into a band",
         S("2026-12-08 22:30+08:00", "2026-12-08 23:30+08:00", 600),
         night,
         {},
         "8/-:300 8/0:300"},
        {"over midnight",
         S("2026-12-08 22:00+08:00", "2026-12-09 08:00+08:00", 6000),
         night,
         {},
         "8/-:600 8/0:600 9/0:4200 9/-:600"},
        // A Friday night band runs into Saturday morning, and not from Saturday night.
        {"Saturday",
         S("2026-12-05 06:00+08:00", "2026-12-05 08:00+08:00", 1200),
         friday,
         {},
         "5/0:600 5/-:600"},
        {"Saturday night",
         S("2026-12-05 22:00+08:00", "2026-12-06 00:00+08:00", 1200),
         friday,
         {},
         "5/-:1200"},
        {"the first wins",
         S("2026-12-05 22:00+08:00", "2026-12-05 23:30+08:00", 900),
         {B(0, 24, 0x60), B(23, 7)},
         {},
         "5/0:900"},
        {"three bands",
         S("2026-12-08 17:00+08:00", "2026-12-09 00:00+08:00", 4200),
         {B(7, 18), B(18, 23), B(23, 7)},
         {},
         "8/0:600 8/1:3000 8/2:600"},
        // 01:00 CEST to 04:00 CET is four hours, the last of them from 03:00: a quarter.
        {"summer time ends",
         S("2026-10-25 01:00+02:00", "2026-10-25 04:00+01:00", 2400),
         {B(3, 7)},
         kBerlin,
         "25/-:1800 25/0:600"},
        // A zone that does not know the session's offsets: the start's holds throughout.
        {"another zone",
         S("2026-10-25 01:00+02:00", "2026-10-25 04:00+01:00", 2400),
         {B(3, 7)},
         Zone(480, {}),
         "25/-:1200 25/0:1200"},
        // The days: 240 minutes from 23:30 on the night summer time ends give 30 and 210, not 40
        // and 200; the day summer time begins has 23 hours; in Santiago the day after 23:30
        // begins at 01:00 (30 minutes each, not 15 and 45).
        {"Berlin", S("2026-10-24 23:30+02:00", "2026-10-25 02:30+01:00", 2400), none, kBerlin,
         "24/-:300 25/-:2100"},
        {"Berlin, spring", S("2026-03-29 01:00+01:00", "2026-03-30 01:00+02:00", 13800), none,
         kBerlin, "29/-:13200 30/-:600"},
        {"Santiago", S("2026-09-05 23:30-04:00", "2026-09-06 01:30-03:00", 600), none, kSantiago,
         "5/-:300 6/-:300"},
    };
    for (const auto& c : cases) {
        std::string split;
        for (const SessionPiece& p : SpreadSession(c.session, c.zone, c.bands)) {
            split += split.empty() ? "" : " ";
            split += std::to_string(p.date.day) + "/" + (p.band ? std::to_string(*p.band) : "-") +
                     ":" + std::to_string(p.tenths);
        }
        EXPECT_EQ(split, c.split) << c.what;
    }
}

TEST(Bands, TheBillUsesTheAllowanceInTheOrderTimeHappened) {
    Tariff free{0, 0, 0, 120, "元", 0, {B(23, 7, 0x7F, 0, false)}};  // nights free, not counted
    Tariff evening{0, 0, 0, 100, "元", 0, {B(18, 23, 0x7F, 200)}};   // dearer evenings
    Tariff hourly = free;  // to the started hour, the surplus at the session's end
    hourly.roundMinutes = 60;
    Tariff halves{0, 0, 0, 1, "元", 0, {B(18, 23, 0x7F, 1, false)}};  // half a cent each
    struct {
        const char* what;
        int64_t used;
        Session session;
        int32_t allowance;
        Tariff tariff;
        std::vector<int64_t> figures;  // billed and free tenths, total, each band's charge
    } cases[] = {
        // Two hours, one of them at night: the hour of the day fits in the allowance.
        {"free nights",
         120,
         S("2026-12-08 22:00+08:00", "2026-12-09 00:00+08:00", 1200),
         1,
         free,
         {600, 600, 0, 0, 0}},
        // 30 minutes from before the ledger and the session's 30 before 18:00 use the hour up;
        // the evening's hour is charged at its price.
        {"runs out in a band",
         120,
         S("2026-12-08 17:30+08:00", "2026-12-08 19:00+08:00", 900),
         1,
         evening,
         {1200, 0, 200, 200, 0}},
        {"surplus where it ends",
         20,
         S("2026-12-08 22:50+08:00", "2026-12-08 23:10+08:00", 200),
         0,
         hourly,
         {100, 500, 20, 0, 20}},
        {"half up once",
         60,
         S("2026-12-08 17:30+08:00", "2026-12-08 18:30+08:00", 600),
         0,
         halves,
         {300, 0, 1, 1, 1}},
    };
    for (const auto& c : cases) {
        const Bill bill = ComputeBill(c.used, {c.session}, c.allowance, c.tariff);
        std::vector<int64_t> figures{bill.billedTenths, bill.freeTenths, bill.total};
        for (const BandBill& b : bill.bands)
            figures.push_back(b.charge);
        EXPECT_EQ(figures, c.figures) << c.what;
    }
    // A first increment, then steps of the rounding: tenths, First, Round, billed.
    const int64_t first[][4] = {{5, 1, 0, 10}, {23, 1, 0, 23}, {601, 60, 15, 750}, {0, 60, 60, 0}};
    for (const auto& f : first) {
        const Tariff t{static_cast<int32_t>(f[2]), 0, 0, 0, "元", static_cast<int32_t>(f[1]), {}};
        EXPECT_EQ(BilledTenths(f[0], t), f[3]) << f[0] << " " << f[1];
    }
}

}  // namespace
}  // namespace kivrel
