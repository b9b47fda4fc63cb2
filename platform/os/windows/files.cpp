// Files on Windows. An os::File is a C runtime descriptor over the handle
// (the engine and the standard streams speak descriptors), but every read,
// write and query goes to the handle itself: no text mode, no translation.
// Paths arrive as UTF-8 and reach the system as UTF-16, so any name a
// Windows folder can hold works, with either separator.
#include "os.hpp"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "windows/text.hpp"

namespace tesra::os {

namespace {

constexpr DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// What a file keeps of its attributes when the report takes its place.
constexpr DWORD kept_attributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

HANDLE handle_of(File file) noexcept { return reinterpret_cast<HANDLE>(::_get_osfhandle(file)); }

// The descriptor of a handle just opened; the handle is closed if none can be made.
File adopt(HANDLE handle, int flags) {
    if (handle == INVALID_HANDLE_VALUE) return no_file;
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
        ::SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        return no_file;
    }
    return fd;
}

// CreateFileW on a UTF-8 path; a path that is no valid UTF-8 names nothing.
HANDLE open_handle(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    std::wstring wide;
    if (!windows::to_utf16(path, wide)) return INVALID_HANDLE_VALUE;
    if (wide.empty()) {
        ::SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return ::CreateFileW(wide.c_str(), access, share, nullptr, disposition, flags, nullptr);
}

Status status_of(HANDLE handle) {
    Status status;
    const DWORD type = ::GetFileType(handle);
    if (type != FILE_TYPE_DISK) {
        if (type == FILE_TYPE_UNKNOWN && ::GetLastError() != NO_ERROR) {
            status.error = static_cast<Error>(::GetLastError());
            return status;
        }
        status.kind = Kind::other;  // a console, a pipe, NUL
        return status;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) {
        status.error = static_cast<Error>(::GetLastError());
        return status;
    }
    FILE_ATTRIBUTE_TAG_INFO tag{};
    const bool symlink = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                         ::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) &&
                         tag.ReparseTag == IO_REPARSE_TAG_SYMLINK;
    status.kind = symlink                                                   ? Kind::link
                  : (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Kind::folder
                                                                            : Kind::regular;
    if (status.kind == Kind::regular) status.size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    status.mode = info.dwFileAttributes & (kept_attributes | FILE_ATTRIBUTE_READONLY);
    status.identity = {info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
    return status;
}

Status path_status(const std::string& path, DWORD flags) {
    // No access asked: only what the file is, so a file open elsewhere answers too.
    const HANDLE handle = open_handle(path, 0, share_all, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags);
    if (handle == INVALID_HANDLE_VALUE) {
        Status status;
        status.error = static_cast<Error>(::GetLastError());
        return status;
    }
    const Status status = status_of(handle);
    ::CloseHandle(handle);
    return status;
}

// The full form of a path: ReplaceFileW fails on some relative ones (wine's
// with ERROR_DIRECTORY, whatever the folder).
bool full_path(const std::string& path, std::wstring& full) {
    std::wstring wide;
    if (!windows::to_utf16(path, wide)) return false;
    const DWORD n = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0) return false;
    full.resize(n);
    const DWORD written = ::GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
    if (written == 0 || written >= n) return false;
    full.resize(written);
    return true;
}

std::filesystem::path fs_path(const std::string& path) {
    std::wstring wide;
    windows::to_utf16(path, wide);
    return wide;
}

}  // namespace

// A folder cannot be opened as a file at all, and Windows says only that
// access is denied: say it is a folder, as POSIX systems do.
HANDLE tell_folders(HANDLE handle, const std::string& path) {
    if (handle == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED &&
        status(path).kind == Kind::folder) {
        ::SetLastError(windows::directory_not_supported);
    }
    return handle;
}

File open_for_reading(const std::string& path) {
    // Others may go on reading, writing or renaming it: an editor keeps its file.
    const HANDLE handle = open_handle(path, GENERIC_READ, share_all, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    return adopt(tell_folders(handle, path), _O_RDONLY);
}

// Writers share deletion, so that the clean-up on Ctrl-C can remove a
// temporary another thread still writes.
File create(const std::string& path) {
    const HANDLE handle =
        open_handle(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    return adopt(tell_folders(handle, path), 0);
}

// Windows gives a new file the folder's permissions, which are the user's
// own in his folders: `owner_only` asks nothing more.
File create_new(const std::string& path, bool /*owner_only*/) {
    return adopt(open_handle(path, GENERIC_WRITE | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_DELETE,
                             CREATE_NEW, FILE_ATTRIBUTE_NORMAL),
                 0);
}

// Windows has no nameless files: the name is there while the file is, but
// no one can open it (no sharing) and the system deletes it when its last
// handle closes, which the end of the process does however it ends.
File create_nameless(const std::string& folder) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const HANDLE handle = open_handle(
            temporary_name(folder, "intermedio"), GENERIC_READ | GENERIC_WRITE | DELETE, 0, CREATE_NEW,
            FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE);
        if (handle != INVALID_HANDLE_VALUE) return adopt(handle, 0);
        if (::GetLastError() != ERROR_FILE_EXISTS) return no_file;
    }
    return no_file;
}

File duplicate(File file) {
    HANDLE copy = INVALID_HANDLE_VALUE;
    const HANDLE process = ::GetCurrentProcess();
    if (!::DuplicateHandle(process, handle_of(file), process, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) return no_file;
    return adopt(copy, 0);
}

bool close(File file) noexcept { return ::_close(file) == 0; }

std::ptrdiff_t read(File file, char* into, std::size_t size) {
    DWORD got = 0;
    const auto want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (::ReadFile(handle_of(file), into, want, &got, nullptr)) return got;
    // A pipe whose writer has gone is at its end, as on POSIX.
    const DWORD error = ::GetLastError();
    return error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF ? 0 : -1;
}

// On a handle opened for synchronous use this also moves the position the
// handle's duplicates share; the engine reads a file either at positions or
// from its position, never both at once.
std::ptrdiff_t read_at(File file, char* into, std::size_t size, std::uint64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    const auto want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (::ReadFile(handle_of(file), into, want, &got, &at)) return got;
    return ::GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
}

std::ptrdiff_t write(File file, const char* bytes, std::size_t size) {
    DWORD put = 0;
    const auto want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!::WriteFile(handle_of(file), bytes, want, &put, nullptr)) return -1;
    return put;
}

bool rewind(File file) { return ::SetFilePointerEx(handle_of(file), LARGE_INTEGER{}, nullptr, FILE_BEGIN) != 0; }

bool truncate(File file) {
    const HANDLE handle = handle_of(file);
    LARGE_INTEGER position{};
    if (!::SetFilePointerEx(handle, LARGE_INTEGER{}, &position, FILE_CURRENT)) return false;
    const bool done = ::SetFilePointerEx(handle, LARGE_INTEGER{}, nullptr, FILE_BEGIN) && ::SetEndOfFile(handle);
    const DWORD error = ::GetLastError();
    ::SetFilePointerEx(handle, position, nullptr, FILE_BEGIN);  // as ftruncate leaves it
    ::SetLastError(error);
    return done;
}

Status status(const std::string& path) { return path_status(path, 0); }

Status link_status(const std::string& path) { return path_status(path, FILE_FLAG_OPEN_REPARSE_POINT); }

Status status(File file) { return status_of(handle_of(file)); }

// Asks for write access and lets go: the read-only attribute, the folder's
// permissions and a program holding the file without sharing all answer.
bool writable(const std::string& path) {
    std::wstring wide;
    if (windows::to_utf16(path, wide)) {
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            ::SetLastError(ERROR_ACCESS_DENIED);  // as opening it would say, even to an administrator
            return false;
        }
    }
    const HANDLE handle = open_handle(path, GENERIC_WRITE, share_all, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (handle == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(handle);
    return true;
}

// The mode of a Windows file is its attributes; read-only would stop the
// replacement itself (and a read-only file is refused before).
bool set_mode(File file, unsigned mode) {
    FILE_BASIC_INFO info{};
    const HANDLE handle = handle_of(file);
    if (!::GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof info)) return false;
    info.FileAttributes = mode & kept_attributes;
    if (info.FileAttributes == 0) info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return ::SetFileInformationByHandle(handle, FileBasicInfo, &info, sizeof info) != 0;
}

std::string follow_links(std::string path) {
    for (int hops = 0; hops < 40 && link_status(path).kind == Kind::link; ++hops) {
        std::error_code ec;
        const std::filesystem::path target = std::filesystem::read_symlink(fs_path(path), ec);
        if (ec) break;
        const std::filesystem::path next = target.is_absolute() ? target : fs_path(folder_of(path)) / target;
        path = windows::to_utf8(next.native());
    }
    return path;
}

// ReplaceFileW keeps what the old file had that its bytes are not: its
// attributes, permissions, creation time and short name. With no old file,
// or where the file system cannot replace, a rename over it.
bool replace(const std::string& from, const std::string& to) {
    std::wstring wide_from, wide_to;
    if (!full_path(from, wide_from) || !full_path(to, wide_to)) return false;
    if (::GetFileAttributesW(wide_to.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (::ReplaceFileW(wide_to.c_str(), wide_from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                           nullptr)) {
            return true;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NOT_SUPPORTED && error != ERROR_INVALID_FUNCTION &&
            error != ERROR_INVALID_PARAMETER) {
            return false;
        }
    }
    return ::MoveFileExW(wide_from.c_str(), wide_to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool remove(const std::string& path) noexcept { return remove(path.c_str()); }

// Also from the console's control thread at Ctrl-C, which may allocate: it
// is an ordinary thread, not a signal.
bool remove(const char* path) noexcept {
    try {
        std::wstring wide;
        return windows::to_utf16(path, wide) && ::DeleteFileW(wide.c_str()) != 0;
    } catch (...) {
        return false;
    }
}

}  // namespace tesra::os
