#include "jobs/routines.hpp"

#include <memory>
#include <optional>

#include "geodesy/generic.hpp"
#include "files/point_file.hpp"
#include "os.hpp"

namespace tesra {

namespace {

void transform_with_polynomial(const PolynomialParameterSet& set, const TransformationJob& job) {
    transform_point_file(job.fich1, job.fich2, [&set](double m, double p, double& m_out, double& p_out) {
        const PlanarPoint r = evaluate_polynomial(set, m, p);
        m_out = r.m;
        p_out = r.p;
        return true;
    }, job.skipped);
}

// The grid files are tested for presence before anything is read, the way a
// user would check: can each be opened for reading, and is it a file.
bool can_open(const std::string& path) {
    const os::File file = os::open_for_reading(path);
    if (file == os::no_file) return false;
    os::close(file);
    return true;
}

RoutineStatus run_grid(const GridParameters& parameters, const TransformationJob& job, Environment& env) {
    const std::unique_ptr<const GridPair> grids = read_grids(parameters, env);
    const LoopEnd end =
        transform_point_file(job.fich1, job.fich2, [&](double m, double p, double& m_out, double& p_out) {
            if (interpolate_grid(grids->m, grids->p, m, p, m_out, p_out)) return true;
            if (job.skipped != nullptr) {
                job.skipped->fault = grid_covers(m, p) ? PointFault::no_data : PointFault::outside_grid;
            }
            return false;
        }, job.skipped);
    return end.stopped ? out_of_limits(env.services, end.m, end.p) : RoutineStatus::done;
}

bool marker_is(std::string_view marker, char letter) {
    return marker.size() == 1 && (marker[0] == letter || marker[0] == letter - 'A' + 'a');
}

RoutineStatus run_generic(const TransformationJob& job) {
    transform_with_polynomial(read_generic_set(job), job);
    return RoutineStatus::done;
}

}  // namespace

std::unique_ptr<const GridPair> read_grids(const GridParameters& parameters, Environment& env) {
    const std::string m_path = grid_file_path(env.grid_dir, parameters.m_file);
    const std::string p_path = grid_file_path(env.grid_dir, parameters.p_file);
    if (!can_open(m_path) || !can_open(p_path)) throw TesraError(std::string(parameters.missing_message));
    auto grids = std::make_unique<GridPair>();
    read_grid_file(m_path, grids->m);
    read_grid_file(p_path, grids->p);
    return grids;
}

PolynomialParameterSet read_generic_set(const TransformationJob& job) {
    PolynomialParameterSet set;  // scale_result stays false: values are used unchanged
    if (!marker_is(read_parameter_file(job.fich_par_m, ParameterAxis::x, set), 'X')) {
        throw TesraError("Erro! Esperado 'X' no ficheiro de parâmetros -X");
    }
    if (!marker_is(read_parameter_file(job.fich_par_p, ParameterAxis::y, set), 'Y')) {
        throw TesraError("Erro! Esperado 'Y' no ficheiro de parâmetros -Y");
    }
    return set;
}

RoutineStatus out_of_limits(Services& services, double m, double p) {
    services.message_box("ERRO!! Ponto para além dos limites. (" + number_for_message(m) + ";" +
                         number_for_message(p) + ")");
    return RoutineStatus::out_of_limits;
}

RoutineStatus run_routine(Routine routine, const TransformationJob& job, Environment& env) {
    const RoutineInfo& info = routine_info(routine);
    // The generic routine's messages carry the program's title.
    const std::optional<std::string_view> title =
        info.kind == RoutineKind::generic ? std::optional<std::string_view>(program_title) : std::nullopt;
    return guarded_step(env, title, [&](BusyPointer& busy) {
        switch (info.kind) {
        case RoutineKind::official:
            transform_with_polynomial(official_set(routine), job);
            busy.release();  // the job restores the pointer after the report
            return RoutineStatus::done;
        case RoutineKind::grid: return run_grid(*info.grid, job, env);
        case RoutineKind::generic: return run_generic(job);
        }
        return RoutineStatus::failed;
    });
}

}  // namespace tesra
