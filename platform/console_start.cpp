// POSIX systems pass the command line as bytes, and the streams carry them.
#include "console_start.hpp"

namespace tesra {

std::vector<std::string> start_console(int argc, char** argv) { return {argv, argv + argc}; }

}  // namespace tesra
