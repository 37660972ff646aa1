#include "presenter/module1.h"

namespace kivrel {

IniSource ChooseIniFile(const IniFacts& facts) {
    if (facts.besideExists && (facts.besideWritable || !facts.userKnown))
        return IniSource::Beside;
    if (facts.userKnown && facts.userExists)
        return IniSource::User;
    if (facts.besideExists)
        return IniSource::UserFromCopy;
    return IniSource::None;
}

std::string UserIniPath(IAppInfo& app) {
    const std::string dir = app.UserDataDir();
    return dir.empty() ? std::string() : dir + app.PathSeparator() + kIniFileName;
}

std::string BesideIniPath(IAppInfo& app) {
    return app.ExeDir() + app.PathSeparator() + kIniFileName;
}

IniFacts LookAtIniFiles(IFileSystem& files, IAppInfo& app) {
    const std::string beside = BesideIniPath(app);
    const std::string user = UserIniPath(app);
    IniFacts facts;
    facts.besideExists = files.Exists(beside);
    facts.besideWritable = facts.besideExists && files.Writable(beside);
    facts.userKnown = !user.empty();
    facts.userExists = facts.userKnown && files.Exists(user);
    return facts;
}

std::string SettingsFileToRead(IFileSystem& files, IAppInfo& app) {
    switch (ChooseIniFile(LookAtIniFiles(files, app))) {
        case IniSource::None:
            return {};
        case IniSource::User:
            return UserIniPath(app);
        case IniSource::Beside:
        case IniSource::UserFromCopy:
            break;
    }
    return BesideIniPath(app);
}

std::string SettingsFileInUse(IFileSystem& files, IAppInfo& app) {
    switch (ChooseIniFile(LookAtIniFiles(files, app))) {
        case IniSource::None:
            return {};
        case IniSource::User:
        case IniSource::UserFromCopy:
            return UserIniPath(app);
        case IniSource::Beside:
            break;
    }
    return BesideIniPath(app);
}

IniSource CheckIniFile(Platform& platform) {
    const IniSource source = ChooseIniFile(LookAtIniFiles(platform.files, platform.app));
    if (source == IniSource::None)
        platform.dialogs.MsgBox(kMissingIniText, "Kivrel",
                                MsgStyle{MsgButtons::Ok, MsgIcon::Information, 0});
    return source;
}

}  // namespace kivrel
