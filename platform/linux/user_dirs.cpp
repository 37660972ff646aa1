#include "platform/linux/user_dirs.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace kivrel {

std::string PasswordHome(unsigned uid) {
    std::vector<char> buffer(16384);
    passwd pw{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &pw, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/')
        return found->pw_dir;
    return {};
}

std::string XdgBaseDir(const char* variable, const std::string& underHome) {
    if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/')
        return value;
    const char* h = std::getenv("HOME");
    std::string home = h != nullptr && h[0] == '/' ? std::string(h) : PasswordHome(::getuid());
    if (home.empty())
        return {};
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    return (home == "/" ? "" : home) + underHome;
}

}  // namespace kivrel
