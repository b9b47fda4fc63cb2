// tesra-ascii: the desktop program. One main window; one job per run.
#include <cstdio>
#include <string_view>

#include <QApplication>

#include "common_dialog.hpp"
#include "form1.hpp"
#include "locale_separator.hpp"
#include "os.hpp"
#include "qt_services.hpp"
#include "signals.hpp"
#include "translations.hpp"

namespace {

constexpr const char* usage =
    "Uso: tesra-ascii [--help | --version]\n"
    "\n"
    "Abre a janela \"Velmar - Orvalis\": escolha o Sistema 1 e o Sistema 2, o ficheiro\n"
    "ASCII de entrada e o de saída, e prima OK. F1 abre a informação sobre as\n"
    "transformações e os ficheiros de parâmetros. A mesma transformação na linha de\n"
    "comandos: tesra-cli --help.\n";

}  // namespace

int main(int argc, char* argv[]) {
    // Answered before any window system is touched, so they work without one.
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") return std::fputs(usage, stdout) < 0;
        if (arg == "--version") return std::puts("tesra-ascii " TESRA_VERSION) < 0;
    }

    // A job stopped by Ctrl-C or a closed session leaves no temporary file.
    tesra::clean_up_on_signals();
    QApplication application(argc, argv);
    tesra::ui::install_translations(application);
    QGuiApplication::setDesktopFileName(QStringLiteral("tesra-ascii"));
    tesra::QtServices services;
    tesra::ui::QtDialogs dialogs;
    // The grid files lie beside the executable; the report follows the
    // user's regional decimal separator.
    tesra::ui::Form1 form1(services, dialogs, tesra::os::executable_folder(), tesra::locale_decimal_separator());
    services.attach(form1);
    form1.show();
    return QApplication::exec();
}
