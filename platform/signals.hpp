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

}  // namespace tesra
