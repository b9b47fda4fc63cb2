#include "standard_streams.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tesra {

bool leads_to_standard_output(const std::string& path) {
    if (path == "-") return true;
    struct stat out {}, named {};
    return ::fstat(STDOUT_FILENO, &out) == 0 && ::stat(path.c_str(), &named) == 0 && out.st_dev == named.st_dev &&
           out.st_ino == named.st_ino;
}

void keep_standard_streams_taken() {
    // Input opened for writing and output for reading: each fails as the
    // closed stream would, with EBADF.
    constexpr int modes[] = {O_WRONLY, O_RDONLY, O_WRONLY};
    for (int fd = 0; fd < 3; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1) continue;
        const int opened = ::open("/dev/null", modes[fd]);
        if (opened != fd && opened >= 0) ::close(opened);  // a lower one was free after all
    }
}

}  // namespace tesra
