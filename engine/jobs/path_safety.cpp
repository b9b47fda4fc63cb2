#include "jobs/path_safety.hpp"


#include "files/point_file.hpp"
#include "geodesy/grid_file.hpp"
#include "os.hpp"

namespace tesra {

PathIdentity::PathIdentity(std::string path) : path_(std::move(path)) {
    const os::Status st = os::status(path_);
    exists_ = st.kind != os::Kind::none;
    missing_ = !exists_ && os::fault_of(st.error) == os::Fault::missing;
    if (!exists_) return;
    regular_ = st.kind == os::Kind::regular;
    size_ = st.size;
    identity_ = st.identity;
}

bool PathIdentity::same_file(PathIdentity& other) {
    if (exists_ && other.exists_) return identity_ == other.identity_;
    if ((missing_ && other.exists_) || (exists_ && other.missing_)) return false;
    const std::filesystem::path* a = canonical();
    const std::filesystem::path* b = other.canonical();
    return a != nullptr && b != nullptr && *a == *b;
}

const std::filesystem::path* PathIdentity::canonical() {
    if (!canonical_done_) {
        canonical_done_ = true;
        std::error_code ec;
        canonical_ = std::filesystem::weakly_canonical(std::filesystem::absolute(os::to_fs_path(os::follow_links(path_)), ec), ec);
        canonical_ok_ = !ec;
    }
    return canonical_ok_ ? &canonical_ : nullptr;
}

JobPaths::JobPaths(const JobRequest& request, const JobOptions& options, bool generic, std::string_view grid_dir) {
    if (options.output_stream < 0) output.emplace(request.output);
    if (options.input_stream < 0) input.emplace(request.input);
    if (!options.rejects.empty() && options.rejects_stream < 0) rejects.emplace(options.rejects);
    if (generic) {
        parameters.emplace_back(request.param_x);
        parameters.emplace_back(request.param_y);
    }
    for (const RoutineInfo& routine : routines) {
        if (routine.grid == nullptr) continue;
        for (std::string_view name : {routine.grid->m_file, routine.grid->p_file}) {
            grids.emplace_back(grid_file_path(grid_dir, name));
        }
    }
}

namespace {

// Refuses, before any file is touched, an output that would take the place
// of the user's input or parameters or of the program's grids.
bool path_is_safe(PathIdentity& written, const std::string& what, JobPaths& paths, Services& services) {
    auto refuse = [&](const std::string& message) {
        services.message_box(message);
        return false;
    };
    const std::string output = what + " (\"" + shown_name(written.path()) + "\") ";
    if (paths.input && written.same_file(*paths.input)) {
        return refuse(output + "é o próprio ficheiro de entrada. Escolha outro nome.");
    }
    for (PathIdentity& parameters : paths.parameters) {
        if (written.same_file(parameters)) {
            return refuse(output + "é um dos ficheiros de parâmetros. Escolha outro nome.");
        }
    }
    // The grids serve every later run: a report must never take their place.
    for (PathIdentity& grid : paths.grids) {
        if (written.same_file(grid)) {
            return refuse(output + "é um dos ficheiros de grelha do programa. Escolha outro nome.");
        }
    }
    return true;
}

}  // namespace

bool paths_are_safe(JobPaths& paths, Services& services) {
    if (paths.output && !path_is_safe(*paths.output, "O ficheiro ASCII no Sistema 2", paths, services)) return false;
    if (!paths.rejects) return true;
    // The same holds for the file of rejected points, which also must not be
    // the output.
    const std::string rejects = "O ficheiro dos pontos deixados de fora";
    if (paths.output && paths.rejects->same_file(*paths.output)) {
        services.message_box(rejects + " (\"" + shown_name(paths.rejects->path()) +
                             "\") é o próprio ficheiro de saída. Escolha outro nome.");
        return false;
    }
    return path_is_safe(*paths.rejects, rejects, paths, services);
}

}  // namespace tesra
