#include "platform/qt/qt_session.h"

#include <QGuiApplication>
#include <QSessionManager>

#include "app/form1.h"

namespace kivrel {

void ConnectSessionEnd(QObject* context, Form1& form, const bool& started) {
#ifndef QT_NO_SESSIONMANAGER
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, context,
                     [&form, &started](QSessionManager&) {
                         if (started)
                             form.QueryEndSession();
                     });
#endif
    QObject::connect(qGuiApp, &QCoreApplication::aboutToQuit, context, [&form] { form.Unload(); });
}

}  // namespace kivrel
