#include "job.hpp"

#include <sys/stat.h>

#include <array>
#include <exception>
#include <filesystem>
#include <optional>
#include <span>

#include "extended_routes.hpp"
#include "point_file.hpp"
#include "report.hpp"
#include "routes.hpp"

namespace tesra {

namespace {

// Whether two path texts name the same file, however spelt: the same inode
// when both exist, else the same normalised absolute path.
bool same_file(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0) {
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    }
    std::error_code ec1, ec2;
    const auto ca = std::filesystem::weakly_canonical(std::filesystem::absolute(follow_links(a), ec1), ec1);
    const auto cb = std::filesystem::weakly_canonical(std::filesystem::absolute(follow_links(b), ec2), ec2);
    return !ec1 && !ec2 && ca == cb;
}

// Refuses, before any file is touched, an output that would take the place
// of the user's input or parameters or of the program's grids.
bool paths_are_safe(const JobRequest& request, bool generic, const std::string& grid_dir, Services& services) {
    auto refuse = [&](const std::string& message) {
        services.message_box(message);
        return false;
    };
    const std::string& fich3 = request.output;
    const std::string output = "O ficheiro ASCII no Sistema 2 (\"" + fich3 + "\") ";
    if (same_file(fich3, request.input)) return refuse(output + "é o próprio ficheiro de entrada. Escolha outro nome.");
    if (generic) {
        for (const std::string* parameters : {&request.param_x, &request.param_y}) {
            if (same_file(fich3, *parameters)) {
                return refuse(output + "é um dos ficheiros de parâmetros. Escolha outro nome.");
            }
        }
    }
    // The grids serve every later run: a report must never take their place.
    for (const RoutineInfo& routine : routines) {
        if (routine.grid == nullptr) continue;
        for (std::string_view name : {routine.grid->m_file, routine.grid->p_file}) {
            if (same_file(fich3, grid_file_path(grid_dir, name))) {
                return refuse(output + "é um dos ficheiros de grelha do programa. Escolha outro nome.");
            }
        }
    }
    return true;
}

// Where the intermediates go: beside the output, which the job may write,
// unless the output is a stream (a device, a pipe); "" for the system's
// temporary folder.
std::string intermediate_dir(const std::string& output) {
    struct stat st {};
    if (::stat(output.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return "";
    const std::size_t slash = output.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : output.substr(0, slash);
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

// Runs the steps in turn, each reading what the one before wrote, and
// writes the report of the last.
JobOutcome run_steps(const JobRequest& request, std::span<const RouteStep> steps, bool generic, Environment& env) {
    Services& services = env.services;
    if (!paths_are_safe(request, generic, env.grid_dir, services)) return JobOutcome::refused;

    RoutineStatus status = RoutineStatus::failed;
    {
        // The official routines leave the busy pointer on; this restores it.
        BusyPointer busy(services);
        try {
            // The intermediates are the job's own and nameless: nothing of
            // them outlives the job, whatever way it ends.
            const std::string dir = intermediate_dir(request.output);
            const std::string name = request.input + " (intermédio)";
            std::array<std::optional<Intermediate>, max_route_steps> files;
            for (std::size_t i = 0; i < steps.size(); ++i) files.at(i).emplace(dir, name);
            TransformationJob job;
            job.fich1.path = request.input;
            if (files[1]) job.fich2a = {name, &*files[1]};
            job.fich3 = request.output;
            job.fich_par_m = request.param_x;
            job.fich_par_p = request.param_y;
            for (std::size_t i = 0; i < steps.size(); ++i) {
                if (i > 0) job.fich1 = job.fich2;
                job.fich2 = {name, &*files[i]};
                status = run_step(steps[i], job, env);
                if (status != RoutineStatus::done) break;
            }
            if (status == RoutineStatus::done) {
                write_report(job.fich2, job.fich3, request.source, request.target, env.decimal_separator);
            }
        } catch (const std::exception& e) {
            // No room for an intermediate, a report that cannot be written,
            // or the memory running out.
            services.message_box(e.what());
            status = RoutineStatus::failed;
        }
    }
    if (status == RoutineStatus::out_of_limits) {
        services.end_program();
        return JobOutcome::stopped;
    }
    if (status == RoutineStatus::failed) return JobOutcome::failed;
    services.completion_message("Criado o ficheiro: " + request.output, program_title);
    services.end_program();
    return JobOutcome::completed;
}

}  // namespace

JobOutcome run_job(const JobRequest& request, Environment& env) {
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
    return run_steps(request, std::span(steps).first(route.second ? 2 : 1), generic, env);
}

JobOutcome run_extended_job(const JobRequest& request, const ExtendedRoute& route, Environment& env) {
    if (!request_is_complete(request, false, env.services)) return JobOutcome::refused;
    return run_steps(request, std::span(route.steps).first(route.step_count), false, env);
}

}  // namespace tesra
