// The tests' child processes on POSIX systems: fork, then exec.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <stdexcept>

#include "process.hpp"

namespace tesra::robust {

namespace {

std::string read_to_end(int fd) {
    std::string text;
    char chunk[4096];
    for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) != 0;) {
        if (n > 0) text.append(chunk, static_cast<std::size_t>(n));
        else if (errno != EINTR) break;
    }
    ::close(fd);
    return text;
}

}  // namespace

pid_t start_child(const std::string& program, const std::vector<std::string>& args, const ChildSetup& setup) {
    std::vector<std::string> copies{program};
    copies.insert(copies.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        if (::dup2(setup.out_fd < 0 ? null : setup.out_fd, 1) < 0 ||
            ::dup2(setup.err_fd < 0 ? null : setup.err_fd, 2) < 0 || ::chdir(setup.cwd.c_str()) != 0) {
            _exit(120);
        }
        if (setup.file_size_limit) {
            // Without the signal a write past the limit fails with EFBIG.
            std::signal(SIGXFSZ, SIG_IGN);
            const auto bytes = static_cast<rlim_t>(*setup.file_size_limit);
            const rlimit limit{bytes, bytes};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(121);
        }
        if (setup.in_child) setup.in_child();
        ::execv(argv[0], argv.data());
        _exit(122);
    }
    return pid;
}

int wait_child(pid_t child) {
    int wstatus = 0;
    while (::waitpid(child, &wstatus, 0) < 0) {
    }
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
}

void signal_child(pid_t child, int signal) { ::kill(child, signal); }

ChildRun run_child(const std::string& program, const std::vector<std::string>& args, const ChildSetup& setup) {
    int out_pipe[2], err_pipe[2];
    if (::pipe2(out_pipe, O_CLOEXEC) != 0 || ::pipe2(err_pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    ChildSetup piped = setup;
    piped.out_fd = out_pipe[1];
    piped.err_fd = err_pipe[1];
    const pid_t pid = start_child(program, args, piped);
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);
    // Standard output first: the program writes at most one line there.
    ChildRun run;
    run.out = read_to_end(out_pipe[0]);
    run.err = read_to_end(err_pipe[0]);
    run.status = wait_child(pid);
    return run;
}

}  // namespace tesra::robust
