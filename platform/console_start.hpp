// What tesra-cli does before anything else: the command line as UTF-8,
// whatever the system passed, and the standard streams made ready to carry
// the program's bytes unchanged and its messages readably.
#pragma once

#include <string>
#include <vector>

namespace tesra {

// The arguments, the program's name first. On Windows: read as UTF-16 and
// turned into UTF-8; the standard streams binary (a line feed stays one
// byte); and what goes to a console shown through the console's own UTF-16
// output, while a pipe or a file gets the UTF-8 bytes.
[[nodiscard]] std::vector<std::string> start_console(int argc, char** argv);

}  // namespace tesra
