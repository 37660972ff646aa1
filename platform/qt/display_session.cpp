#include "platform/qt/display_session.h"

#include <cstdlib>

namespace kivrel {

namespace {

bool Set(const std::optional<std::string>& value) {
    return value.has_value() && !value->empty();
}

std::optional<std::string> Variable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

}  // namespace

std::optional<std::string> ChooseQtPlatform(const DisplayEnvironment& env) {
    if (Set(env.qtPlatform))
        return std::nullopt;
    const bool wayland = Set(env.waylandDisplay) || env.sessionType == "wayland";
    if (!wayland || !Set(env.x11Display))
        return std::nullopt;
    // XWayland first; natively if the X server cannot be reached after all.
    return std::string("xcb;wayland");
}

DisplayEnvironment CurrentDisplayEnvironment() {
    return {Variable("QT_QPA_PLATFORM"), Variable("WAYLAND_DISPLAY"), Variable("DISPLAY"),
            Variable("XDG_SESSION_TYPE")};
}

}  // namespace kivrel
