// The transformation job behind the main window's "OK": validate the
// request, look up the route, run its routines through the intermediate
// point files, write the report, clean up, and say how it ended.
#pragma once

#include <cstdint>
#include <string>

#include "jobs/report.hpp"
#include "jobs/routines.hpp"

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

// What the command line adds to a request.
struct JobOptions {
    // The form of the output; the report's decimal separator is the
    // environment's.
    OutputOptions output_options;
    // Points a routine cannot transform are left out and named, and the job
    // goes on; `rejects`, when given, receives them as read.
    bool skip_faulty_points = false;
    std::string rejects;
    // Streams the front end holds open (standard input, standard output),
    // used in place of opening `input` or `output`, which then only name
    // them in messages.
    int input_stream = -1;
    int output_stream = -1;
    // How each step may share out its reading among threads.
    ChunkPlan chunks;
    // A route of several steps runs them as one pass over an input of at
    // least this many bytes, when nothing needs them one by one.
    std::uint64_t one_pass_route_bytes = std::uint64_t{1} << 20;
};

enum class JobOutcome {
    refused,            // validation or unknown source: its messages shown, nothing touched
    target_not_served,  // known source, no route to that target: nothing shown, nothing touched
    failed,             // a routine or file step failed and was reported; nothing left behind
    completed,          // report written, completion message shown, end_program() called
    completed_with_skips,  // as completed, with faulty points left out (skip_faulty_points)
    stopped,            // out-of-limits stop: message shown, end_program() called
    cancelled,          // the front end said stop (keep_going): nothing shown, nothing left behind
};

// One job. The window stays usable after refused, target_not_served, failed
// and cancelled; after completed (with or without skips) and stopped the
// front end ends the program.
JobOutcome run_job(const JobRequest& request, Environment& env, const JobOptions& options = {});

struct ExtendedRoute;

// A job over a route of the command line's own (extended_routes.hpp), whose
// names the caller has already matched: the checks, files, report and
// outcomes of run_job, with the steps of that route.
JobOutcome run_extended_job(const JobRequest& request, const ExtendedRoute& route, Environment& env,
                            const JobOptions& options = {});

}  // namespace tesra
