// Start at log-on through the Run key: the value "$Kivrel" (REG_SZ) naming the executable, under
// HKEY_LOCAL_MACHINE for every user of the machine, or, where this user may not write there (no
// administrator rights), under HKEY_CURRENT_USER for this user.
#pragma once

#include <windows.h>

#include <string>

#include "ports/system_ports.h"

namespace kivrel {

inline constexpr const wchar_t* kRunKeyPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const wchar_t* kRunValueName = L"$Kivrel";

// The command the Run key holds for the program in `exeDir` (UTF-8): the directory, "\" and
// "Kivrel.exe", in quotation marks when it contains a blank (unquoted, Windows would first try
// to start a program named by the path up to the blank, such as C:\Program.exe).
std::wstring RunCommandFor(const std::string& exeDir);

class Win32Autostart final : public IAutostart {
  public:
    // The roots and the key are parameters so that tests can work on keys of their own.
    explicit Win32Autostart(HKEY machineRoot = HKEY_LOCAL_MACHINE,
                            HKEY userRoot = HKEY_CURRENT_USER, std::wstring keyPath = kRunKeyPath,
                            std::wstring valueName = kRunValueName);

    // Writes the value under the machine's Run key, or under the user's where the machine's is
    // denied. False with the reason when neither could be written.
    bool Enter(const std::string& exeDir, std::string& why) override;
    // Deletes the value from both keys. An absent value counts as deleted. False with the reason
    // when a value is there and may not be deleted.
    bool Remove(std::string& why) override;

  private:
    HKEY machineRoot_;
    HKEY userRoot_;
    std::wstring keyPath_;
    std::wstring valueName_;
};

}  // namespace kivrel
