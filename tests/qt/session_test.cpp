// The end of the desktop session: the session manager's question only saves; the application
// quitting at the real end unloads.
#include <gtest/gtest.h>

#include <QSessionManager>
#include <QTimer>

#include "harness.h"
#include "platform/qt/qt_session.h"
#include "vocabulary/ini_format.h"

namespace kivrel::qttest {
namespace {

TEST(QtSession, TheQuestionSavesAndOnlyTheQuitUnloads) {
    Harness h(true, "[T5]\r\nValue=7\r\n");
    ASSERT_TRUE(h.form.Form_Load());
    QObject context;
    ConnectSessionEnd(&context, h.form);
    h.connection.online = true;
    for (int i = 0; i < 6; ++i)
        h.form.Timer1_Timer();  // 7.6 minutes
    const int before = h.files.writes;

    auto* manager = qApp->findChild<QSessionManager*>();
    ASSERT_NE(manager, nullptr);
    emit qApp->commitDataRequest(*manager);
    EXPECT_EQ(h.files.writes, before + 1);
    EXPECT_EQ(IniReadInt(h.files.files[h.IniPath()], "T5", "Value"), 8);
    EXPECT_FALSE(h.form.Unloaded()) << "the log-out may still be cancelled";
    h.form.Timer1_Timer();
    EXPECT_EQ(h.files.writes, before + 2) << "still counting";

    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QApplication::exec();
    EXPECT_TRUE(h.form.Unloaded());
    EXPECT_EQ(h.files.writes, before + 3);
}

}  // namespace
}  // namespace kivrel::qttest
