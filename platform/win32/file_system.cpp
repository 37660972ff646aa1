#include "platform/win32/file_system.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cwctype>

#include "platform/win32/text.h"

namespace kivrel {
namespace {

constexpr DWORD kRetryStepMs = 15;
constexpr size_t kHexDigits = 8;
// The largest file read whole: the settings file is kilobytes; anything near this is not one.
constexpr size_t kMaxWholeFile = size_t{64} << 20;
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Closes a file handle on every path out of a function.
class FileHandle {
  public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { Close(); }
    bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return h_; }
    bool Close() {
        if (h_ == INVALID_HANDLE_VALUE)
            return true;
        const bool ok = CloseHandle(h_) != FALSE;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

  private:
    HANDLE h_;
};

// Errors that another program's open handle causes, and that go away when it lets go (renaming
// over a file that is open without delete sharing is refused as access denied).
bool Transient(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_ACCESS_DENIED;
}

// Runs `attempt` until it succeeds, fails for good, or the time budget is spent. GetLastError()
// afterwards is that of the last attempt.
template <typename Attempt>
bool WithRetry(unsigned budgetMs, Attempt attempt) {
    const ULONGLONG deadline = GetTickCount64() + budgetMs;
    for (;;) {
        if (attempt())
            return true;
        const DWORD error = GetLastError();
        if (!Transient(error) || GetTickCount64() + kRetryStepMs > deadline) {
            SetLastError(error);
            return false;
        }
        Sleep(kRetryStepMs);
    }
}

// `name` in the directory of `path`.
std::wstring Sibling(const std::wstring& path, const std::wstring& name) {
    const size_t cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos)
        return name;
    return path.substr(0, cut + 1) + name;
}

std::wstring FileNameOf(const std::wstring& path) {
    const size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

std::wstring HexSuffix(uint32_t value) {
    static const wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring hex(kHexDigits, L'0');
    for (size_t i = kHexDigits; i-- > 0; value >>= 4)
        hex[i] = kDigits[value & 0xF];
    return hex;
}

// A value that differs between processes, calls and moments; CREATE_NEW settles any collision.
uint32_t NextTemporaryNumber() {
    static std::atomic<uint32_t> counter{0};
    uint64_t x = GetTickCount64() ^ (static_cast<uint64_t>(GetCurrentProcessId()) << 20) ^
                 (static_cast<uint64_t>(counter.fetch_add(1)) * 0x9E3779B97F4A7C15ull);
    x ^= x >> 33;
    x *= 0xFF51AFD7ED558CCDull;
    x ^= x >> 33;
    return static_cast<uint32_t>(x);
}

bool WriteEvery(HANDLE file, const std::string& bytes) {
    const char* data = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(left, size_t{1} << 30));
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written != chunk)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

// Creates a new temporary beside `target` holding `bytes`, flushed to the disk. Returns its path,
// or an empty path (and nothing left behind) on failure; `refused` tells that the folder would
// not take a new file at all.
std::wstring WriteTemporary(const std::wstring& target, const std::string& bytes, bool& refused) {
    refused = false;
    const std::wstring prefix = TemporaryPrefix(FileNameOf(target));
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::wstring temp = Sibling(target, prefix + HexSuffix(NextTemporaryNumber()));
        FileHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) {
            if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)
                continue;
            refused = GetLastError() == ERROR_ACCESS_DENIED;
            return {};
        }
        const bool ok =
            WriteEvery(file.Get(), bytes) && FlushFileBuffers(file.Get()) && file.Close();
        if (!ok) {
            file.Close();
            DeleteFileW(temp.c_str());
            return {};
        }
        return temp;
    }
    return {};
}

// The fallback for a writable file in a folder that takes no new file: the file itself is
// overwritten from the start, cut to the new length and flushed to the disk.
bool RewriteInPlace(const std::wstring& target, const std::string& bytes, unsigned budgetMs) {
    HANDLE h = INVALID_HANDLE_VALUE;
    WithRetry(budgetMs, [&] {
        h = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
        return h != INVALID_HANDLE_VALUE;
    });
    FileHandle file(h);
    return file.Valid() && WriteEvery(file.Get(), bytes) && SetEndOfFile(file.Get()) &&
           FlushFileBuffers(file.Get()) && file.Close();
}

bool MoveInto(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace

std::wstring TemporaryPrefix(const std::wstring& fileName) {
    return fileName + L".kvtmp-";
}

bool IsTemporaryName(const std::wstring& name, const std::wstring& fileName) {
    const std::wstring prefix = TemporaryPrefix(fileName);
    if (name.size() != prefix.size() + kHexDigits)
        return false;
    // File names compare without regard to letter case on Windows.
    if (CompareStringOrdinal(name.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                             static_cast<int>(prefix.size()), TRUE) != CSTR_EQUAL)
        return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                       [](wchar_t c) { return std::iswxdigit(c) != 0; });
}

bool Win32FileSystem::Exists(const std::string& path) {
    const std::wstring wide = Widen(path);
    if (wide.empty())
        return false;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32FileSystem::Writable(const std::string& path) {
    const std::wstring wide = Widen(path);
    if (wide.empty())
        return false;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
        return false;
    // Opening for writing changes nothing; it is refused where the user may not write.
    HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION;  // writable, only busy right now
    CloseHandle(h);
    return true;
}

bool Win32FileSystem::Failed(unsigned long error) {
    lastError_ = error;
    return false;
}

std::string Win32FileSystem::FailureReason() {
    return lastError_ != 0 ? SystemErrorText(lastError_) : std::string();
}

bool Win32FileSystem::SameFile(const std::string& a, const std::string& b) {
    const auto identity = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
        const std::wstring wide = Widen(path);
        if (wide.empty())
            return false;
        // No access asked: only the file's identity is read. Folders open with backup semantics.
        HANDLE h =
            CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        const bool known = GetFileInformationByHandle(h, &info) != FALSE;
        CloseHandle(h);
        return known;
    };
    BY_HANDLE_FILE_INFORMATION first{}, second{};
    return identity(a, first) && identity(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

bool Win32FileSystem::MakeDirectories(const std::string& path) {
    const std::wstring wide = Widen(path);
    if (wide.empty())
        return Failed(ERROR_INVALID_NAME);
    // Every prefix ending before a separator, then the whole path; the drive and the share
    // root fail harmlessly.
    for (size_t end = wide.find_first_of(L"\\/", 1);; end = wide.find_first_of(L"\\/", end + 1)) {
        const std::wstring part = wide.substr(0, end);
        if (!part.empty() && part.back() != L':')
            CreateDirectoryW(part.c_str(), nullptr);
        if (end == std::wstring::npos)
            break;
    }
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Failed(GetLastError());
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || Failed(ERROR_DIRECTORY);
}

// Opens `path` for reading when it is a file on a disk; a pipe or a device ("CON", "NUL", a
// named pipe) is closed again before anything is read from it.
HANDLE Win32FileSystem::OpenDiskFile(const std::string& path) {
    const std::wstring wide = Widen(path);
    if (wide.empty()) {
        Failed(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE h = INVALID_HANDLE_VALUE;
    WithRetry(retryBudgetMs_, [&] {
        h = CreateFileW(wide.c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        return h != INVALID_HANDLE_VALUE;
    });
    if (h == INVALID_HANDLE_VALUE) {
        Failed(GetLastError());
        return INVALID_HANDLE_VALUE;
    }
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        Failed(ERROR_INVALID_FUNCTION);
        return INVALID_HANDLE_VALUE;
    }
    return h;
}

std::optional<std::string> Win32FileSystem::ReadAll(const std::string& path) {
    const std::optional<uint64_t> size = FileSize(path);
    if (!size || *size >= kMaxWholeFile)
        return std::nullopt;
    std::optional<std::string> text = ReadRange(path, 0, kMaxWholeFile);
    if (text && text->size() >= kMaxWholeFile)
        return std::nullopt;
    return text;
}

std::optional<uint64_t> Win32FileSystem::FileSize(const std::string& path) {
    FileHandle file(OpenDiskFile(path));
    LARGE_INTEGER size{};
    if (!file.Valid() || !GetFileSizeEx(file.Get(), &size))
        return std::nullopt;
    return static_cast<uint64_t>(size.QuadPart);
}

std::optional<std::string> Win32FileSystem::ReadRange(const std::string& path, uint64_t offset,
                                                      size_t length) {
    FileHandle file(OpenDiskFile(path));
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!file.Valid() || !SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN))
        return std::nullopt;
    std::string text;
    char buffer[16384];
    while (text.size() < length) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min(sizeof buffer, length - text.size()));
        if (!ReadFile(file.Get(), buffer, want, &got, nullptr)) {
            Failed(GetLastError());
            return std::nullopt;
        }
        if (got == 0)
            break;
        text.append(buffer, got);
    }
    return text;
}

bool Win32FileSystem::CutTo(const std::string& path, uint64_t size) {
    const std::wstring target = Widen(path);
    if (target.empty())
        return false;
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
        return false;
    HANDLE h = INVALID_HANDLE_VALUE;
    WithRetry(retryBudgetMs_, [&] {
        h = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
        return h != INVALID_HANDLE_VALUE;
    });
    FileHandle file(h);
    LARGE_INTEGER now{}, at{};
    at.QuadPart = static_cast<LONGLONG>(size);
    if (!file.Valid() || GetFileType(file.Get()) != FILE_TYPE_DISK ||
        !GetFileSizeEx(file.Get(), &now) || static_cast<uint64_t>(now.QuadPart) <= size)
        return false;
    bool ok = SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get());
    ok = ok && FlushFileBuffers(file.Get());
    return file.Close() && ok;
}

// Every way out of Replace that fails leaves the last error at the reason.
bool Win32FileSystem::ReplaceAll(const std::string& path, const std::string& bytes) {
    SetLastError(ERROR_SUCCESS);
    if (Replace(path, bytes))
        return true;
    const DWORD error = GetLastError();
    return Failed(error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT);
}

bool Win32FileSystem::Replace(const std::string& path, const std::string& bytes) {
    const std::wstring target = Widen(path);
    if (target.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    WIN32_FILE_ATTRIBUTE_DATA old{};
    const bool exists = GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &old) != FALSE;
    if (!exists && GetLastError() != ERROR_FILE_NOT_FOUND)
        return false;  // a missing directory, a bad name, no access
    if (exists && (old.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;  // the user made it read-only: respect that
    }

    bool refused = false;
    const std::wstring temp = WriteTemporary(target, bytes, refused);
    if (temp.empty())
        return exists && refused && RewriteInPlace(target, bytes, retryBudgetMs_);
    if (exists) {
        // The new file takes the old one's place as it was: hidden stays hidden, and the file
        // keeps its creation time.
        SetFileAttributesW(temp.c_str(), old.dwFileAttributes & kKeptAttributes);
        HANDLE h = CreateFileW(temp.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            SetFileTime(h, &old.ftCreationTime, nullptr, nullptr);
            CloseHandle(h);
        }
    }
    // One rename that replaces the target: at every moment the target holds the old or the new
    // contents in full.
    if (WithRetry(retryBudgetMs_, [&] { return MoveInto(temp, target); }))
        return true;
    const DWORD error = GetLastError();
    DeleteFileW(temp.c_str());
    SetLastError(error);
    return false;
}

bool Win32FileSystem::Append(const std::string& path, const std::string& bytes) {
    const std::wstring target = Widen(path);
    if (target.empty())
        return false;
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
        return false;  // the user made it read-only: respect that
    HANDLE h = INVALID_HANDLE_VALUE;
    WithRetry(retryBudgetMs_, [&] {
        h = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
        return h != INVALID_HANDLE_VALUE;
    });
    FileHandle file(h);
    // No other writer shares the handle, so the end found here stays the end.
    if (!file.Valid() || GetFileType(file.Get()) != FILE_TYPE_DISK ||
        !SetFilePointerEx(file.Get(), LARGE_INTEGER{}, nullptr, FILE_END))
        return false;
    bool ok = WriteEvery(file.Get(), bytes);
    ok = FlushFileBuffers(file.Get()) && ok;
    return file.Close() && ok;
}

void Win32FileSystem::RemoveStaleTemporaries(const std::string& path) {
    const std::wstring target = Widen(path);
    if (target.empty())
        return;
    const std::wstring fileName = FileNameOf(target);
    const std::wstring pattern = Sibling(target, TemporaryPrefix(fileName) + L"*");
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            continue;
        if (IsTemporaryName(found.cFileName, fileName))
            DeleteFileW(Sibling(target, found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace kivrel
