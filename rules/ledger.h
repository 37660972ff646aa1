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

#include "vocabulary/calendar.h"
#include "rules/period.h"

namespace kivrel {

struct Session {
    LocalTime start;     // the time of its first tick
    LocalTime end;       // the time of its latest tick
    int64_t tenths = 0;  // the ticks it counted, a tenth of a minute each
    std::string link;
    std::string network{};   // the name of the network it was on, empty when not looked up
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

// One tick of the meter at `now`. `link` is the billed link carrying the route (none offline),
// `network` the network on it (empty when not looked up); `monthChanged` says the billing month
// changed since the previous tick. The open session closes at an offline tick, when another link
// or another network carries the route, when the month changed, when the gap
// since its latest tick is over kSessionGapSeconds or the clock went back; an online tick then
// extends it or opens a new one; an `idle` tick (almost no traffic) also counts as idle.
SessionStep StepSession(const std::optional<Session>& open, const LocalTime& now,
                        const std::optional<std::string>& link, bool monthChanged,
                        const std::string& network = {}, bool idle = false);

inline constexpr const char* kLedgerFileName = "sessions.csv";
inline constexpr const char* kLedgerHeader = "start,end,minutes,link,network,idle";

// One ledger line, ending in LF: times in ISO 8601 with their offset, minutes with one decimal,
// the link, the network ("" when unknown) and the idle minutes always quoted, so that a line torn
// by a crash inside a field never reads as a whole one.
std::string LedgerLine(const Session& session);

// What a line of the ledger is. Only a line that ends in a line break is known to be whole; the
// last line of the file may lack one, and is then either a person's whole line (an editor that
// adds no final line break) or one that a crash tore while it was being appended.
enum class LineKind {
    Session,  // start,end,minutes,link[,network[,idle]]: a session
    Header,   // the column names
    Blank,    // nothing but white space
    Damaged,  // not a session: skipped, and counted so that the user learns of it
    Torn,     // a last line without its line end whose fields are incomplete or whose quotes do
              // not close: every line Kivrel writes ends in a closing quote
};

struct LineRead {
    LineKind kind = LineKind::Blank;
    Session session;  // for a session
};

// A line longer than this is damaged; a reader skips it without holding it whole.
inline constexpr size_t kMaxLedgerLine = 4096;

// One line of the ledger, without its line end (a CR before it is dropped here). A line of 4, 5
// or 6 fields (RFC 4180 CSV, quoted or not) is read by position: times in ISO 8601 with their
// offset or "Z", minutes and idle minutes with one decimal at most, the link, the network. A line
// whose end is before its start or whose minutes exceed the time from start to end by more than
// 0.1 is damaged. `lastWithoutEnd`: the file's last line, with no line break after it.
LineRead ReadLedgerLine(std::string_view line, bool lastWithoutEnd);

// What a reading of the ledger found.
struct LedgerRead {
    std::vector<Session> sessions;  // in file order
    int64_t skipped = 0;            // lines that are not sessions (damaged)
};

// The sessions of a whole ledger text, in file order; a UTF-8 BOM and CRLF line ends are read.
LedgerRead ReadLedger(std::string_view text);

// What an append does to a ledger: cut `cut` bytes off its end (a torn last line), then append
// `text`: the header when nothing remains, a line break when the last line lacks one (a CR LF
// when the user's line ended in one), then the session's line. `tail` is the ledger's end, at
// most kMaxLedgerLine + 1 bytes of it; `whole` says it is the whole file.
struct LedgerAppend {
    size_t cut = 0;
    std::string text;
};
LedgerAppend PlanLedgerAppend(std::string_view tail, bool whole, const Session& session);

// Whether `sessions` hold the session already (the same start on the same link): a session left
// open by a crash is appended once, also when the crash came between the append and the clearing
// of the open session.
bool LedgerHolds(const std::vector<Session>& sessions, const Session& session);

// What the user is told of the lines of the ledger at `path` that were skipped.
std::string SkippedLinesText(const std::string& path, int64_t skipped);

// The sessions that belong to a billing period: those whose end lies in it.
std::vector<Session> SessionsOfPeriod(std::vector<Session> sessions, const BillingPeriod& period);

}  // namespace kivrel
