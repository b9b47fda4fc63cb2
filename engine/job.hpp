// The transformation job behind the main window's "OK": validate the texts,
// look up the route, run its routines through the intermediate point files,
// write the report, clean up, and say how it ended.
#pragma once

#include <string>

#include "services.hpp"

namespace tesra {

// The window texts one press of "OK" works on, exactly as they stand (UTF-8
// system names, byte-string paths; nothing is trimmed).
struct WindowTexts {
    std::string Combo1;  // source system
    std::string Combo2;  // target system
    std::string Text1;   // input point file
    std::string Text2;   // output file
    std::string Text3;   // parameter file for X (M)
    std::string Text4;   // parameter file for Y (P)
};

// The variables the job sets and every routine reads.
struct TransformationJob {
    std::string fich1;   // what the next routine reads
    std::string fich2;   // what the next routine writes
    std::string fich2a;  // second intermediate of two-routine routes
    std::string fich3;   // output file
    std::string fich_par_m;
    std::string fich_par_p;
};

// What the front end supplies besides the texts.
struct Environment {
    Services& services;
    std::string grid_dir;         // where the four grid files are; no trailing separator needed
    char decimal_separator = ',';  // of the report's coordinates
};

enum class RoutineStatus {
    done,           // fich2 is complete
    failed,         // reported its fault; wrote nothing that survives
    out_of_limits,  // reported the point and deleted its fich2; the program must end
};

enum class JobOutcome {
    refused,            // validation or unknown source: its messages shown, nothing touched
    target_not_served,  // known source, no route to that target: nothing shown, nothing touched
    failed,             // a routine or file step failed and was reported; nothing left behind
    completed,          // report written, completion message shown, end_program() called
    stopped,            // out-of-limits stop: message shown, end_program() called
};

// One press of "OK". The window stays usable after refused, target_not_served
// and failed; after completed and stopped the front end ends the program.
JobOutcome Command1_Click(const WindowTexts& window, Environment& env);

}  // namespace tesra
