// The process and its failures on Windows: the reason of a failure is the
// thread's GetLastError(), as errno is on POSIX systems.
#include "os.hpp"

#include <windows.h>

#include <bit>
#include <thread>

#include "windows/text.hpp"

namespace tesra::os {

Error last_error() noexcept { return static_cast<Error>(::GetLastError()); }

Fault fault_of(Error error) noexcept {
    switch (static_cast<DWORD>(error)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return Fault::missing;
    case ERROR_ACCESS_DENIED: return Fault::denied;
    case windows::directory_not_supported: return Fault::is_folder;
    case ERROR_DIRECTORY: return Fault::not_folder;
    case ERROR_FILENAME_EXCED_RANGE: return Fault::name_too_long;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return Fault::disk_full;
    case windows::disk_quota_exceeded: return Fault::quota_exceeded;
    case ERROR_WRITE_PROTECT: return Fault::read_only;
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
    case ERROR_SECTOR_NOT_FOUND: return Fault::device;
    case ERROR_FILE_TOO_LARGE: return Fault::too_large;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return Fault::exists;
    default: return Fault::other;
    }
}

// In the user's language, as the system says it, without its closing full
// stop (the messages around it have their own).
std::string describe(Error error) {
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = n > 0 && text != nullptr ? std::wstring(text, n) : std::wstring();
    if (text != nullptr) ::LocalFree(text);
    while (!wide.empty() && std::wstring_view(L"\r\n .").find(wide.back()) != std::wstring_view::npos) wide.pop_back();
    if (wide.empty()) return "erro " + std::to_string(static_cast<DWORD>(error));
    return windows::to_utf8(wide);
}

unsigned long process_id() noexcept { return ::GetCurrentProcessId(); }

std::string executable_folder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);  // cut short: a long path
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::string() : windows::to_utf8(std::wstring_view(path).substr(0, slash));
}

std::string temporary_folder() {
    wchar_t path[MAX_PATH + 2];
    DWORD n = ::GetTempPathW(MAX_PATH + 2, path);
    if (n == 0 || n > MAX_PATH + 1) return ".";
    while (n > 3 && (path[n - 1] == L'\\' || path[n - 1] == L'/')) --n;  // "C:\" keeps its own
    return windows::to_utf8(std::wstring_view(path, n));
}

unsigned available_cores() noexcept {
    DWORD_PTR process = 0, system = 0;
    if (::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system) && process != 0) {
        return static_cast<unsigned>(std::popcount(static_cast<unsigned long long>(process)));
    }
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? cores : 1;
}

}  // namespace tesra::os
