// tesra-ascii.exe: the desktop program on Windows. One main window; one job
// per run.
#include <cstdlib>
#include <string>

#include <windows.h>
#include <commctrl.h>

#include "locale_separator.hpp"
#include "os.hpp"
#include "text.hpp"
#include "win32_services.hpp"
#include "desktop.hpp"

namespace {

std::wstring environment(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value != nullptr ? value : L"";
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace tesra::ui::win;
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    Win32Services services;
    // Scripted runs (tests and pictures) only: see windows.hpp.
    if (const std::wstring record = environment(L"TESRA_ASCII_MESSAGES"); !record.empty())
        services.record_messages_to(record);
    // The grid files lie beside the executable; the report follows the
    // user's regional decimal symbol.
    if (!open_main_window(instance, services, tesra::os::executable_folder(), tesra::locale_decimal_separator()))
        return 1;
    if (const std::wstring fields = environment(L"TESRA_ASCII_FILL"); !fields.empty())
        fill_and_press_ok(utf8(fields));
    if (!environment(L"TESRA_ASCII_INFORMATION").empty()) open_information_window();
    if (const std::wstring button = environment(L"TESRA_ASCII_CLICK"); !button.empty()) click_button(utf8(button));
    return run_message_loop();
}
