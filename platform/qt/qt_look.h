// Fonts, texts and the icon shared by the Qt window, its dialogs and its tray icon.
#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QString>
#include <string>
#include <string_view>

#include "ports/window_ids.h"

namespace kivrel {

// An installed family that has Chinese glyphs: "宋体" (or its other names) where installed,
// otherwise another CJK family that fontconfig knows. Empty only on a system without any.
QString CjkFamily();

// Whether `family` is installed and covers simplified Chinese.
bool IsCjkFamily(const QString& family);

// The default user-interface font of the system, arranged so that Chinese text never comes out
// as empty boxes: its first family covers Chinese.
QFont UiFont();

// The window's own default font: UiFont's face at the size of the layout's default font (12 px,
// 9 points at the layout's 96 dots per inch), made smaller, down to 9 px, until `text` wraps
// within `box`: the window's pixel layout assumes such a font.
QFont UiFontFitting(const QString& text, QSize box);

// 12-point "宋体", regular; another CJK family of that size where it is missing.
QFont SongTi12();

// Once per process, before the first text is put on the screen: makes UiFont() the application's
// font and installs Qt's own translations (the OK, Cancel, Yes, No of the boxes). Nothing at
// start-up needs either, and resolving the Chinese face reads the whole font configuration, so the
// window, the boxes and the tray icon's tooltip and balloon call this when they first show text.
void PrepareUserInterface();

// Whether PrepareUserInterface() has run.
bool UserInterfacePrepared();

// UTF-8 text of the core as shown on screen: CR LF (and a lone CR) become line breaks.
QString DisplayText(const std::string& text);

// A text of the control table as a QString.
QString FromView(std::string_view text);

QColor ToQColor(Rgb colour);

// The style sheet of a push button filled with its own colour: a raised edge, or one plain line
// when flat.
QString ButtonStyle(Rgb fill, bool flat);

// The program's icon at 16, 32 and 48 pixels: the packaged images when the build bundled them,
// otherwise a drawn stand-in. The packaged PNG images are read by Qt's built-in PNG reader; no
// image-format plugin is loaded for them.
QIcon AppIcon();

// Whether AppIcon() found the packaged images.
bool AppIconPackaged();

}  // namespace kivrel
