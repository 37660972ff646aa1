#include "platform/qt/qt_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/form1.h"
#include "platform/qt/qt_look.h"

#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace kivrel {

// ------------------------------------------------------------------------------- canvas

QtCanvas::QtCanvas(QPainter& painter, int width, int height)
    : painter_(painter), width_(width), height_(height) {}

static QColor ToQColor(Rgb colour) {
    return QColor(colour.r, colour.g, colour.b);
}

void QtCanvas::FillBox(int x1, int y1, int x2, int y2, Rgb colour) {
    // QRect built from two points holds both of them.
    const QRect box(QPoint(std::min(x1, x2), std::min(y1, y2)),
                    QPoint(std::max(x1, x2), std::max(y1, y2)));
    painter_.fillRect(box, ToQColor(colour));
}

void QtCanvas::FillCircle(double cx, double cy, double radius, Rgb colour) {
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(ToQColor(colour));
    painter_.drawEllipse(QPointF(cx, cy), radius, radius);
    painter_.restore();
}

// ------------------------------------------------------------------------------- helpers

namespace {

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QRect PixelsOf(const ControlSpec& row) {
    return QRect(TwipsToPixels(row.left), TwipsToPixels(row.top), TwipsToPixels(row.width),
                 TwipsToPixels(row.height));
}

// A push button filled with its own colour: a raised edge, or one plain line when flat.
QString ButtonStyle(Rgb fill, bool flat) {
    const QColor face = ToQColor(fill);
    const QString rgb = QStringLiteral("rgb(%1,%2,%3)");
    const QString faceText = rgb.arg(face.red()).arg(face.green()).arg(face.blue());
    const QColor pressed = face.darker(115);
    const QString pressedText = rgb.arg(pressed.red()).arg(pressed.green()).arg(pressed.blue());
    if (flat) {
        return QStringLiteral(
                   "QPushButton { background-color: %1; color: palette(button-text);"
                   " border: 1px solid rgb(0,0,0); padding: 0px; }"
                   "QPushButton:focus { border: 2px solid rgb(0,0,0); }"
                   "QPushButton:pressed { background-color: %2; }")
            .arg(faceText, pressedText);
    }
    const QColor edge = face.darker(160);
    const QString edgeText = rgb.arg(edge.red()).arg(edge.green()).arg(edge.blue());
    return QStringLiteral(
               "QPushButton { background-color: %1; color: palette(button-text);"
               " border: 2px outset %1; padding: 0px; }"
               "QPushButton:focus { border: 2px outset %3; }"
               "QPushButton:pressed { background-color: %2; border-style: inset; }")
        .arg(faceText, pressedText, edgeText);
}

// Mouse buttons and shift keys as the handlers count them: left 1, right 2, middle 4;
// Shift 1, Ctrl 2, Alt 4.
int16_t ButtonMask(Qt::MouseButtons buttons) {
    int16_t mask = 0;
    if (buttons & Qt::LeftButton)
        mask |= 1;
    if (buttons & Qt::RightButton)
        mask |= 2;
    if (buttons & Qt::MiddleButton)
        mask |= 4;
    return mask;
}

int16_t ShiftMask(Qt::KeyboardModifiers modifiers) {
    int16_t mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= 1;
    if (modifiers & Qt::ControlModifier)
        mask |= 2;
    if (modifiers & Qt::AltModifier)
        mask |= 4;
    return mask;
}

constexpr QSize kDesignSize(TwipsToPixels(kForm1.clientWidth), TwipsToPixels(kForm1.clientHeight));

// Steps of the keyboard move and size, in pixels.
constexpr int kTrackStep = 10;
constexpr int kTrackFineStep = 1;

}  // namespace

// ------------------------------------------------------------------------------- building

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
    normalSize_ = kDesignSize;

    // The timers are real from the start: Timer1 ticks while the window is hidden. The controls
    // and the menus wait until they are needed (EnsureControls, EnsureMenus).
    BuildTimers();
}

QtWindow::~QtWindow() = default;

void QtWindow::EnsureControls() {
    if (controlsBuilt_)
        return;
    controlsBuilt_ = true;
    PrepareUserInterface();
    // The default font of every control: the usage hint must fit Label6's box.
    const ControlSpec& hintLabel = ControlSpecOf(Ctl::Label6);
    setFont(UiFontFitting(QString::fromUtf8(kHintText),
                          QSize(TwipsToPixels(hintLabel.width), TwipsToPixels(hintLabel.height))));
    BuildControls();
    // What Form1 wrote while there were no controls.
    for (const auto& [control, shown] : pendingTexts_)
        ShowText(BuiltControl(control), shown);
    pendingTexts_.clear();
}

void QtWindow::EnsureMenus() {
    if (menusBuilt_)
        return;
    menusBuilt_ = true;
    // The font waits for the menu's first popup: a panel that draws the tray menu itself reads
    // only its items.
    BuildMenus();
    for (const auto& [item, enabled] : pendingEnabled_)
        SetMenuEnabled(item, enabled);
    pendingEnabled_.clear();
}

void QtWindow::BuildControls() {
    for (const ControlSpec& row : kControls) {
        QWidget* widget = nullptr;
        const Ctl id = row.id;
        switch (row.kind) {
            case ControlKind::ComboBox: {
                auto* combo = new QComboBox(this);
                combo->setEditable(true);
                combo->setInsertPolicy(QComboBox::NoInsert);
                combo->setCompleter(nullptr);
                const auto add = [combo](const auto& items) {
                    for (std::string_view item : items)
                        combo->addItem(FromView(item));
                };
                if (id == Ctl::Combo1)
                    add(kCombo1Items);
                else
                    add(kCombo2Items);
                combo->setCurrentIndex(-1);
                combo->setEditText(FromView(row.text));
                connect(combo, &QComboBox::activated, this, [this, id](int) {
                    if (form_ == nullptr || destroyed_)
                        return;
                    if (id == Ctl::Combo1)
                        form_->Combo1_Click();
                    else
                        form_->Combo2_Click();
                });
                widget = combo;
                break;
            }
            case ControlKind::Button: {
                auto* button = new QPushButton(FromView(row.text), this);
                button->setFlat(row.flat);
                button->setAutoDefault(false);
                if (row.background)
                    button->setStyleSheet(ButtonStyle(*row.background, row.flat));
                connect(button, &QPushButton::clicked, this, [this, id] {
                    if (form_ == nullptr || destroyed_)
                        return;
                    switch (id) {
                        case Ctl::Command1:
                            form_->Command1_Click();
                            break;
                        case Ctl::Command2:
                            form_->Command2_Click();
                            break;
                        case Ctl::Command3:
                            form_->Command3_Click();
                            break;
                        case Ctl::command4:
                            form_->command4_Click();
                            break;
                        case Ctl::Command5:
                            form_->Command5_Click();
                            break;
                        default:
                            break;
                    }
                });
                widget = button;
                break;
            }
            case ControlKind::Label: {
                auto* label = new QLabel(FromView(row.text), this);
                label->setTextFormat(Qt::PlainText);
                label->setWordWrap(true);
                label->setAlignment((row.centred ? Qt::AlignHCenter : Qt::AlignLeft) |
                                    Qt::AlignTop);
                label->setAutoFillBackground(false);
                if (row.border) {
                    label->setFrameShape(QFrame::Box);
                    label->setFrameShadow(QFrame::Plain);
                    label->setLineWidth(1);
                }
                if (!row.tooltip.empty())
                    label->setToolTip(FromView(row.tooltip));
                if (id == Ctl::Label6) {
                    label->setMouseTracking(true);
                    label->installEventFilter(this);
                }
                if (id == Ctl::Label7)
                    label->installEventFilter(this);
                widget = label;
                break;
            }
        }
        widget->setObjectName(FromView(row.name));
        widget->setGeometry(PixelsOf(row));
        widget->setForegroundRole(row.colour == TextColour::WindowText ? QPalette::WindowText
                                                                       : QPalette::ButtonText);
        if (row.font == FontChoice::SongTi12)
            widget->setFont(SongTi12());
        controls_[id] = widget;
    }

    // Keyboard order, and the control that has the focus first.
    for (size_t i = 0; i + 1 < kTabOrder.size(); ++i)
        QWidget::setTabOrder(controls_[kTabOrder[i]], controls_[kTabOrder[i + 1]]);
    controls_[kTabOrder.front()]->setFocus(Qt::OtherFocusReason);
}

void QtWindow::BuildMenus() {
    const std::map<Menu, std::function<void(Form1&)>> handlers{
        {Menu::mnuFileExit, &Form1::mnuFileExit_Click},
        {Menu::mnuTrayRestore, &Form1::mnuTrayRestore_Click},
        {Menu::mnuTrayMove, &Form1::mnuTrayMove_Click},
        {Menu::mnuTraySize, &Form1::mnuTraySize_Click},
        {Menu::mnuTrayMinimize, &Form1::mnuTrayMinimize_Click},
        {Menu::mnuTrayMaximize, &Form1::mnuTrayMaximize_Click},
        {Menu::mnuTrayClose, &Form1::mnuTrayClose_Click},
    };
    for (const MenuSpec& row : kMenus) {
        if (!row.parent) {
            // A top-level menu: a hidden container, shown only as a popup.
            auto* menu = new QMenu(FromView(row.caption), this);
            menu->setObjectName(FromView(row.name));
            menu->setEnabled(row.enabled);
            menu->menuAction()->setVisible(row.visible);
            menus_[row.id] = menu;
            continue;
        }
        QMenu* parent = menus_.at(*row.parent);
        QAction* action =
            row.caption == "-" ? parent->addSeparator() : parent->addAction(FromView(row.caption));
        action->setObjectName(FromView(row.name));
        action->setEnabled(row.enabled);
        action->setVisible(row.visible);
        const auto handler = handlers.find(row.id);
        if (handler != handlers.end()) {
            connect(action, &QAction::triggered, this, [this, call = handler->second] {
                if (form_ != nullptr && !destroyed_)
                    call(*form_);
            });
        }
        actions_[row.id] = action;
    }
}

void QtWindow::BuildTimers() {
    for (const TimerSpec& row : kTimers) {
        auto* timer = new QTimer(this);
        timer->setObjectName(FromView(row.name));
        timer->setInterval(row.intervalMs);
        if (row.id == TimerId::Timer1) {
            // The accounting adds a tenth of a minute per tick: the ticks must not drift.
            timer->setTimerType(Qt::PreciseTimer);
            timer1_ = timer;
            connect(timer, &QTimer::timeout, this, [this] {
                if (form_ != nullptr && !destroyed_)
                    form_->Timer1_Timer();
            });
        } else {
            timer2_ = timer;
            connect(timer, &QTimer::timeout, this, [this] {
                if (form_ != nullptr && !destroyed_)
                    form_->Timer2_Timer();
            });
        }
    }
}

void QtWindow::StartLayoutTimers() {
    for (const TimerSpec& row : kTimers)
        if (row.enabled)
            SetTimerEnabled(row.id, true);
}

// ------------------------------------------------------------------------------- lookups

QWidget* QtWindow::Control(Ctl control) {
    if (control == Ctl::Form1)
        return this;
    EnsureControls();
    return BuiltControl(control);
}

QWidget* QtWindow::BuiltControl(Ctl control) const {
    const auto it = controls_.find(control);
    return it == controls_.end() ? nullptr : it->second;
}

QMenu* QtWindow::MenuOf(Menu menu) {
    EnsureMenus();
    const auto it = menus_.find(menu);
    return it == menus_.end() ? nullptr : it->second;
}

QAction* QtWindow::ActionOf(Menu item) {
    if (QMenu* menu = MenuOf(item))
        return menu->menuAction();
    const auto it = actions_.find(item);
    return it == actions_.end() ? nullptr : it->second;
}

QTimer* QtWindow::TimerOf(TimerId timer) const {
    return timer == TimerId::Timer1 ? timer1_ : timer2_;
}

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

void QtWindow::ApplyWindowState(int16_t state) {
    Qt::WindowStates states = windowState();
    switch (state) {
        case kNormal:
            states &= ~(Qt::WindowMinimized | Qt::WindowMaximized);
            break;
        case kMaximized:
            states = (states & ~Qt::WindowMinimized) | Qt::WindowMaximized;
            break;
        case kMinimized:
            // In the tray Form1 hides the window itself; only with the taskbar fallback does
            // minimising show as such.
            if (!fallback_)
                return;
            states |= Qt::WindowMinimized;
            break;
        default:
            return;
    }
    if (states == windowState())
        return;
    ++applying_;
    setWindowState(states);
    --applying_;
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
    if (form_ == nullptr || destroyed_)
        return;
    switch (command) {
        case SysCommand::Restore:
            form_->SystemRestore();
            break;
        case SysCommand::Move:
        case SysCommand::Size: {
            const Tracking mode = command == SysCommand::Move ? Tracking::Move : Tracking::Size;
            // Started once the menu that asked for it has let go of the keyboard.
            QTimer::singleShot(0, this, [this, mode] { StartTracking(mode); });
            break;
        }
    }
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
    timer1_->stop();
    timer2_->stop();
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
    if (form_ == nullptr)
        return;
    QPainter painter(this);
    QtCanvas canvas(painter, width(), height());
    form_->Form_Paint(canvas);
}

void QtWindow::closeEvent(QCloseEvent* event) {
    // Alt+F4 or the system's close request: the same unloading as every other closing path.
    if (!destroyed_ && form_ != nullptr)
        form_->Unload();
    event->accept();
}

int16_t QtWindow::StateOfWindow() const {
    const Qt::WindowStates states = windowState();
    if (states & Qt::WindowMinimized)
        return kMinimized;
    if (states & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return kMaximized;
    return kNormal;
}

void QtWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || form_ == nullptr || destroyed_ ||
        applying_ > 0 || !isVisible())
        return;
    // What the program asked for comes back here too, later; only a state that Form1 does not
    // already hold is news.
    const int16_t state = StateOfWindow();
    if (state != form_->WindowState())
        form_->SystemChangedWindow(state);
}

void QtWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (form_ == nullptr || destroyed_ || applying_ > 0 || !isVisible())
        return;
    // Sizes that belong to a state (maximised, minimised) come with that state's change.
    if (form_->WindowState() != kNormal || StateOfWindow() != kNormal)
        return;
    // Back at the size last set or accepted: the echo of a restore, not a new size.
    if (size() == normalSize_)
        return;
    normalSize_ = size();
    form_->SystemChangedWindow(kNormal);
}

bool QtWindow::eventFilter(QObject* watched, QEvent* event) {
    if (form_ == nullptr || destroyed_)
        return QWidget::eventFilter(watched, event);
    if (watched == BuiltControl(Ctl::Label6) && event->type() == QEvent::MouseMove) {
        // While a button pressed over the label is held, Qt keeps sending the moves here,
        // relative to the label, wherever the pointer goes.
        const auto* move = static_cast<QMouseEvent*>(event);
        form_->Label6_MouseMove(ButtonMask(move->buttons()), ShiftMask(move->modifiers()),
                                static_cast<float>(move->position().x()),
                                static_cast<float>(move->position().y()));
    } else if (watched == BuiltControl(Ctl::Label7)) {
        auto* label = static_cast<QWidget*>(watched);
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
            label7Pressed_ = label;
        } else if (event->type() == QEvent::MouseButtonRelease &&
                   mouse->button() == Qt::LeftButton) {
            const bool click =
                label7Pressed_ == label && label->rect().contains(mouse->position().toPoint());
            label7Pressed_ = nullptr;
            if (click)
                form_->Label7_Click();
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ------------------------------------------------------------------------------- keyboard move

void QtWindow::StartTracking(Tracking mode) {
    if (tracking_ != Tracking::None || destroyed_ || !isVisible())
        return;
    tracking_ = mode;
    trackingStart_ = geometry();
    raise();
    activateWindow();
    grabKeyboard();
    grabMouse(mode == Tracking::Move ? Qt::SizeAllCursor : Qt::SizeFDiagCursor);
}

void QtWindow::EndTracking(bool keep) {
    const Tracking mode = tracking_;
    if (mode == Tracking::None)
        return;
    tracking_ = Tracking::None;
    releaseMouse();
    releaseKeyboard();
    if (keep)
        return;
    // Esc puts the window back where and as large as it was.
    if (mode == Tracking::Move) {
        move(trackingStart_.topLeft());
    } else if (size() != trackingStart_.size()) {
        normalSize_ = trackingStart_.size();
        ++applying_;
        if (nativeWayland_)
            SetWindowSize(trackingStart_.size());
        else
            setGeometry(trackingStart_);
        --applying_;
        if (form_ != nullptr && !destroyed_)
            form_->SystemChangedWindow(form_->WindowState());
    }
}

void QtWindow::StepTracking(int dx, int dy) {
    if (tracking_ == Tracking::Move) {
        move(pos() + QPoint(dx, dy));
        return;
    }
    // Right and Down widen and lengthen the window, Left and Up narrow and shorten it.
    const QSize wanted(std::max(1, width() + dx), std::max(1, height() + dy));
    if (wanted == size())
        return;
    normalSize_ = wanted;
    ++applying_;
    SetWindowSize(wanted);
    --applying_;
    if (form_ != nullptr && !destroyed_)
        form_->SystemChangedWindow(form_->WindowState());
}

void QtWindow::keyPressEvent(QKeyEvent* event) {
    if (tracking_ == Tracking::None) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int step = (event->modifiers() & Qt::ControlModifier) ? kTrackFineStep : kTrackStep;
    switch (event->key()) {
        case Qt::Key_Left:
            StepTracking(-step, 0);
            break;
        case Qt::Key_Right:
            StepTracking(step, 0);
            break;
        case Qt::Key_Up:
            StepTracking(0, -step);
            break;
        case Qt::Key_Down:
            StepTracking(0, step);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            EndTracking(true);
            break;
        case Qt::Key_Escape:
            EndTracking(false);
            break;
        default:
            break;
    }
    event->accept();
}

void QtWindow::mousePressEvent(QMouseEvent* event) {
    if (tracking_ != Tracking::None) {
        EndTracking(true);  // a click ends the keyboard move or size where it is
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
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
    ++applying_;
    setWindowFlags(wanted);
    move(at);
    setWindowState(states);
    if (wasVisible) {
        ApplySkipTaskbar(false);
        show();
        ApplySkipTaskbar(true);
    }
    --applying_;
}

bool QtWindow::PlacedByWlroots() const {
#if QT_CONFIG(xcb)
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return false;
    xcb_connection_t* connection = x11->connection();
    const auto intern = [connection](const char* name) -> xcb_atom_t {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 1, static_cast<uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return atom;
    };
    const xcb_atom_t check = intern("_NET_SUPPORTING_WM_CHECK");
    const xcb_atom_t name = intern("_NET_WM_NAME");
    const xcb_atom_t utf8 = intern("UTF8_STRING");
    if (check == XCB_ATOM_NONE || name == XCB_ATOM_NONE || utf8 == XCB_ATOM_NONE)
        return false;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (screen == nullptr)
        return false;
    xcb_window_t wm = XCB_WINDOW_NONE;
    if (xcb_get_property_reply_t* reply = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, screen->root, check, XCB_ATOM_WINDOW, 0, 1),
            nullptr)) {
        if (reply->format == 32 && xcb_get_property_value_length(reply) == 4)
            wm = *static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
        std::free(reply);
    }
    if (wm == XCB_WINDOW_NONE)
        return false;
    std::string wmName;
    if (xcb_get_property_reply_t* reply = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, wm, name, utf8, 0, 64), nullptr)) {
        if (reply->format == 8)
            wmName.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                          static_cast<size_t>(xcb_get_property_value_length(reply)));
        std::free(reply);
    }
    return wmName == "wlroots wm";
#else
    return false;
#endif
}

void QtWindow::ApplySkipTaskbar(bool mapped) {
#if QT_CONFIG(xcb)
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return;
    xcb_connection_t* connection = x11->connection();
    const auto window = static_cast<xcb_window_t>(winId());
    const auto intern = [connection](const char* name) -> xcb_atom_t {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return atom;
    };
    const xcb_atom_t wmState = intern("_NET_WM_STATE");
    const xcb_atom_t skipTaskbar = intern("_NET_WM_STATE_SKIP_TASKBAR");
    const xcb_atom_t skipPager = intern("_NET_WM_STATE_SKIP_PAGER");
    if (wmState == XCB_ATOM_NONE || skipTaskbar == XCB_ATOM_NONE || skipPager == XCB_ATOM_NONE)
        return;
    const bool skip = !fallback_;

    if (!mapped) {
        // Unmapped: the property is ours to write, and Qt keeps atoms it does not manage when
        // it maps the window.
        std::vector<xcb_atom_t> atoms;
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, wmState, XCB_ATOM_ATOM, 0, 1024),
            nullptr);
        if (reply != nullptr && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
            const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
            atoms.assign(data, data + xcb_get_property_value_length(reply) / 4);
        }
        std::free(reply);
        std::erase(atoms, skipTaskbar);
        std::erase(atoms, skipPager);
        if (skip) {
            atoms.push_back(skipTaskbar);
            atoms.push_back(skipPager);
        }
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, wmState, XCB_ATOM_ATOM, 32,
                            static_cast<uint32_t>(atoms.size()), atoms.data());
    } else {
        // Mapped: the window manager owns the property; ask it.
        xcb_get_geometry_reply_t* geometry =
            xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
        if (geometry == nullptr)
            return;
        const xcb_window_t root = geometry->root;
        std::free(geometry);
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = wmState;
        message.data.data32[0] = skip ? 1 : 0;  // _NET_WM_STATE_ADD or _REMOVE
        message.data.data32[1] = skipTaskbar;
        message.data.data32[2] = skipPager;
        message.data.data32[3] = 1;  // an ordinary application asks
        xcb_send_event(connection, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    }
    xcb_flush(connection);
#endif
}

}  // namespace kivrel
