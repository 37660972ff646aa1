#include "platform/linux/app_info.h"

#include "platform/linux/user_dirs.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

#ifndef KIVREL_REVISION
#error "KIVREL_REVISION must come from the build (the last field of the project version)"
#endif

namespace kivrel {

namespace {

// The target of a symbolic link, however long, or nothing.
std::optional<std::string> ReadLink(const std::string& link) {
    std::vector<char> buffer(256);
    for (;;) {
        ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
        if (n < 0) {
            return std::nullopt;
        }
        if (static_cast<size_t>(n) < buffer.size()) {
            return std::string(buffer.data(), static_cast<size_t>(n));
        }
        buffer.resize(buffer.size() * 2);  // it may have been cut short
    }
}

std::string CurrentDirectory() {
    std::vector<char> buffer(256);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return ".";
        }
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

}  // namespace

LinuxAppInfo::LinuxAppInfo(std::string exeLink, std::string dataHome)
    : exeLink_(std::move(exeLink)), dataHome_(std::move(dataHome)) {}

std::string LinuxAppInfo::DefaultDataHome() {
    return XdgBaseDir("XDG_DATA_HOME", "/.local/share");
}

std::string LinuxAppInfo::UserDataDir() {
    if (dataHome_.empty())
        return {};
    std::string dir = dataHome_;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return (dir == "/" ? "" : dir) + "/kivrel";
}

std::string LinuxAppInfo::ExeDir() {
    // The link names the file even after it was replaced on disk ("... (deleted)"); only the
    // directory part is used, so that suffix does no harm.
    std::optional<std::string> exe = ReadLink(exeLink_);
    if (!exe || exe->empty() || exe->front() != '/') {
        return CurrentDirectory();
    }
    size_t slash = exe->rfind('/');
    return exe->substr(0, slash);
}

int LinuxAppInfo::Revision() {
    return KIVREL_REVISION;
}

}  // namespace kivrel
