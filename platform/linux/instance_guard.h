// One running copy per user, wherever its copies live and however they were started. The claim
// is an flock on lock files that belong to the user, so it dies with the process however the
// process ends, and nothing is ever written beside the executable.
//
// Where the locks lie follows from the uid alone, never from the environment (a start from ssh,
// su or cron often lacks $XDG_RUNTIME_DIR, or has another one), in this order:
//   1. /run/user/<uid>, when it is this user's private folder (a folder, not a link, owned by the
//      user, mode 0700 exactly); logind makes it at the user's first log-in;
//   2. /run/lock/kivrel-<uid>, made private when it is not there; only when it is a private
//      folder of this user's, for another user may have made something under that name first;
//      else the user's data folder under the home folder the password database names.
// A copy takes every lock it can, in that order, and runs only when it got them all: a copy
// started before the user's first log-in (without 1) and one started after it still meet at 2.
// A lock file that is not the user's own (a link, a fifo, someone else's file) is never followed,
// written or locked.
#pragma once

#include <string>
#include <vector>

#include "ports/system_ports.h"

namespace kivrel {

class LinuxInstanceGuard final : public IInstanceGuard {
  public:
    // One place of a lock: the lock folder, taken only when it is a private folder of `owner`'s
    // (made so when `make` and it is not there); else `fallbackDir` (made when missing), if any.
    struct Place {
        std::string dir;
        unsigned owner = 0;
        bool make = false;
        std::string fallbackDir;
    };

    // This user's places (UserPlaces of the effective uid).
    LinuxInstanceGuard();
    // One place: the lock in `runtimeDir` (which must be private), else in `fallbackDir`.
    LinuxInstanceGuard(std::string runtimeDir, std::string fallbackDir);
    explicit LinuxInstanceGuard(std::vector<Place> places);
    ~LinuxInstanceGuard() override;
    LinuxInstanceGuard(const LinuxInstanceGuard&) = delete;
    LinuxInstanceGuard& operator=(const LinuxInstanceGuard&) = delete;

    bool AnotherInstanceRunning() override;

    // The lock file at the first place: <dir>/kivrel-<uid>.lock.
    std::string LockPath() const;
    // The lock files this process holds, in the order of the places; empty while it holds none.
    const std::vector<std::string>& HeldPaths() const { return heldPaths_; }
    std::string HeldPath() const { return heldPaths_.empty() ? std::string() : heldPaths_[0]; }

    // The places of `uid`'s lock, in the order above; the folders are parameters for the tests.
    static std::vector<Place> UserPlaces(unsigned uid, const std::string& runUser = "/run/user",
                                         const std::string& lockRoot = "/run/lock",
                                         const std::string& home = "");
    // A folder, not a link, owned by `uid`, with mode 0700 exactly.
    static bool PrivateFolder(const std::string& dir, unsigned uid);

  private:
    // Opens `path` as this user's lock file: -1 when it is not one (planted by someone else, a
    // link, not a regular file) or cannot be had.
    static int OpenOwnLock(const std::string& path);
    void Release();

    std::vector<Place> places_;
    std::vector<std::string> heldPaths_;
    std::vector<int> fds_;  // open and locked while this process holds the claim
};

}  // namespace kivrel
