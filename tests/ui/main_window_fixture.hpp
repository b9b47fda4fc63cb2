// A main window on fake services and a scripted dialog, and the user's
// gestures on it: picking from a list with the mouse or the arrow keys,
// typing, clicking.
#pragma once

#include <memory>

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "fakes.hpp"
#include "form1.hpp"

struct MainWindow {
    explicit MainWindow(char decimal_separator = ',') {
        form = std::make_unique<tesra::ui::Form1>(services, dialogs, std::string(), decimal_separator);
        services.window = form.get();
        form->show();
        form->activateWindow();
    }

    [[nodiscard]] QComboBox* combo(const char* name) const { return find<QComboBox>(name); }
    [[nodiscard]] QLineEdit* text(const char* name) const { return find<QLineEdit>(name); }
    [[nodiscard]] QPushButton* button(const char* name) const { return find<QPushButton>(name); }
    [[nodiscard]] QLabel* label(const char* name) const { return find<QLabel>(name); }
    [[nodiscard]] QWidget* control(const char* name) const { return find<QWidget>(name); }

    template <typename Widget>
    Widget* find(const char* name) const {
        auto* widget = form->findChild<Widget*>(QString::fromLatin1(name));
        if (widget == nullptr) qFatal("no control %s", name);
        return widget;
    }

    RecordingServices services;
    ScriptedDialogs dialogs;
    std::unique_ptr<tesra::ui::Form1> form;
};

// Opens the drop-down list and clicks the entry.
inline bool pick_with_mouse(QComboBox* combo, const QString& entry) {
    const int row = combo->findText(entry, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (row < 0) return false;
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    if (!QTest::qWaitFor([view] { return view->isVisible(); })) return false;
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    if (!QTest::qWaitFor([view] { return !view->isVisible(); })) return false;
    // The closed list does not hand the activation back by itself here.
    QWidget* window = combo->window();
    window->activateWindow();
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
}

inline void type_into(QWidget* box, const QString& text) {
    box->setFocus();
    QTest::keyClicks(box, text);
}

inline QStringList entries(const QComboBox* combo) {
    QStringList result;
    for (int i = 0; i < combo->count(); ++i) result << combo->itemText(i);
    return result;
}
