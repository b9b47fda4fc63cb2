// Point files, parameter files and reports are Windows-1252 bytes. The
// program's own texts (system names, the report header) are UTF-8 and are
// converted on the way out; names read from files pass through untouched.
#pragma once

#include <string>
#include <string_view>

namespace tesra {

// UTF-8 to Windows-1252; a character it lacks, or a malformed sequence,
// becomes "?".
std::string utf8_to_cp1252(std::string_view utf8);

// Windows-1252 to UTF-8, for showing file text (names) in messages.
std::string cp1252_to_utf8(std::string_view bytes);

}  // namespace tesra
