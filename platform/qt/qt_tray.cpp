#include "platform/qt/qt_tray.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <utility>

#include "platform/qt/qt_look.h"
#include "platform/qt/qt_x11.h"

#ifdef KIVREL_HAVE_QTDBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
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
    // A click on the icon's own message answers the asking notification shown that way.
    connect(&icon_, &QSystemTrayIcon::messageClicked, this, [this] {
        if (const std::optional<Asked> ask = std::exchange(messageAsk_, std::nullopt))
            ask->sink->NoticeAnswered(ask->notice, kNoticeClicked);
    });

    // The tooltip is Chinese text: the font that covers it is put in place just before Qt shows
    // the first one, unless the window or a box has done so already.
    if (!UserInterfacePrepared() && QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->installEventFilter(this);

    x11Watch_ = WatchX11TrayHost([this](bool announced) { ScheduleCheck(announced); });

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

#ifdef KIVREL_HAVE_QTDBUS
namespace {
const QString kNotifyService = QStringLiteral("org.freedesktop.Notifications");
const QString kNotifyPath = QStringLiteral("/org/freedesktop/Notifications");
}  // namespace
#endif

// Asked until a server says it offers actions: a server that comes later is used then.
bool QtTrayIcon::ServerOffersActions() {
#ifdef KIVREL_HAVE_QTDBUS
    if (serverActions_)
        return *serverActions_;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QDBusMessage call = QDBusMessage::createMethodCall(kNotifyService, kNotifyPath,
                                                             kNotifyService, "GetCapabilities");
    const QDBusReply<QStringList> reply = bus.call(call, QDBus::Block, 2000);
    if (!reply.isValid() || !reply.value().contains(QStringLiteral("actions")))
        return false;
    if (!notificationSignals_)
        notificationSignals_ =
            bus.connect(kNotifyService, kNotifyPath, kNotifyService, "ActionInvoked", this,
                        SLOT(ActionInvoked(uint, QString))) &&
            bus.connect(kNotifyService, kNotifyPath, kNotifyService, "NotificationClosed", this,
                        SLOT(NotificationClosed(uint, uint)));
    serverActions_ = notificationSignals_;
    return *serverActions_;
#else
    return false;
#endif
}

void QtTrayIcon::Ask(int notice, const std::string& title, const std::string& text,
                     const std::vector<NoticeAction>& actions, INoticeSink& sink) {
#ifdef KIVREL_HAVE_QTDBUS
    if (ServerOffersActions()) {
        QStringList buttons;
        for (const NoticeAction& action : actions)
            buttons << QString::fromStdString(action.key) << QString::fromStdString(action.label);
        const auto shown = serverIds_.find(notice);
        const uint replaces = shown == serverIds_.end() ? 0 : shown->second;
        QDBusMessage call =
            QDBusMessage::createMethodCall(kNotifyService, kNotifyPath, kNotifyService, "Notify");
        call << QStringLiteral("Kivrel") << replaces << QStringLiteral("kivrel")
             << QString::fromStdString(title) << QString::fromStdString(text) << buttons
             << QVariantMap{{QStringLiteral("urgency"), QVariant::fromValue(uchar(1))}} << int(-1);
        const QDBusReply<uint> id = QDBusConnection::sessionBus().call(call, QDBus::Block, 2000);
        if (id.isValid()) {
            if (replaces != 0)
                asked_.erase(replaces);
            asked_[id.value()] = Asked{notice, &sink};
            serverIds_[notice] = id.value();
            return;
        }
    }
#endif
    // No buttons here: the icon's message, and a click on it is the answer.
    messageAsk_ = Asked{notice, &sink};
    Notify(title, text);
}

void QtTrayIcon::ActionInvoked(uint id, const QString& key) {
    const auto found = asked_.find(id);
    if (found == asked_.end())
        return;
    const Asked ask = found->second;
    asked_.erase(found);
    ask.sink->NoticeAnswered(ask.notice, key.toStdString());
}

void QtTrayIcon::NotificationClosed(uint id, uint reason) {
    (void)reason;
    // An answer comes before the close; a notification closed unanswered reports nothing.
    QTimer::singleShot(0, this, [this, id] { asked_.erase(id); });
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
        default:
            break;
    }
    sink_->OnTrayEvent(event);
}

}  // namespace kivrel
