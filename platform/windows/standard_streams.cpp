#include "standard_streams.hpp"

#include <windows.h>

#include "os.hpp"

namespace tesra {

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
