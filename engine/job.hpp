// The transformation job behind the main window's "OK": validate the
// request, look up the route, run its routines through the intermediate
// point files, write the report, clean up, and say how it ended.
#pragma once

#include <string>

#include "routines.hpp"

namespace tesra {

// What one press of "OK" asks for, exactly as typed (UTF-8 system names,
// byte-string paths; nothing is trimmed).
struct JobRequest {
    std::string source;   // system name
    std::string target;   // system name
    std::string input;    // point file
    std::string output;   // report
    std::string param_x;  // parameter file for X (M) of the generic routine
    std::string param_y;  // parameter file for Y (P)
    PointFileDialect dialect{};  // how the input is written
};

enum class JobOutcome {
    refused,            // validation or unknown source: its messages shown, nothing touched
    target_not_served,  // known source, no route to that target: nothing shown, nothing touched
    failed,             // a routine or file step failed and was reported; nothing left behind
    completed,          // report written, completion message shown, end_program() called
    stopped,            // out-of-limits stop: message shown, end_program() called
};

// One job. The window stays usable after refused, target_not_served and
// failed; after completed and stopped the front end ends the program.
JobOutcome run_job(const JobRequest& request, Environment& env);

}  // namespace tesra
