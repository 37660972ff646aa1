// The ledger of sessions. A provider bills sessions of one link: a session is one unbroken run
// of online ticks on the billed link. Closed sessions are appended to sessions.csv beside the
// settings file; the open one lives in the settings file, saved with every online tick, so that
// a crash or a power cut loses nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "accounting/calendar.h"
#include "accounting/period.h"

namespace kivrel {

struct Session {
    LocalTime start;     // the time of its first tick
    LocalTime end;       // the time of its latest tick
    int64_t tenths = 0;  // the ticks it counted, a tenth of a minute each
    std::string link;
    std::string network;     // the name of the network it was on, empty when not looked up
    int64_t idleTenths = 0;  // the ticks of it that passed (almost) no traffic
    friend bool operator==(const Session&, const Session&) = default;
};

// More seconds than this between two ticks break a session: the machine slept or the clock
// jumped.
inline constexpr int64_t kSessionGapSeconds = 60;

struct SessionStep {
    std::optional<Session> closed;  // to be appended to the ledger now
    std::optional<Session> open;    // the session after the tick
};

// One tick of the meter at `now`. `link` is the billed link carrying the route (none offline);
// `monthChanged` says the billing month changed since the previous tick. The open session closes
// at an offline tick, when another link carries the route, when the month changed, when the gap
// since its latest tick is over kSessionGapSeconds or the clock went back; an online tick then
// extends it or opens a new one; an `idle` tick (almost no traffic) also counts as idle.
SessionStep StepSession(const std::optional<Session>& open, const LocalTime& now,
                        const std::optional<std::string>& link, bool monthChanged,
                        bool idle = false);

inline constexpr const char* kLedgerFileName = "sessions.csv";
inline constexpr const char* kLedgerHeader = "start,end,minutes,link,network,idle";

// Minutes from tenths with one decimal: "12.3", "0.1", "120.0".
std::string TenthsText(int64_t tenths);

// One ledger line, ending in LF: times in ISO 8601 with their offset, minutes with one decimal,
// the link, the network ("" when unknown) and the idle minutes always quoted (so that a line torn
// by a crash never reads as a whole one).
std::string LedgerLine(const Session& session);

// What to append to a ledger that holds `existing`: the header first when it is empty, a line
// break first when a crash left its last line torn (with two CRs before it, which no whole line
// holds, so that the torn line never reads as a session), then the session's line.
std::string LedgerAppendText(std::string_view existing, const Session& session);

// The sessions of a ledger, in file order; the header, torn and damaged lines are left out.
// Fields are read by position: a line of four (before networks), five (before idle minutes) or
// six fields is a session; an idle figure that is empty reads as 0, one above the session's
// minutes makes the line damaged.
std::vector<Session> ReadLedger(std::string_view text);

// Whether the ledger holds the session already (the same start on the same link): a session
// left open by a crash is appended once, also when the crash came between the append and the
// clearing of the open session.
bool LedgerHolds(std::string_view ledger, const Session& session);

// The sessions that belong to a billing period: those whose end lies in it.
std::vector<Session> SessionsOfPeriod(const std::vector<Session>& sessions,
                                      const BillingPeriod& period);

}  // namespace kivrel
