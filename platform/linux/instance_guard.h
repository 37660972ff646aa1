// One running copy per installation directory. The claim is an flock on a lock file in the
// user's runtime directory, so it dies with the process however the process ends, and nothing is
// ever written beside the executable.
#pragma once

#include <string>

#include "platform/linux/app_info.h"
#include "platform/system_ports.h"

namespace kivrel {

class LinuxInstanceGuard final : public IInstanceGuard {
  public:
    // `exeDir` tells installations apart; `runtimeDir` is where the lock file goes, by default
    // $XDG_RUNTIME_DIR, or /tmp when that is not usable.
    explicit LinuxInstanceGuard(std::string exeDir = LinuxAppInfo().ExeDir(),
                                std::string runtimeDir = DefaultRuntimeDir());
    ~LinuxInstanceGuard() override;
    LinuxInstanceGuard(const LinuxInstanceGuard&) = delete;
    LinuxInstanceGuard& operator=(const LinuxInstanceGuard&) = delete;

    bool AnotherInstanceRunning() override;

    // The lock file: <runtimeDir>/kivrel-<uid>-<hash of exeDir>.lock.
    const std::string& LockPath() const { return lockPath_; }

    // $XDG_RUNTIME_DIR when it names an existing directory by an absolute path, else "/tmp".
    static std::string DefaultRuntimeDir();

  private:
    std::string lockPath_;
    int fd_ = -1;  // open and locked while this process holds the claim
};

}  // namespace kivrel
