// The program's command line: with no option it starts in the notification area; the options
// print something and end without a window, a display or the single-instance claim.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ports/system_ports.h"

namespace kivrel {

enum class CommandKind { Window, Status, StatusJson, Sessions, Report, Version, Help, Usage };

struct Command {
    CommandKind kind = CommandKind::Window;
    std::string unknown;  // the argument that made it a usage error
    std::string problem;  // what is wrong with the command line, for a usage error
    std::string file;     // where --report writes its page; empty: report.html beside the settings
};

// How many arguments, starting at the given one, the toolkit takes as its own (for example
// "-platform offscreen" is 2, "-reverse" is 1); 0 when it is not the toolkit's.
using ToolkitOptions = std::function<int(const std::vector<std::string>& args, size_t at)>;

// `args` without the program's name.
Command ParseCommandLine(const std::vector<std::string>& args, const ToolkitOptions& toolkit);

// What the program has for a command that needs no window.
struct ConsolePorts {
    IFileSystem& files;
    IClock& clock;
    IConnection& connection;
    IAppInfo& app;
    IOpener& opener;
};

struct ConsoleOutput {
    std::string out;  // standard output
    std::string err;  // standard error
    int status = 0;   // exit status
};

// Carries out a command other than CommandKind::Window. Reads the settings file the program
// would use (and the ledger beside it); only --report writes, its page and nothing else: never
// over the settings file or the ledger (by whatever path), and over a file named on the command
// line only when that is a report page of Kivrel's. Messages are the program's language.
ConsoleOutput RunConsoleCommand(const Command& command, ConsolePorts ports);

std::string UsageText();

}  // namespace kivrel
