#include "jobs/job.hpp"

#include <array>
#include <exception>
#include <span>

#include "jobs/extended_routes.hpp"
#include "jobs/output_plan.hpp"
#include "jobs/path_safety.hpp"
#include "jobs/routes.hpp"
#include "jobs/step_runner.hpp"

namespace tesra {

namespace {

// The checks every job makes before anything else: up to four messages.
bool request_is_complete(const JobRequest& request, bool generic, Services& services) {
    bool refused = false;
    auto check = [&](bool holds, std::string_view message) {
        if (!holds) return;
        services.message_box(message);
        refused = true;
    };
    const std::string& source = request.source;
    check(!source.empty() && request.input.empty(), "Escolher o ficheiro ASCII no Sistema 1!!");
    check(!source.empty() && request.output.empty(), "Definir o ficheiro ASCII no Sistema 2!!");
    check(generic && request.param_x.empty(), "Definir o ficheiro de parâmetros em X!!");
    check(generic && request.param_y.empty(), "Definir o ficheiro de parâmetros em Y!!");
    return !refused;
}

// How the job ended, told to the front end: the completion message and
// the end of the program, or nothing more (the steps reported their faults).
JobOutcome outcome(const JobRequest& request, const StepsEnd& end, Services& services) {
    if (end.status == RoutineStatus::out_of_limits) {
        services.end_program();
        return JobOutcome::stopped;
    }
    if (end.status == RoutineStatus::failed) return JobOutcome::failed;
    services.completion_message("Criado o ficheiro: " + shown_name(request.output), program_title);
    services.end_program();
    return end.skipped == 0 ? JobOutcome::completed : JobOutcome::completed_with_skips;
}

// Checks the paths, asks before a file is replaced, then runs the steps in
// turn and writes the output of the last.
JobOutcome run_steps(const JobRequest& request, std::span<const RouteStep> steps, bool generic, Environment& env,
                     const JobOptions& options) {
    Services& services = env.services;
    JobPaths paths(request, options, generic, env.grid_dir);
    if (!paths_are_safe(paths, services)) return JobOutcome::refused;
    if (paths.output && paths.output->regular() && !services.replace_existing(request.output)) {
        return JobOutcome::refused;
    }
    StepsEnd end;
    {
        // The official routines leave the busy pointer on; this restores it.
        BusyPointer busy(services);
        try {
            end = run_route_steps(request, steps, plan_output(request, options, paths, steps.size()), env, options);
        } catch (const JobCancelled&) {
            // The files being written were discarded on the way here.
            return JobOutcome::cancelled;
        } catch (const std::exception& e) {
            // No room for an intermediate, a report that cannot be written,
            // or the memory running out.
            services.message_box(e.what());
            end.status = RoutineStatus::failed;
        }
    }
    return outcome(request, end, services);
}

}  // namespace

JobOutcome run_job(const JobRequest& request, Environment& env, const JobOptions& options) {
    Services& services = env.services;
    const std::string& source = request.source;
    const std::string& target = request.target;

    // Every check runs, so one press may show up to four messages.
    const bool generic = source == system_name(System::qualquer);
    if (!request_is_complete(request, generic, services)) return JobOutcome::refused;

    const RouteLookup lookup = find_route(source, target);
    if (lookup.kind != RouteLookup::Kind::found) {
        if (lookup.kind == RouteLookup::Kind::source_not_recognised) services.message_box("Definir o Sistema 1 !!");
        if (target.empty()) {
            services.message_box("Definir o Sistema 2 !!");
            return JobOutcome::refused;
        }
        return lookup.kind == RouteLookup::Kind::source_not_recognised ? JobOutcome::refused
                                                                        : JobOutcome::target_not_served;
    }
    const TransformationRoute& route = *lookup.route;
    const std::array<RouteStep, 2> steps = {route_steps::run(route.first),
                                            route_steps::run(route.second.value_or(route.first))};
    return run_steps(request, std::span(steps).first(route.second ? 2 : 1), generic, env, options);
}

JobOutcome run_extended_job(const JobRequest& request, const ExtendedRoute& route, Environment& env,
                            const JobOptions& options) {
    if (!request_is_complete(request, false, env.services)) return JobOutcome::refused;
    return run_steps(request, std::span(route.steps).first(route.step_count), false, env, options);
}

}  // namespace tesra
