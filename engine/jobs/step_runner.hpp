// A route's steps run on the job's files, as the output plan says: as one
// pass over the input, or one by one, each reading the intermediate the one
// before wrote; then the points left out named and the output finished.
#pragma once

#include <cstddef>
#include <span>

#include "jobs/output_plan.hpp"
#include "jobs/steps.hpp"

namespace tesra {

// How a route's steps ended: the status of the last step run and, when
// every step went through, how many points they left out.
struct StepsEnd {
    RoutineStatus status = RoutineStatus::failed;
    std::size_t skipped = 0;
};

// Runs the steps. The one pass, when the plan allows it, is dropped at the
// first thing out of the ordinary, showing nothing, and the steps then run
// one by one and report it as they always do. A step reports its own
// faults and ends in its status; a fault of the job's own files (an
// intermediate, the output, the rejects file) throws TesraError, a cancel
// throws JobCancelled, and whatever was being written is discarded on the
// way out.
// Given `area`, the input's points are checked against it (see AreaCheck).
StepsEnd run_route_steps(const JobRequest& request, std::span<const RouteStep> steps, const OutputPlan& plan,
                         Environment& env, const JobOptions& options, AreaCheck* area = nullptr);

}  // namespace tesra
