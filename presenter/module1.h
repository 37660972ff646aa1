// The installation check made before anything else at start-up, and the choice of the settings
// file.
#pragma once

#include <string>

#include "ports/ports.h"

namespace kivrel {

inline constexpr const char* kIniFileName = "timer.ini";
inline constexpr const char* kMissingIniText = "文件损坏，请重装本程序";

// Which timer.ini the program keeps its records in.
enum class IniSource {
    None,          // neither file exists: the program refuses to run
    Beside,        // the one beside the executable (a portable copy, or one the user may write)
    User,          // the user's own file
    UserFromCopy,  // the user's own file, first made as a copy of the one beside the executable
};

// What start-up knows about the two candidate files.
struct IniFacts {
    bool besideExists = false;
    bool besideWritable = false;  // this user may change the file beside the executable
    bool userKnown = false;       // the user's data folder could be told
    bool userExists = false;
};

// A timer.ini beside the executable that this user may write is the settings file. One that the
// user may not write (an installation owned by the administrator) is the template of the user's
// own file, which is used from then on. Without either file the program refuses to run; without a
// user folder to go to, the file beside the executable is all there is.
IniSource ChooseIniFile(const IniFacts& facts);

// The timer.ini beside the executable.
std::string BesideIniPath(IAppInfo& app);

// The user's own settings file, empty when the user's data folder cannot be told.
std::string UserIniPath(IAppInfo& app);

// Looks at both files and decides. When there is no settings file at all, shows
// "文件损坏，请重装本程序" and returns IniSource::None: the program then ends with nothing read,
// written or created.
IniSource CheckIniFile(Platform& platform);

// What start-up would find, asked of the files without changing anything.
IniFacts LookAtIniFiles(IFileSystem& files, IAppInfo& app);

// The settings file the program would read right now, changing nothing: the one it keeps its
// records in or, while the user's own file is still to be made, the installed one it would be
// made from. Empty when there is none. kivrel --status reads this one.
std::string SettingsFileToRead(IFileSystem& files, IAppInfo& app);

// The settings file the program keeps its records in, changing nothing: the user's own file also
// while it is still to be made from the installed one. Empty when there is none. The ledger and
// the report live beside it.
std::string SettingsFileInUse(IFileSystem& files, IAppInfo& app);

}  // namespace kivrel
