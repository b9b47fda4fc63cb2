#include "jobs/job.hpp"

#include <array>
#include <exception>
#include <memory>
#include <optional>
#include <vector>
#include <string>
#include <span>

#include "jobs/extended_routes.hpp"
#include "jobs/output_plan.hpp"
#include "jobs/path_safety.hpp"
#include "jobs/routes.hpp"
#include "jobs/step_runner.hpp"
#include "text/numtext.hpp"

namespace tesra {

namespace {

std::string trimmed_number(double value) {
    const std::string text = number_for_message(value);
    return text.substr(text.find_first_not_of(' '));
}

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
JobOutcome outcome(const JobRequest& request, const StepsEnd& end, const AreaCheck& area, Services& services) {
    if (end.status == RoutineStatus::out_of_limits) {
        services.end_program();
        return JobOutcome::stopped;
    }
    if (end.status == RoutineStatus::failed) return JobOutcome::failed;
    if (area.outside > 0) {
        // Points far from where the source system is used: most likely the
        // wrong system chosen, whose results still look like coordinates.
        services.message_box(std::to_string(area.outside) + (area.outside == 1 ? " ponto fora" : " pontos fora") +
                             " da área de " + request.source + " (o primeiro na linha " + std::to_string(area.line) +
                             ": " + area.name + (area.geographic ? ", latitude " : ", M ") + trimmed_number(area.m) +
                             (area.geographic ? ", longitude " : ", P ") + trimmed_number(area.p) +
                             "): confirme o Sistema 1.");
    }
    services.completion_message("Criado o ficheiro: " + shown_name(request.output), program_title);
    services.end_program();
    return end.skipped == 0 ? JobOutcome::completed : JobOutcome::completed_with_skips;
}

// Where geojson places a point of `target`: the route from it to the
// latitude and longitude of ETRS89 (the mainland's systems) or PTRA08 (the
// islands'), run in memory point by point.
PlacePoint placement(System target, Environment& env) {
    const ExtendedRoute* route = find_extended_route(target, on_islands(target) ? System::ptra08geo : System::etrs89geo);
    if (route == nullptr) return {};
    auto steps = std::make_shared<std::vector<PointStep>>();
    const TransformationJob none{};
    for (std::size_t i = 0; i < route->step_count; ++i) steps->emplace_back(route->steps[i], none, env);
    return [steps](double m, double p, double& lat, double& lon) {
        for (const PointStep& step : *steps) {
            if (!step.apply(m, p, lat, lon)) return false;
            m = lat;
            p = lon;
        }
        return true;
    };
}

// geojson's placement made ready in `output`; the job's end instead where
// there is none to make: a generic route's target is whatever its
// parameters make it, and a grid on the way may not be read.
std::optional<JobOutcome> prepare_placement(const JobRequest& request, bool generic, Environment& env,
                                            OutputOptions& output) {
    if (output.format != OutputFormat::geojson) return std::nullopt;
    if (generic) {
        env.services.message_box("O formato geojson põe cada ponto em longitude e latitude, e as coordenadas de "
                                 "\"Qualquer\" estão no sistema que os seus parâmetros dão: escreva-as com "
                                 "--format geojson-crs ou csv.");
        return JobOutcome::refused;
    }
    const std::optional<System> target = find_system(request.target);
    if (!target || is_geographic(*target)) return std::nullopt;
    try {
        output.place = placement(*target, env);
    } catch (const TesraError& e) {
        env.services.message_box(e.what());
        return JobOutcome::failed;
    }
    return std::nullopt;
}

// Checks the paths, asks before a file is replaced, then runs the steps in
// turn and writes the output of the last.
JobOutcome run_steps(const JobRequest& request, std::span<const RouteStep> steps, bool generic, Environment& env,
                     const JobOptions& given) {
    Services& services = env.services;
    JobOptions options = given;
    if (const std::optional<JobOutcome> end = prepare_placement(request, generic, env, options.output_options)) {
        return *end;
    }
    JobPaths paths(request, options, generic, env.grid_dir);
    if (!paths_are_safe(paths, services)) return JobOutcome::refused;
    if (paths.output && paths.output->regular() && !services.replace_existing(request.output)) {
        return JobOutcome::refused;
    }
    // The points are checked against the source system's area as they are transformed.
    AreaCheck area;
    AreaCheck* checked = nullptr;
    if (const std::optional<System> source = find_system(request.source); source) {
        std::optional<Area> a = systems[static_cast<std::size_t>(*source)].area;
        if (*source == System::wgs84) {
            // Taken as ETRS89 on the mainland, as PTRA08 on the islands: the target says which.
            const std::optional<System> target = find_system(request.target);
            a = target && on_islands(*target) ? islands_degrees : mainland_degrees;
        }
        area.geographic = is_geographic(*source);
        if (a) {
            area.m_min = a->m_min;
            area.m_max = a->m_max;
            area.p_min = a->p_min;
            area.p_max = a->p_max;
            area.stop = options.stop_outside_area;
            checked = &area;
        }
    }
    // A geographic source's input holds latitude and longitude, read as
    // angles; the intermediates after it hold plain numbers.
    JobRequest read = request;
    read.dialect.geographic = area.geographic;
    StepsEnd end;
    {
        // The official routines leave the busy pointer on; this restores it.
        BusyPointer busy(services);
        try {
            end = run_route_steps(read, steps, plan_output(request, options, paths, steps.size()), env, options,
                                  checked);
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
    return outcome(request, end, area, services);
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
