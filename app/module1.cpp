#include "app/module1.h"

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

IniSource CheckIniFile(Platform& platform) {
    const std::string beside = platform.app.ExeDir() + platform.app.PathSeparator() + kIniFileName;
    const std::string user = UserIniPath(platform.app);
    IniFacts facts;
    facts.besideExists = platform.files.Exists(beside);
    facts.besideWritable = facts.besideExists && platform.files.Writable(beside);
    facts.userKnown = !user.empty();
    facts.userExists = facts.userKnown && platform.files.Exists(user);
    const IniSource source = ChooseIniFile(facts);
    if (source == IniSource::None)
        platform.dialogs.MsgBox("文件损坏，请重装本程序", "Kivrel",
                                MsgStyle{MsgButtons::Ok, MsgIcon::Information, 0});
    return source;
}

}  // namespace kivrel
