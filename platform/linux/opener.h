// Opens a file with the desktop's default program for it, through xdg-open.
#pragma once

#include "ports/system_ports.h"

namespace kivrel {

class XdgOpener final : public IOpener {
  public:
    // Starts `xdg-open path` in a session of its own, with standard input and output on
    // /dev/null and no other descriptor of this process, and does not wait for it: the browser
    // outlives this process, and a caller that reads this program's output is not held open by
    // it.
    bool Open(const std::string& path) override;
};

}  // namespace kivrel
