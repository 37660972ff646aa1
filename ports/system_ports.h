// The ports of the system side: connection state, clock, files, the one-copy guard, start at
// log-on, what the program knows of itself, and opening a file with the desktop's program for it.
// The Linux and Win32 system adapters implement them; they know nothing of the window. All texts
// crossing these ports are UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "vocabulary/calendar.h"
#include "rules/network.h"
#include "rules/idle_guard.h"

namespace kivrel {

class IConnection {
  public:
    virtual ~IConnection() = default;
    // One yes-or-no answer per tick: is the machine connected to the Internet? Never blocks and
    // never sends traffic.
    virtual bool Connected() = 0;
    // The names of the interfaces that carry a usable default route right now, in the system's
    // order, each once; empty when none does. Never blocks and never sends traffic.
    virtual std::vector<std::string> RoutedLinks() = 0;
    // The networks the system's network service has up now (NetworkManager's active connections,
    // Windows' connected networks), or why it could not be asked. Only reads: it changes no
    // connection and asks for no permission. Asked only when the settings bill a network by its
    // name or its metered flag, so that the service's library is loaded only then.
    virtual NetworkList ActiveNetworks() = 0;
    // The byte counters of the interface `link`, in and out since it came up; none when the
    // system does not tell them. Never blocks and never sends traffic.
    virtual std::optional<ByteCounters> LinkBytes(const std::string& link) = 0;
};

// What became of a request to end a connection.
struct HangUpResult {
    bool done = false;
    std::string why;  // when not done: why, in the user's words
};

// Ends the billed connection when the user asked for it. The core names the link, and the
// command the user gave (split into its words, empty when none) for systems that offer no other
// way; the adapter never ends any other connection.
class IHangUp {
  public:
    virtual ~IHangUp() = default;
    // Whether `link` can be ended on this system (with `command` where nothing else can).
    virtual bool CanHangUp(const std::string& link, const std::vector<std::string>& command) = 0;
    virtual HangUpResult HangUp(const std::string& link,
                                const std::vector<std::string>& command) = 0;
};

class IClock {
  public:
    virtual ~IClock() = default;
    // The local wall-clock time now, with its offset from UTC.
    virtual LocalTime Now() = 0;
    LocalDate Today() { return Now().date; }
    // The offset of local time from UTC, in minutes, in force at `utcSeconds` (seconds since
    // 1970-01-01 00:00 UTC) in the user's time zone, with its summer time rules.
    virtual int OffsetAt(int64_t utcSeconds) = 0;
    // That question as the pure rules take it; valid while this clock lives.
    UtcOffsets Offsets() {
        return [this](int64_t utcSeconds) { return OffsetAt(utcSeconds); };
    }
};

class IFileSystem {
  public:
    virtual ~IFileSystem() = default;
    virtual bool Exists(const std::string& path) = 0;
    // Whether this user may change the existing file `path` (a file without any write permission
    // counts as not writable even for an administrator).
    virtual bool Writable(const std::string& path) = 0;
    // Creates the directory `path` and any missing parents, private to this user; true when it
    // exists afterwards.
    virtual bool MakeDirectories(const std::string& path) = 0;
    // The whole of a regular file, or nothing when it cannot be read or is not a regular file (a
    // fifo, a device: reading one could block or never end).
    virtual std::optional<std::string> ReadAll(const std::string& path) = 0;
    // The size in bytes of the regular file `path`; nothing when it is not one or is missing.
    virtual std::optional<uint64_t> FileSize(const std::string& path) = 0;
    // Up to `length` bytes of the regular file `path` from byte `offset`, fewer at its end;
    // nothing when it cannot be read or is not a regular file.
    virtual std::optional<std::string> ReadRange(const std::string& path, uint64_t offset,
                                                 size_t length) = 0;
    // Cuts the regular file `path` back to its first `size` bytes and flushes it to the disk.
    // False, leaving it as it is, for a file that is not longer or cannot be written.
    virtual bool CutTo(const std::string& path, uint64_t size) = 0;
    // Durable whole-file replace: either the file holds exactly `bytes` afterwards and true is
    // returned, or it is left byte-identical and false is returned. Only when no temporary file
    // can be made beside a writable file is the file rewritten in place (written, flushed to the
    // disk); a failure there may leave it damaged, and false is returned.
    virtual bool ReplaceAll(const std::string& path, const std::string& bytes) = 0;
    // Appends `bytes` at the end of the file, creating it when missing (with the permissions the
    // program's other files get), and flushes it to the disk. True only when every byte was
    // written and flushed; after a failure part of the bytes may have reached the file.
    virtual bool Append(const std::string& path, const std::string& bytes) = 0;
    // Removes temporary files that a killed process left beside `path`.
    virtual void RemoveStaleTemporaries(const std::string& path) = 0;
    // Whether `a` and `b` name one existing file: the same path, a link to it, or another path
    // to it (the file's identity is compared, not the names).
    virtual bool SameFile(const std::string& a, const std::string& b) = 0;
    // The system's own words for why the latest ReadAll, ReplaceAll or MakeDirectories of this
    // object that failed did fail ("Read-only file system"); empty when it said nothing.
    virtual std::string FailureReason() = 0;
};

class IAppInfo {
  public:
    virtual ~IAppInfo() = default;
    // The directory that holds the executable, without a trailing separator.
    virtual std::string ExeDir() = 0;
    // The directory of this user's own files for the program ($XDG_DATA_HOME/kivrel,
    // %APPDATA%\\Kivrel), without a trailing separator; empty when it cannot be told.
    virtual std::string UserDataDir() = 0;
    // The platform's directory separator ("/" or "\\").
    virtual std::string PathSeparator() = 0;
    // The build revision: the last field of the executable's version.
    virtual int Revision() = 0;
};

class IInstanceGuard {
  public:
    virtual ~IInstanceGuard() = default;
    // True when another copy of the program is already running. Otherwise this process now holds
    // the claim for as long as it lives; a killed process leaves no claim behind.
    virtual bool AnotherInstanceRunning() = 0;
};

class IAutostart {
  public:
    virtual ~IAutostart() = default;
    // Enters the executable in `exeDir` to start at log-on. Returns false and says why on failure.
    virtual bool Enter(const std::string& exeDir, std::string& why) = 0;
    // Removes that entry; removing an entry that is not there succeeds.
    virtual bool Remove(std::string& why) = 0;
};

class IOpener {
  public:
    virtual ~IOpener() = default;
    // Opens the file `path` with the desktop's default program for its kind (a page in the
    // default browser), without waiting for that program. False when it could not be started.
    virtual bool Open(const std::string& path) = 0;
};

}  // namespace kivrel
