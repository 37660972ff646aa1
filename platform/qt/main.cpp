// Kivrel on Linux: the Qt window, dialogs and tray icon over the POSIX adapters. Built as the
// module kivrel-window.so, which the program `kivrel` (front.cpp) loads when no option asks for a
// printout; it runs in that process, so the process, its executable and its folder stay kivrel's.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <array>
#include <cerrno>

#include "platform/linux/app_info.h"
#include "platform/linux/autostart_xdg.h"
#include "platform/linux/clock.h"
#include "platform/linux/connection.h"
#include "platform/linux/durable_file.h"
#include "platform/linux/hang_up.h"
#include "platform/linux/instance_guard.h"
#include "platform/qt/display_session.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_look.h"
#include "platform/qt/qt_session.h"
#include "platform/qt/qt_tray.h"
#include "platform/qt/qt_window.h"
#include "presenter/form1.h"

namespace {

// Termination signals reach the event loop through a pipe, so that the program unloads (saves
// the month's minutes, removes the icon) on the user-interface thread.
int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int signalNumber) {
    const int saved = errno;
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t written = write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

bool CatchTerminationSignals() {
    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : std::array{SIGTERM, SIGINT, SIGHUP})
        sigaction(signalNumber, &action, nullptr);
    return true;
}

}  // namespace

// The command line was read by the front: only a start in the notification area comes here.
extern "C" __attribute__((visibility("default"))) int kivrel_window_main(int argc, char** argv) {
    // In a Wayland session the window goes through XWayland when it can (display_session.h).
    if (const auto platform = kivrel::ChooseQtPlatform(kivrel::CurrentDisplayEnvironment()))
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(*platform));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kivrel"));
    QApplication::setDesktopFileName(QStringLiteral("kivrel"));
    // The window lives hidden in the tray: hiding it must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    // The font that covers Chinese and Qt's translations wait for the first text on the screen
    // (kivrel::PrepareUserInterface): hidden in the tray, the program shows none.
    const QIcon icon = kivrel::AppIcon();
    QApplication::setWindowIcon(icon);

    kivrel::LinuxFileSystem files;
    kivrel::LinuxConnection connection;
    kivrel::LinuxClock clock;
    kivrel::LinuxAppInfo appInfo;
    kivrel::LinuxInstanceGuard instance;
    kivrel::XdgAutostart autostart;
    kivrel::LinuxHangUp hangUp(connection.NetworkManager());

    kivrel::QtWindow window;
    window.setWindowIcon(icon);
    kivrel::QtDialogs dialogs(&window);
    kivrel::QtTrayIcon tray(icon);
    // A panel that draws the icon's menu itself shows the window's own menu.
    tray.SetMenuSource([&window](kivrel::Menu menu) { return window.MenuOf(menu); });

    kivrel::Platform platform{window, dialogs, tray,     connection, clock,
                              files,  appInfo, instance, autostart,  hangUp};
    kivrel::Form1 form(platform);
    window.Attach(form);

    // Every closing path ends in the core's close, which unloads once.
    kivrel::IWindowEvents& events = form;
    if (CatchTerminationSignals()) {
        auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&events] {
            char bytes[16];
            while (read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
            }
            if (events.Running()) {
                events.CloseRequested();
                return;
            }
            // A start-up message is open (no timer.ini, a second copy): the start ends with it.
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
                    dialog->reject();
        });
    }
    kivrel::ConnectSessionEnd(&app, events);

    if (!form.Form_Load() || !events.Running())
        return 0;
    return QApplication::exec();
}
