#include "translations.hpp"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tesra::ui {

void install_translations(QCoreApplication& application, const QLocale& locale) {
    // Texts are looked up in the translator installed last first, so the
    // program's catalogue comes second and wins where both have a text.
    auto* qt = new QTranslator(&application);
    if (qt->load(locale, QStringLiteral("qt"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    auto* own = new QTranslator(&application);
    if (own->load(locale, QStringLiteral("tesra"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(own);
}

}  // namespace tesra::ui
