#include "platform/qt/display_session.h"

#include <gtest/gtest.h>

namespace kivrel {
namespace {

TEST(DisplaySession, XWaylandIsChosenOnlyInAWaylandSessionWithAnXServerAndNoChoiceOfTheUser) {
    const std::optional<std::string> none;
    const std::string viaXWayland = "xcb;wayland";
    struct Case {
        const char* what;
        DisplayEnvironment env;
        std::optional<std::string> chosen;
    };
    const Case cases[] = {
        {"X11 session", {none, none, ":0", "x11"}, none},
        {"Wayland with XWayland", {none, "wayland-0", ":0", "wayland"}, viaXWayland},
        {"Wayland socket, no session type", {none, "wayland-1", ":1", none}, viaXWayland},
        {"Wayland session type, no socket name", {none, none, ":0", "wayland"}, viaXWayland},
        {"Wayland without XWayland", {none, "wayland-0", none, "wayland"}, none},
        {"Wayland, DISPLAY empty", {none, "wayland-0", "", "wayland"}, none},
        {"the user asked for Wayland", {"wayland", "wayland-0", ":0", "wayland"}, none},
        {"the user asked for xcb", {"xcb", "wayland-0", ":0", "wayland"}, none},
        {"QT_QPA_PLATFORM empty counts as unset", {"", "wayland-0", ":0", none}, viaXWayland},
        {"no display at all", {none, none, none, "tty"}, none},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseQtPlatform(c.env), c.chosen) << c.what;
}

}  // namespace
}  // namespace kivrel
