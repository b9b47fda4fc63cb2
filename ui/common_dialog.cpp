#include "common_dialog.hpp"

#include <QDir>
#include <QFileDialog>

namespace tesra::ui {

std::optional<QString> QtFilePicker::pick(QWidget* parent, const QString& preset, bool new_name_allowed) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(new_name_allowed ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!preset.isEmpty()) dialog.selectFile(preset);  // also opens in its directory
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return QDir::toNativeSeparators(chosen.front());
}

QString CommonDialog::ShowOpen(QWidget* parent, bool new_name_allowed) {
    if (std::optional<QString> chosen = picker_.pick(parent, file_name_, new_name_allowed))
        file_name_ = *chosen;
    return file_name_;
}

}  // namespace tesra::ui
