// Runs one command and prints "<wall seconds> <CPU seconds> <peak RSS KiB>
// <exit status>" (CPU: the child's user and system time).
// A launcher of its own because the kernel carries the peak RSS of the
// process that forks over into the child's figure: spawned straight from the
// harness, every command would show at least the harness's own memory.
// Only the C library is used, so this launcher stays at about a megabyte.
//
//   tesra-bench-time [--stdin FILE] [--stdout FILE] [--each LIST] -- COMMAND ARGS...
//
// With --each, the command runs once for every line of LIST, one after the
// other, with that line in place of each argument "{}"; the figures are the
// sums of the runs (the largest peak RSS), the status the first that is not 0.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

double seconds_of(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; }

struct Run {
    double wall = 0, cpu = 0;
    long peak_kib = 0;
    int code = 0;
};

// One run of argv; false when it could not be started.
bool run(char** argv, const char* in, const char* out, Run& total) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (in) posix_spawn_file_actions_addopen(&actions, 0, in, O_RDONLY, 0);
    if (out) posix_spawn_file_actions_addopen(&actions, 1, out, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    timespec start{}, end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t pid = 0;
    const int err = posix_spawnp(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0) {
        std::fprintf(stderr, "tesra-bench-time: cannot run %s: %s\n", argv[0], std::strerror(err));
        return false;
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0)
        if (errno != EINTR) {
            std::perror("tesra-bench-time: wait4");
            return false;
        }
    clock_gettime(CLOCK_MONOTONIC, &end);
    total.wall += static_cast<double>(end.tv_sec - start.tv_sec) + static_cast<double>(end.tv_nsec - start.tv_nsec) * 1e-9;
    total.cpu += seconds_of(usage.ru_utime) + seconds_of(usage.ru_stime);
    if (usage.ru_maxrss > total.peak_kib) total.peak_kib = usage.ru_maxrss;
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (total.code == 0) total.code = code;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const char* in = nullptr;
    const char* out = nullptr;
    const char* each = nullptr;
    int i = 1;
    for (; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            ++i;
            break;
        }
        if (std::strcmp(argv[i], "--stdin") == 0 && i + 1 < argc) in = argv[++i];
        else if (std::strcmp(argv[i], "--stdout") == 0 && i + 1 < argc) out = argv[++i];
        else if (std::strcmp(argv[i], "--each") == 0 && i + 1 < argc) each = argv[++i];
        else {
            std::fprintf(stderr, "tesra-bench-time: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    if (i >= argc) {
        std::fprintf(stderr, "tesra-bench-time: no command\n");
        return 2;
    }
    Run total;
    if (each == nullptr) {
        if (!run(argv + i, in, out, total)) return 2;
    } else {
        std::vector<std::string> items;
        std::ifstream list(each);
        for (std::string line; std::getline(list, line);)
            if (!line.empty()) items.push_back(line);
        if (items.empty()) {
            std::fprintf(stderr, "tesra-bench-time: nothing listed in %s\n", each);
            return 2;
        }
        // The argument vectors are built before the first run, so that the
        // timing holds nothing but the runs.
        std::vector<std::vector<std::string>> commands;
        for (const std::string& item : items) {
            std::vector<std::string> command(argv + i, argv + argc);
            for (std::string& arg : command)
                if (arg == "{}") arg = item;
            commands.push_back(std::move(command));
        }
        for (std::vector<std::string>& command : commands) {
            std::vector<char*> args;
            for (std::string& arg : command) args.push_back(arg.data());
            args.push_back(nullptr);
            if (!run(args.data(), in, out, total)) return 2;
        }
    }
    std::printf("%.6f %.6f %ld %d\n", total.wall, total.cpu, total.peak_kib, total.code);
    return 0;
}
