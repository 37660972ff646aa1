#include "platform/linux/hang_up.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace kivrel {

HangUpResult ResultOfCommand(const std::string& program, const CommandOutcome& outcome) {
    if (!outcome.started)
        return {false, "无法运行 " + program};
    if (!outcome.finished)
        return {false, program + " 没有在规定时间内结束"};
    if (outcome.signal != 0)
        return {false, program + " 被信号 " + std::to_string(outcome.signal) + " 终止"};
    if (outcome.exitStatus != 0)
        return {false, program + " 退出状态 " + std::to_string(outcome.exitStatus)};
    return {true, ""};
}

CommandOutcome RunCommand(const std::vector<std::string>& words, int waitMs) {
    CommandOutcome outcome;
    if (words.empty())
        return outcome;
    std::vector<char*> argv;
    for (const std::string& word : words)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return outcome;
    outcome.started = true;
    // Polled, so that a command that hangs does not stop the meter for long; one that outlives
    // the wait is reaped by a later call of this function's waitpid on any child.
    for (int waited = 0;; waited += 20) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            outcome.finished = true;
            if (WIFEXITED(status))
                outcome.exitStatus = WEXITSTATUS(status);
            else if (WIFSIGNALED(status))
                outcome.signal = WTERMSIG(status);
            return outcome;
        }
        if (done < 0 || waited >= waitMs)
            return outcome;
        const timespec pause{0, 20 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}

HangUpPlan LinuxHangUp::Plan(const std::string& link, const std::vector<std::string>& command) {
    return PlanHangUp(link, networkManager_.ActiveNetworks(), !command.empty());
}

bool LinuxHangUp::CanHangUp(const std::string& link, const std::vector<std::string>& command) {
    return Plan(link, command).means != HangUpMeans::None;
}

HangUpResult LinuxHangUp::HangUp(const std::string& link, const std::vector<std::string>& command) {
    const HangUpPlan plan = Plan(link, command);
    switch (plan.means) {
        case HangUpMeans::Service:
            return networkManager_.Deactivate(plan.connection);
        case HangUpMeans::Command:
            return ResultOfCommand(command.front(), RunCommand(command, 5000));
        case HangUpMeans::None:
            break;
    }
    return {false, "NetworkManager 没有管理 " + link + "，也没有设置 [Guard] HangUpCommand"};
}

}  // namespace kivrel
