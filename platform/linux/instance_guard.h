// One running copy per user, wherever its copies live. The claim is an flock on a lock file that
// belongs to the user, so it dies with the process however the process ends, and nothing is ever
// written beside the executable.
//
// The lock file is <runtimeDir>/kivrel-<uid>.lock. The runtime folder is $XDG_RUNTIME_DIR when it
// is the user's own private folder, else /tmp, which every user may write: there another user may
// have planted something under that name first (a link, a file of their own). Such a thing is
// never followed, written or locked: the lock then goes to the fallback folder, the user's own
// data folder, instead, so that it can neither stop the program nor fake another copy.
#pragma once

#include <string>

#include "platform/linux/app_info.h"
#include "platform/ports.h"

namespace kivrel {

class LinuxInstanceGuard final : public IInstanceGuard {
  public:
    explicit LinuxInstanceGuard(std::string runtimeDir = DefaultRuntimeDir(),
                                std::string fallbackDir = LinuxAppInfo().UserDataDir());
    ~LinuxInstanceGuard() override;
    LinuxInstanceGuard(const LinuxInstanceGuard&) = delete;
    LinuxInstanceGuard& operator=(const LinuxInstanceGuard&) = delete;

    bool AnotherInstanceRunning() override;

    // The lock file in the runtime folder: <runtimeDir>/kivrel-<uid>.lock.
    const std::string& LockPath() const { return lockPath_; }
    // The lock file this process holds, empty while it holds none.
    const std::string& HeldPath() const { return heldPath_; }

    // $XDG_RUNTIME_DIR when it is an absolute path to a folder that belongs to this user and that
    // no one else may enter, else "/tmp".
    static std::string DefaultRuntimeDir();

  private:
    // Opens `path` as this user's lock file: -1 when it is not one (planted by someone else, a
    // link, not a regular file) or cannot be had.
    static int OpenOwnLock(const std::string& path);

    std::string lockPath_;
    std::string fallbackPath_;
    std::string heldPath_;
    int fd_ = -1;  // open and locked while this process holds the claim
};

}  // namespace kivrel
