// The program `kivrel`: the toolkit-free core and the POSIX adapters, and no Qt. The commands that
// print and end (kivrel --status --json, polled by panels every few seconds) run here alone; only
// a start in the notification area loads the Qt window and tray, from the module that lies beside
// the executable (kivrel-window.so, main.cpp), into this same process.
#include <dlfcn.h>

#include <cstdio>
#include <string>
#include <vector>

#include "presenter/command_line.h"
#include "presenter/module1.h"
#include "platform/linux/app_info.h"
#include "platform/linux/clock.h"
#include "platform/linux/connection.h"
#include "platform/linux/durable_file.h"
#include "platform/linux/opener.h"
#include "platform/linux/program/toolkit_options.h"

namespace {

void WriteAll(std::FILE* stream, const std::string& text) {
    if (!text.empty())
        std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

}  // namespace

int main(int argc, char** argv) {
    // The options are the core's to read; whatever it does not hand to the window is carried out
    // here, with no display and no single-instance claim.
    const kivrel::Command command =
        kivrel::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), kivrel::QtOption);
    kivrel::LinuxAppInfo appInfo;
    if (command.kind != kivrel::CommandKind::Window) {
        kivrel::LinuxFileSystem files;
        kivrel::LinuxClock clock;
        kivrel::LinuxConnection connection;
        kivrel::XdgOpener opener;
        const kivrel::ConsoleOutput output =
            kivrel::RunConsoleCommand(command, {files, clock, connection, appInfo, opener});
        WriteAll(stdout, output.out);
        WriteAll(stderr, output.err);
        return output.status;
    }

    std::string module = appInfo.ExeDir();
    module += "/kivrel-window.so";
    void* handle = ::dlopen(module.c_str(), RTLD_LAZY | RTLD_LOCAL);
    using WindowMain = int (*)(int, char**);
    auto windowMain =
        handle ? reinterpret_cast<WindowMain>(::dlsym(handle, "kivrel_window_main")) : nullptr;
    if (windowMain == nullptr) {
        // No display has been reached yet to show a box on: the message goes to standard error.
        std::string message = kivrel::kMissingIniText;
        message += "\nkivrel：";
        const char* why = ::dlerror();
        message += why != nullptr ? why : module.c_str();
        message += "\n";
        WriteAll(stderr, message);
        return 2;
    }
    return windowMain(argc, argv);
}
