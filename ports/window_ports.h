// The ports of the window side: the main window, the surface it paints on, the program's boxes
// and the tray icon. The Qt and Win32 shells implement them; the tests implement them with fakes.
// All texts crossing these ports are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ports/window_ids.h"

namespace kivrel {

// What the desktop lets a program do to its own window. Where a window cannot be moved or sized
// by the program, menu items that would do it are not offered.
struct WindowAbilities {
    bool move = true;
    bool size = true;
};

// The size of the window's client area, in pixels.
struct PixelSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

// The main window and its controls. The core holds every rule; the window only shows what it is
// told, and reports what happens to it to its IWindowEvents.
class IWindow {
  public:
    virtual ~IWindow() = default;
    // Caption of the window (Ctl::Form1) or text of a label, button or combo box.
    virtual void SetText(Ctl control, const std::string& text) = 0;
    virtual void SetMenuEnabled(Menu item, bool enabled) = 0;
    virtual void SetTimerEnabled(TimerId timer, bool enabled) = 0;
    // Puts the window into a state; a hidden window takes the state when it is next shown.
    // Minimized minimises it only with the taskbar fallback on (see SetTaskbarFallback);
    // otherwise it changes nothing visible: the core hides the window into the tray itself with
    // SetVisible(false).
    virtual void ApplyWindowState(WindowState state) = 0;
    // Shows (centred the first time) or hides the window without changing its state.
    virtual void SetVisible(bool visible) = 0;
    // Brings the window to the front and gives it the input focus.
    virtual void Activate() = 0;
    virtual void SetFocus(Ctl control) = 0;
    // The 0-based chosen position of a combo box, -1 when none.
    virtual int ComboIndex(Ctl combo) = 0;
    // Width of a control in pixels (the window's drawing scale).
    virtual double ControlWidth(Ctl control) = 0;
    // Asks for Form_Paint to be raised soon.
    virtual void Repaint() = 0;
    // Pops up a menu at the mouse pointer and returns when it has closed (modal).
    virtual void PopupMenu(Menu menu) = 0;
    // The platform's own keyboard move and keyboard size.
    virtual void SystemCommand(SysCommand command) = 0;
    // Whether SystemCommand's keyboard move and size can change the window in this session.
    virtual WindowAbilities Abilities() = 0;
    // With no notification area, minimising keeps a taskbar entry so the window stays reachable.
    virtual void SetTaskbarFallback(bool on) = 0;
    // Destroys the window and ends the event loop; called once, after Form_Unload.
    virtual void Destroy() = 0;
};

class ICanvas;

// What happens to the main window, as its shell reports it to the core. The shell holds this and
// nothing else of the core. The shell reports what it sees, whoever caused it: a change it made at
// the core's request comes back too, while the core makes it or later, and the core tells such
// echoes from the changes the system or the user made.
class IWindowEvents {
  public:
    virtual ~IWindowEvents() = default;
    // The window needs painting.
    virtual void Paint(ICanvas& canvas) = 0;
    // The user did `event` to `control` (`mouse`: where, for mouse moves).
    virtual void ControlEvent(Ctl control, UiEvent event, const MouseArgs& mouse) = 0;
    virtual void MenuChosen(Menu item) = 0;
    virtual void TimerElapsed(TimerId timer) = 0;
    // The window is now in `state` (a restore from the taskbar, a maximise).
    virtual void StateChanged(WindowState state) = 0;
    // The window's client area is now `size`, the window being in `state` (a keyboard size, the
    // size that comes with a maximise or a restore).
    virtual void SizeChanged(WindowState state, PixelSize size) = 0;
    // The system's own restore command, for a window hidden in the tray.
    virtual void RestoreRequested() = 0;
    // Alt+F4, the system's close, a termination signal, the application quitting.
    virtual void CloseRequested() = 0;
    // The desktop session asks whether it may end; then it ends (`ending`) or was cancelled.
    virtual void SessionEndAsked() = 0;
    virtual void SessionEnded(bool ending) = 0;
    // Whether the program has started and not yet ended: before, a termination only closes the
    // start-up message that may be open.
    virtual bool Running() const = 0;
};

// Surface that the window paints on, in pixels of the client area, y downwards.
class ICanvas {
  public:
    virtual ~ICanvas() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Filled rectangle without outline from corner (x1, y1) to corner (x2, y2), both corners
    // included, whichever way round they are given.
    virtual void FillBox(int x1, int y1, int x2, int y2, Rgb colour) = 0;
    // Filled circle without outline.
    virtual void FillCircle(double cx, double cy, double radius, Rgb colour) = 0;
};

// Message box styles: the buttons, the icon and the default button of a modal message box.
enum class MsgButtons { Ok, YesNo };
enum class MsgIcon { None, Information, Question, Warning, Critical };
enum class MsgAnswer { Ok, Yes, No };
struct MsgStyle {
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    int defaultButton = 0;  // 0 = the first button
};

class IDialogs {
  public:
    virtual ~IDialogs() = default;
    // Modal message box; timers keep running while it is open.
    virtual MsgAnswer MsgBox(const std::string& text, const std::string& title, MsgStyle style) = 0;
    // Modal input box; returns the text typed, an empty text on Cancel.
    virtual std::string InputBox(const std::string& prompt, const std::string& title,
                                 const std::string& defaultAnswer) = 0;
};

// A button of a notification: the key it is reported back with, and its label.
struct NoticeAction {
    std::string key;
    std::string label;
    friend bool operator==(const NoticeAction&, const NoticeAction&) = default;
};
// The key reported for a click on a notification that shows no buttons (a balloon).
inline constexpr const char* kNoticeClicked = "default";

// Receiver of the answers to notifications.
class INoticeSink {
  public:
    virtual ~INoticeSink() = default;
    // The user chose `action` (a NoticeAction key, or kNoticeClicked) on notification `notice`.
    virtual void NoticeAnswered(int notice, const std::string& action) = 0;
};

// The mouse events of a notification-area icon.
enum class TrayEvent { LeftButtonUp, RightButtonUp, Other };

// Receiver of what happens to the tray icon.
class ITraySink {
  public:
    virtual ~ITraySink() = default;
    // A mouse event on the icon. Returns true when it was handled, false when it passes on to the
    // platform's own handling.
    virtual bool OnTrayEvent(TrayEvent event) = 0;
    // The notification area came (back): the icon has to be added again.
    virtual void TrayHostCreated() = 0;
    // The notification area went away while the icon was in it.
    virtual void TrayHostLost() = 0;
};

class ITrayIcon {
  public:
    virtual ~ITrayIcon() = default;
    // Whether the desktop has a notification area at all right now.
    virtual bool Available() = 0;
    // Adds the icon (the window's icon) and sends what happens to it to `sink`. `menu` is the
    // icon's menu, the one a right click gives: where the desktop draws the menus of its icons
    // itself (StatusNotifierItem hosts), the icon offers it there, with the window's own items and
    // states; elsewhere the right-button release reaches the sink, which pops it up.
    virtual void Add(ITraySink& sink, Menu menu) = 0;
    virtual void SetTip(const std::string& tip) = 0;
    virtual void Remove() = 0;
    // A short notification from the icon (a balloon or desktop notification).
    virtual void Notify(const std::string& title, const std::string& text) = 0;
    // A notification that asks: with `actions` as buttons where the desktop's notification server
    // offers them; elsewhere a plain notification whose click reports kNoticeClicked. A newer
    // notification with the same `notice` replaces the older one. The answer goes to `sink`; a
    // notification that closes unanswered reports nothing.
    virtual void Ask(int notice, const std::string& title, const std::string& text,
                     const std::vector<NoticeAction>& actions, INoticeSink& sink) = 0;
};

}  // namespace kivrel
