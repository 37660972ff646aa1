#include "platform/linux/instance_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

#include "platform/linux/durable_file.h"
#include "platform/linux/user_dirs.h"

namespace kivrel {

namespace {

std::string LockName() {
    return "kivrel-" + std::to_string(static_cast<unsigned long>(::geteuid())) + ".lock";
}

std::string Join(const std::string& dir, const std::string& name) {
    return dir.empty() ? std::string() : dir + "/" + name;
}

}  // namespace

std::vector<LinuxInstanceGuard::Place> LinuxInstanceGuard::UserPlaces(unsigned uid,
                                                                      const std::string& runUser,
                                                                      const std::string& lockRoot,
                                                                      const std::string& home) {
    const std::string id = std::to_string(uid);
    std::string data = home.empty() ? PasswordHome(uid) : home;
    if (!data.empty()) {
        data += "/.local/share/kivrel";
    }
    return {Place{runUser + "/" + id, uid, false, ""},
            Place{lockRoot + "/kivrel-" + id, uid, true, data}};
}

bool LinuxInstanceGuard::PrivateFolder(const std::string& dir, unsigned uid) {
    struct stat st {};
    return !dir.empty() && ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == uid && (st.st_mode & 07777) == 0700;
}

LinuxInstanceGuard::LinuxInstanceGuard() : places_(UserPlaces(::geteuid())) {}

LinuxInstanceGuard::LinuxInstanceGuard(std::string runtimeDir, std::string fallbackDir)
    : places_{Place{std::move(runtimeDir), ::geteuid(), false, std::move(fallbackDir)}} {}

LinuxInstanceGuard::LinuxInstanceGuard(std::vector<Place> places) : places_(std::move(places)) {}

LinuxInstanceGuard::~LinuxInstanceGuard() {
    Release();
}

void LinuxInstanceGuard::Release() {
    for (int fd : fds_) {
        ::close(fd);  // gives up the claim; the file stays, removing it would race a newcomer
    }
    fds_.clear();
    heldPaths_.clear();
}

std::string LinuxInstanceGuard::LockPath() const {
    return places_.empty() ? std::string() : Join(places_[0].dir, LockName());
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
    if (!fds_.empty()) {
        return false;  // the claim is ours already
    }
    for (const Place& place : places_) {
        if (place.make && ::mkdir(place.dir.c_str(), 0700) == 0) {
            ::chmod(place.dir.c_str(), 0700);  // whatever the umask took away
        }
        std::string path = Join(place.dir, LockName());
        int fd = PrivateFolder(place.dir, place.owner) ? OpenOwnLock(path) : -1;
        if (fd < 0 && !place.fallbackDir.empty()) {
            // The user's data folder is made, private, if it is not there yet.
            LinuxFileSystem().MakeDirectories(place.fallbackDir);
            path = Join(place.fallbackDir, LockName());
            fd = OpenOwnLock(path);
        }
        if (fd < 0) {
            continue;  // no lock to be had here: better to run less guarded than not at all
        }
        int rc;
        do {
            rc = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            const bool held = errno == EWOULDBLOCK;
            ::close(fd);
            if (held) {
                Release();
                return true;
            }
            continue;
        }
        fds_.push_back(fd);
        heldPaths_.push_back(path);
    }
    return false;
}

}  // namespace kivrel
