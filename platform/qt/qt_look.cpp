#include "platform/qt/qt_look.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImageReader>
#include <QLibraryInfo>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QStringList>
#include <QTranslator>
#include <array>

namespace kivrel {

namespace {

// Song (Ming) style faces first: they look like the "宋体" the window was laid out with.
const QStringList kSongFamilies{
    "宋体",
    "SimSun",
    "NSimSun",
    "新宋体",
    "AR PL UMing CN",
    "Noto Serif CJK SC",
    "Source Han Serif SC",
    "Noto Sans CJK SC",
    "Source Han Sans SC",
    "WenQuanYi Micro Hei",
    "WenQuanYi Zen Hei",
    "Droid Sans Fallback",
};

// Plain sans faces for everything else.
const QStringList kSansFamilies{
    "Microsoft YaHei",
    "微软雅黑",
    "Noto Sans CJK SC",
    "Source Han Sans SC",
    "WenQuanYi Micro Hei",
    "WenQuanYi Zen Hei",
    "Droid Sans Fallback",
    "SimSun",
    "宋体",
    "AR PL UMing CN",
};

QString FirstInstalled(const QStringList& wanted) {
    for (const QString& family : wanted)
        if (IsCjkFamily(family))
            return family;
    // Anything else that fontconfig says covers Chinese.
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const QString& family : chinese)
        if (!QFontDatabase::isPrivateFamily(family))
            return family;
    return {};
}

}  // namespace

bool IsCjkFamily(const QString& family) {
    if (family.isEmpty() || !QFontDatabase::hasFamily(family))
        return false;
    return QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese);
}

QString CjkFamily() {
    static const QString family = FirstInstalled(kSongFamilies);
    return family;
}

QFont UiFont() {
    QFont font = QGuiApplication::font();
    if (IsCjkFamily(QFontInfo(font).family()))
        return font;
    static const QString sans = FirstInstalled(kSansFamilies);
    if (sans.isEmpty())
        return font;
    // The Chinese face leads; the system's own face stays behind it for anything it lacks.
    QStringList families{sans};
    for (const QString& family : font.families())
        if (family != sans)
            families << family;
    if (!families.contains(font.family()))
        families << font.family();
    font.setFamilies(families);
    return font;
}

QFont UiFontFitting(const QString& text, QSize box) {
    QFont font = UiFont();
    for (int pixels = 12; pixels >= 9; --pixels) {
        font.setPixelSize(pixels);
        const QRect needed = QFontMetrics(font).boundingRect(QRect(0, 0, box.width(), 100000),
                                                             Qt::TextWordWrap, text);
        if (needed.width() <= box.width() && needed.height() <= box.height())
            break;
    }
    return font;
}

QFont SongTi12() {
    QFont font;
    const QString family = CjkFamily();
    font.setFamilies(family.isEmpty() ? QStringList{"宋体"} : QStringList{family, "宋体"});
    font.setPointSize(12);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

namespace {

bool g_prepared = false;

// Qt's own buttons (OK, Cancel, Yes, No) in the user's language.
void LoadQtTranslations() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
    else
        delete translator;
}

}  // namespace

void PrepareUserInterface() {
    if (g_prepared || QCoreApplication::instance() == nullptr)
        return;
    g_prepared = true;
    QApplication::setFont(UiFont());
    LoadQtTranslations();
}

bool UserInterfacePrepared() {
    return g_prepared;
}

QString DisplayText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QChar('\r'), QChar('\n'));
    return shown;
}

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QColor ToQColor(Rgb colour) {
    return QColor(colour.r, colour.g, colour.b);
}

QString ButtonStyle(Rgb fill, bool flat) {
    const QColor face = ToQColor(fill);
    const QString rgb = QStringLiteral("rgb(%1,%2,%3)");
    const QString faceText = rgb.arg(face.red()).arg(face.green()).arg(face.blue());
    const QColor pressed = face.darker(115);
    const QString pressedText = rgb.arg(pressed.red()).arg(pressed.green()).arg(pressed.blue());
    if (flat) {
        return QStringLiteral(
                   "QPushButton { background-color: %1; color: palette(button-text);"
                   " border: 1px solid rgb(0,0,0); padding: 0px; }"
                   "QPushButton:focus { border: 2px solid rgb(0,0,0); }"
                   "QPushButton:pressed { background-color: %2; }")
            .arg(faceText, pressedText);
    }
    const QColor edge = face.darker(160);
    const QString edgeText = rgb.arg(edge.red()).arg(edge.green()).arg(edge.blue());
    return QStringLiteral(
               "QPushButton { background-color: %1; color: palette(button-text);"
               " border: 2px outset %1; padding: 0px; }"
               "QPushButton:focus { border: 2px outset %3; }"
               "QPushButton:pressed { background-color: %2; border-style: inset; }")
        .arg(faceText, pressedText, edgeText);
}

namespace {

constexpr std::array<int, 3> kIconSizes{16, 32, 48};

QString PackagedIconPath(int size) {
    return QStringLiteral(":/kivrel/icons/kivrel-%1.png").arg(size);
}

// A clock face in the window's colours, standing in until the packaged images are bundled.
QPixmap DrawnIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal edge = size / 16.0;
    const QRectF face(edge, edge, size - 2 * edge, size - 2 * edge);
    painter.setPen(QPen(QColor(0, 96, 96), edge));
    painter.setBrush(QColor(0, 192, 192));
    painter.drawEllipse(face);
    const QPointF centre = face.center();
    painter.setPen(QPen(QColor(255, 240, 220), 1.5 * edge, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, centre + QPointF(0, -face.height() * 0.36));
    painter.drawLine(centre, centre + QPointF(face.width() * 0.26, 0));
    return pixmap;
}

// One packaged image, read by Qt's built-in PNG reader. Given the file alone (QIcon::addFile),
// Qt would first load every image-format plugin there is (GIF, ICO, JPEG with its library) to ask
// each whether it reads PNG; with the format named and detection off it asks none of them.
QPixmap PackagedIcon(int size) {
    QImageReader reader(PackagedIconPath(size), QByteArrayLiteral("png"));
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

}  // namespace

bool AppIconPackaged() {
    for (int size : kIconSizes)
        if (QFile::exists(PackagedIconPath(size)))
            return true;
    return false;
}

QIcon AppIcon() {
    QIcon icon;
    const bool packaged = AppIconPackaged();
    for (int size : kIconSizes) {
        if (!packaged)
            icon.addPixmap(DrawnIcon(size));
        else if (const QPixmap image = PackagedIcon(size); !image.isNull())
            icon.addPixmap(image);
    }
    return icon;
}

}  // namespace kivrel
