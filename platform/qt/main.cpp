// Kivrel on Linux: the Qt window, dialogs and tray icon over the POSIX adapters.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <cstdio>
#include <string_view>

#include "app/command_line.h"
#include "app/form1.h"
#include "platform/linux/app_info.h"
#include "platform/linux/autostart_xdg.h"
#include "platform/linux/clock.h"
#include "platform/linux/connection.h"
#include "platform/linux/durable_file.h"
#include "platform/linux/instance_guard.h"
#include "platform/qt/display_session.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_look.h"
#include "platform/qt/qt_session.h"
#include "platform/qt/qt_tray.h"
#include "platform/qt/qt_window.h"

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

// The options QApplication takes as its own (with the number of arguments each spans), so that
// they pass; Qt accepts them with one dash or two, and "-name=value" in one argument.
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

void WriteAll(std::FILE* stream, const std::string& text) {
    if (!text.empty())
        std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

}  // namespace

int main(int argc, char** argv) {
    // The command-line options print and end before any toolkit starts: they need no display and
    // take no single-instance claim.
    const kivrel::Command command =
        kivrel::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), QtOption);
    if (command.kind != kivrel::CommandKind::Window) {
        kivrel::LinuxFileSystem files;
        kivrel::LinuxClock clock;
        kivrel::LinuxConnection connection;
        kivrel::LinuxAppInfo appInfo;
        const kivrel::ConsoleOutput output =
            kivrel::RunConsoleCommand(command, {files, clock, connection, appInfo});
        WriteAll(stdout, output.out);
        WriteAll(stderr, output.err);
        return output.status;
    }

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

    kivrel::QtWindow window;
    window.setWindowIcon(icon);
    kivrel::QtDialogs dialogs(&window);
    kivrel::QtTrayIcon tray(icon);
    // A panel that draws the icon's menu itself shows the window's own menu.
    tray.SetMenuSource([&window](kivrel::Menu menu) { return window.MenuOf(menu); });

    kivrel::Platform platform{window, dialogs, tray,     connection, clock,
                              files,  appInfo, instance, autostart};
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
