#include "platform/win32/system.h"

#include "platform/win32/networks.h"

// The socket headers come before the IP helper's.
#include <winsock2.h>
#include <ws2ipdef.h>

#include <iphlpapi.h>
#include <netioapi.h>
#include <sddl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wininet.h>

#include <algorithm>
#include <vector>

#include "platform/win32/text.h"

namespace kivrel {

LocalTime Win32Clock::Now() {
    // The local time and its offset from the same instant, so that a change of daylight saving
    // time between two calls cannot pair one with the other.
    SYSTEMTIME utc{};
    GetSystemTime(&utc);
    SYSTEMTIME local{};
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        local = utc;
    FILETIME utcFile{}, localFile{};
    SystemTimeToFileTime(&utc, &utcFile);
    SystemTimeToFileTime(&local, &localFile);
    const auto ticks = [](const FILETIME& f) {
        return static_cast<int64_t>((static_cast<uint64_t>(f.dwHighDateTime) << 32) |
                                    f.dwLowDateTime);
    };
    // FILETIME counts 100 ns: 600,000,000 to the minute.
    const int offset = static_cast<int>((ticks(localFile) - ticks(utcFile)) / 600000000);
    return LocalTime{LocalDate{local.wYear, local.wMonth, local.wDay}, local.wHour, local.wMinute,
                     local.wSecond, offset};
}

int Win32Clock::OffsetAt(int64_t utcSeconds) {
    // FILETIME counts 100 ns from 1601-01-01: 11644473600 s before 1970.
    const uint64_t ticks = static_cast<uint64_t>(utcSeconds + 11644473600LL) * 10000000ULL;
    const FILETIME utcFile{static_cast<DWORD>(ticks & 0xFFFFFFFFu),
                           static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc{}, local{};
    FILETIME localFile{};
    if (!FileTimeToSystemTime(&utcFile, &utc))
        return 0;
    // The zone's rules of that year where the system keeps them, else its current rules.
    DYNAMIC_TIME_ZONE_INFORMATION dynamicZone{};
    TIME_ZONE_INFORMATION zone{};
    const bool ofYear = GetDynamicTimeZoneInformation(&dynamicZone) != TIME_ZONE_ID_INVALID &&
                        GetTimeZoneInformationForYear(utc.wYear, &dynamicZone, &zone);
    if (!SystemTimeToTzSpecificLocalTime(ofYear ? &zone : nullptr, &utc, &local))
        return 0;
    if (!SystemTimeToFileTime(&local, &localFile))
        return 0;
    const auto value = [](const FILETIME& f) {
        return static_cast<int64_t>((static_cast<uint64_t>(f.dwHighDateTime) << 32) |
                                    f.dwLowDateTime);
    };
    return static_cast<int>((value(localFile) - value(utcFile)) / 600000000);
}

std::wstring ModulePath(HMODULE module) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n =
            GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return {};
        // A full buffer means the name may have been cut short.
        if (n < buffer.size())
            return std::wstring(buffer.data(), n);
        if (buffer.size() >= 32768)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring DirectoryOf(const std::wstring& path) {
    const size_t cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos)
        return L".";
    return path.substr(0, cut);
}

std::string Win32AppInfo::ExeDir() {
    const std::wstring exe = ModulePath();
    if (exe.empty())
        return ".";
    return Narrow(DirectoryOf(exe));
}

std::string Win32AppInfo::UserDataDir() {
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD n = GetEnvironmentVariableW(L"APPDATA", buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n >= buffer.size()) {
        buffer.resize(n);
        n = GetEnvironmentVariableW(L"APPDATA", buffer.data(), static_cast<DWORD>(buffer.size()));
    }
    if (n == 0 || n >= buffer.size())
        return {};
    std::wstring dir(buffer.data(), n);
    while (!dir.empty() && (dir.back() == L'\\' || dir.back() == L'/'))
        dir.pop_back();
    return dir.empty() ? std::string() : Narrow(dir + L"\\Kivrel");
}

std::optional<int> FileVersionRevision(const std::wstring& file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0)
        return std::nullopt;
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data()))
        return std::nullopt;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
        fixed == nullptr || length < sizeof(VS_FIXEDFILEINFO))
        return std::nullopt;
    return static_cast<int>(LOWORD(fixed->dwFileVersionLS));
}

int Win32AppInfo::Revision() {
    return FileVersionRevision(ModulePath()).value_or(0);
}

bool Win32Connection::Connected() {
    DWORD flags = 0;
    wchar_t name[256] = {};
    return InternetGetConnectedStateExW(&flags, name, 254, 0) == TRUE;
}

NetworkList Win32Connection::ActiveNetworks() {
    return QueryWindowsNetworks();
}

std::optional<AdapterInfo> AdapterNamed(const std::string& name) {
    const std::vector<unsigned char> buffer = AdapterList();
    if (buffer.empty())
        return std::nullopt;
    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data());
         adapter != nullptr; adapter = adapter->Next) {
        if (adapter->FriendlyName != nullptr && Narrow(adapter->FriendlyName) == name)
            return AdapterInfo{adapter->Luid.Value, adapter->IfType};
    }
    return std::nullopt;
}

std::optional<ByteCounters> Win32Connection::LinkBytes(const std::string& link) {
    const std::optional<AdapterInfo> adapter = AdapterNamed(link);
    if (!adapter)
        return std::nullopt;
    MIB_IF_ROW2 row{};
    row.InterfaceLuid.Value = adapter->luid;
    if (GetIfEntry2(&row) != NO_ERROR)
        return std::nullopt;
    return ByteCounters{row.InOctets, row.OutOctets};
}

std::vector<std::string> Win32Connection::RoutedLinks() {
    std::vector<std::string> links;
    // The interfaces that carry a default route (0.0.0.0/0 or ::/0): the routing table only,
    // nothing goes out on the network.
    std::vector<ULONG64> routed;
    MIB_IPFORWARD_TABLE2* table = nullptr;
    if (GetIpForwardTable2(AF_UNSPEC, &table) != NO_ERROR || table == nullptr)
        return links;
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        if (table->Table[i].DestinationPrefix.PrefixLength == 0)
            routed.push_back(table->Table[i].InterfaceLuid.Value);
    }
    FreeMibTable(table);
    if (routed.empty())
        return links;

    const std::vector<unsigned char> buffer = AdapterList();
    if (buffer.empty())
        return links;
    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data());
         adapter != nullptr; adapter = adapter->Next) {
        if (adapter->OperStatus != IfOperStatusUp || adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK ||
            adapter->FriendlyName == nullptr ||
            std::find(routed.begin(), routed.end(), adapter->Luid.Value) == routed.end())
            continue;
        std::string name = Narrow(adapter->FriendlyName);
        if (!name.empty() && std::find(links.begin(), links.end(), name) == links.end())
            links.push_back(std::move(name));
    }
    return links;
}

std::wstring Win32InstanceGuard::DefaultPath() {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(
            SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)) ||
        folder[0] == L'\0')
        return {};
    return std::wstring(folder) + L"\\Kivrel\\instance.lock";
}

Win32InstanceGuard::Win32InstanceGuard(std::wstring path) : path_(std::move(path)) {}

Win32InstanceGuard::~Win32InstanceGuard() {
    if (file_ != INVALID_HANDLE_VALUE)
        CloseHandle(file_);  // gives up the claim; the file stays
}

bool Win32InstanceGuard::AnotherInstanceRunning() {
    if (file_ != INVALID_HANDLE_VALUE || path_.empty())
        return false;  // held already, or no place for a lock: better unguarded than not at all
    CreateDirectoryW(path_.substr(0, path_.rfind(L'\\')).c_str(), nullptr);
    // No sharing: every other open of the file fails while this handle is open. The handle is
    // not inherited by programs this one starts.
    const HANDLE file = CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION;
    file_ = file;
    return false;
}

bool Win32Opener::Open(const std::string& path) {
    // Values above 32 mean success; the started program is not waited for.
    const HINSTANCE result =
        ShellExecuteW(nullptr, L"open", Widen(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace kivrel
