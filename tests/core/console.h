// The command line on fakes: what `kivrel --status`, `--sessions` and `--report` print and write.
#pragma once

#include <string>
#include <vector>

#include "presenter/command_line.h"
#include "fakes/fakes.h"

namespace kivrel {

struct Console {
    fakes::Journal journal;
    fakes::FakeFiles files{journal};
    fakes::FakeClock clock;
    fakes::FakeConnection connection;
    fakes::FakeAppInfo app;
    fakes::FakeOpener opener;
    ConsoleOutput Run(std::vector<std::string> args) {
        return RunConsoleCommand(ParseCommandLine(args, nullptr),
                                 {files, clock, connection, app, opener});
    }
};

}  // namespace kivrel
