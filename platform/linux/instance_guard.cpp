#include "platform/linux/instance_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>

#include "platform/linux/durable_file.h"

namespace kivrel {

namespace {

std::string LockName() {
    return "kivrel-" + std::to_string(static_cast<unsigned long>(::geteuid())) + ".lock";
}

std::string Join(const std::string& dir, const std::string& name) {
    return dir.empty() ? std::string() : dir + "/" + name;
}

}  // namespace

std::string LinuxInstanceGuard::DefaultRuntimeDir() {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (dir != nullptr && dir[0] == '/' && ::stat(dir, &st) == 0 && S_ISDIR(st.st_mode) &&
        st.st_uid == ::geteuid() && (st.st_mode & 0077) == 0) {
        return dir;
    }
    return "/tmp";
}

LinuxInstanceGuard::LinuxInstanceGuard(std::string runtimeDir, std::string fallbackDir)
    : lockPath_(Join(runtimeDir, LockName())), fallbackPath_(Join(fallbackDir, LockName())) {}

LinuxInstanceGuard::~LinuxInstanceGuard() {
    if (fd_ >= 0) {
        ::close(fd_);  // gives up the claim; the file stays, removing it would race a newcomer
    }
}

int LinuxInstanceGuard::OpenOwnLock(const std::string& path) {
    if (path.empty()) {
        return -1;
    }
    // O_NOFOLLOW: a planted link is not followed; O_NONBLOCK: a planted fifo does not hang.
    const int fd =
        ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);  // someone else's: neither locked nor trusted
        return -1;
    }
    return fd;
}

bool LinuxInstanceGuard::AnotherInstanceRunning() {
    if (fd_ >= 0) {
        return false;  // the claim is ours already
    }
    std::string path = lockPath_;
    int fd = OpenOwnLock(path);
    if (fd < 0 && !fallbackPath_.empty()) {
        // The user's data folder is made, private, if it is not there yet.
        LinuxFileSystem().MakeDirectories(fallbackPath_.substr(0, fallbackPath_.rfind('/')));
        path = fallbackPath_;
        fd = OpenOwnLock(path);
    }
    if (fd < 0) {
        return false;  // no lock to be had: better to run unguarded than not at all
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) {
        fd_ = fd;
        heldPath_ = path;
        return false;
    }
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

}  // namespace kivrel
