// What the window shows of the run-at-startup state: the caption of Command5 and the text of
// Label8. Only the settings flag 1 means on.
#pragma once

#include <cstdint>

namespace kivrel {

struct RunStateTexts {
    const char* caption;  // Command5
    const char* label;    // Label8
};

constexpr bool RunFlagIsOn(int32_t flag) {
    return flag == 1;
}

constexpr RunStateTexts RunStateTextsFor(bool on) {
    return on ? RunStateTexts{"取消开机运行", "已设开机就运行"}
              : RunStateTexts{"开机就运行", "未设开机就运行"};
}

}  // namespace kivrel
