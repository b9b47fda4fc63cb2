#include "signals.hpp"

#include <poll.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "files/temporaries.hpp"

namespace tesra {

namespace {

struct Stop {
    int signal;
    const char* message;
};

constexpr Stop stops[] = {
    {SIGINT, "\nInterrompido (SIGINT): o ficheiro de saída não foi criado nem alterado.\n"},
    {SIGTERM, "\nTerminado (SIGTERM): o ficheiro de saída não foi criado nem alterado.\n"},
    {SIGHUP, "\nTerminal fechado (SIGHUP): o ficheiro de saída não foi criado nem alterado.\n"},
    {SIGXFSZ, "\nFicheiro maior do que o limite permitido (SIGXFSZ): o ficheiro de saída não foi criado nem "
              "alterado.\n"},
};

extern "C" void on_stop(int signal) {
    remove_temporaries();
    for (const Stop& stop : stops) {
        if (stop.signal == signal) {
            const ssize_t ignored = ::write(STDERR_FILENO, stop.message, std::strlen(stop.message));
            (void)ignored;
        }
    }
    ::_exit(128 + signal);
}

// The signal does not say which write raised it: standard output is the
// one when its reader has gone.
extern "C" void on_closed_pipe(int signal) {
    pollfd out{STDOUT_FILENO, POLLOUT, 0};
    if (::poll(&out, 1, 0) == 1 && (out.revents & (POLLERR | POLLHUP)) != 0) {
        remove_temporaries();
        ::_exit(128 + signal);
    }
}

}  // namespace

void stop_when_standard_output_closes() {
    // Whatever the parent left: a filter's status does not depend on it.
    struct sigaction action {};
    action.sa_handler = on_closed_pipe;
    sigfillset(&action.sa_mask);
    ::sigaction(SIGPIPE, &action, nullptr);
}

void clean_up_on_signals() {
    std::signal(SIGPIPE, SIG_IGN);
    for (const Stop& stop : stops) {
        struct sigaction old {};
        if (::sigaction(stop.signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = on_stop;
        sigfillset(&action.sa_mask);  // one clean-up at a time
        ::sigaction(stop.signal, &action, nullptr);
    }
}

}  // namespace tesra
