#include "app/module1.h"

namespace kivrel {

std::string SettingsFilePath(IAppInfo& app) {
    return app.ExeDir() + app.PathSeparator() + kIniFileName;
}

bool CheckIniFile(Platform& platform) {
    if (platform.files.Exists(SettingsFilePath(platform.app)))
        return true;
    platform.dialogs.MsgBox(kMissingIniText, "Kivrel",
                            MsgStyle{MsgButtons::Ok, MsgIcon::Information, 0});
    return false;
}

}  // namespace kivrel
