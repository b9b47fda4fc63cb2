#include "standard_streams.hpp"

#include <sys/stat.h>
#include <unistd.h>

namespace tesra {

bool leads_to_standard_output(const std::string& path) {
    if (path == "-") return true;
    struct stat out {}, named {};
    return ::fstat(STDOUT_FILENO, &out) == 0 && ::stat(path.c_str(), &named) == 0 && out.st_dev == named.st_dev &&
           out.st_ino == named.st_ino;
}

}  // namespace tesra
