// The notification-area icon on Qt. Its clicks go to the tray sink; when the notification area
// comes back (a panel restart) or goes away, the sink is told, so that the icon is added again or
// the window stays reachable.
//
// Qt reaches the notification area one of two ways, chosen once at start-up: over D-Bus
// (StatusNotifierItem) when a watcher of such items is on the session bus, else as an X11 window
// embedded in the panel (XEmbed).
//   - StatusNotifierItem: the panel draws the icon and its menu itself. The icon offers the
//     window's own tray menu (the same QMenu and actions, so the panel shows their captions and
//     enabled states as they are now, and choosing an item triggers the same action); the
//     panel's clicks (Activate, ContextMenu) reach the sink as button releases.
//   - XEmbed: the program gets the mouse itself. Qt would act on the press and drop the second
//     click of a double click; here the presses are kept from Qt and every release over the icon
//     reaches the sink, so a double click is two left-button releases, and no menu opens before
//     the sink pops one up.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "ports/window_ports.h"

class QMenu;
class QWidget;

namespace kivrel {

class QtTrayIcon final : public QObject, public ITrayIcon {
    Q_OBJECT

  public:
    // Whether a notification area is there; QSystemTrayIcon's own answer unless a test gives
    // another.
    using Probe = std::function<bool()>;

    // The QMenu of one of the window's menus (built when first asked for).
    using MenuSource = std::function<QMenu*(Menu)>;

    // `hostDrawsMenus`: whether the icon goes over D-Bus to a panel that draws its menu; by
    // default, whether a StatusNotifierItem watcher is on the session bus, as Qt decides.
    explicit QtTrayIcon(const QIcon& icon, QObject* parent = nullptr, Probe probe = {},
                        std::optional<bool> hostDrawsMenus = {});
    ~QtTrayIcon() override;

    // Where the menu named in Add comes from. Asked only when the panel draws the menu.
    void SetMenuSource(MenuSource source) { menus_ = std::move(source); }

    // The XEmbed icon's widget, whose mouse buttons are read here (found after every Add; tests
    // hand in a widget of their own).
    void TakeClicksFrom(QWidget* widget);

    // The notification area may have come or gone. `announced`: a tray host has just announced
    // itself, so the icon goes in again even if a tray seemed to be there all along.
    void CheckHost(bool announced);

    QSystemTrayIcon& Icon() { return icon_; }

    // ITrayIcon
    bool Available() override;
    void Add(ITraySink& sink, Menu menu) override;
    void SetTip(const std::string& tip) override;
    void Remove() override;
    void Notify(const std::string& title, const std::string& text) override;
    // Over org.freedesktop.Notifications with its buttons when the server offers "actions";
    // otherwise the icon's own message, whose click is reported as kNoticeClicked.
    void Ask(int notice, const std::string& title, const std::string& text,
             const std::vector<NoticeAction>& actions, INoticeSink& sink) override;

  protected:
    // The XEmbed icon's mouse buttons; and until the program's font is in place, the icon's
    // tooltip, the first text it would show.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Dispatch(QSystemTrayIcon::ActivationReason reason);
    // Hands the event to the sink once the current event is done (the right button opens a modal
    // menu).
    void Deliver(TrayEvent event);
    bool IconWidgetEvent(QWidget* widget, QEvent* event);
    void ScheduleCheck(bool announced);

    QIcon image_;
    QSystemTrayIcon icon_;
    Probe probe_;
    bool hostDrawsMenus_ = false;
    MenuSource menus_;
    QPointer<QWidget> iconWidget_;
    Qt::MouseButtons pressed_;  // pressed over the XEmbed icon, not yet released
    ITraySink* sink_ = nullptr;
    bool hostKnown_ = false;
    std::unique_ptr<QAbstractNativeEventFilter> x11Watch_;

    // The asking notifications: by the server's id, the notice and where its answer goes; the
    // icon's message clicked reports the notice shown last that way.
    struct Asked {
        int notice = 0;
        INoticeSink* sink = nullptr;
    };
    std::map<uint, Asked> asked_;
    std::map<int, uint> serverIds_;  // the server's id of each notice shown, to replace it
    std::optional<Asked> messageAsk_;
    std::optional<bool> serverActions_;  // whether the notification server offers actions
    bool notificationSignals_ = false;
    bool ServerOffersActions();

  private Q_SLOTS:
    // The notification server's signals.
    void ActionInvoked(uint id, const QString& key);
    void NotificationClosed(uint id, uint reason);
};

}  // namespace kivrel
