// The main window on Qt: builds itself from the control table, shows what the core tells it and
// reports what happens to it through IWindowEvents. It keeps no rule of its own. The building is
// qt_window_build.cpp, the keyboard move and size qt_window_tracking.cpp.
//
// The program spends most of its life hidden in the tray, so the window starts as an empty
// top-level widget with its timers: the child controls (and the font that covers Chinese) are
// built when first needed (first shown, or asked for by a lookup or a call that needs a real
// widget), the menus when first needed (the tray menu can pop up before the window was ever
// shown, or be offered at start to a panel that draws it itself). Texts and menu states set
// before then are kept and applied when they are built.
#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>
#include <map>

#include "presenter/controls.h"
#include "presenter/events.h"
#include "ports/ports.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;

namespace kivrel {

class QtWindow final : public QWidget, public IWindow {
    Q_OBJECT

  public:
    explicit QtWindow(QWidget* parent = nullptr);
    ~QtWindow() override;

    // Events reach `events` from now on; before this nothing is forwarded.
    void Attach(IWindowEvents& events) { events_ = &events; }

    // Lookups for the program's own wiring and for tests. Control (of anything but the window
    // itself) builds the controls, MenuOf and ActionOf build the menus, if not built yet.
    QWidget* Control(Ctl control);
    QMenu* MenuOf(Menu menu);
    QAction* ActionOf(Menu item);
    QTimer* TimerOf(TimerId timer) const;

    // IWindow
    void SetText(Ctl control, const std::string& text) override;
    void SetMenuEnabled(Menu item, bool enabled) override;
    void SetTimerEnabled(TimerId timer, bool enabled) override;
    void ApplyWindowState(WindowState state) override;
    void SetVisible(bool visible) override;
    void Activate() override;
    void SetFocus(Ctl control) override;
    int ComboIndex(Ctl combo) override;
    double ControlWidth(Ctl control) override;
    void Repaint() override;
    void PopupMenu(Menu menu) override;
    void SystemCommand(SysCommand command) override;
    WindowAbilities Abilities() override;
    void SetTaskbarFallback(bool on) override;
    void Destroy() override;

    // QWidget: builds the controls before the window is first shown, whoever shows it.
    void setVisible(bool visible) override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    enum class Tracking { None, Move, Size };

    // Build the controls (with the window's font), or the menus, the first time they are needed.
    void EnsureControls();
    void EnsureMenus();
    void BuildControls();
    QWidget* BuildComboBox(const ControlSpec& row);
    QWidget* BuildButton(const ControlSpec& row);
    QWidget* BuildLabel(const ControlSpec& row);
    void BuildMenus();
    void BuildTimers();
    void ShowText(QWidget* widget, const QString& shown);
    QWidget* BuiltControl(Ctl control) const;
    void ApplyWindowFlags();
    // X11 only: keeps the window out of the taskbar and the pager, unless the taskbar fallback
    // is on: by writing the window's state before it is mapped, or, once it is `mapped` (or its
    // mapping is under way), by asking the window manager. Does nothing on other platforms.
    void ApplySkipTaskbar(bool mapped);
    // Gives the window a new size; natively on Wayland as its fixed size (see nativeWayland_).
    void SetWindowSize(const QSize& size);
    void StartTracking(Tracking mode);
    void EndTracking(bool keep);
    void StepTracking(int dx, int dy);
    WindowState StateOfWindow() const;
    // Reports the window's client size (a size Qt reports, or one the keyboard size gave it).
    void ReportSize(const QSize& size);
    // Whether events are reported: attached, and not destroyed.
    bool Reporting() const { return events_ != nullptr && !destroyed_; }
    // Reports an event of a control, unless the window is gone.
    void Raise(Ctl control, UiEvent event = UiEvent::Click, const MouseArgs& mouse = {});
    // The control that `widget` is; Ctl::Form1 for anything else.
    Ctl ControlOf(const QObject* widget) const;

    IWindowEvents* events_ = nullptr;
    std::map<Ctl, QWidget*> controls_;
    std::map<Menu, QMenu*> menus_;
    std::map<Menu, QAction*> actions_;
    // Set before the controls, or the menus, were built: applied when they are.
    std::map<Ctl, QString> pendingTexts_;
    std::map<Menu, bool> pendingEnabled_;
    bool controlsBuilt_ = false;
    bool menusBuilt_ = false;
    std::map<TimerId, QTimer*> timers_;
    QPointer<QWidget> pressedLabel_;  // the label a left button went down on

    // A client of the Wayland compositor itself (not through XWayland). Such a window cannot
    // place itself, and it keeps a fixed size: tiling compositors float a window whose smallest
    // and largest sizes are the same, instead of stretching it over the screen.
    const bool nativeWayland_;
    bool everShown_ = false;
    bool fallback_ = false;
    bool destroyed_ = false;

    Tracking tracking_ = Tracking::None;
    QRect trackingStart_;
};

}  // namespace kivrel
