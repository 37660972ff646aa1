// The main window's states and where it is: shown, or hidden into the tray with only its icon
// left. Every change of state passes through Form_Resize: minimising by any means hides the
// window into the tray, the normal and maximised states arm the auto-hide countdown. Where there
// is no notification area the window stays reachable instead, minimised with a taskbar entry; a
// notification area that goes away counts as gone only once it has stayed away for a while (a
// panel restarting comes back within seconds).
#pragma once

#include <cstdint>

#include "presenter/boxes.h"
#include "presenter/controls.h"
#include "ports/window_ports.h"
#include "presenter/api_stuff.h"

namespace kivrel {

// Whether a client size the window reports, in `state`, is a resize by the system or the user
// rather than the echo of a change of state or of a size already seen. Sizes in the maximised and
// minimised states come with the change of state; in the normal state only a size other than the
// last one seen there (`lastNormal`) is new.
bool IsNewSize(WindowState state, PixelSize size, PixelSize lastNormal);

class WindowStates final : public ITrayWindow {
  public:
    WindowStates(IWindow& window, ITrayIcon& tray, const ProgramBoxes& boxes)
        : window_(window), tray_(tray), boxes_(boxes) {}

    // At start-up: where the desktop does not let the program move or size its window, Move and
    // Size are off from the start.
    void Start();
    // At start-up without a notification area: the window starts shown and minimises with a
    // taskbar entry instead of hiding.
    void StartWithoutTray();

    // The last state other than minimised: the one the window comes back to from the tray.
    WindowState LastState() const { return lastState_; }
    // The number the next countdown tick shows.
    int16_t HideCountdown() const { return hideCountdown_; }

    WindowState State() const { return state_; }
    // Sets the state at the program's request and raises Form_Resize at once.
    void SetWindowState(WindowState state);
    void Show();
    void SetFocus();

    // ITrayWindow
    void BringBack() override;
    void PopupMenu(Menu menu) override;
    void TrayAvailabilityChanged() override;

    void Hide();
    // The system or the user changed the state, or with `resized` the size: raises Form_Resize.
    // A report that only repeats the state held, or that comes while the window carries out a
    // request of the program's own, is ignored.
    void SystemChangedWindow(WindowState state, bool resized);
    // The window's report of its client size, in `state`: a resize where IsNewSize says so.
    void SizeReported(WindowState state, PixelSize size);
    // The system's restore and the tray menu's Restore: from maximised to normal, then back as
    // from the tray.
    void SystemRestore();
    void Form_Resize();

    // The tray menu's items and the hide button.
    void HideIntoTray();
    void Minimize();
    void Maximize();
    void Move() { window_.SystemCommand(SysCommand::Move); }
    void Size() { window_.SystemCommand(SysCommand::Size); }

    // The countdown's tick and its cancellation.
    void CountdownTick();
    void CancelCountdown();
    // The notification area has been away for the whole grace period.
    void GraceElapsed();

  private:
    void SetTrayMenuFor(WindowState state);
    void SetCountdown(bool running);
    // The window follows whether there is a notification area to hide into.
    void FollowTray(bool available);
    void ApplyState(WindowState state);
    void SetVisible(bool visible);

    IWindow& window_;
    ITrayIcon& tray_;
    const ProgramBoxes& boxes_;
    WindowState state_ = WindowState::Normal;
    WindowState lastState_ = WindowState::Normal;
    int16_t hideCountdown_ = 0;
    // The client size last seen in the normal state; the window starts at its designed size.
    PixelSize normalSize_{TwipsToPixels(kForm1.clientWidth), TwipsToPixels(kForm1.clientHeight)};
    bool visible_ = false;
    bool everShown_ = false;
    bool trayUsable_ = true;
    int applying_ = 0;  // inside a change the program asked of the window
};

}  // namespace kivrel
