// What the Qt window asks of an X11 window manager: whether the window has an entry in the task
// bar and the pager.
#pragma once

class QWidget;

namespace kivrel {

// Keeps `window` out of the task bar and the pager (`skip`), or puts it back: by writing the
// window's state before it is mapped, or, once it is `mapped` (or its mapping is under way), by
// asking the window manager. Does nothing on other platforms than X11.
void HintSkipTaskbar(QWidget& window, bool skip, bool mapped);

// Whether the window manager is the one wlroots compositors run for XWayland, which places
// floating windows itself and ignores where a program moves them. False on other platforms.
bool PlacedByWlroots();

}  // namespace kivrel
