// The one open-file dialog the main window's four "Procurar..." buttons share.
#pragma once

#include <optional>

#include <QString>

class QWidget;

namespace tesra::ui {

// Shows a file dialog and returns the full path chosen, or nothing when the
// user cancels. The window reaches the real dialog only through this, so
// tests can answer in its place.
class FilePicker {
public:
    virtual ~FilePicker() = default;
    // preset: the file name the dialog opens with (empty: none, and no
    // initial directory). new_name_allowed: a name that does not exist yet
    // may be chosen (the output file).
    virtual std::optional<QString> pick(QWidget* parent, const QString& preset, bool new_name_allowed) = 0;
};

// Qt's open-file dialog: no file-type filter, the platform's own title.
class QtFilePicker final : public FilePicker {
public:
    std::optional<QString> pick(QWidget* parent, const QString& preset, bool new_name_allowed) override;
};

// Keeps its file name from one use to the next, whichever button used it:
// the dialog opens with the path last chosen, and a cancelled dialog hands
// back that same path (empty before the first choice).
class CommonDialog {
public:
    explicit CommonDialog(FilePicker& picker) : picker_(picker) {}

    QString ShowOpen(QWidget* parent, bool new_name_allowed);

private:
    FilePicker& picker_;
    QString file_name_;
};

}  // namespace tesra::ui
