// The directory that holds the running executable, resolved through links
// (an installed program is started through a link in bin/ while its grid
// files lie beside the real file).
#pragma once

#include <string>

namespace tesra {

// Without a trailing separator; empty if it cannot be found out.
std::string executable_dir();

}  // namespace tesra
