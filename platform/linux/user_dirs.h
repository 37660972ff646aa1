// The user's own folders, after the XDG Base Directory rules.
#pragma once

#include <string>

namespace kivrel {

// The folder named by the XDG variable `variable` when it holds an absolute path; otherwise the
// user's home folder ($HOME, else the password entry's) followed by `underHome` ("/.config").
// Empty when no home folder can be told.
std::string XdgBaseDir(const char* variable, const std::string& underHome);

// The home folder the password database names for `uid`; empty when it names none.
std::string PasswordHome(unsigned uid);

}  // namespace kivrel
