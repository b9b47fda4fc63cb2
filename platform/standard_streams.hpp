// Standard output named by a path: "-", or a path such as /dev/stdout or a
// file the shell has redirected standard output to. Such an output is
// written onto the open stream, never renamed into place, so that what a
// shell or a pipe set up keeps working.
#pragma once

#include <string>

namespace tesra {

[[nodiscard]] bool leads_to_standard_output(const std::string& path);

// Opens the null device on each of the three standard descriptors that is
// closed, so that no file the program opens takes its number: messages
// would land in an output file. Reads of a closed standard input and writes
// to a closed standard output still fail; a closed standard error swallows
// what is written to it.
void keep_standard_streams_taken();

}  // namespace tesra
