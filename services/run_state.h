// Run at log-on: what the window shows of it (the caption of Command5 and the text of Label8),
// and the toggle that enters or removes the autostart entry together with the settings flag.
#pragma once

#include <cstdint>
#include <string>

#include "ports/system_ports.h"
#include "ports/window_ports.h"
#include "services/settings_store.h"

namespace kivrel {

struct RunStateTexts {
    const char* caption;  // Command5
    const char* label;    // Label8
};

// Only the settings flag 1 means on.
constexpr bool RunFlagIsOn(int32_t flag) {
    return flag == 1;
}

constexpr RunStateTexts RunStateTextsFor(bool on) {
    return on ? RunStateTexts{"取消开机运行", "已设开机就运行"}
              : RunStateTexts{"开机就运行", "未设开机就运行"};
}

// Whether the settings flag says Kivrel starts at log-on.
bool RunAtLogOnIsSet(const SettingsStore& settings);

// The settings flag decides which way a click goes. The flag changes only when the autostart
// entry (of the program in `exeDir`) was really entered or removed and the flag reached the file;
// otherwise the user is told why through `boxes`, and an entry already changed is put back as
// the flag says, so the two never disagree. Returns whether run at log-on is now on.
bool ToggleRunAtLogOn(SettingsStore& settings, IAutostart& autostart, const std::string& exeDir,
                      IDialogs& boxes);

}  // namespace kivrel
