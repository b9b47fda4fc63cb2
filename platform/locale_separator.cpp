#include "locale_separator.hpp"

#include <clocale>
#include <string>

namespace tesra {

char locale_decimal_separator() {
    const char* current = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = current ? current : "C";
    char separator = '.';
    if (std::setlocale(LC_NUMERIC, "") != nullptr) {
        const char* point = std::localeconv()->decimal_point;
        if (point && point[0] != '\0' && point[1] == '\0') separator = point[0];
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
    return separator;
}

}  // namespace tesra
