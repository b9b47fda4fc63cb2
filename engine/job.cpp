#include "job.hpp"

#include <sys/stat.h>

#include <exception>
#include <filesystem>
#include <optional>

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

}  // namespace

JobOutcome run_job(const JobRequest& request, Environment& env) {
    Services& services = env.services;
    const std::string& source = request.source;
    const std::string& target = request.target;

    // Every check runs, so one press may show up to four messages.
    bool refused = false;
    auto check = [&](bool holds, std::string_view message) {
        if (!holds) return;
        services.message_box(message);
        refused = true;
    };
    const bool generic = source == system_name(System::qualquer);
    check(!source.empty() && request.input.empty(), "Escolher o ficheiro ASCII no Sistema 1!!");
    check(!source.empty() && request.output.empty(), "Definir o ficheiro ASCII no Sistema 2!!");
    check(generic && request.param_x.empty(), "Definir o ficheiro de parâmetros em X!!");
    check(generic && request.param_y.empty(), "Definir o ficheiro de parâmetros em Y!!");
    if (refused) return JobOutcome::refused;

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
            Intermediate first(dir, name);
            std::optional<Intermediate> second;
            if (route.second) second.emplace(dir, name);
            // The intermediates carry the input's text in its encoding,
            // which the first routine settles.
            PointFileDialect input_dialect = request.dialect;
            PointFileDialect carried;
            TransformationJob job;
            job.fich1 = {request.input, nullptr, &input_dialect};
            job.fich2 = {name, &first, &carried};
            if (second) job.fich2a = {name, &*second, &carried};
            job.fich3 = request.output;
            job.fich_par_m = request.param_x;
            job.fich_par_p = request.param_y;
            status = run_routine(route.first, job, env);
            carried.encoding = input_dialect.encoding;
            if (status == RoutineStatus::done && route.second) {
                job.fich1 = job.fich2;
                job.fich2 = job.fich2a;
                status = run_routine(*route.second, job, env);
            }
            if (status == RoutineStatus::done) write_report(job.fich2, job.fich3, source, target, env.decimal_separator);
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

}  // namespace tesra
