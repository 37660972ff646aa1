// Output of the command-line options. Kivrel.exe is a windowed program and gets no console of its
// own: its text goes to the standard handles a shell redirected, or else to the console of the
// shell that started it.
#pragma once

#include <string>
#include <vector>

namespace kivrel {

// The program's arguments as UTF-8, without the program's name.
std::vector<std::string> CommandLineArguments();

// Writes UTF-8 text to standard output (error = false) or standard error: to a console as
// text, to a file or pipe as UTF-8 bytes.
void WriteConsoleText(const std::string& text, bool error);

}  // namespace kivrel
