// Point files, parameter files and reports are Windows-1252 bytes. The
// program's own texts (system names, the report header) are UTF-8 and are
// converted on the way out; names read from files pass through untouched.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tesra {

// What a point file's text is written in; the report follows its input.
enum class TextEncoding : char { cp1252, utf8 };

// UTF-8 to Windows-1252; a character it lacks, or a malformed sequence,
// becomes "?".
std::string utf8_to_cp1252(std::string_view utf8);

// Windows-1252 to UTF-8, for showing file text (names) in messages.
std::string cp1252_to_utf8(std::string_view bytes);

// Whether bytes are well-formed UTF-8 (no overlong forms, no surrogates).
[[nodiscard]] bool valid_utf8(std::string_view text) noexcept;

// How many bytes the well-formed UTF-8 character at the start of text takes;
// 0 when it is not one.
[[nodiscard]] std::size_t utf8_char_length(std::string_view text) noexcept;

// Lower case, the accents of Latin-1 letters taken off ("É" and "é" as
// "e", "Ç" as "c"), whether the text is UTF-8 or Windows-1252: names and
// titles compared as people type them. Other bytes pass unchanged.
[[nodiscard]] std::string plain_lower(std::string_view text);

}  // namespace tesra
