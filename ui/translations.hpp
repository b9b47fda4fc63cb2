// The file dialog and the message boxes' buttons in the user's language: Qt's
// own translations (Debian's qt6-translations-l10n), and the program's, which
// give in European Portuguese the texts Qt's catalogue for Portugal lacks
// (the standard buttons, a few of the file dialog's).
#pragma once

#include <QLocale>

class QCoreApplication;

namespace tesra::ui {

// Installs both for `locale` (main passes the user's). A missing catalogue
// leaves those texts in English; nothing fails.
void install_translations(QCoreApplication& application, const QLocale& locale = QLocale());

}  // namespace tesra::ui
