// The tray icon: it sits in the notification area from AddTrayIcon to RemoveTrayIcon; a left
// click brings the window back, a right click pops up the tray menu, and the notification area
// coming or going is passed on to the window.
#pragma once

#include <string>

#include "ports/window_ports.h"

namespace kivrel {

// What the tray icon needs of the window it stands for.
class ITrayWindow {
  public:
    virtual ~ITrayWindow() = default;
    // Back from the tray: from minimised to the state it had before, then shown and focused.
    virtual void BringBack() = 0;
    virtual void PopupMenu(Menu menu) = 0;
    // The notification area appeared or went away.
    virtual void TrayAvailabilityChanged() = 0;
};

class APIStuff : public ITraySink {
  public:
    explicit APIStuff(ITrayIcon& tray) : tray_(tray) {}

    void AddTrayIcon(ITrayWindow& window, Menu menu);
    void SetTrayTip(const std::string& tip);
    void RemoveTrayIcon();

    // Left-button release: the window comes back (ITrayWindow::BringBack).
    // Right-button release: pop up the tray menu at the pointer. Everything else passes on
    // (returns false).
    bool OnTrayEvent(TrayEvent event) override;
    // The notification area came back (a panel restart): add the icon and its tip again.
    void TrayHostCreated() override;
    void TrayHostLost() override;

  private:
    ITrayIcon& tray_;
    ITrayWindow* TrayForm = nullptr;
    Menu TrayMenu = Menu::mnuTray;
    std::string tip_;
};

}  // namespace kivrel
