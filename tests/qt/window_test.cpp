// The window as built from the control table, and what it paints.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "harness.h"
#include "platform/qt/qt_look.h"

namespace kivrel::qttest {
namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QColor At(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

// Every character of `text` has a glyph in `font` (no empty boxes).
bool Renders(const QFont& font, const QString& text) {
    const QFontMetrics metrics(font);
    for (QChar c : text)
        if (!c.isSpace() && !metrics.inFont(c))
            return false;
    return true;
}

TEST(QtWindowLayout, EveryControlFollowsTheTable) {
    Harness h;
    for (const ControlSpec& row : kControls) {
        SCOPED_TRACE(std::string(row.name));
        QWidget* widget = h.window.Control(row.id);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget(), &h.window);
        EXPECT_EQ(widget->objectName(), Q(row.name));
        EXPECT_EQ(widget->geometry(), QRect(TwipsToPixels(row.left), TwipsToPixels(row.top),
                                            TwipsToPixels(row.width), TwipsToPixels(row.height)));
        EXPECT_EQ(widget->foregroundRole(), row.colour == TextColour::WindowText
                                                ? QPalette::WindowText
                                                : QPalette::ButtonText);

        const QFontInfo font(widget->font());
        EXPECT_TRUE(IsCjkFamily(font.family())) << font.family().toStdString();
        if (row.font == FontChoice::SongTi12) {
            EXPECT_EQ(font.pointSize(), 12);
            EXPECT_FALSE(font.bold());
            EXPECT_FALSE(font.italic());
        }

        switch (row.kind) {
            case ControlKind::Label: {
                auto* label = qobject_cast<QLabel*>(widget);
                ASSERT_NE(label, nullptr);
                EXPECT_EQ(label->text(), Q(row.text));
                EXPECT_TRUE(label->wordWrap());
                EXPECT_FALSE(label->autoFillBackground());
                EXPECT_EQ(label->alignment() & Qt::AlignHorizontal_Mask,
                          row.centred ? Qt::AlignHCenter : Qt::AlignLeft);
                EXPECT_EQ(label->frameShape(), row.border ? QFrame::Box : QFrame::NoFrame);
                EXPECT_EQ(label->toolTip(), Q(row.tooltip));
                EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
                break;
            }
            case ControlKind::Button: {
                auto* button = qobject_cast<QPushButton*>(widget);
                ASSERT_NE(button, nullptr);
                EXPECT_EQ(button->text(), Q(row.text));
                EXPECT_EQ(button->isFlat(), row.flat);
                EXPECT_TRUE(Renders(button->font(), button->text()));
                EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()),
                          button->width() - 4);
                // Filled with its own colour, not the style's grey face.
                const QImage face = button->grab().toImage();
                const QColor fill = At(face, 6, face.height() / 2);
                ASSERT_TRUE(row.background.has_value());
                EXPECT_EQ(fill, QColor(row.background->r, row.background->g, row.background->b));
                break;
            }
            case ControlKind::ComboBox: {
                auto* combo = qobject_cast<QComboBox*>(widget);
                ASSERT_NE(combo, nullptr);
                EXPECT_TRUE(combo->isEditable());
                EXPECT_EQ(combo->insertPolicy(), QComboBox::NoInsert);
                EXPECT_EQ(combo->currentText(), QString());
                EXPECT_EQ(combo->currentIndex(), -1);
                QStringList expected;
                if (row.id == Ctl::Combo1)
                    for (auto item : kCombo1Items)
                        expected << Q(item);
                else
                    for (auto item : kCombo2Items)
                        expected << Q(item);
                QStringList items;
                for (int i = 0; i < combo->count(); ++i)
                    items << combo->itemText(i);
                EXPECT_EQ(items, expected);
                for (const QString& item : items)
                    EXPECT_TRUE(Renders(combo->font(), item));
                break;
            }
        }
    }
    // Two fixed points of the layout, worked out by hand.
    EXPECT_EQ(h.window.Control(Ctl::Label1)->geometry(), QRect(155, 13, 229, 85));
    EXPECT_EQ(h.window.Control(Ctl::Command2)->geometry(), QRect(206, 281, 126, 25));
}

TEST(QtWindowLayout, WindowIsABorderlessHiddenToolWindow) {
    Harness h;
    EXPECT_EQ(h.window.size(), QSize(539, 351));
    EXPECT_TRUE(h.window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(h.window.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(h.window.autoFillBackground());
    EXPECT_EQ(h.window.palette().color(QPalette::Window), QColor(0, 192, 192));
    ASSERT_TRUE(h.form.Form_Load());
    EXPECT_FALSE(h.window.isVisible());  // after start-up only the tray icon is there
    EXPECT_EQ(h.window.windowTitle(), QString::fromUtf8("☆Kivrel☆  第1版第71次编译"));
    // The usage hint renders in the label's font and fits the label's box, wrapped.
    QWidget* label6 = h.window.Control(Ctl::Label6);
    const QString hint = QString::fromUtf8(kHintText);
    EXPECT_TRUE(Renders(label6->font(), hint));
    const QRect needed = label6->fontMetrics().boundingRect(QRect(0, 0, label6->width(), 100000),
                                                            Qt::TextWordWrap, hint);
    EXPECT_LE(needed.height(), label6->height());
    EXPECT_GT(needed.height(), label6->fontMetrics().height());  // it does wrap
}

TEST(QtWindowLayout, MenusAreHiddenContainersWithTheirItems) {
    Harness h;
    struct Expected {
        Menu item;
        const char* caption;
        bool separator;
        bool enabled;
    };
    const Expected tray[] = {
        {Menu::mnuTrayRestore, "&Restore", false, true},
        {Menu::mnuTrayMove, "&Move", false, true},
        {Menu::mnuTraySize, "&Size", false, true},
        {Menu::mnuTrayMinimize, "Mi&nimize", false, true},
        {Menu::mnuTrayMaximize, "Ma&ximize", false, false},
        {Menu::mnuTraySep, "", true, true},
        {Menu::mnuTrayClose, "&Close", false, true},
    };
    QMenu* popup = h.window.MenuOf(Menu::mnuTray);
    ASSERT_NE(popup, nullptr);
    EXPECT_FALSE(popup->isVisible());
    const QList<QAction*> actions = popup->actions();
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(std::size(tray)));
    for (size_t i = 0; i < std::size(tray); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(actions[i], h.window.ActionOf(tray[i].item));
        EXPECT_EQ(actions[i]->isSeparator(), tray[i].separator);
        if (!tray[i].separator) {
            EXPECT_EQ(actions[i]->text(), QString::fromLatin1(tray[i].caption));
        }
        EXPECT_EQ(actions[i]->isEnabled(), tray[i].enabled);
    }
    QMenu* file = h.window.MenuOf(Menu::mnuFile);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->title(), "&File");
    ASSERT_EQ(file->actions().size(), 1);
    EXPECT_EQ(file->actions()[0]->text(), "E&xit");

    h.window.SetMenuEnabled(Menu::mnuTrayMaximize, true);
    h.window.SetMenuEnabled(Menu::mnuTrayRestore, false);
    EXPECT_TRUE(h.window.ActionOf(Menu::mnuTrayMaximize)->isEnabled());
    EXPECT_FALSE(h.window.ActionOf(Menu::mnuTrayRestore)->isEnabled());
}

TEST(QtWindowLayout, TimersRunAsLaidOut) {
    Harness h;
    QTimer* timer1 = h.window.TimerOf(TimerId::Timer1);
    QTimer* timer2 = h.window.TimerOf(TimerId::Timer2);
    EXPECT_EQ(timer1->interval(), 6000);
    EXPECT_EQ(timer1->timerType(), Qt::PreciseTimer);
    EXPECT_EQ(timer2->interval(), 1000);
    EXPECT_FALSE(timer1->isActive());  // nothing ticks before Form_Load has accepted the start

    ASSERT_TRUE(h.form.Form_Load());
    EXPECT_TRUE(timer1->isActive());  // also while the window is hidden
    EXPECT_FALSE(timer2->isActive());

    // A tick reaches the accounting.
    timer1->setInterval(1);
    timer1->start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return h.connection.asked > 0; }, 2000));
    EXPECT_FALSE(h.window.Control(Ctl::Label1)->property("text").toString().isEmpty());
}

TEST(QtWindowPaint, GradientAndLampsOfTheLastTick) {
    Harness h;
    h.LoadAndOpen();
    const QColor online(50, 205, 50), offline(255, 0, 0);

    QImage image = h.window.grab().toImage();
    ASSERT_EQ(image.size(), QSize(539, 351));
    for (int x : {1, 537}) {
        EXPECT_EQ(At(image, x, 0), QColor(255, 240, 220));
        EXPECT_EQ(At(image, x, 175), QColor(128, 240, 220));
        EXPECT_EQ(At(image, x, 350), QColor(0, 240, 220));
    }
    EXPECT_NE(At(image, 100, 50), online);  // no lamps before the first tick
    EXPECT_NE(At(image, 100, 50), offline);

    struct Tick {
        bool connected;
        QColor lamps;
    };
    for (const Tick tick : {Tick{true, online}, Tick{false, offline}, Tick{true, online}}) {
        h.connection.online = tick.connected;
        h.form.Timer1_Timer();
        image = h.window.grab().toImage();
        EXPECT_EQ(At(image, 100, 50), tick.lamps);
        EXPECT_EQ(At(image, 439, 50), tick.lamps);
        EXPECT_EQ(At(image, 100, 50 - 39), tick.lamps);  // a full circle of radius 40
        EXPECT_NE(At(image, 100, 50 - 42), tick.lamps);
    }
    // A repaint keeps the lamps of the last tick.
    h.window.update();
    QApplication::processEvents();
    image = h.window.grab().toImage();
    EXPECT_EQ(At(image, 100, 50), online);
    EXPECT_EQ(At(image, 439, 50), online);
}

}  // namespace
}  // namespace kivrel::qttest
