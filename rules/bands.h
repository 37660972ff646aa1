// Time bands of a tariff (hours of the day, days of the week, in which time is priced apart or
// is free) and the spreading of a session's ticks over its real elapsed time, by local day and
// band. Local time comes from the offsets of the user's time zone, handed in as a function.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "vocabulary/calendar.h"
#include "rules/ledger.h"

namespace kivrel {

inline constexpr int kMaxBands = 9;

struct Band {
    int number = 1;       // n of its section [Bandn]
    std::string name;     // empty when none is given
    int from = 0;         // minute of the day it begins, 0..1439
    int to = 0;           // minute of the day it ends, 1..1440; below `from`: it wraps midnight
    uint8_t days = 0x7F;  // the weekdays a span begins on: bit 0 Monday … bit 6 Sunday
    std::optional<int64_t> price;  // per hour; none: the tariff's
    bool counts = true;            // its time uses the included hours
};

// The texts of a band's keys as the settings file holds them (empty: missing).
struct BandTexts {
    std::string hours, days, name, price, counts;
    bool Empty() const {
        return hours.empty() && days.empty() && name.empty() && price.empty() && counts.empty();
    }
};

// Band `number` from its texts. None for a section that is not there (every text empty), and
// none with `warning` set when a value cannot be read: such a band is left out, never guessed.
std::optional<Band> ReadBand(int number, const BandTexts& texts, std::string& warning);

// 0 for Monday … 6 for Sunday.
int Weekday(const LocalDate& date);

// The position in `bands` of the first band that covers the local moment `secondOfDay` of
// `date`; none when no band covers it.
std::optional<size_t> BandAt(const std::vector<Band>& bands, const LocalDate& date,
                             int64_t secondOfDay);

// A part of a session: its tenths that fell on one local day in one band.
struct SessionPiece {
    LocalDate date;
    std::optional<size_t> band;  // position in the bands; none: outside every band
    int64_t tenths = 0;
};

// The session's tenths spread evenly over its real elapsed time (UTC), cut at local midnights and
// at the bands' edges, in time order; the pieces' tenths are rounded down where they add up, so
// that together they hold exactly the session's tenths. `offsets` gives the zone's offset at a
// UTC second; when it is missing or disagrees with the offsets the ledger holds for the session's
// start or end (the session was recorded in another zone), the start's offset holds throughout.
// A session whose end is not after its start is one piece at its end.
std::vector<SessionPiece> SpreadSession(const Session& session, const UtcOffsets& offsets,
                                        const std::vector<Band>& bands);

}  // namespace kivrel
