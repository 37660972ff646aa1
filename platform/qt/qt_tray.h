// The notification-area icon on Qt. Its clicks go to the tray sink as the icon's callback
// message; when the notification area comes back (a panel restart) the icon is added again, and
// when it goes away the owner is told so the window can stay reachable.
#pragma once

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

#include "platform/ports.h"

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

    // Called when the notification area went away while the icon was added.
    void OnHostLost(std::function<void()> handler) { lost_ = std::move(handler); }

    // The notification area may have come or gone. `announced`: a tray host has just announced
    // itself, so the icon goes in again even if a tray seemed to be there all along.
    void CheckHost(bool announced);

    QSystemTrayIcon& Icon() { return icon_; }

    // ITrayIcon
    bool Available() override;
    void Add(ITraySink& sink, uint32_t callbackMessage) override;
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
    std::function<void()> lost_;
    ITraySink* sink_ = nullptr;
    uint32_t message_ = 0;
    bool hostKnown_ = false;
    std::unique_ptr<TrayHostWatch> x11Watch_;
};

}  // namespace kivrel
