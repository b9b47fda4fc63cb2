// Turning the design's texts, fonts and colours into Qt's.
#pragma once

#include <string_view>

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QString>

#include "form_geometry.hpp"

class QWidget;

namespace tesra::ui {

inline QString qtext(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline QColor qcolor(Rgb rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

// The design font; its family resolves through font_substitutes.
QFont qfont(const Font& font);

// Registers font_substitutes with Qt's font matching (once per process).
void register_font_substitutes();

// The program's icon (SVG, built in).
inline QIcon application_icon() { return QIcon(QStringLiteral(":/icons/tesra-ascii.svg")); }

// Places a top-level window of the given outer height (pixels) in the middle
// of the screen's available area.
void centre_on_screen(QWidget& window, int outer_height);

// The outer height in pixels of the screen's available area where the window
// is (or will be).
int room_for_window(const QWidget& window);

// Moves a top-level window of the given outer height (pixels) up as far as it
// must to keep its bottom on the screen's available area, as when it grows.
void keep_on_screen(QWidget& window, int outer_height);

}  // namespace tesra::ui
