// tesra-ascii: the desktop program. One main window; one job per run.
#include <QApplication>

#include "common_dialog.hpp"
#include "executable_dir.hpp"
#include "form1.hpp"
#include "locale_separator.hpp"
#include "qt_services.hpp"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    tesra::QtServices services;
    tesra::ui::QtFilePicker picker;
    // The grid files lie beside the executable; the report follows the
    // user's regional decimal separator.
    tesra::ui::Form1 form1(services, picker, tesra::executable_dir(), tesra::locale_decimal_separator());
    services.attach(form1);
    form1.show();
    return QApplication::exec();
}
