// The one open-file dialog the main window's four "Procurar..." buttons share,
// and the question the window asks before a report replaces a file.
#pragma once

#include <optional>

#include <QString>

class QWidget;

namespace tesra::ui {

// The dialogs the window shows of its own accord (the engine's messages go
// through Services). The window reaches the real ones only through this, so
// tests can answer in their place.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Shows a file dialog and returns the full path chosen, or nothing when
    // the user cancels.
    // preset: the file name the dialog opens with (empty: none, and no
    // initial directory). new_name_allowed: a name that does not exist yet
    // may be chosen (the output file).
    virtual std::optional<QString> pick(QWidget* parent, const QString& preset, bool new_name_allowed) = 0;
    // A question answered "Sim" (true) or "Não"; "Não" is the default, so a
    // hasty Enter or Escape changes nothing.
    virtual bool ask(QWidget* parent, const QString& question) = 0;
};

// Qt's open-file dialog (no file-type filter, the platform's own title) and a
// plain message box for questions.
class QtDialogs final : public Dialogs {
public:
    std::optional<QString> pick(QWidget* parent, const QString& preset, bool new_name_allowed) override;
    bool ask(QWidget* parent, const QString& question) override;
};

// Keeps its file name from one use to the next, whichever button used it:
// the dialog opens with the path last chosen, and a cancelled dialog hands
// back that same path (empty before the first choice).
class CommonDialog {
public:
    explicit CommonDialog(Dialogs& dialogs) : dialogs_(dialogs) {}

    QString ShowOpen(QWidget* parent, bool new_name_allowed);

private:
    Dialogs& dialogs_;
    QString file_name_;
};

}  // namespace tesra::ui
