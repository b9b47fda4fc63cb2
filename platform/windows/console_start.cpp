// The C runtime's standard streams are text streams, which would turn each
// line feed into CR LF, and it reads the command line in the ANSI code page.
// Here the streams become binary, the arguments come from the UTF-16
// command line, and a console gets the UTF-8 text through WriteConsoleW:
// its descriptors are turned into a pipe that a thread relays, so that
// every printf of the program works unchanged.
#include "console_start.hpp"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "windows/console.hpp"
#include "windows/text.hpp"

namespace tesra {

namespace {

HANDLE console = INVALID_HANDLE_VALUE;  // where the relay writes; none: no relay
HANDLE relay_from = INVALID_HANDLE_VALUE;
HANDLE relay_thread = nullptr;

bool is_console(HANDLE handle) {
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && ::GetConsoleMode(handle, &mode);
}

void write_console(std::string_view text) {
    std::wstring wide;
    if (!text.empty()) {
        // A byte that is no UTF-8 (a Windows-1252 report sent to the
        // console) shows as a replacement character, not as nothing.
        const int size = static_cast<int>(text.size());
        const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
        wide.resize(static_cast<std::size_t>(n > 0 ? n : 0));
        if (n > 0) ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), n);
    }
    for (std::size_t at = 0; at < wide.size();) {
        DWORD put = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - at, 8192));
        if (!::WriteConsoleW(console, wide.data() + at, chunk, &put, nullptr) || put == 0) return;
        at += put;
    }
}

// The length of `text` that ends on a whole UTF-8 character: the rest waits
// for the next read.
std::size_t whole_characters(const std::string& text) {
    const std::size_t size = text.size();
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(text[size - back]);
        if ((byte & 0xC0) == 0x80) continue;  // a continuation: look further back
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? size - back : size;
    }
    return size;
}

DWORD WINAPI relay(void*) {
    std::string pending;
    char chunk[4096];
    DWORD got = 0;
    while (::ReadFile(relay_from, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        pending.append(chunk, got);
        const std::size_t whole = whole_characters(pending);
        write_console(std::string_view(pending).substr(0, whole));
        pending.erase(0, whole);
    }
    write_console(pending);
    return 0;
}

// At the program's end: what is still buffered goes through, then the pipe
// closes and the relay writes its last bytes before the process ends.
void stop_relay() {
    std::fflush(stdout);
    std::fflush(stderr);
    ::_close(1);
    ::_close(2);
    ::WaitForSingleObject(relay_thread, 5000);
}

// Standard output and error that are the console go into one pipe, which
// keeps their lines in the order they were written.
void relay_console_output() {
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE), err = ::GetStdHandle(STD_ERROR_HANDLE);
    const bool out_console = is_console(out), err_console = is_console(err);
    if (!out_console && !err_console) return;
    HANDLE to = INVALID_HANDLE_VALUE;
    if (!::CreatePipe(&relay_from, &to, nullptr, 0)) return;
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(to), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(to);
        ::CloseHandle(relay_from);
        return;
    }
    // A copy: _dup2 closes the handle behind the descriptor it replaces.
    const HANDLE self = ::GetCurrentProcess();
    if (!::DuplicateHandle(self, err_console ? err : out, self, &console, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        ::_close(fd);
        ::CloseHandle(relay_from);
        console = INVALID_HANDLE_VALUE;
        return;
    }
    relay_thread = ::CreateThread(nullptr, 0, relay, nullptr, 0, nullptr);
    if (relay_thread == nullptr) {
        ::_close(fd);
        ::CloseHandle(relay_from);
        console = INVALID_HANDLE_VALUE;
        return;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    if (out_console) ::_dup2(fd, 1);
    if (err_console) ::_dup2(fd, 2);
    ::_close(fd);
    std::atexit(stop_relay);
}

}  // namespace

namespace windows {

void write_final_message(std::string_view text) noexcept {
    try {
        if (console != INVALID_HANDLE_VALUE) {
            write_console(text);
            return;
        }
        DWORD put = 0;
        ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &put, nullptr);
    } catch (...) {
    }
}

}  // namespace windows

std::vector<std::string> start_console(int argc, char** argv) {
    for (int fd = 0; fd <= 2; ++fd) ::_setmode(fd, _O_BINARY);
    relay_console_output();
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) return {argv, argv + argc};
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i) args.push_back(os::windows::to_utf8(wide[i]));
    ::LocalFree(wide);
    return args;
}

}  // namespace tesra
