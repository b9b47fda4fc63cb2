#include "job.hpp"

#include <sys/stat.h>

#include <exception>
#include <filesystem>
#include <vector>

#include "point_file.hpp"
#include "report.hpp"
#include "routes.hpp"

namespace tesra {

namespace {

// The path a link leads to, followed to its end even when the file it
// names does not exist yet (a link to an intermediate file, say).
std::string follow_links(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        std::error_code ec;
        const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
        if (ec) break;
        path = target.is_absolute() ? target.string() : (std::filesystem::path(path).parent_path() / target).string();
    }
    return path;
}

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

bool exists_but_not_regular(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

// Refuses, before any file is touched, an output that would destroy the
// user's input or parameters or be deleted with the intermediates, and
// intermediate names that do not name plain files of our own.
bool paths_are_safe(const TransformationJob& job, bool generic, const std::string& grid_dir, Services& services) {
    auto refuse = [&](const std::string& message) {
        services.message_box(message);
        return false;
    };
    const std::string output = "O ficheiro ASCII no Sistema 2 (\"" + job.fich3 + "\") ";
    if (same_file(job.fich3, job.fich1)) return refuse(output + "é o próprio ficheiro de entrada. Escolha outro nome.");
    for (const std::string* intermediate : {&job.fich2, &job.fich2a}) {
        if (same_file(job.fich3, *intermediate)) {
            return refuse(output + "é um ficheiro intermédio do programa, apagado no fim. Escolha outro nome.");
        }
        if (same_file(job.fich1, *intermediate) || exists_but_not_regular(*intermediate)) {
            return refuse("O ficheiro intermédio \"" + *intermediate +
                          "\" já existe e não é um ficheiro comum; mude-o de lugar ou escolha outro ficheiro de "
                          "entrada.");
        }
    }
    if (generic) {
        for (const std::string* parameters : {&job.fich_par_m, &job.fich_par_p}) {
            if (same_file(job.fich3, *parameters)) {
                return refuse(output + "é um dos ficheiros de parâmetros. Escolha outro nome.");
            }
        }
    }
    // The grids serve every later run: a report must never take their place.
    for (const RoutineInfo& routine : routines) {
        if (routine.grid == nullptr) continue;
        for (std::string_view name : {routine.grid->m_file, routine.grid->p_file}) {
            if (same_file(job.fich3, grid_file_path(grid_dir, name))) {
                return refuse(output + "é um dos ficheiros de grelha do programa. Escolha outro nome.");
            }
        }
    }
    return true;
}

}  // namespace

JobOutcome run_job(const JobRequest& request, Environment& env) {
    Services& services = env.services;
    TransformationJob job;
    job.fich1 = request.input;
    job.fich2 = request.input + "_tmp";
    job.fich2a = request.input + "_tmp2a";
    job.fich3 = request.output;
    job.fich_par_m = request.param_x;
    job.fich_par_p = request.param_y;
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
    check(!source.empty() && job.fich1.empty(), "Escolher o ficheiro ASCII no Sistema 1!!");
    check(!source.empty() && job.fich3.empty(), "Definir o ficheiro ASCII no Sistema 2!!");
    check(generic && job.fich_par_m.empty(), "Definir o ficheiro de parâmetros em X!!");
    check(generic && job.fich_par_p.empty(), "Definir o ficheiro de parâmetros em Y!!");
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

    if (!paths_are_safe(job, generic, env.grid_dir, services)) return JobOutcome::refused;

    // The intermediates this job wrote, removed whatever way it ends.
    std::vector<std::string> written;
    auto remove_intermediates = [&] {
        for (const std::string& path : written) remove_regular_file(path);
    };
    RoutineStatus status = RoutineStatus::failed;
    {
        // The official routines leave the busy pointer on; this restores it.
        BusyPointer busy(services);
        try {
            status = run_routine(route.first, job, env);
            if (status == RoutineStatus::done) written.push_back(job.fich2);
            if (status == RoutineStatus::done && route.second) {
                job.fich1 = job.fich2;
                job.fich2 = job.fich2a;
                status = run_routine(*route.second, job, env);
                if (status == RoutineStatus::done) written.push_back(job.fich2);
            }
            if (status == RoutineStatus::done) write_report(job.fich2, job.fich3, source, target, env.decimal_separator);
        } catch (const std::exception& e) {
            // A report that cannot be written, or the memory running out.
            services.message_box(e.what());
            status = RoutineStatus::failed;
        }
        if (status == RoutineStatus::failed) remove_intermediates();
    }
    if (status == RoutineStatus::out_of_limits) {
        // The routine has removed its own output; what earlier steps wrote
        // stays, and the program ends.
        services.end_program();
        return JobOutcome::stopped;
    }
    if (status == RoutineStatus::failed) return JobOutcome::failed;
    remove_intermediates();
    services.completion_message("Criado o ficheiro: " + job.fich3, program_title);
    services.end_program();
    return JobOutcome::completed;
}

}  // namespace tesra
