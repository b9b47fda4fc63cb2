#include "standard_streams.hpp"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <optional>

#include "os.hpp"

namespace tesra {

namespace {

// The file a standard stream is open on, when it is a file on a disk: a
// console, a pipe or NUL is no file a path names.
std::optional<os::Identity> disk_file_of(DWORD which) {
    const HANDLE h = ::GetStdHandle(which);
    if (h == INVALID_HANDLE_VALUE || h == nullptr || ::GetFileType(h) != FILE_TYPE_DISK) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h, &info)) return std::nullopt;
    return os::Identity{info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

constexpr DWORD handles[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};

}  // namespace

int standard_stream_of(const std::string& path) {
    if (path == "-") return 1;
    const os::Status named = os::status(path);
    if (named.kind != os::Kind::regular) return -1;
    for (const int stream : {1, 2, 0}) {
        if (disk_file_of(handles[stream]) == named.identity) return stream;
    }
    return -1;
}

// Only files on a disk can be the same destination by two names; a
// console or NUL takes both as they come.
bool same_destination(const std::string& a, const std::string& b) {
    auto identity = [](const std::string& path) -> std::optional<os::Identity> {
        if (path == "-") return disk_file_of(STD_OUTPUT_HANDLE);
        const os::Status st = os::status(path);
        return st.kind == os::Kind::regular ? std::optional(st.identity) : std::nullopt;
    };
    const std::optional<os::Identity> first = identity(a), second = identity(b);
    return first && second && *first == *second;
}

// A closed standard descriptor gets NUL, so that no file the program opens
// takes its number.
void keep_standard_streams_taken() {
    constexpr int modes[] = {_O_WRONLY, _O_RDONLY, _O_WRONLY};
    for (int fd = 0; fd < 3; ++fd) {
        if (::_get_osfhandle(fd) != -1) continue;
        const int opened = ::_open("NUL", modes[fd] | _O_BINARY);
        if (opened >= 0 && opened != fd) {
            ::_dup2(opened, fd);
            ::_close(opened);
        }
    }
}

// The same file as standard output: the same volume and file index. A
// console, a pipe or NUL is no file a path names.
bool leads_to_standard_output(const std::string& path) {
    if (path == "-") return true;
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == INVALID_HANDLE_VALUE || out == nullptr || ::GetFileType(out) != FILE_TYPE_DISK) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(out, &info)) return false;
    const os::Status named = os::status(path);
    return named.kind == os::Kind::regular && named.identity.volume == info.dwVolumeSerialNumber &&
           named.identity.index == ((std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow);
}

}  // namespace tesra
