// Modal message and input boxes on Qt. While one is open Qt keeps serving the timers, so the
// accounting goes on.
#pragma once

#include <QPointer>
#include <QWidget>

#include "ports/window_ports.h"

namespace kivrel {

class QtDialogs final : public IDialogs {
  public:
    // Object names of the boxes, so that desktop tests can find them.
    static constexpr const char* kMessageBoxName = "kivrelMessageBox";
    static constexpr const char* kInputBoxName = "kivrelInputBox";

    // The boxes sit over `owner` while it is on the screen, centred on the screen otherwise.
    explicit QtDialogs(QWidget* owner = nullptr) : owner_(owner) {}

    MsgAnswer MsgBox(const std::string& text, const std::string& title, MsgStyle style) override;
    std::string InputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultAnswer) override;

  private:
    QWidget* Owner() const;

    QPointer<QWidget> owner_;
};

}  // namespace kivrel
