#include "accounting/ledger.h"

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

// The fields of one CSV record (RFC 4180), none when a quoted field is not closed or the last
// field, the link, is not quoted: the ledger always quotes it, so a line torn right after a comma
// is not taken for a session without a link.
std::optional<std::vector<std::string>> SplitRecord(std::string_view line) {
    std::vector<std::string> fields(1);
    bool quoted = false, lastQuoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c != '"')
                fields.back() += c;
            else if (i + 1 < line.size() && line[i + 1] == '"')
                fields.back() += line[++i];
            else
                quoted = false;
        } else if (c == '"') {
            quoted = lastQuoted = true;
        } else if (c == ',') {
            fields.emplace_back();
            lastQuoted = false;
        } else {
            fields.back() += c;
        }
    }
    if (quoted || !lastQuoted)
        return std::nullopt;
    return fields;
}

// "12.3": digits, a point, exactly one digit.
std::optional<int64_t> ParseTenths(std::string_view text) {
    if (text.size() < 3 || text.size() > 18 || text[text.size() - 2] != '.')
        return std::nullopt;
    int64_t tenths = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == text.size() - 2)
            continue;
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        tenths = tenths * 10 + (text[i] - '0');
    }
    return tenths;
}

std::optional<Session> ReadLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    // The ledger never writes a CR inside a line: one there marks a line a crash tore.
    if (line.find('\r') != std::string_view::npos)
        return std::nullopt;
    const auto fields = SplitRecord(line);
    // start, end, minutes, link, then the network and the idle minutes when the line has them.
    if (!fields || fields->size() < 4 || fields->size() > 6)
        return std::nullopt;
    const auto start = ParseIsoDateTime((*fields)[0]);
    const auto end = ParseIsoDateTime((*fields)[1]);
    const auto tenths = ParseTenths((*fields)[2]);
    if (!start || !end || !tenths || EpochSeconds(*end) < EpochSeconds(*start))
        return std::nullopt;
    Session session{*start, *end, *tenths, (*fields)[3], {}, 0};
    if (fields->size() >= 5)
        session.network = (*fields)[4];
    if (fields->size() == 6 && !(*fields)[5].empty()) {
        const auto idle = ParseTenths((*fields)[5]);
        if (!idle || *idle > *tenths)
            return std::nullopt;
        session.idleTenths = *idle;
    }
    return session;
}

}  // namespace

SessionStep StepSession(const std::optional<Session>& open, const LocalTime& now,
                        const std::optional<std::string>& link, bool monthChanged, bool idle) {
    SessionStep step;
    step.open = open;
    if (open) {
        const int64_t gap = EpochSeconds(now) - EpochSeconds(open->end);
        if (!link || *link != open->link || monthChanged || gap > kSessionGapSeconds || gap < 0) {
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
        step.open = Session{now, now, 1, *link, {}, 0};
    }
    step.open->idleTenths += idle ? 1 : 0;
    return step;
}

std::string TenthsText(int64_t tenths) {
    const bool negative = tenths < 0;
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(tenths) : tenths;
    std::string text = negative ? "-" : "";
    text += std::to_string(magnitude / 10);
    text += '.';
    text += static_cast<char>('0' + magnitude % 10);
    return text;
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

std::string LedgerAppendText(std::string_view existing, const Session& session) {
    std::string text;
    if (existing.empty()) {
        text = kLedgerHeader;
        text += '\n';
    } else if (existing.back() != '\n') {
        // A line torn after any of its quoted fields would read as a shorter whole line: the CRs
        // mark it torn before the line break ends it.
        text = "\r\r\n";
    }
    return text + LedgerLine(session);
}

std::vector<Session> ReadLedger(std::string_view text) {
    std::vector<Session> sessions;
    size_t begin = 0;
    // Only lines that end in a line break are whole: a last line without one was torn.
    for (size_t end = text.find('\n'); end != std::string_view::npos;
         begin = end + 1, end = text.find('\n', begin)) {
        if (auto session = ReadLine(text.substr(begin, end - begin)))
            sessions.push_back(std::move(*session));
    }
    return sessions;
}

bool LedgerHolds(std::string_view ledger, const Session& session) {
    for (const Session& held : ReadLedger(ledger))
        if (held.start == session.start && held.link == session.link)
            return true;
    return false;
}

std::vector<Session> SessionsOfPeriod(const std::vector<Session>& sessions,
                                      const BillingPeriod& period) {
    const int64_t first = DayNumber(period.first), last = DayNumber(period.last);
    std::vector<Session> of;
    for (const Session& s : sessions) {
        const int64_t day = DayNumber(s.end.date);
        if (day >= first && day <= last)
            of.push_back(s);
    }
    return of;
}

}  // namespace kivrel
