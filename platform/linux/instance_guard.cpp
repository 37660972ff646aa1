#include "platform/linux/instance_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace kivrel {

namespace {

// FNV-1a: stable from build to build, unlike std::hash, so every copy of the program that lives
// in the same directory arrives at the same lock file.
uint64_t Fnv1a(const std::string& text) {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::string LockName(const std::string& exeDir) {
    char name[64];
    std::snprintf(name, sizeof name, "kivrel-%lu-%016llx.lock",
                  static_cast<unsigned long>(::getuid()),
                  static_cast<unsigned long long>(Fnv1a(exeDir)));
    return name;
}

}  // namespace

std::string LinuxInstanceGuard::DefaultRuntimeDir() {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (dir != nullptr && dir[0] == '/' && ::stat(dir, &st) == 0 && S_ISDIR(st.st_mode)) {
        return dir;
    }
    return "/tmp";
}

LinuxInstanceGuard::LinuxInstanceGuard(std::string exeDir, std::string runtimeDir)
    : lockPath_(std::move(runtimeDir) + "/" + LockName(exeDir)) {}

LinuxInstanceGuard::~LinuxInstanceGuard() {
    if (fd_ >= 0) {
        ::close(fd_);  // gives up the claim; the file stays, removing it would race a newcomer
    }
}

bool LinuxInstanceGuard::AnotherInstanceRunning() {
    if (fd_ >= 0) {
        return false;  // the claim is ours already
    }
    // O_NOFOLLOW: in a shared /tmp someone else could have planted a link under our name.
    int fd = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return false;  // no lock to be had: better to run unguarded than not at all
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) {
        fd_ = fd;
        return false;
    }
    bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

}  // namespace kivrel
