// The installation check made before anything else at start-up.
#pragma once

#include "platform/ports.h"

namespace kivrel {

inline constexpr const char* kIniFileName = "timer.ini";

// True when timer.ini stands beside the executable. Otherwise shows "文件损坏，请重装本程序" and
// returns false: the program then ends with nothing read, written or created.
bool CheckIniFile(Platform& platform);

}  // namespace kivrel
