// Standard output named by a path: "-", or a path such as /dev/stdout or a
// file the shell has redirected standard output to. Such an output is
// written onto the open stream, never renamed into place, so that what a
// shell or a pipe set up keeps working.
#pragma once

#include <string>

namespace tesra {

[[nodiscard]] bool leads_to_standard_output(const std::string& path);

}  // namespace tesra
