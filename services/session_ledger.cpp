#include "services/session_ledger.h"

#include <algorithm>

namespace kivrel {

namespace {

constexpr size_t kChunk = 16384;
// A line held while it is read: the longest line, its CR and a BOM before it.
constexpr size_t kHeldLine = kMaxLedgerLine + 4;
constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string_view WithoutBom(std::string_view line) {
    return line.substr(0, 3) == kBom ? line.substr(3) : line;
}

}  // namespace

std::string LedgerPathBeside(const std::string& settingsFile) {
    const size_t cut = settingsFile.find_last_of("/\\");
    return (cut == std::string::npos ? std::string() : settingsFile.substr(0, cut + 1)) +
           kLedgerFileName;
}

// Chunks from the end back; a line is put together from the pieces of the chunks it spans, and
// one longer than a line may be is dropped as it is read, never held whole.
LedgerRead ReadLedgerSince(IFileSystem& files, const std::string& path, const LocalDate& from) {
    LedgerRead read;
    const std::optional<uint64_t> size = files.FileSize(path);
    if (!size)
        return read;
    const int64_t fromDay = DayNumber(from);
    bool last = true, done = false, overlong = false;
    std::string carry;  // the line's part after the chunk being read
    const auto take = [&](std::string_view line) {
        LineRead r = overlong ? LineRead{LineKind::Damaged, {}} : ReadLedgerLine(line, last);
        last = false;
        if (r.kind == LineKind::Session && DayNumber(r.session.end.date) < fromDay)
            done = true;
        else if (r.kind == LineKind::Session)
            read.sessions.push_back(std::move(r.session));
        read.skipped += r.kind == LineKind::Damaged ? 1 : 0;
    };
    for (uint64_t pos = *size; !done && pos > 0;) {
        const uint64_t begin = pos > kChunk ? pos - kChunk : 0;
        const std::optional<std::string> chunk =
            files.ReadRange(path, begin, static_cast<size_t>(pos - begin));
        if (!chunk || chunk->size() != pos - begin)
            break;  // it shrank or failed under the reading: what was read stands
        pos = begin;
        size_t end = chunk->size();
        for (size_t at; !done && end > 0 && (at = chunk->rfind('\n', end - 1)) != std::string::npos;
             end = at) {
            overlong = overlong || end - at - 1 + carry.size() > kHeldLine;
            const std::string_view piece = std::string_view(*chunk).substr(at + 1, end - at - 1);
            if (overlong || carry.empty())
                take(piece);
            else
                take(std::string(piece) + carry);
            carry.clear();
            overlong = false;
        }
        if (done)
            break;
        overlong = overlong || end + carry.size() > kHeldLine;
        carry = overlong ? std::string() : chunk->substr(0, end) + carry;
        if (pos == 0)
            take(WithoutBom(carry));
    }
    std::reverse(read.sessions.begin(), read.sessions.end());
    return read;
}

std::optional<Session> FirstLedgerSession(IFileSystem& files, const std::string& path) {
    const uint64_t size = files.FileSize(path).value_or(0);
    std::string line;
    bool overlong = false, first = true;
    for (uint64_t pos = 0; pos < size;) {
        const std::optional<std::string> chunk =
            files.ReadRange(path, pos, static_cast<size_t>(std::min<uint64_t>(kChunk, size - pos)));
        if (!chunk || chunk->empty())
            return std::nullopt;
        pos += chunk->size();
        for (size_t begin = 0; begin < chunk->size();) {
            const size_t at = chunk->find('\n', begin);
            const size_t end = at == std::string::npos ? chunk->size() : at;
            overlong = overlong || line.size() + end - begin > kHeldLine;
            if (!overlong)
                line.append(*chunk, begin, end - begin);
            if (at == std::string::npos)
                break;
            if (!overlong) {
                LineRead r = ReadLedgerLine(first ? WithoutBom(line) : line, false);
                if (r.kind == LineKind::Session)
                    return std::move(r.session);
            }
            line.clear();
            overlong = first = false;
            begin = at + 1;
        }
    }
    if (LineRead r = ReadLedgerLine(first ? WithoutBom(line) : line, true);
        !overlong && r.kind == LineKind::Session)
        return std::move(r.session);
    return std::nullopt;
}

// The append is made against the ledger's end as it is now: its header when it is new, a line
// break when the user's last line lacks one, and a line a crash tore is cut away first.
bool SessionLedger::Write(const Session& session) {
    const std::optional<uint64_t> size = files_.FileSize(path_);
    if (!size && files_.Exists(path_))
        return false;
    const uint64_t from = size && *size > kHeldLine ? *size - kHeldLine : 0;
    const std::optional<std::string> tail =
        size && *size > 0 ? files_.ReadRange(path_, from, static_cast<size_t>(*size - from))
                          : std::optional<std::string>(std::string());
    if (!tail)
        return false;
    const LedgerAppend plan = PlanLedgerAppend(*tail, from == 0, session);
    if (plan.cut > 0 && !files_.CutTo(path_, *size - plan.cut))
        return false;
    if (!files_.Append(path_, plan.text))
        return false;
    if (read_)
        read_->push_back(session);
    return true;
}

bool SessionLedger::Holds(const Session& session) {
    return LedgerHolds(ReadLedgerSince(files_, path_, session.start.date).sessions, session);
}

bool SessionLedger::Append(const Session& session) {
    if (!LedgerHolds(waiting_, session))
        waiting_.push_back(session);
    while (!waiting_.empty() && Write(waiting_.front()))
        waiting_.erase(waiting_.begin());
    return waiting_.empty();
}

void SessionLedger::Resume(const std::vector<Session>& waiting) {
    for (const Session& session : waiting)
        if (!LedgerHolds(waiting_, session) && !Holds(session))
            waiting_.push_back(session);
    while (!waiting_.empty() && Write(waiting_.front()))
        waiting_.erase(waiting_.begin());
}

bool SessionLedger::Recover(const Session& session) {
    return Holds(session) || Append(session);
}

std::vector<Session> SessionLedger::Sessions(const LocalDate& since) {
    if (!read_ || since != readSince_) {
        read_ = ReadLedgerSince(files_, path_, since).sessions;
        readSince_ = since;
    }
    std::vector<Session> sessions = *read_;
    sessions.insert(sessions.end(), waiting_.begin(), waiting_.end());
    return sessions;
}

}  // namespace kivrel
