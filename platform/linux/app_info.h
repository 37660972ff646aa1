// Where the program lives and which build it is.
#pragma once

#include <string>

#include "ports/system_ports.h"

namespace kivrel {

class LinuxAppInfo final : public IAppInfo {
  public:
    // `exeLink` is the symbolic link naming the running executable; tests point it elsewhere.
    // `dataHome` is the user's data folder ($XDG_DATA_HOME, else ~/.local/share).
    explicit LinuxAppInfo(std::string exeLink = "/proc/self/exe",
                          std::string dataHome = DefaultDataHome());

    // The executable's directory without a trailing "/"; for a program in "/" that is "".
    std::string ExeDir() override;
    // <dataHome>/kivrel; empty when the data folder is not known.
    std::string UserDataDir() override;
    std::string PathSeparator() override { return "/"; }
    int Revision() override;

    // $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share (the home folder from
    // the password database when $HOME is not absolute); empty when no home folder is known.
    static std::string DefaultDataHome();

  private:
    std::string exeLink_;
    std::string dataHome_;
};

}  // namespace kivrel
