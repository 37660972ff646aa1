// The ledger file of closed sessions (sessions.csv beside the settings file): appended to, line by
// line, and synced; never rewritten. It is written in time order, so what a billing period needs
// is read from its end, however many years it holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "rules/ledger.h"
#include "ports/system_ports.h"

namespace kivrel {

// The ledger kept beside a settings file: sessions.csv in the same folder.
std::string LedgerPathBeside(const std::string& settingsFile);

// The sessions of the ledger at `path` that end on `from` or later, read from its end back to
// the first session that ends before `from`; lines that are not sessions among those read are
// counted. A session put out of order before that one is not seen.
LedgerRead ReadLedgerSince(IFileSystem& files, const std::string& path, const LocalDate& from);

// The ledger's first session, read from its start: the day the records began.
std::optional<Session> FirstLedgerSession(IFileSystem& files, const std::string& path);

class SessionLedger {
  public:
    explicit SessionLedger(IFileSystem& files) : files_(files) {}

    void Open(std::string path) {
        path_ = std::move(path);
        read_.reset();
    }
    const std::string& Path() const { return path_; }
    // The closed sessions that end on `since` or later: the file's, then those still waiting to
    // be written. The file is read (from its end back) once for each `since`; the program is its
    // only writer, and keeps what it appends.
    std::vector<Session> Sessions(const LocalDate& since);

    // Appends a closed session. A session that cannot be written now waits and goes first, in
    // order, with the next append; false while any session waits.
    bool Append(const Session& session);
    // Appends the sessions that waited when the program last ended, unless the ledger holds them
    // already; they keep waiting when it cannot take them.
    void Resume(const std::vector<Session>& waiting);
    // A session that a crash left open, closed at its latest tick: appended unless the ledger
    // holds it already (it closed, or the crash came after the append). True when the ledger
    // holds it now.
    bool Recover(const Session& session);
    // The sessions that wait for the ledger, oldest first.
    const std::vector<Session>& Waiting() const { return waiting_; }

  private:
    bool Write(const Session& session);
    bool Holds(const Session& session);

    IFileSystem& files_;
    std::string path_;
    std::vector<Session> waiting_;
    std::optional<std::vector<Session>> read_;  // the file's sessions since readSince_, once read
    LocalDate readSince_;
};

}  // namespace kivrel
