// Modal message boxes (MessageBoxW) and the input box, which Win32 does not have: a small dialog
// built in memory with a prompt, a text field holding the default answer (selected), OK and
// Cancel. Both run a modal loop of the system's, so the window's timers keep ticking.
#pragma once

#include <windows.h>

#include <string>

#include "ports/window_ports.h"

namespace kivrel {

// The MessageBoxW style for a message box style of the core.
UINT MessageBoxStyle(const MsgStyle& style);

class Win32Dialogs final : public IDialogs {
  public:
    // Boxes belong to `owner` while it is visible; otherwise they stand alone.
    void SetOwner(HWND owner) { owner_ = owner; }

    MsgAnswer MsgBox(const std::string& text, const std::string& title, MsgStyle style) override;
    std::string InputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultAnswer) override;

  private:
    HWND Owner() const;
    HWND owner_ = nullptr;
};

// The input box's text field, for tests that drive the dialog.
inline constexpr int kInputBoxEditId = 100;
inline constexpr int kInputBoxPromptId = 101;

}  // namespace kivrel
