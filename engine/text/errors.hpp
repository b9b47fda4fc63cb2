// The one error type of the engine: a fault the user must be told about,
// already worded for the message box (Portuguese, naming the file, the line
// and the offending text). Thrown by readers and writers, caught by the
// routine or the job that owns the files.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "os.hpp"
#include "text/codepage.hpp"

namespace tesra {

class TesraError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "Erro no ficheiro "<path>", linha <line>: <fault>."
[[nodiscard]] TesraError file_error(std::string_view path, long line, std::string_view fault);

// A file that cannot be opened or created, with the system's reason in Portuguese.
[[nodiscard]] TesraError open_error(std::string_view path, os::Error error, bool for_writing);

// A write or close that failed (disk full, device gone...).
[[nodiscard]] TesraError write_error(std::string_view path, os::Error error);

// A file's name as messages show it: as given, but for its control
// characters (a line feed, say), shown escaped ("\n", "\x1B"), so that
// each message stays on one line.
[[nodiscard]] std::string shown_name(std::string_view path);

// Quotes a piece of offending text for a message, cut short if it is long,
// in the terminal's UTF-8 whatever the file's encoding.
std::string quote_excerpt(std::string_view text, TextEncoding encoding = TextEncoding::cp1252);

}  // namespace tesra
