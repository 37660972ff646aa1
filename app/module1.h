// The installation check made before anything else at start-up, and where the settings file is.
#pragma once

#include <string>

#include "platform/ports.h"

namespace kivrel {

inline constexpr const char* kIniFileName = "timer.ini";
inline constexpr const char* kMissingIniText = "文件损坏，请重装本程序";

// The settings file the program uses: every reader of it (the window, kivrel --status) asks here.
std::string SettingsFilePath(IAppInfo& app);

// True when the settings file is there. Otherwise shows "文件损坏，请重装本程序" and returns
// false: the program then ends with nothing read, written or created.
bool CheckIniFile(Platform& platform);

}  // namespace kivrel
