// Kivrel.exe: the Win32 shell around Form1.
#include <windows.h>

#include "presenter/command_line.h"
#include "presenter/form1.h"
#include "platform/win32/autostart.h"
#include "platform/win32/console.h"
#include "platform/win32/dialogs.h"
#include "platform/win32/file_system.h"
#include "platform/win32/hang_up.h"
#include "platform/win32/system.h"
#include "platform/win32/tray_icon.h"
#include "platform/win32/window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace kivrel;

    // The command-line options print and end: no window, no single-instance claim.
    const Command command = ParseCommandLine(CommandLineArguments(), nullptr);
    if (command.kind != CommandKind::Window) {
        Win32FileSystem files;
        Win32Clock clock;
        Win32Connection connection;
        Win32AppInfo app;
        Win32Opener opener;
        const ConsoleOutput output =
            RunConsoleCommand(command, {files, clock, connection, app, opener});
        WriteConsoleText(output.out, false);
        WriteConsoleText(output.err, true);
        return output.status;
    }

    Win32Window window(instance);
    if (!window.Create())
        return 1;
    Win32Dialogs dialogs;
    dialogs.SetOwner(window.Handle());
    Win32TrayIcon tray;
    tray.Attach(window.Handle(), window.SmallIcon());
    Win32Connection connection;
    Win32Clock clock;
    Win32FileSystem files;
    Win32AppInfo app;
    Win32InstanceGuard instance_guard;
    Win32Autostart autostart;
    Win32HangUp hangUp;
    Platform platform{window, dialogs, tray,           connection, clock,
                      files,  app,     instance_guard, autostart,  hangUp};

    Form1 form(platform);
    window.Attach(form);
    if (!form.Form_Load())
        return 0;

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window.PreTranslate(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // A close that did not come through the window (WM_QUIT from elsewhere) still stores the usage.
    form.Unload();
    return 0;
}
