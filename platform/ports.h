// The ports through which the toolkit-free core talks to the operating system and the toolkit.
// Every interface here is small and pure C++: the Qt and Linux adapters implement them on
// Linux, the Win32 adapters on Windows, and the tests implement them with fakes.
// All texts crossing these ports are UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/controls.h"

namespace kivrel {

// Window states, as everywhere in the program: 0 normal, 1 minimised, 2 maximised.
enum WindowStateValue : int16_t { kNormal = 0, kMinimized = 1, kMaximized = 2 };

// The system commands the tray menu's Restore, Move and Size items ask of the window.
enum class SysCommand { Restore, Move, Size };

// The main window and its controls. The core holds every rule; the window only shows what it is
// told and reports what the user did to the matching Form1 handler.
class IWindow {
  public:
    virtual ~IWindow() = default;
    // Caption of the window (Ctl::Form1) or text of a label, button or combo box.
    virtual void SetText(Ctl control, const std::string& text) = 0;
    virtual void SetMenuEnabled(Menu item, bool enabled) = 0;
    virtual void SetTimerEnabled(TimerId timer, bool enabled) = 0;
    // Puts the window into a logical state: 1 hides it into the tray (or, with no tray, minimises
    // it with a taskbar entry: see SetTaskbarFallback), 0 shows it normal, 2 maximised. The
    // window must not report this change back as a resize: Form1 raises Form_Resize itself.
    virtual void ApplyWindowState(int16_t state) = 0;
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
    // The platform's own window commands: restore, keyboard move, keyboard size.
    virtual void SystemCommand(SysCommand command) = 0;
    // With no notification area, minimising keeps a taskbar entry so the window stays reachable.
    virtual void SetTaskbarFallback(bool on) = 0;
    // Destroys the window and ends the event loop; called once, after Form_Unload.
    virtual void Destroy() = 0;
};

// Surface that Form_Paint draws on, in pixels of the client area, y downwards.
class ICanvas {
  public:
    virtual ~ICanvas() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Filled rectangle without outline, corners (x1, y1) and (x2, y2) inclusive of x1,y1.
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

// The events a notification-area icon delivers, named after the messages they stand for.
enum class TrayEvent { LeftButtonUp, RightButtonUp, LeftDoubleClick, Other };

// Receiver of the tray icon's events (the window hook).
class ITraySink {
  public:
    virtual ~ITraySink() = default;
    // Returns true when the event was handled, false when it passes on to the window's own
    // handling.
    virtual bool TrayWndProc(uint32_t message, TrayEvent event) = 0;
    // The notification area came (back): the icon has to be added again.
    virtual void TrayHostCreated() = 0;
};

class ITrayIcon {
  public:
    virtual ~ITrayIcon() = default;
    // Whether the desktop has a notification area at all right now.
    virtual bool Available() = 0;
    // Adds the icon (the window's icon) and routes its events to sink with the given callback id.
    virtual void Add(ITraySink& sink, uint32_t callbackMessage) = 0;
    virtual void SetTip(const std::string& tip) = 0;
    virtual void Remove() = 0;
    // A short notification from the icon (a balloon or desktop notification).
    virtual void Notify(const std::string& title, const std::string& text) = 0;
};

class IConnection {
  public:
    virtual ~IConnection() = default;
    // One yes-or-no answer per tick: is the machine connected to the Internet? Never blocks and
    // never sends traffic.
    virtual bool Connected() = 0;
};

struct LocalDate {
    int year = 2000;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
};

class IClock {
  public:
    virtual ~IClock() = default;
    virtual LocalDate Today() = 0;
};

class IFileSystem {
  public:
    virtual ~IFileSystem() = default;
    virtual bool Exists(const std::string& path) = 0;
    // Whether this user may change the existing file `path` (a file without any write permission
    // counts as not writable even for an administrator).
    virtual bool Writable(const std::string& path) = 0;
    // Creates the directory `path` and any missing parents, private to this user; true when it
    // exists afterwards.
    virtual bool MakeDirectories(const std::string& path) = 0;
    // The whole file, or nothing when it cannot be read.
    virtual std::optional<std::string> ReadAll(const std::string& path) = 0;
    // Durable whole-file replace: either the file holds exactly `bytes` afterwards and true is
    // returned, or it is left byte-identical and false is returned. Only when no temporary file
    // can be made beside a writable file is the file rewritten in place (written, flushed to the
    // disk); a failure there may leave it damaged, and false is returned.
    virtual bool ReplaceAll(const std::string& path, const std::string& bytes) = 0;
    // Removes temporary files that a killed process left beside `path`.
    virtual void RemoveStaleTemporaries(const std::string& path) = 0;
};

class IAppInfo {
  public:
    virtual ~IAppInfo() = default;
    // The directory that holds the executable, without a trailing separator.
    virtual std::string ExeDir() = 0;
    // The directory of this user's own files for the program ($XDG_DATA_HOME/kivrel,
    // %APPDATA%\\Kivrel), without a trailing separator; empty when it cannot be told.
    virtual std::string UserDataDir() = 0;
    // The platform's directory separator ("/" or "\\").
    virtual std::string PathSeparator() = 0;
    // The build revision: the last field of the executable's version.
    virtual int Revision() = 0;
};

class IInstanceGuard {
  public:
    virtual ~IInstanceGuard() = default;
    // True when another copy of the program is already running. Otherwise this process now holds
    // the claim for as long as it lives; a killed process leaves no claim behind.
    virtual bool AnotherInstanceRunning() = 0;
};

class IAutostart {
  public:
    virtual ~IAutostart() = default;
    // Enters the executable in `exeDir` to start at log-on. Returns false and says why on failure.
    virtual bool Enter(const std::string& exeDir, std::string& why) = 0;
    // Removes that entry; removing an entry that is not there succeeds.
    virtual bool Remove(std::string& why) = 0;
};

// Everything the core is given.
struct Platform {
    IWindow& window;
    IDialogs& dialogs;
    ITrayIcon& tray;
    IConnection& connection;
    IClock& clock;
    IFileSystem& files;
    IAppInfo& app;
    IInstanceGuard& instance;
    IAutostart& autostart;
};

}  // namespace kivrel
