#include "app/module1.h"

namespace kivrel {

bool CheckIniFile(Platform& platform) {
    const std::string path = platform.app.ExeDir() + platform.app.PathSeparator() + kIniFileName;
    if (platform.files.Exists(path))
        return true;
    platform.dialogs.MsgBox("文件损坏，请重装本程序", "Kivrel",
                            MsgStyle{MsgButtons::Ok, MsgIcon::Information, 0});
    return false;
}

}  // namespace kivrel
