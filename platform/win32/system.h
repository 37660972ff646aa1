// The small Windows adapters: clock, executable's directory and revision, connection state, the
// single-instance claim, and opening a file with its default program.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/system_ports.h"

namespace kivrel {

class Win32Clock final : public IClock {
  public:
    LocalTime Now() override;
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
};

// ShellExecuteW's "open": the program the user chose for the file's kind (the default browser for
// a page), started without waiting for it.
class Win32Opener final : public IOpener {
  public:
    bool Open(const std::string& path) override;
};

// A named mutex held for the life of the process; the system releases it when the process ends,
// however it ends. The name carries the user's security identifier and lives in the Global
// namespace, so one user's copies meet across all of that user's sessions while other users'
// copies do not count.
class Win32InstanceGuard final : public IInstanceGuard {
  public:
    explicit Win32InstanceGuard(std::wstring name = DefaultName());
    ~Win32InstanceGuard() override;
    Win32InstanceGuard(const Win32InstanceGuard&) = delete;
    Win32InstanceGuard& operator=(const Win32InstanceGuard&) = delete;

    bool AnotherInstanceRunning() override;

    // "Global\\Kivrel.SingleInstance.<the user's SID>", or the per-session
    // "Local\\Kivrel.SingleInstance" when the SID cannot be read.
    static std::wstring DefaultName();

  private:
    std::wstring name_;
    HANDLE mutex_ = nullptr;
};

}  // namespace kivrel
