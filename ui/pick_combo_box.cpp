#include "pick_combo_box.hpp"

#include <QLineEdit>

namespace tesra::ui {

PickComboBox::PickComboBox(QWidget* parent) : QComboBox(parent) {
    // QComboBox turns the line edit's Enter and end of editing into an
    // activation when the text matches an entry. Our own handlers, connected
    // before and after the combo box's, bracket those calls, so an activation
    // inside the bracket is known to come from typing.
    auto* edit = new QLineEdit(this);
    const auto open = [this] { committing_typed_text_ = true; };
    const auto close = [this] { committing_typed_text_ = false; };
    connect(edit, &QLineEdit::returnPressed, this, open);
    connect(edit, &QLineEdit::editingFinished, this, open);
    setLineEdit(edit);
    connect(edit, &QLineEdit::returnPressed, this, close);
    connect(edit, &QLineEdit::editingFinished, this, close);

    setInsertPolicy(QComboBox::NoInsert);
    // Inline completion would rewrite what the user types into an entry.
    setCompleter(nullptr);

    connect(this, &QComboBox::activated, this, [this] {
        if (!committing_typed_text_) emit picked();
    });
}

}  // namespace tesra::ui
