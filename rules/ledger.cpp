#include "rules/ledger.h"

#include <algorithm>
#include <array>

#include "vocabulary/texts.h"

namespace kivrel {

namespace {

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\r' || c == '\n')
            continue;  // a line of the ledger never breaks
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

// One more than a session has: a line with more is damaged, whatever follows.
constexpr size_t kMostFields = 7;

// The fields of one CSV record (RFC 4180): a field in quotes may hold commas and doubled quotes.
// The fields are views of the line, or of `unquoted` for a quoted one.
struct Record {
    std::array<std::string_view, kMostFields> fields;
    std::array<std::string, kMostFields> unquoted;
    size_t n = 1;             // fields; more than 6 when there are more
    bool closed = true;       // every quoted field closed
    bool lastQuoted = false;  // the last field was quoted
};

void SplitRecord(std::string_view line, Record& r) {
    for (size_t i = 0;;) {
        const size_t k = r.n - 1;
        r.lastQuoted = i < line.size() && line[i] == '"';
        if (r.lastQuoted) {
            std::string& text = r.unquoted[k];
            r.closed = false;
            for (++i; i < line.size() && !r.closed; ++i) {
                if (line[i] != '"')
                    text += line[i];
                else if (i + 1 < line.size() && line[i + 1] == '"')
                    text += line[++i];
                else
                    r.closed = true;
            }
            for (; r.closed && i < line.size() && line[i] != ','; ++i)
                text += line[i];  // not CSV after the closing quote, kept as it stands
            r.fields[k] = text;
            if (!r.closed)
                return;
        } else {
            const size_t comma = std::min(line.find(',', i), line.size());
            r.fields[k] = line.substr(i, comma - i);
            i = comma;
        }
        if (i >= line.size())
            return;
        ++i;  // the comma
        if (++r.n > kMostFields)
            return;
    }
}

// "12.3", "12" or "0.1": digits, and at most one digit after a point. Empty reads as 0 where
// `emptyIsZero`.
std::optional<int64_t> ParseTenths(std::string_view text, bool emptyIsZero = false) {
    if (text.empty())
        return emptyIsZero ? std::optional<int64_t>(0) : std::nullopt;
    const size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view tenth = point == std::string_view::npos ? "0" : text.substr(point + 1);
    if (whole.empty() || whole.size() > 15 || tenth.size() != 1)
        return std::nullopt;
    int64_t tenths = 0;
    for (const char c : whole) {
        if (c < '0' || c > '9')
            return std::nullopt;
        tenths = tenths * 10 + (c - '0');
    }
    if (tenth[0] < '0' || tenth[0] > '9')
        return std::nullopt;
    return tenths * 10 + (tenth[0] - '0');
}

// An ISO 8601 time with its offset, or in UTC with "Z".
std::optional<LocalTime> ParseTime(std::string_view text) {
    if (text.size() == 20 && (text.back() == 'Z' || text.back() == 'z')) {
        std::string withOffset(text.substr(0, 19));
        withOffset += "+00:00";
        return ParseIsoDateTime(withOffset);
    }
    return ParseIsoDateTime(text);
}

bool IsBlank(std::string_view line) {
    for (const char c : line)
        if (c != ' ' && c != '\t')
            return false;
    return true;
}

}  // namespace

SessionStep StepSession(const std::optional<Session>& open, const LocalTime& now,
                        const std::optional<std::string>& link, bool monthChanged,
                        const std::string& network, bool idle) {
    SessionStep step;
    step.open = open;
    if (open) {
        const int64_t gap = EpochSeconds(now) - EpochSeconds(open->end);
        if (!link || *link != open->link || network != open->network || monthChanged ||
            gap > kSessionGapSeconds || gap < 0) {
            step.closed = open;
            step.open.reset();
        }
    }
    if (!link)
        return step;
    if (step.open) {
        step.open->end = now;
        step.open->tenths += 1;
    } else {
        step.open = Session{now, now, 1, *link, network, 0};
    }
    step.open->idleTenths += idle ? 1 : 0;
    return step;
}

std::string LedgerLine(const Session& session) {
    std::string line = IsoDateTime(session.start);
    line += ',';
    line += IsoDateTime(session.end);
    line += ',';
    line += TenthsText(session.tenths);
    line += ',';
    line += Quoted(session.link);
    line += ',';
    line += Quoted(session.network);
    line += ',';
    line += Quoted(TenthsText(session.idleTenths));
    line += '\n';
    return line;
}

LineRead ReadLedgerLine(std::string_view line, bool lastWithoutEnd) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (IsBlank(line))
        return {};
    if (line.size() > kMaxLedgerLine)
        return {LineKind::Damaged, {}};
    Record r;
    SplitRecord(line, r);
    const size_t n = r.n;
    // A crash tears a line anywhere before its closing quote: in a field, in the quotes, or
    // right after a comma.
    const bool endsInComma = n <= kMostFields && r.fields[n - 1].empty() && !r.lastQuoted;
    if (lastWithoutEnd && (!r.closed || n < 4 || endsInComma))
        return {LineKind::Torn, {}};
    if (n >= 4 && r.fields[0] == "start" && r.fields[1] == "end")
        return {LineKind::Header, {}};
    if (!r.closed || n < 4 || n > 6)
        return {LineKind::Damaged, {}};
    const auto start = ParseTime(r.fields[0]);
    const auto end = ParseTime(r.fields[1]);
    const auto tenths = ParseTenths(r.fields[2]);
    const auto idle = ParseTenths(n > 5 ? r.fields[5] : std::string_view(), true);
    if (!start || !end || !tenths || !idle || *idle > *tenths)
        return {LineKind::Damaged, {}};
    // A tick is 6 seconds: n ticks span (n - 1) × 6 seconds, so up to 0.1 minute more than the
    // span is a session.
    const int64_t span = EpochSeconds(*end) - EpochSeconds(*start);
    if (span < 0 || *tenths * 6 > span + 6)
        return {LineKind::Damaged, {}};
    LineRead read{LineKind::Session, {}};
    read.session.start = *start;
    read.session.end = *end;
    read.session.tenths = *tenths;
    read.session.link = r.fields[3];
    read.session.network = n > 4 ? r.fields[4] : std::string_view();
    read.session.idleTenths = *idle;
    return read;
}

LedgerRead ReadLedger(std::string_view text) {
    LedgerRead read;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    for (size_t begin = 0; begin < text.size();) {
        size_t end = text.find('\n', begin);
        const bool lastWithoutEnd = end == std::string_view::npos;
        if (lastWithoutEnd)
            end = text.size();
        LineRead line = ReadLedgerLine(text.substr(begin, end - begin), lastWithoutEnd);
        if (line.kind == LineKind::Session)
            read.sessions.push_back(std::move(line.session));
        read.skipped += line.kind == LineKind::Damaged ? 1 : 0;
        begin = end + 1;
    }
    return read;
}

LedgerAppend PlanLedgerAppend(std::string_view tail, bool whole, const Session& session) {
    LedgerAppend plan;
    const size_t lastBreak = tail.rfind('\n');
    const size_t lastBegins = lastBreak == std::string_view::npos ? 0 : lastBreak + 1;
    std::string_view last = tail.substr(lastBegins);
    if (whole && lastBegins == 0 && last.substr(0, 3) == "\xEF\xBB\xBF")
        last.remove_prefix(3);
    // Only a last line seen from its beginning can be told torn: a longer one is damaged.
    const bool seenWhole = lastBreak != std::string_view::npos || whole;
    if (seenWhole && !last.empty() && ReadLedgerLine(last, true).kind == LineKind::Torn) {
        plan.cut = tail.size() - lastBegins;
        tail.remove_suffix(plan.cut);
    }
    if (whole && (tail.empty() || tail == "\xEF\xBB\xBF")) {
        plan.text = kLedgerHeader;
        plan.text += '\n';
    } else if (!tail.empty() && tail.back() != '\n') {
        // The user's last line is whole but has no line end: it ends as the user's lines do.
        const size_t before = tail.rfind('\n');
        plan.text = before != std::string_view::npos && before > 0 && tail[before - 1] == '\r'
                        ? "\r\n"
                        : "\n";
    }
    plan.text += LedgerLine(session);
    return plan;
}

bool LedgerHolds(const std::vector<Session>& sessions, const Session& session) {
    for (const Session& held : sessions)
        if (held.start == session.start && held.link == session.link)
            return true;
    return false;
}

std::string SkippedLinesText(const std::string& path, int64_t skipped) {
    return path + "：" + std::to_string(skipped) + " 行无法读取，未计入";
}

std::vector<Session> SessionsOfPeriod(std::vector<Session> sessions, const BillingPeriod& period) {
    const int64_t first = DayNumber(period.first), last = DayNumber(period.last);
    std::erase_if(sessions, [&](const Session& s) {
        const int64_t day = DayNumber(s.end.date);
        return day < first || day > last;
    });
    return sessions;
}

}  // namespace kivrel
