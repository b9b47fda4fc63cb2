#include "standard_streams.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tesra {

bool leads_to_standard_output(const std::string& path) { return standard_stream_of(path) == STDOUT_FILENO; }

int standard_stream_of(const std::string& path) {
    if (path == "-") return STDOUT_FILENO;
    struct stat named {};
    if (::stat(path.c_str(), &named) != 0) return -1;
    for (const int stream : {STDOUT_FILENO, STDERR_FILENO, STDIN_FILENO}) {
        struct stat open {};
        if (::fstat(stream, &open) == 0 && open.st_dev == named.st_dev && open.st_ino == named.st_ino) return stream;
    }
    return -1;
}

namespace {

bool status_of(const std::string& path, struct stat& st) {
    return path == "-" ? ::fstat(STDOUT_FILENO, &st) == 0 : ::stat(path.c_str(), &st) == 0;
}

}  // namespace

bool same_destination(const std::string& a, const std::string& b) {
    struct stat first {}, second {};
    if (!status_of(a, first) || !status_of(b, second)) return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino && !S_ISCHR(first.st_mode);
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
