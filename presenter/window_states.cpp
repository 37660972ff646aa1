#include "presenter/window_states.h"

#include "vocabulary/numbers.h"
#include "vocabulary/texts.h"

namespace kivrel {

namespace {

// The countdown's arming: the seconds shown by the first tick.
constexpr int16_t kHideAfterSeconds = 30;

// Counts the program's own requests to the window while they are carried out.
class Applying {
  public:
    explicit Applying(int& depth) : depth_(depth) { ++depth_; }
    ~Applying() { --depth_; }
    Applying(const Applying&) = delete;
    Applying& operator=(const Applying&) = delete;

  private:
    int& depth_;
};

}  // namespace

bool IsNewSize(WindowState state, PixelSize size, PixelSize lastNormal) {
    return state == WindowState::Normal && size != lastNormal;
}

void WindowStates::Start() {
    lastState_ = state_ == WindowState::Minimized ? WindowState::Normal : state_;
    const WindowAbilities can = window_.Abilities();
    if (!can.move)
        window_.SetMenuEnabled(Menu::mnuTrayMove, false);
    if (!can.size)
        window_.SetMenuEnabled(Menu::mnuTraySize, false);
}

void WindowStates::StartWithoutTray() {
    trayUsable_ = false;
    {
        Applying applying(applying_);
        window_.SetTaskbarFallback(true);
    }
    Show();
    SetFocus();
}

// ---------------------------------------------------------------- the window

void WindowStates::ApplyState(WindowState state) {
    Applying applying(applying_);
    window_.ApplyWindowState(state);
}

void WindowStates::SetVisible(bool visible) {
    Applying applying(applying_);
    window_.SetVisible(visible);
}

void WindowStates::SetWindowState(WindowState state) {
    if (state == state_)
        return;
    state_ = state;
    ApplyState(state);
    Form_Resize();
}

void WindowStates::SystemChangedWindow(WindowState state, bool resized) {
    if (applying_ > 0)
        return;
    if (state != WindowState::Minimized)
        visible_ = true;
    if (state == state_ && !resized)
        return;
    state_ = state;
    Form_Resize();
}

void WindowStates::SizeReported(WindowState state, PixelSize size) {
    const bool resized = IsNewSize(state, size, normalSize_);
    if (resized)
        normalSize_ = size;
    SystemChangedWindow(state, resized);
}

// The tray icon's left click, and every restore: the one way back from the tray.
void WindowStates::BringBack() {
    if (state_ == WindowState::Minimized)
        SetWindowState(lastState_);
    Show();
    SetFocus();
}

void WindowStates::SystemRestore() {
    if (state_ == WindowState::Maximized)
        SetWindowState(WindowState::Normal);
    BringBack();
}

void WindowStates::Show() {
    if (visible_)
        return;
    visible_ = true;
    SetVisible(true);
    if (!everShown_) {
        everShown_ = true;
        Form_Resize();
    }
}

void WindowStates::Hide() {
    visible_ = false;
    SetVisible(false);
}

void WindowStates::SetFocus() {
    window_.Activate();
}

void WindowStates::PopupMenu(Menu menu) {
    window_.PopupMenu(menu);
}

void WindowStates::SetTrayMenuFor(WindowState state) {
    // In this order: Maximize, Minimize, Move, Restore, Size. Move and Size only where the
    // desktop lets the program move or size its window.
    const WindowAbilities can = window_.Abilities();
    const bool normal = state == WindowState::Normal;
    window_.SetMenuEnabled(Menu::mnuTrayMaximize, state != WindowState::Maximized);
    window_.SetMenuEnabled(Menu::mnuTrayMinimize, state != WindowState::Minimized);
    window_.SetMenuEnabled(Menu::mnuTrayMove, normal && can.move);
    window_.SetMenuEnabled(Menu::mnuTrayRestore, !normal);
    window_.SetMenuEnabled(Menu::mnuTraySize, normal && can.size);
}

void WindowStates::Form_Resize() {
    SetTrayMenuFor(state_);
    if (state_ == WindowState::Minimized) {
        if (trayUsable_)
            Hide();
        SetCountdown(false);
        return;
    }
    SetCountdown(true);
    hideCountdown_ = kHideAfterSeconds;
    lastState_ = state_;
}

// ---------------------------------------------------------------- the tray menu and the button

void WindowStates::HideIntoTray() {
    SetWindowState(WindowState::Minimized);
}

void WindowStates::Minimize() {
    if (trayUsable_)
        Hide();
    SetWindowState(WindowState::Minimized);
}

// An enabled menu item that did nothing would be a fault users see: Maximize maximises.
void WindowStates::Maximize() {
    SetWindowState(WindowState::Maximized);
    Show();
    SetFocus();
}

// ---------------------------------------------------------------- the countdown

void WindowStates::SetCountdown(bool running) {
    window_.SetTimerEnabled(TimerId::Timer2, running);
}

// While one of the program's boxes is open the countdown holds.
void WindowStates::CountdownTick() {
    if (boxes_.AnyOpen())
        return;
    window_.SetText(Ctl::Label7, "自动隐藏倒计时:" + DecimalText(hideCountdown_));
    if (hideCountdown_ < 1) {
        SetWindowState(WindowState::Minimized);
        SetCountdown(false);
    }
    if (hideCountdown_ > -1)
        hideCountdown_ -= 1;
}

void WindowStates::CancelCountdown() {
    SetCountdown(false);
    window_.SetText(Ctl::Label7, "已取消自动隐藏");
}

// ---------------------------------------------------------------- the notification area

// A notification area that goes away is given the grace period to come back (a panel restarting):
// until then nothing the user sees changes.
void WindowStates::TrayAvailabilityChanged() {
    const bool available = tray_.Available();
    window_.SetTimerEnabled(TimerId::TrayGrace, !available && trayUsable_);
    if (available || !trayUsable_)
        FollowTray(available);
}

void WindowStates::GraceElapsed() {
    window_.SetTimerEnabled(TimerId::TrayGrace, false);
    FollowTray(tray_.Available());
}

void WindowStates::FollowTray(bool available) {
    if (available == trayUsable_)
        return;
    trayUsable_ = available;
    {
        Applying applying(applying_);
        window_.SetTaskbarFallback(!available);
    }
    if (available) {
        if (state_ == WindowState::Minimized)
            Hide();  // back into the tray from the taskbar
        return;
    }
    if (visible_)
        return;
    // The tray is gone while the window was hidden in it, or had never been opened: keep it
    // reachable, minimised with a taskbar entry.
    if (state_ != WindowState::Minimized)
        SetWindowState(WindowState::Minimized);
    else
        ApplyState(WindowState::Minimized);
    visible_ = true;
    everShown_ = true;
    SetVisible(true);
}

}  // namespace kivrel
