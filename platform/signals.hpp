// How the programs end when the system or the user stops them: Ctrl-C, a
// closed terminal, a kill, a file grown past its size limit. The temporary
// files of the job under way are removed, a line on standard error says
// what happened, and the process exits with 128 + the signal's number. A
// file or old report at the output path is never touched, since the report
// only takes its place by a rename once it is whole.
#pragma once

namespace tesra {

// Installs the clean-up for SIGINT, SIGTERM, SIGHUP and SIGXFSZ (each one
// the parent did not set to be ignored: nohup keeps its meaning), and
// ignores SIGPIPE, so that a closed standard output or error turns into a
// failed write rather than cutting the clean-up short. On Windows
// (windows/signals.cpp): Ctrl-C, Ctrl-Break and the console's closing.
void clean_up_on_signals();

// For a program whose output goes to standard output, as a filter's does:
// a write there once its reader has gone (a pipe into `head`) ends the
// program as SIGPIPE ends a filter, with status 141 and no message, after
// the same clean-up. A closed standard error raises the same signal and is
// let be: its write fails and the job goes on. Call after
// clean_up_on_signals(), which ignores SIGPIPE.
void stop_when_standard_output_closes();

}  // namespace tesra
