// What a job is asked to do: the request as the window or the command line
// gives it, and what the command line adds. Apart from the job itself, so
// that its parts (path safety, the output plan) need not know the job.
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
    // A point outside the source system's area stops the job as a point
    // beyond a grid does (or is left out), rather than being told of after.
    bool stop_outside_area = false;
    // A stream the front end holds open that `rejects` leads to (standard
    // output or error): written there as a stream, never replaced.
    int rejects_stream = -1;
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

}  // namespace tesra
