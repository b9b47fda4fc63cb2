#include "io_injection.hpp"

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <random>

extern "C" {
int __real_open(const char* path, int flags, ...);
int __real_open64(const char* path, int flags, ...);
ssize_t __real_read(int fd, void* buf, size_t count);
ssize_t __real_write(int fd, const void* buf, size_t count);
int __real_close(int fd);
}

namespace tesra::robust::io {

namespace {

bool armed = false;
Plan plan;
Counts counts{};
std::mt19937_64 cuts;

// Counts the call and tells whether it is the one to fail.
bool strikes(Call call) {
    if (!armed) return false;
    const int n = ++counts[static_cast<std::size_t>(call)];
    return plan.call == call && plan.fail_at == n;
}

}  // namespace

const char* name(Call call) {
    switch (call) {
    case Call::open: return "open";
    case Call::read: return "read";
    case Call::write: return "write";
    case Call::close: return "close";
    }
    return "?";
}

void arm(const Plan& p) {
    plan = p;
    counts = {};
    cuts.seed(p.cut_seed);
    armed = true;
}

Counts disarm() {
    armed = false;
    return counts;
}

}  // namespace tesra::robust::io

using tesra::robust::io::Call;
namespace io = tesra::robust::io;

namespace {

// The mode is there only with O_CREAT or O_TMPFILE, as the C library reads it.
int open_through(int (*real)(const char*, int, ...), const char* path, int flags, va_list args) {
    const mode_t mode = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE
                            ? static_cast<mode_t>(va_arg(args, int)) : 0;
    if (io::strikes(Call::open)) {
        errno = io::plan.error;
        return -1;
    }
    return real(path, flags, mode);
}

}  // namespace

extern "C" {

int __wrap_open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const int fd = open_through(__real_open, path, flags, args);
    va_end(args);
    return fd;
}

// With 64-bit file offsets, open is open64 to the linker.
int __wrap_open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const int fd = open_through(__real_open64, path, flags, args);
    va_end(args);
    return fd;
}

ssize_t __wrap_read(int fd, void* buf, size_t count) {
    if (io::strikes(Call::read)) {
        errno = io::plan.error;
        return -1;
    }
    if (io::armed && io::plan.max_read > 0) {
        count = std::min(count, io::plan.cut_seed == 0 ? io::plan.max_read : 1 + io::cuts() % io::plan.max_read);
    }
    return __real_read(fd, buf, count);
}

ssize_t __wrap_write(int fd, const void* buf, size_t count) {
    if (io::strikes(Call::write)) {
        errno = io::plan.error;
        return -1;
    }
    if (io::armed && io::plan.max_write > 0) count = std::min(count, io::plan.max_write);
    return __real_write(fd, buf, count);
}

// Like the kernel's: the descriptor is gone whatever close reports.
int __wrap_close(int fd) {
    const bool fail = io::strikes(Call::close);
    const int result = __real_close(fd);
    if (!fail) return result;
    errno = io::plan.error;
    return -1;
}

}  // extern "C"
