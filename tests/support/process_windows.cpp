// The tests' child processes on Windows: CreateProcessW, with the handles
// behind the descriptors as its standard streams. A child's number is its
// process id; the handle that waits for it is kept here until then.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <csignal>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "process.hpp"

namespace tesra::robust {

namespace {

std::mutex children_lock;
std::map<pid_t, HANDLE> children;

std::wstring wide(const std::string& text) {
    if (text.empty()) return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

// One argument as the C runtime's parser reads it back: quoted, with the
// backslashes before a quote doubled.
void append_argument(std::wstring& line, const std::wstring& arg) {
    if (!line.empty()) line += L' ';
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) {
        line += arg;
        return;
    }
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(2 * backslashes, L'\\');
    line += L'"';
}

// A copy of the descriptor's handle the child inherits (the null device for -1).
HANDLE inheritable(int fd) {
    HANDLE from = INVALID_HANDLE_VALUE;
    bool opened = false;
    if (fd < 0) {
        from = ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
        opened = true;
    } else {
        from = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    }
    HANDLE copy = INVALID_HANDLE_VALUE;
    const HANDLE self = ::GetCurrentProcess();
    if (from == INVALID_HANDLE_VALUE || !::DuplicateHandle(self, from, self, &copy, 0, TRUE, DUPLICATE_SAME_ACCESS)) {
        copy = INVALID_HANDLE_VALUE;
    }
    if (opened && from != INVALID_HANDLE_VALUE) ::CloseHandle(from);
    return copy;
}

std::string read_to_end(int fd) {
    std::string text;
    char chunk[4096];
    for (int n; (n = ::_read(fd, chunk, sizeof chunk)) > 0;) text.append(chunk, static_cast<std::size_t>(n));
    ::_close(fd);
    return text;
}

}  // namespace

// Its own process group, so that a Ctrl-Break can be sent to it alone.
pid_t start_child(const std::string& program, const std::vector<std::string>& args, const ChildSetup& setup) {
    if (setup.file_size_limit || setup.in_child) throw std::runtime_error("not on Windows");
    std::wstring line;
    append_argument(line, wide(program));
    for (const std::string& a : args) append_argument(line, wide(a));
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = inheritable(-1);
    start.hStdOutput = inheritable(setup.out_fd);
    start.hStdError = inheritable(setup.err_fd);
    PROCESS_INFORMATION process{};
    const std::wstring cwd = wide(setup.cwd);
    const bool made = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP,
                                       nullptr, cwd.empty() ? nullptr : cwd.c_str(), &start, &process);
    for (const HANDLE h : {start.hStdInput, start.hStdOutput, start.hStdError}) {
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    }
    if (!made) throw std::runtime_error("CreateProcessW failed: " + std::to_string(::GetLastError()));
    ::CloseHandle(process.hThread);
    const auto pid = static_cast<pid_t>(process.dwProcessId);
    const std::lock_guard<std::mutex> hold(children_lock);
    children[pid] = process.hProcess;
    return pid;
}

int wait_child(pid_t child) {
    HANDLE process = nullptr;
    {
        const std::lock_guard<std::mutex> hold(children_lock);
        const auto found = children.find(child);
        if (found == children.end()) return -1;
        process = found->second;
        children.erase(found);
    }
    ::WaitForSingleObject(process, INFINITE);
    DWORD status = 0;
    ::GetExitCodeProcess(process, &status);
    ::CloseHandle(process);
    return static_cast<int>(status);
}

// SIGINT as Ctrl-Break (Ctrl-C cannot be sent to one group); anything else
// ends it on the spot, with the status a signal would give.
void signal_child(pid_t child, int signal) {
    if (signal == SIGINT) {
        ::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(child));
        return;
    }
    const std::lock_guard<std::mutex> hold(children_lock);
    const auto found = children.find(child);
    if (found != children.end()) ::TerminateProcess(found->second, static_cast<UINT>(128 + signal));
}

ChildRun run_child(const std::string& program, const std::vector<std::string>& args, const ChildSetup& setup) {
    int out_pipe[2], err_pipe[2];
    if (::_pipe(out_pipe, 1 << 16, _O_BINARY | _O_NOINHERIT) != 0 ||
        ::_pipe(err_pipe, 1 << 16, _O_BINARY | _O_NOINHERIT) != 0) {
        throw std::runtime_error("pipe");
    }
    ChildSetup piped = setup;
    piped.out_fd = out_pipe[1];
    piped.err_fd = err_pipe[1];
    const pid_t pid = start_child(program, args, piped);
    ::_close(out_pipe[1]);
    ::_close(err_pipe[1]);
    ChildRun run;
    std::thread err_reader([&] { run.err = read_to_end(err_pipe[0]); });
    run.out = read_to_end(out_pipe[0]);
    err_reader.join();
    run.status = wait_child(pid);
    return run;
}

}  // namespace tesra::robust
