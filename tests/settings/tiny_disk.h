// A disk of 64 KiB and 32 inodes for tests of what happens when the disk is full: a tmpfs mounted
// in a child process's private mount namespace, so nothing of it is seen outside the child.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "temp_dir.h"

namespace kivrel::testing {

inline bool WriteProcFile(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return ::close(fd) == 0 && ok;
}

// Child side: enter a private mount namespace and mount a 64 KiB tmpfs over `dir`.
inline bool MountTinyDisk(const std::string& dir) {
    if (::geteuid() == 0) {
        if (::unshare(CLONE_NEWNS) != 0) {
            return false;
        }
    } else {
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 ||
            !WriteProcFile("/proc/self/setgroups", "deny") ||
            !WriteProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
            !WriteProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
            return false;
        }
    }
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return false;
    }
    return ::mount("kivrel-test", dir.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                   "size=64k,nr_inodes=32,mode=0700") == 0;
}

struct TinyDiskResult {
    bool cannotMount = false;
    std::string message;  // empty when the checks passed
    bool mountPointEmptyAfter = false;
};

// Runs `checks` in a child on a tiny disk mounted at `dir`/disk; checks return a failure text, or
// nothing when all went well.
inline TinyDiskResult RunOnTinyDisk(const TempDir& dir,
                                    const std::function<std::string(const std::string&)>& checks) {
    constexpr int kCannotMount = 77;
    const std::string mountPoint = dir / "disk";
    std::filesystem::create_directory(mountPoint);
    TinyDiskResult result;
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        result.message = "pipe failed";
        return result;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        if (!MountTinyDisk(mountPoint)) {
            const std::string why = std::strerror(errno);
            (void)!::write(report[1], why.data(), why.size());
            ::_exit(kCannotMount);
        }
        const std::string failure = checks(mountPoint);
        (void)!::write(report[1], failure.data(), failure.size());
        ::_exit(failure.empty() ? 0 : 1);
    }
    ::close(report[1]);
    char buffer[512];
    ssize_t got;
    while ((got = ::read(report[0], buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
        if (got > 0) {
            result.message.append(buffer, static_cast<std::size_t>(got));
        }
    }
    ::close(report[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        result.message = "the tiny-disk child died: " + result.message;
        return result;
    }
    result.cannotMount = WEXITSTATUS(status) == kCannotMount;
    if (!result.cannotMount && WEXITSTATUS(status) != 0 && result.message.empty()) {
        result.message = "the tiny-disk child failed";
    }
    result.mountPointEmptyAfter = dir.Names(mountPoint).empty();
    return result;
}

}  // namespace kivrel::testing
