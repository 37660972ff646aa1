// Ending the billed connection on Linux where the user asked for it. Where NetworkManager runs the
// link's connection, it is asked to end exactly that one (DeactivateConnection, as polkit allows);
// without it, the user's own command (for example `poff`) is run, without a shell, and its exit
// status is told.
#pragma once

#include <string>
#include <vector>

#include "platform/linux/network_manager.h"
#include "ports/system_ports.h"

namespace kivrel {

// What became of a command that ran: its exit status, the signal that ended it, or that it could
// not be started or did not end in time.
struct CommandOutcome {
    bool started = false;
    bool finished = false;
    int exitStatus = -1;  // when it exited
    int signal = 0;       // when a signal ended it
};
HangUpResult ResultOfCommand(const std::string& program, const CommandOutcome& outcome);

// Runs `words` (the program, looked up in PATH, and its arguments) without a shell and waits up
// to `waitMs` for it to end.
CommandOutcome RunCommand(const std::vector<std::string>& words, int waitMs);

class LinuxHangUp final : public IHangUp {
  public:
    // `networkManager` is the client the connection reads the networks with.
    explicit LinuxHangUp(NetworkManagerClient& networkManager) : networkManager_(networkManager) {}
    bool CanHangUp(const std::string& link, const std::vector<std::string>& command) override;
    HangUpResult HangUp(const std::string& link, const std::vector<std::string>& command) override;

  private:
    HangUpPlan Plan(const std::string& link, const std::vector<std::string>& command);
    NetworkManagerClient& networkManager_;
};

}  // namespace kivrel
