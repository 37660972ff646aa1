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
    return files_.Append(path_, LedgerAppendText(existing, session));
}

bool SessionLedger::Append(const Session& session) {
    waiting_.push_back(session);
    while (!waiting_.empty() && Write(waiting_.front()))
        waiting_.erase(waiting_.begin());
    return waiting_.empty();
}

std::vector<Session> SessionLedger::Sessions() const {
    std::vector<Session> sessions = ReadLedger(files_.ReadAll(path_).value_or(std::string()));
    sessions.insert(sessions.end(), waiting_.begin(), waiting_.end());
    return sessions;
}

bool SessionLedger::Recover(const Session& session) {
    if (const auto ledger = files_.ReadAll(path_); ledger && LedgerHolds(*ledger, session))
        return true;
    return Append(session);
}

}  // namespace kivrel
