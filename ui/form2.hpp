// The information window: fixed explanatory text in a list, read-only, not
// modal. Loaded when shown while not loaded; closing it unloads it.
#pragma once

#include <QWidget>

#include "information_text.hpp"

class QListWidget;

namespace tesra::ui {

class Form2 final : public QWidget {
    Q_OBJECT

public:
    // Runs Form_Load. The window deletes itself when closed, so a later
    // opening loads a fresh one.
    explicit Form2(QWidget* parent = nullptr);

    void Form_Load();

private:
    QListWidget* List1;
};

}  // namespace tesra::ui
