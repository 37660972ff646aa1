#include "platform/qt/qt_session.h"

#include <QGuiApplication>
#include <QSessionManager>

#include "ports/window_ports.h"

namespace kivrel {

void ConnectSessionEnd(QObject* context, IWindowEvents& events) {
#ifndef QT_NO_SESSIONMANAGER
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, context,
                     [&events](QSessionManager&) { events.SessionEndAsked(); });
#endif
    QObject::connect(qGuiApp, &QCoreApplication::aboutToQuit, context,
                     [&events] { events.CloseRequested(); });
}

}  // namespace kivrel
