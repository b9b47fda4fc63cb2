// Programs run by the tests as child processes: every test starts, stops and
// waits for one through these, so that each system needs only its own file
// behind them (process_posix.cpp: fork and exec; process_windows.cpp:
// CreateProcessW, without file-size limits or in_child).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tesra::robust {

struct ChildSetup {
    std::string cwd;  // where it runs
    int out_fd = -1;  // its standard output; -1: the null device
    int err_fd = -1;  // its standard error; -1: the null device
    // Writes past this many bytes fail (EFBIG) instead of ending it.
    std::optional<std::uint64_t> file_size_limit;
    std::function<void()> in_child;  // runs in the child just before the program (POSIX only)
};

struct ChildRun {
    int status = -1;  // exit status, or 128 + signal number
    std::string out;  // standard output
    std::string err;  // standard error
};

// Starts program with args; throws when no child can be made. A child that
// cannot set itself up ends with status 120 to 122.
pid_t start_child(const std::string& program, const std::vector<std::string>& args, const ChildSetup& setup);
// Its exit status, or 128 + the signal that ended it.
int wait_child(pid_t child);
// Sends it a stop signal (SIGINT, SIGTERM, SIGKILL...).
void signal_child(pid_t child, int signal);
// Runs it to its end with its standard output and error read through pipes
// (a file-size limit must not cut the messages short); out_fd and err_fd
// of the setup are not used.
ChildRun run_child(const std::string& program, const std::vector<std::string>& args, const ChildSetup& setup);

}  // namespace tesra::robust
