// An editable combo box that tells a pick from its list apart from typing.
#pragma once

#include <QComboBox>

namespace tesra::ui {

// picked() follows a choice from the drop-down list (mouse or keys), the arrow
// keys and the wheel on the closed box. Typing never raises it, not even when
// the typed text equals an entry and the user presses Enter or leaves the box,
// which a plain QComboBox reports as an activation. Typing never adds
// entries either.
class PickComboBox final : public QComboBox {
    Q_OBJECT

public:
    explicit PickComboBox(QWidget* parent = nullptr);

signals:
    void picked();

private:
    bool committing_typed_text_ = false;
};

}  // namespace tesra::ui
