// The process and its failures on POSIX systems.
#include "os.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

#if defined(__linux__)
#include <sched.h>
#endif

namespace tesra::os {

Error last_error() noexcept { return errno; }

Fault fault_of(Error error) noexcept {
    switch (error) {
    case ENOENT: return Fault::missing;
    case EACCES:
    case EPERM: return Fault::denied;
    case EISDIR: return Fault::is_folder;
    case ENOTDIR: return Fault::not_folder;
    case ENAMETOOLONG: return Fault::name_too_long;
    case ENOSPC: return Fault::disk_full;
    case EDQUOT: return Fault::quota_exceeded;
    case EROFS: return Fault::read_only;
    case EIO: return Fault::device;
    case EFBIG: return Fault::too_large;
    case EEXIST: return Fault::exists;
    default: return Fault::other;
    }
}

std::string describe(Error error) { return std::strerror(error); }

unsigned long process_id() noexcept { return static_cast<unsigned long>(::getpid()); }

std::string executable_folder() {
    std::error_code ec;
    // /proc/self/exe is the real file, whatever link the program was started through.
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return exe.parent_path().string();
}

std::string temporary_folder() {
    const char* tmpdir = std::getenv("TMPDIR");
    return tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
}

unsigned available_cores() noexcept {
#if defined(__linux__)
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0) return static_cast<unsigned>(count);
    }
#endif
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? cores : 1;
}

}  // namespace tesra::os
