// Start at log-on through the freedesktop autostart folder: a desktop entry named kivrel.desktop
// in $XDG_CONFIG_HOME/autostart that runs the executable.
#pragma once

#include <string>

#include "ports/system_ports.h"

namespace kivrel {

class XdgAutostart final : public IAutostart {
  public:
    // `configHome` is the user's configuration folder, by default $XDG_CONFIG_HOME, or ~/.config
    // when that is not set to an absolute path.
    explicit XdgAutostart(std::string configHome = DefaultConfigHome());

    bool Enter(const std::string& exeDir, std::string& why) override;
    bool Remove(std::string& why) override;

    const std::string& EntryPath() const { return entry_; }

    static std::string DefaultConfigHome();

  private:
    std::string folder_;
    std::string entry_;
};

// The value of the Exec key that runs `exePath` with no arguments, quoted and escaped for a
// desktop entry. Empty when the path holds something a desktop entry cannot carry (bytes that are
// not UTF-8, control characters other than tab, line feed and carriage return).
std::string DesktopExecValue(const std::string& exePath);

}  // namespace kivrel
