// Where the program lives and which build it is.
#pragma once

#include <string>

#include "platform/system_ports.h"

namespace kivrel {

class LinuxAppInfo final : public IAppInfo {
  public:
    // `exeLink` is the symbolic link naming the running executable; tests point it elsewhere.
    explicit LinuxAppInfo(std::string exeLink = "/proc/self/exe");

    // The executable's directory without a trailing "/"; for a program in "/" that is "".
    std::string ExeDir() override;
    std::string PathSeparator() override { return "/"; }
    int Revision() override;

  private:
    std::string exeLink_;
};

}  // namespace kivrel
