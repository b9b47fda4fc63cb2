// Standard output named by a path: "-", or a path such as /dev/stdout or a
// file the shell has redirected standard output to. Such an output is
// written onto the open stream, never renamed into place, so that what a
// shell or a pipe set up keeps working.
#pragma once

#include <string>

namespace tesra {

[[nodiscard]] bool leads_to_standard_output(const std::string& path);

// The standard stream (1 for output, 2 for error, 0 for input) a path
// leads to, as leads_to_standard_output tells it ("-" is standard output);
// -1 for any other path.
[[nodiscard]] int standard_stream_of(const std::string& path);

// Whether two paths ("-": standard output) lead to the same existing file
// or stream, through links, so that what is written to one would be lost in
// or mixed with the other. A device (a terminal, the null device) takes
// both as they come: it is never the same.
[[nodiscard]] bool same_destination(const std::string& a, const std::string& b);

// Opens the null device on each of the three standard descriptors that is
// closed, so that no file the program opens takes its number: messages
// would land in an output file. Reads of a closed standard input and writes
// to a closed standard output still fail; a closed standard error swallows
// what is written to it.
void keep_standard_streams_taken();

}  // namespace tesra
