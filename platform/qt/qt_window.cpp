#include "platform/qt/qt_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "presenter/events.h"
#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_look.h"
#include "platform/qt/qt_x11.h"

namespace kivrel {

namespace {

constexpr QSize kDesignSize(TwipsToPixels(kForm1.clientWidth), TwipsToPixels(kForm1.clientHeight));

}  // namespace

QtWindow::QtWindow(QWidget* parent)
    : QWidget(parent),
      nativeWayland_(QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(FromView(kForm1.caption));
    ApplyWindowFlags();
    setAttribute(Qt::WA_QuitOnClose, false);

    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, ToQColor(kForm1.background));
    setPalette(palette);
    setAutoFillBackground(true);

    SetWindowSize(kDesignSize);

    // The timers are real from the start: Timer1 ticks while the window is hidden. The controls
    // and the menus wait until they are needed (EnsureControls, EnsureMenus).
    BuildTimers();
}

QtWindow::~QtWindow() = default;

// ------------------------------------------------------------------------------- IWindow

void QtWindow::SetText(Ctl control, const std::string& text) {
    const QString shown = DisplayText(text);
    if (control == Ctl::Form1) {
        setWindowTitle(shown);
        return;
    }
    if (!controlsBuilt_) {
        pendingTexts_[control] = shown;  // the last text wins, as it would on the control
        return;
    }
    ShowText(BuiltControl(control), shown);
}

void QtWindow::ShowText(QWidget* widget, const QString& shown) {
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(shown);
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        button->setText(shown);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        // Writing the text leaves no item chosen unless the text is an item's.
        combo->setCurrentIndex(shown.isEmpty() ? -1 : combo->findText(shown));
        combo->setEditText(shown);
    }
}

void QtWindow::SetMenuEnabled(Menu item, bool enabled) {
    if (!menusBuilt_) {
        pendingEnabled_[item] = enabled;
        return;
    }
    if (QMenu* menu = MenuOf(item))
        menu->setEnabled(enabled);
    else if (QAction* action = ActionOf(item))
        action->setEnabled(enabled);
}

void QtWindow::SetTimerEnabled(TimerId timer, bool enabled) {
    QTimer* t = TimerOf(timer);
    if (!enabled)
        t->stop();
    else if (!t->isActive() && !destroyed_)
        t->start();  // an enabled timer keeps its rhythm
}

void QtWindow::ApplyWindowState(WindowState state) {
    Qt::WindowStates states = windowState();
    switch (state) {
        case WindowState::Normal:
            states &= ~(Qt::WindowMinimized | Qt::WindowMaximized);
            break;
        case WindowState::Maximized:
            states = (states & ~Qt::WindowMinimized) | Qt::WindowMaximized;
            break;
        case WindowState::Minimized:
            // In the tray the core hides the window itself; only with the taskbar fallback does
            // minimising show as such.
            if (!fallback_)
                return;
            states |= Qt::WindowMinimized;
            break;
    }
    if (states != windowState())
        setWindowState(states);
}

void QtWindow::SetVisible(bool visible) {
    if (!visible) {
        if (tracking_ != Tracking::None)
            EndTracking(true);
        hide();
        return;
    }
    if (destroyed_)
        return;
    EnsureControls();
    if (!everShown_) {
        everShown_ = true;
        QScreen* screen = QGuiApplication::primaryScreen();
        if (screen != nullptr) {
            QRect placed(QPoint(), size());
            placed.moveCenter(screen->availableGeometry().center());
            move(placed.topLeft());
        }
    }
    // Before mapping for the window manager to read, and asked of it once mapped: Qt maps a
    // hidden window that leaves the minimised state on its own, before show().
    if (!isVisible())
        ApplySkipTaskbar(false);
    show();
    ApplySkipTaskbar(true);
}

void QtWindow::Activate() {
    if (!isVisible())
        return;
    raise();
    activateWindow();
    if (focusWidget() == nullptr)
        Control(kTabOrder.front())->setFocus(Qt::ActiveWindowFocusReason);
}

void QtWindow::SetFocus(Ctl control) {
    if (QWidget* widget = Control(control))
        widget->setFocus(Qt::OtherFocusReason);
}

int QtWindow::ComboIndex(Ctl combo) {
    auto* box = qobject_cast<QComboBox*>(Control(combo));
    return box == nullptr ? -1 : box->currentIndex();
}

double QtWindow::ControlWidth(Ctl control) {
    QWidget* widget = Control(control);
    return widget == nullptr ? 0.0 : widget->width();
}

void QtWindow::Repaint() {
    update();
}

void QtWindow::PopupMenu(Menu menu) {
    if (QMenu* popup = MenuOf(menu)) {
        PrepareUserInterface();
        popup->exec(QCursor::pos());
    }
}

void QtWindow::SystemCommand(SysCommand command) {
    if (!Reporting())
        return;
    const Tracking mode = command == SysCommand::Move ? Tracking::Move : Tracking::Size;
    // Started once the menu that asked for it has let go of the keyboard.
    QTimer::singleShot(0, this, [this, mode] { StartTracking(mode); });
}

WindowAbilities QtWindow::Abilities() {
    // A Wayland client has no say in where its window is; it may choose its size.
    if (nativeWayland_ || PlacedByWlroots())
        return {.move = false, .size = true};
    return {};
}

void QtWindow::SetWindowSize(const QSize& wanted) {
    if (nativeWayland_)
        setFixedSize(wanted);
    else
        resize(wanted);
}

void QtWindow::SetTaskbarFallback(bool on) {
    if (on == fallback_)
        return;
    fallback_ = on;
    ApplyWindowFlags();
    ApplySkipTaskbar(isVisible());
}

void QtWindow::Destroy() {
    if (destroyed_)
        return;
    destroyed_ = true;
    if (tracking_ != Tracking::None)
        EndTracking(true);
    for (const auto& [id, timer] : timers_)
        timer->stop();
    close();  // closeEvent sees destroyed_ and lets it go without unloading again
    hide();
    QCoreApplication::quit();
}

// ------------------------------------------------------------------------------- events

void QtWindow::setVisible(bool visible) {
    // Whichever way the window comes to be shown (SetVisible, the window flags put back, the
    // window manager), its controls are there first.
    if (visible)
        EnsureControls();
    QWidget::setVisible(visible);
}

void QtWindow::paintEvent(QPaintEvent*) {
    if (events_ == nullptr)
        return;
    QPainter painter(this);
    QtCanvas canvas(painter, width(), height());
    events_->Paint(canvas);
}

void QtWindow::closeEvent(QCloseEvent* event) {
    // Alt+F4 or the system's close request: the same unloading as every other closing path.
    if (Reporting())
        events_->CloseRequested();
    event->accept();
}

WindowState QtWindow::StateOfWindow() const {
    const Qt::WindowStates states = windowState();
    if (states & Qt::WindowMinimized)
        return WindowState::Minimized;
    if (states & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return WindowState::Maximized;
    return WindowState::Normal;
}

// A hidden window is in the tray: what the window system says of it then (a window manager drops
// the states of a window it no longer shows) is no change the user made, and is not reported.
void QtWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && Reporting() && isVisible())
        events_->StateChanged(StateOfWindow());
}

void QtWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (Reporting() && isVisible())
        ReportSize(size());
}

void QtWindow::ReportSize(const QSize& size) {
    events_->SizeChanged(StateOfWindow(), PixelSize{size.width(), size.height()});
}

bool QtWindow::eventFilter(QObject* watched, QEvent* event) {
    if (!Reporting())
        return QWidget::eventFilter(watched, event);
    const Ctl control = ControlOf(watched);
    if (event->type() == QEvent::MouseMove) {
        // While a button pressed over the label is held, Qt keeps sending the moves here,
        // relative to the label, wherever the pointer goes.
        const auto* move = static_cast<QMouseEvent*>(event);
        Raise(control, UiEvent::MouseMove, MouseArgs{static_cast<float>(move->position().x())});
    } else if (HasHandler(control, UiEvent::Click)) {
        // A label's click: the left button pressed and released over it.
        auto* label = static_cast<QWidget*>(watched);
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
            pressedLabel_ = label;
        } else if (event->type() == QEvent::MouseButtonRelease &&
                   mouse->button() == Qt::LeftButton) {
            const bool click =
                pressedLabel_ == label && label->rect().contains(mouse->position().toPoint());
            pressedLabel_ = nullptr;
            if (click)
                Raise(control);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void QtWindow::Raise(Ctl control, UiEvent event, const MouseArgs& mouse) {
    if (Reporting())
        events_->ControlEvent(control, event, mouse);
}

Ctl QtWindow::ControlOf(const QObject* widget) const {
    for (const auto& [id, built] : controls_)
        if (built == widget)
            return id;
    return Ctl::Form1;
}

// ------------------------------------------------------------------------------- taskbar

void QtWindow::ApplyWindowFlags() {
    const Qt::WindowFlags wanted = Qt::FramelessWindowHint | (fallback_ ? Qt::Window : Qt::Tool);
    if (windowFlags() == wanted)
        return;
    // Changing the flags hides a shown window: put it back as it was.
    const bool wasVisible = isVisible();
    const QPoint at = pos();
    const Qt::WindowStates states = windowState();
    setWindowFlags(wanted);
    move(at);
    setWindowState(states);
    if (wasVisible) {
        ApplySkipTaskbar(false);
        show();
        ApplySkipTaskbar(true);
    }
}

void QtWindow::ApplySkipTaskbar(bool mapped) {
    HintSkipTaskbar(*this, !fallback_, mapped);
}

}  // namespace kivrel
