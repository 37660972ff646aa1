#include <gtest/gtest.h>

#include <map>
#include <string>

#include "accounting/daily.h"
#include "accounting/tariff.h"

namespace kivrel {
namespace {

// "2026-12-05 23:30+08:00" (Saturday)
LocalTime At(std::string text) {
    text[10] = 'T';
    text.insert(16, ":00");
    return ParseIsoDateTime(text).value();
}

Session S(const char* start, const char* end, int64_t tenths) {
    return Session{At(start), At(end), tenths, "ppp0", {}, 0};
}

Band B(int from, int to, uint8_t days = 0x7F, std::optional<int64_t> price = std::nullopt,
       bool counts = true) {
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
        int from, to;
        uint8_t days;
        const char* warning;  // empty: read
    } cases[] = {
        {{"23:00-07:00", "", "夜间", "0", "0"}, 1380, 420, 0x7F, ""},
        {{"00:00-24:00", "Sat,Sun", "", "", ""}, 0, 1440, 0x60, ""},
        {{" 8:00 - 18:30 ", "mon-FRI", "", "", ""}, 480, 1110, 0x1F, ""},
        {{"22:00-02:00", "Fri-Mon", "", "", ""}, 1320, 120, 0x71, ""},
        {{"25:00-07:00", "", "", "", ""}, 0, 0, 0, "Hours=25:00-07:00"},
        {{"07:00-07:00", "", "", "", ""}, 0, 0, 0, "开始与结束相同"},
        {{"24:00-06:00", "", "", "", ""}, 0, 0, 0, "Hours=24:00-06:00"},
        {{"", "", "夜间", "", ""}, 0, 0, 0, "没有 Hours"},
        {{"23:00-07:00", "Mo", "", "", ""}, 0, 0, 0, "Days=Mo"},
        {{"23:00-07:00", "", "", "1.20", ""}, 0, 0, 0, "写作 Price=120（单位：分）"},
        {{"23:00-07:00", "", "", "-5", ""}, 0, 0, 0, "Price=-5"},
        {{"23:00-07:00", "", "", "", "2"}, 0, 0, 0, "Counts=2"},
    };
    for (const auto& c : cases) {
        std::string warning;
        const std::optional<Band> band = ReadBand(3, c.texts, warning);
        EXPECT_NE(warning.find(c.warning), std::string::npos) << c.texts.hours << warning;
        if (*c.warning != '\0') {
            EXPECT_FALSE(band) << c.texts.hours;
            EXPECT_EQ(warning.rfind("[Band3] ", 0), 0u) << warning;
            continue;
        }
        ASSERT_TRUE(band) << c.texts.hours << warning;
        EXPECT_EQ(band->from, c.from) << c.texts.hours;
        EXPECT_EQ(band->to, c.to) << c.texts.hours;
        EXPECT_EQ(band->days, c.days) << c.texts.hours;
    }
    std::string warning = "x";
    EXPECT_FALSE(ReadBand(1, {}, warning));
    EXPECT_EQ(warning, "");
}

// Each band's tenths of a session: "0:300 -:300" (band position, - outside every band).
std::string Split(const Session& s, const std::vector<Band>& bands, const UtcOffsets& zone) {
    std::map<int, int64_t> per;
    for (const SessionPiece& p : SpreadSession(s, zone, bands))
        per[p.band ? static_cast<int>(*p.band) : -1] += p.tenths;
    std::string text;
    for (const auto& [band, tenths] : per)
        text += (text.empty() ? "" : " ") + (band < 0 ? std::string("-") : std::to_string(band)) +
                ":" + std::to_string(tenths);
    return text;
}

TEST(Bands, ASessionIsSplitByItsRealElapsedTime) {
    const uint8_t fri = 0x10, weekend = 0x60;
    const std::vector<Band> night{B(23, 7)};
    struct {
        const char* what;
        Session session;
        std::vector<Band> bands;
        UtcOffsets zone;
        const char* split;
    } cases[] = {
        {"into a band",
         S("2026-12-08 22:30+08:00", "2026-12-08 23:30+08:00", 600),
         night,
         {},
         "-:300 0:300"},
        {"a band over midnight",
         S("2026-12-08 22:00+08:00", "2026-12-09 08:00+08:00", 6000),
         night,
         {},
         "-:1200 0:4800"},
        // A Friday night band runs into Saturday morning, and not from Saturday night.
        {"the day a span begins",
         S("2026-12-05 06:00+08:00", "2026-12-05 08:00+08:00", 1200),
         {B(23, 7, fri)},
         {},
         "-:600 0:600"},
        {"not the next day's night",
         S("2026-12-05 22:00+08:00", "2026-12-06 00:00+08:00", 1200),
         {B(23, 7, fri)},
         {},
         "-:1200"},
        {"the first band wins",
         S("2026-12-05 22:00+08:00", "2026-12-05 23:30+08:00", 900),
         {B(0, 24, weekend), B(23, 7)},
         {},
         "0:900"},
        {"three bands",
         S("2026-12-08 17:00+08:00", "2026-12-09 00:00+08:00", 4200),
         {B(7, 18), B(18, 23), B(23, 7)},
         {},
         "0:600 1:3000 2:600"},
        // 01:00 CEST to 04:00 CET is four hours, the last of them from 03:00: a quarter.
        {"summer time ends inside",
         S("2026-10-25 01:00+02:00", "2026-10-25 04:00+01:00", 2400),
         {B(3, 7)},
         kBerlin,
         "-:1800 0:600"},
        // The same under a zone that does not know the session's offsets: the start's holds.
        {"another zone",
         S("2026-10-25 01:00+02:00", "2026-10-25 04:00+01:00", 2400),
         {B(3, 7)},
         Zone(480, {}),
         "-:1200 0:1200"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Split(c.session, c.bands, c.zone), c.split) << c.what;
}

TEST(Bands, DaysAreSplitByRealElapsedTime) {
    const BillingPeriod period{12, 2026, {2026, 3, 1}, {2026, 12, 31}};
    struct {
        const char* what;
        Session session;
        UtcOffsets zone;
        LocalDate first;
        int64_t firstDay, nextDay;
    } cases[] = {
        // 240 minutes from 23:30 on the night summer time ends: 30 before midnight, not 40.
        {"Berlin",
         S("2026-10-24 23:30+02:00", "2026-10-25 02:30+01:00", 2400),
         kBerlin,
         {2026, 10, 24},
         300,
         2100},
        // 23 hours from 01:00 on the day summer time begins: its midnight comes an hour early.
        {"Berlin, spring", S("2026-03-29 01:00+01:00", "2026-03-30 01:00+02:00", 13800), kBerlin,
         {2026, 3, 29}, 13200, 600},
        // The day after 23:30 begins at 01:00: 30 minutes each, not 15 and 45.
        {"Santiago",
         S("2026-09-05 23:30-04:00", "2026-09-06 01:30-03:00", 600),
         kSantiago,
         {2026, 9, 5},
         300,
         300},
    };
    for (const auto& c : cases) {
        const std::vector<DayUse> days =
            DailyUse(period, {c.session}, {2026, 12, 31}, c.zone, Tariff{});
        const size_t at = static_cast<size_t>(DayNumber(c.first) - DayNumber(period.first));
        EXPECT_EQ(days[at].tenths, c.firstDay) << c.what;
        EXPECT_EQ(days[at + 1].tenths, c.nextDay) << c.what;
    }
}

TEST(Bands, TheBillUsesTheAllowanceInTheOrderTimeHappened) {
    Tariff free;  // nights free, not counted
    free.price = 120;
    free.bands = {B(23, 7, 0x7F, 0, false)};
    Tariff evening;  // dearer evenings that count
    evening.price = 100;
    evening.bands = {B(18, 23, 0x7F, 200)};
    Tariff hotel;  // 60/60
    hotel.firstMinutes = 60;
    hotel.roundMinutes = 60;
    hotel.price = 500;
    Tariff rounded = free;  // to the started hour, the surplus at the session's end
    rounded.roundMinutes = 60;
    Tariff halves;  // half a cent outside and half a cent in the band
    halves.price = 1;
    halves.bands = {B(18, 23, 0x7F, 1, false)};
    struct {
        const char* what;
        int64_t used;
        std::vector<Session> sessions;
        int32_t allowance;
        Tariff tariff;
        int64_t billed, free, total;
        std::vector<int64_t> bandCharges;
    } cases[] = {
        {"first increment",
         216,
         {S("2026-12-01 20:00+08:00", "2026-12-01 20:25+08:00", 250),
          S("2026-12-03 09:00+08:00", "2026-12-03 10:10+08:00", 704),
          S("2026-12-05 21:00+08:00", "2026-12-05 23:01+08:00", 1206)},
         0,
         hotel,
         3600,
         0,
         3000,
         {}},
        // Two hours, one of them at night: the hour of the day fits in the allowance.
        {"free nights",
         120,
         {S("2026-12-08 22:00+08:00", "2026-12-09 00:00+08:00", 1200)},
         1,
         free,
         600,
         600,
         0,
         {0, 0}},
        // 30 minutes from before the ledger and the session's 30 before 18:00 use the hour up;
        // the evening's hour is charged at its price.
        {"runs out in a band",
         120,
         {S("2026-12-08 17:30+08:00", "2026-12-08 19:00+08:00", 900)},
         1,
         evening,
         1200,
         0,
         200,
         {200, 0}},
        {"surplus where it ends",
         20,
         {S("2026-12-08 22:50+08:00", "2026-12-08 23:10+08:00", 200)},
         0,
         rounded,
         100,
         500,
         20,
         {0, 20}},
        {"half up once",
         60,
         {S("2026-12-08 17:30+08:00", "2026-12-08 18:30+08:00", 600)},
         0,
         halves,
         300,
         0,
         1,
         {1, 1}},
    };
    for (const auto& c : cases) {
        const Bill bill = ComputeBill(c.used, c.sessions, c.allowance, c.tariff);
        EXPECT_EQ(bill.billedTenths, c.billed) << c.what;
        EXPECT_EQ(bill.freeTenths, c.free) << c.what;
        EXPECT_EQ(bill.total, c.total) << c.what;
        std::vector<int64_t> charges;
        for (const BandBill& b : bill.bands)
            charges.push_back(b.charge);
        EXPECT_EQ(charges, c.bandCharges) << c.what;
    }
}

TEST(Bands, AFirstIncrementThenSteps) {
    struct {
        int64_t tenths;
        int32_t first, round;
        int64_t billed;
    } cases[] = {{5, 1, 0, 10},      {23, 1, 0, 23},    {600, 60, 60, 600},
                 {601, 60, 15, 750}, {100, 0, 60, 600}, {0, 60, 60, 0}};
    for (const auto& c : cases) {
        Tariff t;
        t.firstMinutes = c.first;
        t.roundMinutes = c.round;
        EXPECT_EQ(BilledTenths(c.tenths, t), c.billed) << c.tenths << " " << c.first;
    }
}

}  // namespace
}  // namespace kivrel
