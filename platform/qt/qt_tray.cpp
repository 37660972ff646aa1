#include "platform/qt/qt_tray.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/qt/qt_look.h"

#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

#ifdef KIVREL_HAVE_QTDBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#endif

namespace kivrel {

namespace {

#ifdef KIVREL_HAVE_QTDBUS
const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
#endif

// Whether Qt put the icon on the session bus as a StatusNotifierItem: it does when a watcher of
// such items is there as the icon is made (Qt 6.4 also asks that a host has registered with it;
// any watcher is enough for newer versions). Asked after Qt has decided, so a watcher that came
// between errs towards a published menu, which an XEmbed icon never shows.
bool StatusNotifierWatcherPresent() {
#ifdef KIVREL_HAVE_QTDBUS
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() != nullptr &&
           bus.interface()->isServiceRegistered(kWatcherService).value();
#else
    return false;
#endif
}

}  // namespace

// Watches the X11 notification area: its owner announces itself with a MANAGER message on the
// root window, and its window is destroyed when it goes away. Nothing polls.
class TrayHostWatch final : public QAbstractNativeEventFilter {
  public:
    explicit TrayHostWatch(std::function<void(bool announced)> changed)
        : changed_(std::move(changed)) {}
    ~TrayHostWatch() override {
        if (QCoreApplication::instance() != nullptr)
            QCoreApplication::instance()->removeNativeEventFilter(this);
    }

    // False when there is no X11 connection (another platform, or offscreen).
    bool Start();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override;

  private:
#if QT_CONFIG(xcb)
    xcb_atom_t Intern(const std::string& name);
    void Follow(xcb_window_t owner);

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_atom_t manager_ = XCB_ATOM_NONE;
    xcb_atom_t selection_ = XCB_ATOM_NONE;
    xcb_window_t owner_ = 0;
#endif
    std::function<void(bool)> changed_;
};

#if QT_CONFIG(xcb)

xcb_atom_t TrayHostWatch::Intern(const std::string& name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

void TrayHostWatch::Follow(xcb_window_t owner) {
    owner_ = owner;
    if (owner_ == 0)
        return;
    // Its DestroyNotify tells when the notification area goes away.
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, owner_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection_);
}

bool TrayHostWatch::Start() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return false;
    connection_ = x11->connection();

    int screenNumber = 0;
    char* host = nullptr;
    int display = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screenNumber) == 0)
        screenNumber = 0;
    std::free(host);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber && screens.rem > 1; ++i)
        xcb_screen_next(&screens);
    if (screens.data == nullptr)
        return false;
    root_ = screens.data->root;

    manager_ = Intern("MANAGER");
    selection_ = Intern("_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber));
    if (manager_ == XCB_ATOM_NONE || selection_ == XCB_ATOM_NONE)
        return false;

    // MANAGER messages reach the clients that listen to the root window's structure; Qt does,
    // but make sure without taking away any event it listens to.
    xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, root_), nullptr);
    if (attributes != nullptr &&
        (attributes->your_event_mask & XCB_EVENT_MASK_STRUCTURE_NOTIFY) == 0) {
        const uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
    }
    std::free(attributes);

    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, selection_), nullptr);
    Follow(owner != nullptr ? owner->owner : 0);
    std::free(owner);

    QCoreApplication::instance()->installNativeEventFilter(this);
    return true;
}

bool TrayHostWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
        case XCB_CLIENT_MESSAGE: {
            const auto* client = static_cast<const xcb_client_message_event_t*>(message);
            if (client->window == root_ && client->type == manager_ &&
                client->data.data32[1] == selection_) {
                Follow(client->data.data32[2]);
                changed_(true);
            }
            break;
        }
        case XCB_DESTROY_NOTIFY: {
            const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
            if (owner_ != 0 && destroyed->window == owner_) {
                owner_ = 0;
                changed_(false);
            }
            break;
        }
        default:
            break;
    }
    return false;  // Qt's own tray code needs the same events
}

#else

bool TrayHostWatch::Start() {
    return false;
}
bool TrayHostWatch::nativeEventFilter(const QByteArray&, void*, qintptr*) {
    return false;
}

#endif

// ------------------------------------------------------------------------------- icon

QtTrayIcon::QtTrayIcon(const QIcon& icon, QObject* parent, Probe probe,
                       std::optional<bool> hostDrawsMenus)
    : QObject(parent), image_(icon), icon_(icon, this), probe_(std::move(probe)) {
    icon_.setObjectName(QStringLiteral("kivrelTrayIcon"));
    if (!probe_)
        probe_ = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    hostKnown_ = probe_();
    // Qt has chosen its way to the notification area with icon_.
    hostDrawsMenus_ = hostDrawsMenus ? *hostDrawsMenus : StatusNotifierWatcherPresent();

    // Handled after the icon's own mouse handling has finished: the right button opens a modal
    // menu.
    connect(&icon_, &QSystemTrayIcon::activated, this, &QtTrayIcon::Dispatch, Qt::QueuedConnection);

    // The tooltip is Chinese text: the font that covers it is put in place just before Qt shows
    // the first one, unless the window or a box has done so already.
    if (!UserInterfacePrepared() && QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->installEventFilter(this);

    x11Watch_ =
        std::make_unique<TrayHostWatch>([this](bool announced) { ScheduleCheck(announced); });
    if (!x11Watch_->Start())
        x11Watch_.reset();

#ifdef KIVREL_HAVE_QTDBUS
    // Desktops with StatusNotifierItem trays: the watcher service coming and going.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        auto* watcher = new QDBusServiceWatcher(
            kWatcherService, bus,
            QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration,
            this);
        connect(watcher, &QDBusServiceWatcher::serviceRegistered, this,
                [this] { ScheduleCheck(true); });
        connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this,
                [this] { ScheduleCheck(false); });
    }
#endif
}

QtTrayIcon::~QtTrayIcon() {
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeEventFilter(this);
}

bool QtTrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (watched != nullptr && watched == iconWidget_.data() && IconWidgetEvent(iconWidget_, event))
        return true;
    if (event->type() == QEvent::ToolTip || UserInterfacePrepared()) {
        PrepareUserInterface();
        QCoreApplication::instance()->removeEventFilter(this);
    }
    return QObject::eventFilter(watched, event);
}

void QtTrayIcon::ScheduleCheck(bool announced) {
    // Qt's tray code sees the same event after this one: look once it has.
    QTimer::singleShot(0, this, [this, announced] { CheckHost(announced); });
}

void QtTrayIcon::CheckHost(bool announced) {
    const bool available = probe_();
    const bool was = hostKnown_;
    hostKnown_ = available;
    if (sink_ == nullptr)
        return;
    if (available && (!was || announced))
        sink_->TrayHostCreated();  // adds the icon again and tells the window
    else if (!available && was)
        sink_->TrayHostLost();
}

bool QtTrayIcon::Available() {
    return probe_();
}

void QtTrayIcon::Add(ITraySink& sink, Menu menu) {
    sink_ = &sink;
    icon_.setIcon(image_);
    // Offered before the icon registers, so the panel reads it with the icon's first properties.
    if (hostDrawsMenus_ && menus_) {
        QMenu* offered = menus_(menu);
        if (icon_.contextMenu() != offered)
            icon_.setContextMenu(offered);
    }
    // Hiding and showing again puts the icon into a notification area that was re-created.
    if (icon_.isVisible())
        icon_.hide();
    icon_.show();
    // An XEmbed icon is a widget of Qt's own, made anew by show().
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->inherits("QSystemTrayIconSys")) {
            TakeClicksFrom(widget);
            break;
        }
    }
}

void QtTrayIcon::TakeClicksFrom(QWidget* widget) {
    if (widget == iconWidget_)
        return;
    if (iconWidget_ != nullptr)
        iconWidget_->removeEventFilter(this);
    iconWidget_ = widget;
    pressed_ = {};
    if (widget != nullptr)
        widget->installEventFilter(this);
}

bool QtTrayIcon::IconWidgetEvent(QWidget* widget, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            // Qt's own handling would act on the press, and on a double click's second press
            // only as a double click.
            pressed_ |= static_cast<QMouseEvent*>(event)->button();
            return true;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const Qt::MouseButton button = mouse->button();
            const bool click =
                (pressed_ & button) && widget->rect().contains(mouse->position().toPoint());
            pressed_ &= ~Qt::MouseButtons(button);
            if (click) {
                if (button == Qt::LeftButton)
                    Deliver(TrayEvent::LeftButtonUp);
                else if (button == Qt::RightButton)
                    Deliver(TrayEvent::RightButtonUp);
                else
                    Deliver(TrayEvent::Other);
            }
            return true;
        }
        default:
            return false;  // the tooltip, the painting: Qt's
    }
}

void QtTrayIcon::Deliver(TrayEvent event) {
    QMetaObject::invokeMethod(
        this,
        [this, event] {
            if (sink_ != nullptr)
                sink_->OnTrayEvent(event);
        },
        Qt::QueuedConnection);
}

void QtTrayIcon::SetTip(const std::string& tip) {
    icon_.setToolTip(QString::fromStdString(tip));
}

void QtTrayIcon::Remove() {
    icon_.hide();
    sink_ = nullptr;
}

void QtTrayIcon::Notify(const std::string& title, const std::string& text) {
    PrepareUserInterface();  // the balloon, where Qt draws it itself, shows Chinese text
    icon_.showMessage(QString::fromStdString(title), DisplayText(text),
                      QSystemTrayIcon::Information, 10000);
}

// The icon's activations: the panel's clicks on a StatusNotifierItem (Activate, ContextMenu,
// SecondaryActivate), or Qt's own reading of the XEmbed icon's mouse if the widget was not found.
void QtTrayIcon::Dispatch(QSystemTrayIcon::ActivationReason reason) {
    if (sink_ == nullptr)
        return;
    TrayEvent event = TrayEvent::Other;
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            event = TrayEvent::LeftButtonUp;
            break;
        case QSystemTrayIcon::Context:
            event = TrayEvent::RightButtonUp;
            break;
        case QSystemTrayIcon::DoubleClick:
            event = TrayEvent::LeftDoubleClick;
            break;
        default:
            break;
    }
    sink_->OnTrayEvent(event);
}

}  // namespace kivrel
