// What the user does to the window reaches the matching Form1 handler; window states and the
// keyboard move and size.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "harness.h"
#include "services/records.h"

namespace kivrel::qttest {
namespace {

QString LabelText(Harness& h, Ctl label) {
    return h.Get<QLabel>(label)->text();
}

TEST(QtWindowEvents, ButtonsAndLabelsReachTheirHandlers) {
    Harness h;
    h.LoadAndOpen();
    EXPECT_TRUE(h.window.TimerOf(TimerId::Timer2)->isActive());  // the first showing armed it

    // Label7: a click cancels the countdown; a press that ends outside it is no click.
    auto* label7 = h.Get<QLabel>(Ctl::Label7);
    QTest::mousePress(label7, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(h.window.Control(Ctl::Command2), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_NE(label7->text(), QString::fromUtf8("已取消自动隐藏"));
    QTest::mouseClick(label7, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(label7->text(), QString::fromUtf8("已取消自动隐藏"));
    EXPECT_FALSE(h.window.TimerOf(TimerId::Timer2)->isActive());

    // Label6: hovering shows the hint.
    auto* label6 = h.Get<QLabel>(Ctl::Label6);
    EXPECT_EQ(label6->text(), QString::fromUtf8(kHintRest));
    QTest::mouseMove(label6, QPoint(10, 10));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return label6->text() == QString::fromUtf8(kHintText); }, 1000));

    // Command2 hides the window into the tray and puts the resting hint back.
    QTest::mouseClick(h.Get<QPushButton>(Ctl::Command2), Qt::LeftButton);
    EXPECT_FALSE(h.window.isVisible());
    EXPECT_EQ(h.form.State(), WindowState::Minimized);
    EXPECT_EQ(label6->text(), QString::fromUtf8(kHintRest));
}

TEST(QtWindowEvents, DragFromLabel6ReportsMovesRelativeToTheLabel) {
    Harness h;
    h.LoadAndOpen();
    auto* label6 = h.Get<QLabel>(Ctl::Label6);
    const QString hint = QString::fromUtf8(kHintText), rest = QString::fromUtf8(kHintRest);
    const QPoint inside(10, 10);
    // Out past the left edge: X stays below the width, the hint stays.
    QTest::mousePress(label6, Qt::LeftButton, {}, inside);
    QTest::mouseMove(label6, QPoint(-5, 10));
    EXPECT_TRUE(QTest::qWaitFor([&] { return label6->text() == hint; }, 1000));
    // Out past the right edge, over another control, with the button held: the resting text.
    QTest::mouseMove(label6, QPoint(label6->width() + 30, 10));
    EXPECT_TRUE(QTest::qWaitFor([&] { return label6->text() == rest; }, 1000));
    QTest::mouseRelease(label6, Qt::LeftButton, {}, QPoint(label6->width() + 30, 10));
}

TEST(QtWindowEvents, ChoosingAComboItemReachesTheHandler) {
    Harness h(true, "[T1]\r\nValue=600\r\n");
    h.LoadAndOpen();
    auto* combo1 = h.Get<QComboBox>(Ctl::Combo1);
    combo1->setFocus();
    QTest::keyClick(combo1, Qt::Key_Down);  // the first item, as the arrow key chooses it
    EXPECT_EQ(LabelText(h, Ctl::Label5), QString::fromStdString(MonthQueryText(1, 600)));
    EXPECT_EQ(combo1->currentText(), QString());
    EXPECT_EQ(combo1->currentIndex(), -1);
    EXPECT_EQ(h.window.focusWidget(), h.window.Control(Ctl::Command2));

    auto* combo2 = h.Get<QComboBox>(Ctl::Combo2);
    combo2->setCurrentIndex(0);
    emit combo2->activated(0);
    ASSERT_EQ(h.dialogs.shown.size(), 1u);
    EXPECT_EQ(h.dialogs.shown[0].title, std::string(kClearAskTitle));
    EXPECT_EQ(combo2->currentText(), QString());
}

TEST(QtWindowEvents, TabWalksTheControlsInOrder) {
    Harness h;
    h.LoadAndOpen();
    h.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&h.window));
    // A combo box's text field counts as the combo box.
    const auto focused = [&]() -> QWidget* {
        QWidget* w = QApplication::focusWidget();
        if (w != nullptr && qobject_cast<QComboBox*>(w->parentWidget()))
            return w->parentWidget();
        return w;
    };
    EXPECT_EQ(focused(), h.window.Control(Ctl::Command2));
    for (size_t i = 1; i <= kTabOrder.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(focused(), h.window.Control(kTabOrder[i % kTabOrder.size()])) << i;
    }
}

TEST(QtWindowEvents, MenuItemsAndClosingReachTheirHandlers) {
    Harness h;
    h.LoadAndOpen();
    h.window.ActionOf(Menu::mnuTrayMinimize)->trigger();
    EXPECT_FALSE(h.window.isVisible());
    EXPECT_EQ(h.form.State(), WindowState::Minimized);
    EXPECT_TRUE(h.window.ActionOf(Menu::mnuTrayRestore)->isEnabled());

    h.window.ActionOf(Menu::mnuTrayRestore)->trigger();
    EXPECT_TRUE(h.window.isVisible());
    EXPECT_EQ(h.form.State(), WindowState::Normal);

    // Closing from the system unloads once and stops the timers.
    h.window.close();
    EXPECT_TRUE(h.form.Unloaded());
    EXPECT_FALSE(h.window.isVisible());
    EXPECT_FALSE(h.window.TimerOf(TimerId::Timer1)->isActive());
    EXPECT_FALSE(h.tray.present);
    const int writes = h.files.writes;
    EXPECT_NE(h.files.files[h.IniPath()].find("[Exit]"), std::string::npos);
    h.window.close();
    h.window.ActionOf(Menu::mnuTrayClose)->trigger();
    EXPECT_EQ(h.files.writes, writes);
}

TEST(QtWindowStates, ProgramChangesAreNotReportedBack) {
    Harness h;
    h.LoadAndOpen();
    h.window.ActionOf(Menu::mnuTrayMaximize)->trigger();
    EXPECT_TRUE(h.window.isMaximized());
    EXPECT_TRUE(h.window.isVisible());
    h.CountDownTo(5);
    QTest::qWait(50);
    EXPECT_EQ(h.form.HideCountdown(), 5);
    EXPECT_EQ(h.form.State(), WindowState::Maximized);

    h.form.mnuTrayRestore_Click();
    EXPECT_FALSE(h.window.isMaximized());
    EXPECT_EQ(h.form.State(), WindowState::Normal);
    h.CountDownTo(5);
    QTest::qWait(50);
    EXPECT_EQ(h.form.HideCountdown(), 5);
    EXPECT_EQ(h.window.size(), QSize(539, 351));
}

TEST(QtWindowStates, SystemChangesReachForm) {
    Harness h;
    h.LoadAndOpen();
    // A size the program did not make re-arms the countdown.
    h.CountDownTo(5);
    h.window.resize(600, 400);
    EXPECT_EQ(h.form.HideCountdown(), 30);
    EXPECT_EQ(h.form.State(), WindowState::Normal);

    // Minimised by the window manager: into the tray.
    h.window.setWindowState(Qt::WindowMinimized);
    EXPECT_EQ(h.form.State(), WindowState::Minimized);
    EXPECT_FALSE(h.window.isVisible());
    EXPECT_FALSE(h.window.TimerOf(TimerId::Timer2)->isActive());
}

TEST(QtWindowStates, KeyboardSizeFollowsEveryStepAndEscPutsItBack) {
    Harness h;
    h.LoadAndOpen();
    const QRect start = h.window.geometry();
    h.window.ActionOf(Menu::mnuTraySize)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return KeyboardTracking(h.window); }, 1000));

    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QSize size;
    };
    const Step steps[] = {
        {Qt::Key_Right, Qt::NoModifier, {549, 351}},
        {Qt::Key_Down, Qt::NoModifier, {549, 361}},
        {Qt::Key_Left, Qt::ControlModifier, {548, 361}},
        {Qt::Key_Up, Qt::ControlModifier, {548, 360}},
    };
    for (const Step& step : steps) {
        h.CountDownTo(5);
        QTest::keyClick(&h.window, step.key, step.modifiers);
        EXPECT_EQ(h.window.size(), step.size);
        EXPECT_EQ(h.form.HideCountdown(), 30) << "Form_Resize follows every step";
    }
    h.CountDownTo(5);
    QTest::keyClick(&h.window, Qt::Key_Escape);
    EXPECT_FALSE(KeyboardTracking(h.window));
    EXPECT_EQ(h.window.geometry(), start);
    EXPECT_EQ(h.form.HideCountdown(), 30);
}

TEST(QtWindowStates, KeyboardMoveMovesUntilEnter) {
    Harness h;
    h.LoadAndOpen();
    const QPoint start = h.window.pos();
    h.window.ActionOf(Menu::mnuTrayMove)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return KeyboardTracking(h.window); }, 1000));
    h.CountDownTo(5);
    QTest::keyClick(&h.window, Qt::Key_Left);
    QTest::keyClick(&h.window, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(h.window.pos(), start + QPoint(-10, 1));
    QTest::keyClick(&h.window, Qt::Key_Return);
    EXPECT_FALSE(KeyboardTracking(h.window));
    EXPECT_EQ(h.window.pos(), start + QPoint(-10, 1));
    EXPECT_EQ(h.window.size(), QSize(539, 351));
    EXPECT_EQ(h.form.HideCountdown(), 5);  // a move is no resize
}

TEST(QtWindowStates, WithoutATrayTheWindowMinimisesToTheTaskbar) {
    Harness h(false);
    ASSERT_TRUE(h.form.Form_Load());
    EXPECT_TRUE(h.window.isVisible());
    EXPECT_EQ(h.window.windowFlags() & Qt::WindowType_Mask, Qt::Window);  // has a taskbar entry
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&h.window));

    QTest::mouseClick(h.Get<QPushButton>(Ctl::Command2), Qt::LeftButton);
    EXPECT_EQ(h.form.State(), WindowState::Minimized);
    EXPECT_TRUE(h.window.isVisible());
    EXPECT_TRUE(h.window.isMinimized());

    // Restored from the taskbar.
    h.window.setWindowState(Qt::WindowNoState);
    EXPECT_EQ(h.form.State(), WindowState::Normal);
    EXPECT_TRUE(h.window.TimerOf(TimerId::Timer2)->isActive());

    // The notification area appears: the window goes back to being a tool window.
    h.tray.available = true;
    h.form.TrayAvailabilityChanged();
    EXPECT_EQ(h.window.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(h.window.isVisible());
}

}  // namespace
}  // namespace kivrel::qttest
