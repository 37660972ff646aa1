// Which display server the window talks to. In a Wayland session with XWayland at hand the
// window goes through XWayland: a Wayland client cannot ask to be placed (no centring) nor to
// stay off the task bar, and on wlroots compositors only a window of fixed size floats; through
// XWayland it asks for all of that as on X11. Without XWayland it runs natively.
#pragma once

#include <optional>
#include <string>

namespace kivrel {

// The session as the environment tells it: the values of QT_QPA_PLATFORM, WAYLAND_DISPLAY,
// DISPLAY and XDG_SESSION_TYPE, each absent when unset.
struct DisplayEnvironment {
    std::optional<std::string> qtPlatform;
    std::optional<std::string> waylandDisplay;
    std::optional<std::string> x11Display;
    std::optional<std::string> sessionType;
};

// The Qt platform to ask for, or nothing to leave Qt's own choice. A platform the user chose
// (QT_QPA_PLATFORM set and not empty) is always kept.
std::optional<std::string> ChooseQtPlatform(const DisplayEnvironment& env);

// The process's own environment.
DisplayEnvironment CurrentDisplayEnvironment();

}  // namespace kivrel
