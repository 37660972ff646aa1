// The options Qt's QApplication takes as its own, without Qt: the program's front reads its
// command line before deciding whether the toolkit is loaded at all.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kivrel {

// How many arguments, starting at `at`, QApplication takes as its own (kivrel::ToolkitOptions);
// Qt accepts them with one dash or two, and "-name=value" in one argument.
int QtOption(const std::vector<std::string>& args, size_t at);

}  // namespace kivrel
