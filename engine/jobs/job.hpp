// The transformation job behind the main window's "OK": validate the
// request, look up the route, run its routines through the intermediate
// point files, write the report, clean up, and say how it ended.
#pragma once

#include "jobs/job_request.hpp"

namespace tesra {

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
