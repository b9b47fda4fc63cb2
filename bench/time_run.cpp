// Runs one command and prints "<wall seconds> <peak RSS KiB> <exit status>".
// A launcher of its own because the kernel carries the peak RSS of the
// process that forks over into the child's figure: spawned straight from the
// harness, every command would show at least the harness's own memory.
// Only the C library is used, so this launcher stays at about a megabyte.
//
//   tesra-bench-time [--stdin FILE] [--stdout FILE] -- COMMAND ARGS...

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

extern char** environ;

int main(int argc, char** argv) {
    const char* in = nullptr;
    const char* out = nullptr;
    int i = 1;
    for (; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            ++i;
            break;
        }
        if (std::strcmp(argv[i], "--stdin") == 0 && i + 1 < argc) in = argv[++i];
        else if (std::strcmp(argv[i], "--stdout") == 0 && i + 1 < argc) out = argv[++i];
        else {
            std::fprintf(stderr, "tesra-bench-time: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    if (i >= argc) {
        std::fprintf(stderr, "tesra-bench-time: no command\n");
        return 2;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (in) posix_spawn_file_actions_addopen(&actions, 0, in, O_RDONLY, 0);
    if (out) posix_spawn_file_actions_addopen(&actions, 1, out, O_WRONLY | O_CREAT | O_TRUNC, 0644);

    timespec start{}, end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t pid = 0;
    const int err = posix_spawnp(&pid, argv[i], &actions, nullptr, argv + i, environ);
    if (err != 0) {
        std::fprintf(stderr, "tesra-bench-time: cannot run %s: %s\n", argv[i], std::strerror(err));
        return 2;
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0)
        if (errno != EINTR) {
            std::perror("tesra-bench-time: wait4");
            return 2;
        }
    clock_gettime(CLOCK_MONOTONIC, &end);
    const double seconds = static_cast<double>(end.tv_sec - start.tv_sec) +
                           static_cast<double>(end.tv_nsec - start.tv_nsec) * 1e-9;
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::printf("%.6f %ld %d\n", seconds, usage.ru_maxrss, code);
    return 0;
}
