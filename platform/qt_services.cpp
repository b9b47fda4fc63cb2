#include "qt_services.hpp"

#include <QAbstractButton>
#include <QMessageBox>
#include <QString>

namespace tesra {

namespace {

QString from_utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void QtServices::message_box(std::string_view prompt, std::optional<std::string_view> title) {
    QMessageBox box(main_window_);
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setText(from_utf8(prompt));
    box.setWindowTitle(from_utf8(title.value_or(application_title)));
    box.setStandardButtons(QMessageBox::Ok);
    // Some desktop themes put icons on standard buttons; messages stay plain.
    for (QAbstractButton* button : box.buttons()) button->setIcon({});
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void QtServices::set_pointer(Pointer pointer) {
    if (!main_window_) return;
    if (pointer == Pointer::busy)
        main_window_->setCursor(Qt::WaitCursor);
    else
        main_window_->unsetCursor();
}

void QtServices::end_program() {
    if (main_window_) main_window_->close();
}

}  // namespace tesra
