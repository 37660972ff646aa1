#include "accounting/session_ledger.h"

namespace kivrel {

std::string LedgerPathBeside(const std::string& settingsFile) {
    const size_t cut = settingsFile.find_last_of("/\\");
    return (cut == std::string::npos ? std::string() : settingsFile.substr(0, cut + 1)) +
           kLedgerFileName;
}

// The text is made against the ledger as it is now: its header when it is new, a line break
// when a crash tore its last line.
bool SessionLedger::Write(const Session& session) {
    const std::string existing = files_.ReadAll(path_).value_or(std::string());
    if (!files_.Append(path_, LedgerAppendText(existing, session)))
        return false;
    if (read_)
        read_->push_back(session);
    return true;
}

bool SessionLedger::Append(const Session& session) {
    waiting_.push_back(session);
    while (!waiting_.empty() && Write(waiting_.front()))
        waiting_.erase(waiting_.begin());
    return waiting_.empty();
}

bool SessionLedger::Recover(const Session& session) {
    if (const auto ledger = files_.ReadAll(path_); ledger && LedgerHolds(*ledger, session))
        return true;
    return Append(session);
}

std::vector<Session> SessionLedger::Sessions() {
    if (!read_)
        read_ = ReadLedger(files_.ReadAll(path_).value_or(std::string()));
    std::vector<Session> sessions = *read_;
    sessions.insert(sessions.end(), waiting_.begin(), waiting_.end());
    return sessions;
}

}  // namespace kivrel
