#include "common_dialog.hpp"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include "services.hpp"

namespace tesra::ui {

std::optional<QString> QtDialogs::pick(QWidget* parent, const QString& preset, bool new_name_allowed) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(new_name_allowed ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!preset.isEmpty()) dialog.selectFile(preset);  // also opens in its directory
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return QDir::toNativeSeparators(chosen.front());
}

bool QtDialogs::ask(QWidget* parent, const QString& question) {
    QMessageBox box(parent);
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setText(question);
    box.setWindowTitle(QString::fromUtf8(application_title.data(), qsizetype(application_title.size())));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    // Plain buttons whatever the desktop theme's habit.
    for (QAbstractButton* button : box.buttons()) button->setIcon({});
    return box.exec() == QMessageBox::Yes;
}

QString CommonDialog::ShowOpen(QWidget* parent, bool new_name_allowed) {
    if (std::optional<QString> chosen = dialogs_.pick(parent, file_name_, new_name_allowed))
        file_name_ = *chosen;
    return file_name_;
}

}  // namespace tesra::ui
