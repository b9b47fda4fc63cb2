#include "window_setup.hpp"

#include <algorithm>
#include <limits>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tesra::ui {

QFont qfont(const Font& font) {
    register_font_substitutes();
    QFont result(qtext(font.family));
    result.setPointSizeF(font.points);
    result.setBold(font.bold);
    result.setItalic(font.italic);
    return result;
}

void register_font_substitutes() {
    static const bool done = [] {
        for (const FontSubstitute& substitute : font_substitutes)
            QFont::insertSubstitution(qtext(substitute.design), qtext(substitute.installed));
        return true;
    }();
    (void)done;
}

void centre_on_screen(QWidget& window, int outer_height) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    window.move(area.x() + (area.width() - window.width()) / 2, area.y() + (area.height() - outer_height) / 2);
}

int room_for_window(const QWidget& window) {
    const QScreen* screen = window.screen();
    return screen != nullptr ? screen->availableGeometry().height() : std::numeric_limits<int>::max();
}

void keep_on_screen(QWidget& window, int outer_height) {
    const QScreen* screen = window.screen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const int bottom = area.y() + area.height();
    if (window.y() + outer_height > bottom) window.move(window.x(), std::max(area.y(), bottom - outer_height));
}

}  // namespace tesra::ui
