#include "platform/win32/hang_up.h"

// The socket headers come before the IP helper's.
#include <winsock2.h>
#include <ws2ipdef.h>

#include <iphlpapi.h>
#include <netioapi.h>
#include <ras.h>
#include <raserror.h>
#include <wlanapi.h>

#include <optional>

#include "platform/win32/system.h"
#include "platform/win32/text.h"

namespace kivrel {

namespace {

// The RAS connection whose entry is named `link` (its adapter's friendly name), if one is up.
std::optional<HRASCONN> RasConnectionNamed(const std::string& link) {
    std::vector<RASCONNW> connections(1);
    connections[0].dwSize = sizeof(RASCONNW);
    DWORD bytes = sizeof(RASCONNW), count = 0;
    DWORD rc = RasEnumConnectionsW(connections.data(), &bytes, &count);
    if (rc == ERROR_BUFFER_TOO_SMALL) {
        RASCONNW blank{};
        connections.assign(bytes / sizeof(RASCONNW) + 1, blank);
        for (RASCONNW& c : connections)
            c.dwSize = sizeof(RASCONNW);
        bytes = static_cast<DWORD>(connections.size() * sizeof(RASCONNW));
        rc = RasEnumConnectionsW(connections.data(), &bytes, &count);
    }
    if (rc != ERROR_SUCCESS)
        return std::nullopt;
    const std::wstring name = Widen(link);
    for (DWORD i = 0; i < count && i < connections.size(); ++i)
        if (name == connections[i].szEntryName)
            return connections[i].hrasconn;
    return std::nullopt;
}

std::optional<GUID> WifiAdapterNamed(const std::string& link) {
    const std::optional<AdapterInfo> adapter = AdapterNamed(link);
    if (!adapter || adapter->ifType != IF_TYPE_IEEE80211)
        return std::nullopt;
    NET_LUID luid{};
    luid.Value = adapter->luid;
    GUID guid{};
    if (ConvertInterfaceLuidToGuid(&luid, &guid) != NO_ERROR)
        return std::nullopt;
    return guid;
}

HangUpResult RunCommand(const std::vector<std::string>& command) {
    // The words joined again by one blank: none holds a blank, so each reaches the program as
    // one argument (a word the program itself reads specially, such as one with quotes, is the
    // user's to write).
    std::wstring line;
    for (const std::string& word : command) {
        if (!line.empty())
            line += L' ';
        line += Widen(word);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process))
        return {false, SystemErrorText("CreateProcess", GetLastError())};
    CloseHandle(process.hThread);
    HangUpResult result;
    if (WaitForSingleObject(process.hProcess, 5000) != WAIT_OBJECT_0) {
        result.why = command.front() + " 没有在规定时间内结束";
    } else {
        DWORD status = 1;
        GetExitCodeProcess(process.hProcess, &status);
        result.done = status == 0;
        if (!result.done)
            result.why = command.front() + " 退出状态 " + std::to_string(status);
    }
    CloseHandle(process.hProcess);
    return result;
}

}  // namespace

HangUpWay ChooseHangUpWay(bool rasConnection, bool wifiAdapter, bool command) {
    if (rasConnection)
        return HangUpWay::Ras;
    if (wifiAdapter)
        return HangUpWay::Wlan;
    return command ? HangUpWay::Command : HangUpWay::None;
}

std::string SystemErrorText(const char* call, DWORD code) {
    return std::string(call) + " 失败（错误 " + std::to_string(code) + "）";
}

bool Win32HangUp::CanHangUp(const std::string& link, const std::vector<std::string>& command) {
    return ChooseHangUpWay(RasConnectionNamed(link).has_value(), WifiAdapterNamed(link).has_value(),
                           !command.empty()) != HangUpWay::None;
}

HangUpResult Win32HangUp::HangUp(const std::string& link, const std::vector<std::string>& command) {
    const std::optional<HRASCONN> ras = RasConnectionNamed(link);
    const std::optional<GUID> wifi = WifiAdapterNamed(link);
    switch (ChooseHangUpWay(ras.has_value(), wifi.has_value(), !command.empty())) {
        case HangUpWay::Ras: {
            const DWORD rc = RasHangUpW(*ras);
            return rc == ERROR_SUCCESS ? HangUpResult{true, ""}
                                       : HangUpResult{false, SystemErrorText("RasHangUp", rc)};
        }
        case HangUpWay::Wlan: {
            HANDLE client = nullptr;
            DWORD version = 0;
            DWORD rc = WlanOpenHandle(2, nullptr, &version, &client);
            if (rc == ERROR_SUCCESS) {
                rc = WlanDisconnect(client, &*wifi, nullptr);
                WlanCloseHandle(client, nullptr);
            }
            return rc == ERROR_SUCCESS ? HangUpResult{true, ""}
                                       : HangUpResult{false, SystemErrorText("WlanDisconnect", rc)};
        }
        case HangUpWay::Command:
            return RunCommand(command);
        case HangUpWay::None:
            break;
    }
    return {false, "没有设置 [Guard] HangUpCommand"};
}

}  // namespace kivrel
