// Files on POSIX systems. Reads, writes, opens and closes go through the
// C library's own open, read, write and close, so that a test program
// linked with --wrap can make any of them fail.
#include "os.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace tesra::os {

namespace {

Kind kind_of(mode_t mode) noexcept {
    if (S_ISREG(mode)) return Kind::regular;
    if (S_ISDIR(mode)) return Kind::folder;
    if (S_ISLNK(mode)) return Kind::link;
    return Kind::other;
}

Status status_of(int result, const struct stat& st) {
    Status status;
    if (result != 0) {
        status.error = errno;
        return status;
    }
    status.kind = kind_of(st.st_mode);
    if (status.kind == Kind::regular) status.size = static_cast<std::uint64_t>(st.st_size);
    status.mode = static_cast<unsigned>(st.st_mode & 07777);
    status.identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return status;
}

}  // namespace

File open_for_reading(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return no_file;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        return no_file;
    }
    return fd;
}

File create(const std::string& path) { return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666); }

File create_new(const std::string& path, bool owner_only) {
    return ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, owner_only ? 0600 : 0666);
}

File create_nameless(const std::string& folder) {
#ifdef O_TMPFILE
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
#endif
    // Where the file system has no nameless files: a fresh name, removed at once.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = temporary_name(folder, "intermedio");
        const int fd = ::open(name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::unlink(name.c_str());
            return fd;
        }
        if (errno != EEXIST) return no_file;
    }
    return no_file;
}

File duplicate(File file) { return ::fcntl(file, F_DUPFD_CLOEXEC, 0); }

bool close(File file) noexcept { return ::close(file) == 0 || errno == EINTR; }

std::ptrdiff_t read(File file, char* into, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(file, into, size);
        if (n >= 0 || errno != EINTR) return n;
    }
}

std::ptrdiff_t read_at(File file, char* into, std::size_t size, std::uint64_t offset) {
    for (;;) {
        const ssize_t n = ::pread(file, into, size, static_cast<off_t>(offset));
        if (n >= 0 || errno != EINTR) return n;
    }
}

std::ptrdiff_t write(File file, const char* bytes, std::size_t size) {
    for (;;) {
        const ssize_t n = ::write(file, bytes, size);
        if (n >= 0 || errno != EINTR) return n;
    }
}

bool rewind(File file) { return ::lseek(file, 0, SEEK_SET) == 0; }

bool truncate(File file) { return ::ftruncate(file, 0) == 0; }

Status status(const std::string& path) {
    struct stat st {};
    const int result = ::stat(path.c_str(), &st);
    return status_of(result, st);
}

Status link_status(const std::string& path) {
    struct stat st {};
    const int result = ::lstat(path.c_str(), &st);
    return status_of(result, st);
}

Status status(File file) {
    struct stat st {};
    const int result = ::fstat(file, &st);
    return status_of(result, st);
}

bool writable(const std::string& path) { return ::access(path.c_str(), W_OK) == 0; }

bool set_mode(File file, unsigned mode) { return ::fchmod(file, static_cast<mode_t>(mode & 07777)) == 0; }

std::string follow_links(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        std::error_code ec;
        const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
        if (ec) break;
        path = target.is_absolute() ? target.string() : (std::filesystem::path(folder_of(path)) / target).string();
    }
    return path;
}

bool replace(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

bool remove(const std::string& path) noexcept { return remove(path.c_str()); }

bool remove(const char* path) noexcept { return ::unlink(path) == 0; }

}  // namespace tesra::os
