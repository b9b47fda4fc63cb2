#include "locale_separator.hpp"

#include <windows.h>

namespace tesra {

// The user's regional settings (Control Panel, Region, Decimal symbol).
char locale_decimal_separator() {
    wchar_t symbol[8] = {};
    const int n = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, symbol, 8);
    if (n == 2 && (symbol[0] == L',' || symbol[0] == L'.')) return static_cast<char>(symbol[0]);
    return '.';
}

}  // namespace tesra
