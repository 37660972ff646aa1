// Everything the toolkit-free core talks to: the window side (window_ports.h) and the system side
// (system_ports.h), handed to Form1 in one piece.
#pragma once

#include "ports/system_ports.h"
#include "ports/window_ports.h"

namespace kivrel {

// Everything the core is given.
struct Platform {
    IWindow& window;
    IDialogs& dialogs;
    ITrayIcon& tray;
    IConnection& connection;
    IClock& clock;
    IFileSystem& files;
    IAppInfo& app;
    IInstanceGuard& instance;
    IAutostart& autostart;
    IHangUp& hangUp;
};

}  // namespace kivrel
