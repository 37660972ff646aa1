// The ledger file of closed sessions (sessions.csv beside the settings file): appended to, line by
// line, and synced; never rewritten.
#pragma once

#include <string>
#include <vector>

#include "accounting/ledger.h"
#include "platform/system_ports.h"

namespace kivrel {

// The ledger kept beside a settings file: sessions.csv in the same folder.
std::string LedgerPathBeside(const std::string& settingsFile);

class SessionLedger {
  public:
    explicit SessionLedger(IFileSystem& files) : files_(files) {}

    void Open(std::string path) { path_ = std::move(path); }
    const std::string& Path() const { return path_; }

    // Appends a closed session. A session that cannot be written now waits in memory and goes
    // first with the next append; false while any session waits.
    bool Append(const Session& session);
    // A session that a crash left open, closed at its latest tick: appended unless the ledger
    // holds it already (it closed, or the crash came after the append). True when the ledger
    // holds it now.
    bool Recover(const Session& session);
    // The sessions the ledger holds, with those waiting to be written.
    std::vector<Session> Sessions() const;

  private:
    bool Write(const Session& session);

    IFileSystem& files_;
    std::string path_;
    std::vector<Session> waiting_;
};

}  // namespace kivrel
