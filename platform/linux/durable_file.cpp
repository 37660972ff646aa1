#include "platform/linux/durable_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <utility>
#include <vector>

namespace kivrel {
namespace {

constexpr int kMaxSymlinkHops = 40;
constexpr std::size_t kRandomSuffixLength = 6;  // the XXXXXX of mkostemp
// The largest file read whole: the settings file is kilobytes; anything near this is not one.
constexpr std::size_t kMaxWholeFile = std::size_t{64} << 20;

// Closes a descriptor on every path out of a function.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now and says whether the close succeeded; the descriptor is gone either way.
    bool Close() {
        const int fd = std::exchange(fd_, -1);
        return fd < 0 || ::close(fd) == 0;
    }

  private:
    int fd_;
};

// Splits "dir/name" into its directory ("." when there is none) and its last component.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {".", path};
    }
    std::string dir = slash == 0 ? "/" : path.substr(0, slash);
    return {dir, path.substr(slash + 1)};
}

bool WriteAll(int fd, const std::string& bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const std::size_t chunk = std::min<std::size_t>(left, std::size_t{1} << 30);
        const ssize_t written = ::write(fd, data, chunk);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (written == 0) {
            return false;  // no progress and no error: do not spin
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

// The permission bits a newly created file gets: 0666 less the process's umask. Read from /proc
// so that the umask is never changed, not even for a moment.
mode_t NewFileMode() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            const mode_t mask = static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
            return 0666 & ~(mask & 0777);
        }
    }
    return 0644;
}

bool IsTemporaryName(const std::string& name, const std::string& prefix) {
    if (name.size() != prefix.size() + kRandomSuffixLength ||
        name.compare(0, prefix.size(), prefix) != 0) {
        return false;
    }
    return std::all_of(
        name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        });
}

// The fallback for a writable file in a folder where no temporary can be made: the file itself is
// overwritten from the start, cut to the new length and synced.
bool RewriteInPlace(const std::string& target, const std::string& bytes) {
    FileDescriptor fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd.valid()) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    bool ok = WriteAll(fd.get(), bytes);
    ok = ok && ::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) == 0;
    ok = ok && ::fsync(fd.get()) == 0;
    return fd.Close() && ok;
}

bool UsableFileName(const std::string& name) {
    return !name.empty() && name != "." && name != "..";
}

// What a replacement must look like: the old file's permission bits and owner, or a new file's
// bits where there is none yet.
struct Replaced {
    mode_t mode = 0;
    bool existed = false;
    uid_t uid = 0;
    gid_t gid = 0;
};

// The file at `target` as a replacement finds it; none when it must not be replaced.
std::optional<Replaced> FileToReplace(const std::string& target) {
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        // The rename would happily replace a read-only file (and root passes every access
        // check), so a file without any write bit is refused here.
        if (!S_ISREG(old.st_mode) || (old.st_mode & 0222) == 0 ||
            ::access(target.c_str(), W_OK) != 0) {
            errno = S_ISDIR(old.st_mode) ? EISDIR : S_ISREG(old.st_mode) ? EACCES : EINVAL;
            return std::nullopt;
        }
        return Replaced{old.st_mode & 07777, true, old.st_uid, old.st_gid};
    }
    if (errno == ENOENT) {
        return Replaced{NewFileMode(), false, 0, 0};
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> ResolveWriteTarget(const std::string& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    std::string current = path;
    for (int hop = 0; hop <= kMaxSymlinkHops; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno == ENOENT) {
                return current;  // the file is created by the first write
            }
            return std::nullopt;
        }
        if (!S_ISLNK(st.st_mode)) {
            return current;
        }
        std::vector<char> buffer(PATH_MAX + 1);
        const ssize_t length = ::readlink(current.c_str(), buffer.data(), buffer.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) {
            return std::nullopt;
        }
        std::string link(buffer.data(), static_cast<std::size_t>(length));
        if (link.front() == '/') {
            current = std::move(link);
        } else {
            current = SplitPath(current).first + "/" + link;
        }
    }
    return std::nullopt;  // a loop, or a chain too long to be meant
}

std::string TemporaryPrefix(const std::string& fileName) {
    constexpr std::size_t kNameMax = 255;
    constexpr std::size_t kFixed = 1 + 5 + kRandomSuffixLength;  // ".", ".tmp-", XXXXXX
    std::string prefix = ".";
    prefix += fileName.substr(0, kNameMax - kFixed);
    prefix += ".tmp-";
    return prefix;
}

bool LinuxFileSystem::Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool LinuxFileSystem::Writable(const std::string& path) {
    struct stat st {};
    // access() alone says yes to the administrator for a file without write permission.
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) != 0 &&
           ::access(path.c_str(), W_OK) == 0;
}

bool LinuxFileSystem::Failed(int error) {
    lastError_ = error;
    return false;
}

std::string LinuxFileSystem::FailureReason() {
    return lastError_ != 0 ? std::string(std::strerror(lastError_)) : std::string();
}

bool LinuxFileSystem::SameFile(const std::string& a, const std::string& b) {
    struct stat first {
    }, second{};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool LinuxFileSystem::MakeDirectories(const std::string& path) {
    if (path.empty() || path.front() != '/') {
        return Failed(ENOENT);
    }
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string part = path.substr(0, end);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return Failed(errno);
        }
        if (end == std::string::npos) {
            break;
        }
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return Failed(errno);
    }
    return S_ISDIR(st.st_mode) || Failed(ENOTDIR);
}

std::optional<std::string> LinuxFileSystem::ReadAll(const std::string& path) {
    const std::optional<uint64_t> size = FileSize(path);
    if (!size || *size > kMaxWholeFile) {
        return std::nullopt;
    }
    // Read to its end as it is now: a file that grows while it is read is not followed.
    std::optional<std::string> text = ReadRange(path, 0, kMaxWholeFile);
    if (text && text->size() >= kMaxWholeFile) {
        return std::nullopt;
    }
    return text;
}

std::optional<uint64_t> LinuxFileSystem::FileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(st.st_size);
}

std::optional<std::string> LinuxFileSystem::ReadRange(const std::string& path, uint64_t offset,
                                                      size_t length) {
    // Opened so that nothing can block: a fifo put in the file's place would block the open, and
    // the check below refuses it (and a device) before the first read.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.valid()) {
        Failed(errno);
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        Failed(errno);
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) {
        Failed(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        return std::nullopt;
    }
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    std::string text;
    text.reserve(offset < size ? static_cast<std::size_t>(std::min<uint64_t>(size - offset, length))
                               : 0);
    char buffer[65536];
    while (text.size() < length) {
        const std::size_t want = std::min(sizeof buffer, length - text.size());
        const ssize_t got =
            ::pread(fd.get(), buffer, want, static_cast<off_t>(offset + text.size()));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            Failed(errno);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

bool LinuxFileSystem::CutTo(const std::string& path, uint64_t size) {
    const std::optional<std::string> target = ResolveWriteTarget(path);
    if (!target) {
        return false;
    }
    FileDescriptor fd(::open(target->c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        (st.st_mode & 0222) == 0 || static_cast<uint64_t>(st.st_size) <= size) {
        return false;
    }
    bool ok = ::ftruncate(fd.get(), static_cast<off_t>(size)) == 0;
    ok = ok && ::fsync(fd.get()) == 0;
    return fd.Close() && ok;
}

// Every way out of Replace that fails leaves errno at the reason.
bool LinuxFileSystem::ReplaceAll(const std::string& path, const std::string& bytes) {
    errno = 0;
    return Replace(path, bytes) || Failed(errno != 0 ? errno : EIO);
}

bool LinuxFileSystem::Replace(const std::string& path, const std::string& bytes) {
    const std::optional<std::string> target = ResolveWriteTarget(path);
    if (!target) {
        errno = errno == 0 ? ELOOP : errno;
        return false;
    }
    const auto [dir, name] = SplitPath(*target);
    if (!UsableFileName(name)) {
        errno = EISDIR;
        return false;
    }

    const std::optional<Replaced> old = FileToReplace(*target);
    if (!old) {
        return false;
    }
    const bool existed = old->existed;

    FileDescriptor dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd.valid()) {
        return false;
    }

    const std::string prefix = TemporaryPrefix(name);
    std::string pattern = dir + "/" + prefix + std::string(kRandomSuffixLength, 'X');
    FileDescriptor tmp(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!tmp.valid()) {
        // The folder refuses new files but the file itself may be written. Any other failure (a
        // full disk above all) leaves the file as it is.
        return existed && (errno == EACCES || errno == EPERM) && RewriteInPlace(*target, bytes);
    }
    const std::string tmpName =
        pattern.substr(pattern.size() - prefix.size() - kRandomSuffixLength);

    bool ok = WriteAll(tmp.get(), bytes);
    if (ok && existed && (old->uid != ::geteuid() || old->gid != ::getegid())) {
        // Keeping the owner is only possible with the right privileges; without them the file
        // becomes this user's, which is also what an ordinary save would do.
        const bool ownerKept = ::fchown(tmp.get(), old->uid, old->gid) == 0;
        static_cast<void>(ownerKept);
    }
    ok = ok && ::fchmod(tmp.get(), old->mode) == 0;
    ok = ok && ::fsync(tmp.get()) == 0;
    ok = tmp.Close() && ok;
    ok = ok && ::renameat(dirFd.get(), tmpName.c_str(), dirFd.get(), name.c_str()) == 0;
    if (!ok) {
        const int error = errno;
        ::unlinkat(dirFd.get(), tmpName.c_str(), 0);
        errno = error;
        return false;
    }
    // Make the rename itself durable. File systems that cannot sync a directory say so with
    // EINVAL; there the rename is as durable as it gets.
    if (::fsync(dirFd.get()) != 0 && errno != EINVAL) {
        return false;
    }
    return true;
}

bool LinuxFileSystem::Append(const std::string& path, const std::string& bytes) {
    const std::optional<std::string> target = ResolveWriteTarget(path);
    if (!target) {
        return false;
    }
    const auto [dir, name] = SplitPath(*target);
    if (!UsableFileName(name)) {
        return false;
    }
    // Created here, or opened as it is; O_NONBLOCK keeps a fifo at the path from blocking the
    // open (and changes nothing for a regular file).
    constexpr int kFlags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    bool created = true;
    int raw = ::open(target->c_str(), kFlags | O_CREAT | O_EXCL, 0666);  // less the umask
    if (raw < 0 && errno == EEXIST) {
        created = false;
        raw = ::open(target->c_str(), kFlags);
    }
    FileDescriptor fd(raw);
    if (!fd.valid()) {
        return false;
    }
    struct stat st {};
    // Root may write a file without any write bit; like ReplaceAll, respect the read-only file.
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        (!created && (st.st_mode & 0222) == 0)) {
        return false;
    }
    bool ok = WriteAll(fd.get(), bytes);
    ok = ::fsync(fd.get()) == 0 && ok;
    ok = fd.Close() && ok;
    if (ok && created) {
        // Make the new name durable too; a file system that cannot sync a folder says EINVAL.
        FileDescriptor dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        ok = dirFd.valid() && (::fsync(dirFd.get()) == 0 || errno == EINVAL);
    }
    return ok;
}

void LinuxFileSystem::RemoveStaleTemporaries(const std::string& path) {
    const std::optional<std::string> target = ResolveWriteTarget(path);
    if (!target) {
        return;
    }
    const auto [dir, name] = SplitPath(*target);
    if (!UsableFileName(name)) {
        return;
    }
    const std::string prefix = TemporaryPrefix(name);

    FileDescriptor dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd.valid()) {
        return;
    }
    const int listingFd = ::fcntl(dirFd.get(), F_DUPFD_CLOEXEC, 0);
    DIR* listing = listingFd < 0 ? nullptr : ::fdopendir(listingFd);
    if (listing == nullptr) {
        if (listingFd >= 0) {
            ::close(listingFd);
        }
        return;
    }
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(listing)) {
        std::string entryName = entry->d_name;
        if (IsTemporaryName(entryName, prefix)) {
            stale.push_back(std::move(entryName));
        }
    }
    ::closedir(listing);

    for (const std::string& entryName : stale) {
        struct stat st {};
        // Only plain files: a directory or link that happens to match is not ours.
        if (::fstatat(dirFd.get(), entryName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode)) {
            ::unlinkat(dirFd.get(), entryName.c_str(), 0);
        }
    }
}

}  // namespace kivrel
