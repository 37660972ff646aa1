// What the Qt program asks of an X11 server: whether the window has an entry in the task bar and
// the pager, who places it, and whether a notification area is there.
#pragma once

#include <QAbstractNativeEventFilter>
#include <functional>
#include <memory>

class QWidget;

namespace kivrel {

// Keeps `window` out of the task bar and the pager (`skip`), or puts it back: by writing the
// window's state before it is mapped, or, once it is `mapped` (or its mapping is under way), by
// asking the window manager. Does nothing on other platforms than X11.
void HintSkipTaskbar(QWidget& window, bool skip, bool mapped);

// Whether the window manager is the one wlroots compositors run for XWayland, which places
// floating windows itself and ignores where a program moves them. False on other platforms.
bool PlacedByWlroots();

// Watches the X11 notification area: its owner announces itself with a MANAGER message on the
// root window (`changed(true)`), and its window is destroyed when it goes away
// (`changed(false)`). Nothing polls. None without an X11 connection (another platform,
// offscreen).
std::unique_ptr<QAbstractNativeEventFilter> WatchX11TrayHost(
    std::function<void(bool announced)> changed);

}  // namespace kivrel
