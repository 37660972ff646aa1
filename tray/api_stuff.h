// The tray icon and the window hook: the icon sits in the notification area from AddTrayIcon to
// RemoveTrayIcon, and its left and right button releases reach TrayWndProc.
#pragma once

#include <cstdint>
#include <string>

#include "app/controls.h"
#include "platform/ports.h"

namespace kivrel {

class Form1;

class APIStuff : public ITraySink {
  public:
    // The icon's callback message.
    static constexpr uint32_t kTrayMessage = 2025;

    explicit APIStuff(ITrayIcon& tray) : tray_(tray) {}

    void AddTrayIcon(Form1& form, Menu menu);
    void SetTrayTip(const std::string& tip);
    void RemoveTrayIcon();

    // Left-button release: restore LastState if minimised, show, focus. Right-button release: pop
    // up the tray menu at the pointer. Everything else passes on (returns false).
    bool TrayWndProc(uint32_t uMsg, TrayEvent lParam) override;
    // The notification area came back (a panel restart): add the icon and its tip again.
    void TrayHostCreated() override;

    bool Installed() const { return TrayForm != nullptr; }

  private:
    ITrayIcon& tray_;
    Form1* TrayForm = nullptr;
    Menu TrayMenu = Menu::mnuTray;
    std::string tip_;
};

}  // namespace kivrel
