// Ctrl-C, Ctrl-Break and the console's closing come to a handler the
// console calls on a thread of its own: the same clean-up as the signals
// of POSIX systems, and the same exit statuses (128 + the number of the
// signal of the same meaning: SIGINT, SIGBREAK, SIGHUP).
#include "signals.hpp"

#include <windows.h>

#include "files/temporaries.hpp"
#include "windows/console.hpp"

namespace tesra {

namespace {

struct Stop {
    DWORD event;
    UINT status;
    const char* message;
};

constexpr Stop stops[] = {
    {CTRL_C_EVENT, 130, "\nInterrompido (Ctrl-C): o ficheiro de saída não foi criado nem alterado.\n"},
    {CTRL_BREAK_EVENT, 149, "\nInterrompido (Ctrl-Break): o ficheiro de saída não foi criado nem alterado.\n"},
    {CTRL_CLOSE_EVENT, 129, "\nConsola fechada: o ficheiro de saída não foi criado nem alterado.\n"},
    {CTRL_LOGOFF_EVENT, 129, "\nSessão terminada: o ficheiro de saída não foi criado nem alterado.\n"},
    {CTRL_SHUTDOWN_EVENT, 129, "\nSistema a encerrar: o ficheiro de saída não foi criado nem alterado.\n"},
};

BOOL WINAPI on_stop(DWORD event) {
    for (const Stop& stop : stops) {
        if (stop.event != event) continue;
        remove_temporaries();
        windows::write_final_message(stop.message);
        ::ExitProcess(stop.status);
    }
    return FALSE;
}

}  // namespace

// Ctrl-C reaches no handler of a process started with it turned off, as
// with a signal its parent ignored.
void clean_up_on_signals() { ::SetConsoleCtrlHandler(on_stop, TRUE); }

// Windows has no SIGPIPE: a write to a pipe whose reader has gone fails,
// and the job reports it as any failed write, after the same clean-up.
void stop_when_standard_output_closes() {}

}  // namespace tesra
