// The program's own message and input boxes, counted while they are open: the auto-hide
// countdown holds then, so the window does not vanish from under a question the user is
// answering.
#pragma once

#include <string>

#include "ports/window_ports.h"

namespace kivrel {

class ProgramBoxes final : public IDialogs {
  public:
    explicit ProgramBoxes(IDialogs& dialogs) : dialogs_(dialogs) {}

    bool AnyOpen() const { return open_ > 0; }

    MsgAnswer MsgBox(const std::string& text, const std::string& title, MsgStyle style) override {
        ++open_;
        const MsgAnswer answer = dialogs_.MsgBox(text, title, style);
        --open_;
        return answer;
    }
    std::string InputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultAnswer) override {
        ++open_;
        std::string answer = dialogs_.InputBox(prompt, title, defaultAnswer);
        --open_;
        return answer;
    }

  private:
    IDialogs& dialogs_;
    int open_ = 0;
};

}  // namespace kivrel
