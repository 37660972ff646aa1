#include "platform/linux/program/toolkit_options.h"

#include <array>
#include <string_view>

namespace kivrel {

int QtOption(const std::vector<std::string>& args, size_t at) {
    static constexpr std::array<std::string_view, 16> kWithValue = {
        "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
        "qwindowicon", "qwindowtitle",       "session",       "display", "geometry",
        "style",       "stylesheet",         "name",          "title",   "qmljsdebugger",
        "fn"};
    static constexpr std::array<std::string_view, 5> kFlags = {"reverse", "widgetcount", "sync",
                                                               "nograb", "dograb"};
    std::string_view a = args[at];
    if (a.size() < 2 || a[0] != '-')
        return 0;
    a.remove_prefix(a[1] == '-' ? 2 : 1);
    const size_t equals = a.find('=');
    const std::string_view name = a.substr(0, equals);
    for (std::string_view option : kWithValue)
        if (name == option)
            return equals != std::string_view::npos || at + 1 >= args.size() ? 1 : 2;
    for (std::string_view option : kFlags)
        if (name == option)
            return 1;
    return 0;
}

}  // namespace kivrel
