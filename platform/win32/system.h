// The small Windows adapters: clock, executable's directory and revision, connection state, the
// single-instance claim, and opening a file with its default program.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "ports/system_ports.h"

namespace kivrel {

class Win32Clock final : public IClock {
  public:
    LocalTime Now() override;
    int OffsetAt(int64_t utcSeconds) override;
};

class Win32AppInfo final : public IAppInfo {
  public:
    // The directory of the running executable, without a trailing separator.
    std::string ExeDir() override;
    // %APPDATA%\\Kivrel; empty when APPDATA is not set.
    std::string UserDataDir() override;
    std::string PathSeparator() override { return "\\"; }
    // The last field of the running executable's file version (its VERSIONINFO resource); 0 when
    // the executable carries none.
    int Revision() override;
};

// The full path of a module's file (nullptr: the running executable), however long.
std::wstring ModulePath(HMODULE module = nullptr);
// The directory part of a Windows path: everything before the last '\' or '/'.
std::wstring DirectoryOf(const std::wstring& path);
// The last field (the build revision) of the file version in a file's VERSIONINFO resource.
std::optional<int> FileVersionRevision(const std::wstring& file);

// WinINet's judgement: connected exactly when InternetGetConnectedStateExW returns TRUE (1).
class Win32Connection final : public IConnection {
  public:
    bool Connected() override;
    // The friendly names (as the network settings show them: "Ethernet", "宽带连接") of the
    // adapters that are up, are no loopback and carry an IPv4 or IPv6 default route, in the
    // order the system lists its adapters.
    std::vector<std::string> RoutedLinks() override;
    // The network list manager's networks (QueryWindowsNetworks).
    NetworkList ActiveNetworks() override;
    // GetIfEntry2's octet counters of the adapter with that friendly name.
    std::optional<ByteCounters> LinkBytes(const std::string& link) override;
};

// The adapter with the friendly name `name`: its LUID and its interface type (IF_TYPE_*).
struct AdapterInfo {
    ULONG64 luid = 0;
    DWORD ifType = 0;
};
std::optional<AdapterInfo> AdapterNamed(const std::string& name);

// ShellExecuteW's "open": the program the user chose for the file's kind (the default browser for
// a page), started without waiting for it.
class Win32Opener final : public IOpener {
  public:
    bool Open(const std::string& path) override;
};

// The claim is a file opened for the life of the process with no sharing at all, so that a second
// open fails until the process ends, however it ends. It lies in the user's own local application
// data folder (%LOCALAPPDATA%\Kivrel, from the user's profile, not from the environment), which
// only that user (and the system's administrators) may write: one user's copies meet there across
// all of that user's sessions, and no other user can put anything under that name first. (A named
// object, even one in the Global namespace named after the user's SID, can be made first by any
// user, which would keep this user's Kivrel from ever starting.)
class Win32InstanceGuard final : public IInstanceGuard {
  public:
    explicit Win32InstanceGuard(std::wstring path = DefaultPath());
    ~Win32InstanceGuard() override;
    Win32InstanceGuard(const Win32InstanceGuard&) = delete;
    Win32InstanceGuard& operator=(const Win32InstanceGuard&) = delete;

    bool AnotherInstanceRunning() override;

    // <the user's local application data folder>\Kivrel\instance.lock; empty when the folder
    // cannot be told.
    static std::wstring DefaultPath();

  private:
    std::wstring path_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

}  // namespace kivrel
