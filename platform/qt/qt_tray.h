// The notification-area icon on Qt. Its clicks go to the tray sink; when the notification area
// comes back (a panel restart) or goes away, the sink is told, so that the icon is added again or
// the window stays reachable.
#pragma once

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

#include "platform/window_ports.h"

namespace kivrel {

class TrayHostWatch;

class QtTrayIcon final : public QObject, public ITrayIcon {
    Q_OBJECT

  public:
    // Whether a notification area is there; QSystemTrayIcon's own answer unless a test gives
    // another.
    using Probe = std::function<bool()>;

    explicit QtTrayIcon(const QIcon& icon, QObject* parent = nullptr, Probe probe = {});
    ~QtTrayIcon() override;

    // The notification area may have come or gone. `announced`: a tray host has just announced
    // itself, so the icon goes in again even if a tray seemed to be there all along.
    void CheckHost(bool announced);

    QSystemTrayIcon& Icon() { return icon_; }

    // ITrayIcon
    bool Available() override;
    void Add(ITraySink& sink) override;
    void SetTip(const std::string& tip) override;
    void Remove() override;
    void Notify(const std::string& title, const std::string& text) override;

  protected:
    // Until the program's font is in place: the icon's tooltip is the first text it would show.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Dispatch(QSystemTrayIcon::ActivationReason reason);
    void ScheduleCheck(bool announced);

    QIcon image_;
    QSystemTrayIcon icon_;
    Probe probe_;
    ITraySink* sink_ = nullptr;
    bool hostKnown_ = false;
    std::unique_ptr<TrayHostWatch> x11Watch_;
};

}  // namespace kivrel
