// Ending the billed connection on Windows where the user asked for it: a dial-up or broadband
// (RAS) connection of that name is hung up, a Wi-Fi adapter of that name is disconnected from its
// network, and anything else is left to the user's own command, started without a shell.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ports/system_ports.h"

namespace kivrel {

enum class HangUpWay { None, Ras, Wlan, Command };

// The way to end a link, from what the system says of it: whether a RAS connection carries its
// name, whether its adapter is a Wi-Fi one, and whether the user named a command.
HangUpWay ChooseHangUpWay(bool rasConnection, bool wifiAdapter, bool command);

// What the user is told of a RAS, WLAN or process error code.
std::string SystemErrorText(const char* call, DWORD code);

class Win32HangUp final : public IHangUp {
  public:
    bool CanHangUp(const std::string& link, const std::vector<std::string>& command) override;
    HangUpResult HangUp(const std::string& link, const std::vector<std::string>& command) override;
};

}  // namespace kivrel
