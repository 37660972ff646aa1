#include "platform/win32/autostart.h"

#include "platform/win32/text.h"

namespace kivrel {
namespace {

class RegKey {
  public:
    RegKey() = default;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() {
        if (key_ != nullptr)
            RegCloseKey(key_);
    }
    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

std::string RootName(HKEY root) {
    if (root == HKEY_LOCAL_MACHINE)
        return "HKEY_LOCAL_MACHINE";
    if (root == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER";
    return "注册表";
}

// Writes the value under root\keyPath; returns the system error code (ERROR_SUCCESS when done).
LONG SetRunValue(HKEY root, const std::wstring& keyPath, const std::wstring& name,
                 const std::wstring& command) {
    RegKey key;
    LONG result = RegCreateKeyW(root, keyPath.c_str(), key.Out());
    if (result != ERROR_SUCCESS)
        return result;
    const DWORD bytes = static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.Get(), name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(command.c_str()), bytes);
}

// Deletes the value under root\keyPath. An absent key or value counts as deleted.
LONG DeleteRunValue(HKEY root, const std::wstring& keyPath, const std::wstring& name) {
    RegKey key;
    LONG result =
        RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.Out());
    if (result == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (result == ERROR_ACCESS_DENIED) {
        // No right to change the key: fine as long as the value is not there.
        RegKey readOnly;
        if (RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_QUERY_VALUE, readOnly.Out()) ==
                ERROR_SUCCESS &&
            RegQueryValueExW(readOnly.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                ERROR_FILE_NOT_FOUND)
            return ERROR_SUCCESS;
        return result;
    }
    if (result != ERROR_SUCCESS)
        return result;
    result = RegDeleteValueW(key.Get(), name.c_str());
    return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

std::string KeyName(HKEY root, const std::wstring& keyPath) {
    return RootName(root) + "\\" + Narrow(keyPath);
}

}  // namespace

std::wstring RunCommandFor(const std::string& exeDir) {
    std::wstring path = Widen(exeDir) + L"\\Kivrel.exe";
    if (path.find_first_of(L" \t") != std::wstring::npos)
        path = L"\"" + path + L"\"";
    return path;
}

Win32Autostart::Win32Autostart(HKEY machineRoot, HKEY userRoot, std::wstring keyPath,
                               std::wstring valueName)
    : machineRoot_(machineRoot),
      userRoot_(userRoot),
      keyPath_(std::move(keyPath)),
      valueName_(std::move(valueName)) {}

bool Win32Autostart::Enter(const std::string& exeDir, std::string& why) {
    const std::wstring command = RunCommandFor(exeDir);
    LONG result = SetRunValue(machineRoot_, keyPath_, valueName_, command);
    if (result == ERROR_SUCCESS) {
        // An entry of this user's from an earlier run without rights would start a second copy.
        DeleteRunValue(userRoot_, keyPath_, valueName_);
        return true;
    }
    if (result != ERROR_ACCESS_DENIED) {
        why = "无法写入 " + KeyName(machineRoot_, keyPath_) + "：" + SystemErrorText(result);
        return false;
    }
    // Without administrator rights: start the program at this user's log-on instead.
    result = SetRunValue(userRoot_, keyPath_, valueName_, command);
    if (result == ERROR_SUCCESS)
        return true;
    why = "无法写入 " + KeyName(userRoot_, keyPath_) + "：" + SystemErrorText(result);
    return false;
}

bool Win32Autostart::Remove(std::string& why) {
    bool ok = true;
    why.clear();
    for (HKEY root : {machineRoot_, userRoot_}) {
        const LONG result = DeleteRunValue(root, keyPath_, valueName_);
        if (result == ERROR_SUCCESS)
            continue;
        ok = false;
        if (!why.empty())
            why += "\r\n";
        why += "无法从 " + KeyName(root, keyPath_) + " 删除：" + SystemErrorText(result);
    }
    return ok;
}

}  // namespace kivrel
