#include "jobs/routines.hpp"

#include <memory>
#include <string_view>

#include "files/point_file.hpp"
#include "geodesy/generic.hpp"
#include "geodesy/grid_file.hpp"
#include "os.hpp"

namespace tesra {

namespace {

// The grid files are tested for presence before anything is read, the way a
// user would check: can each be opened for reading, and is it a file.
bool can_open(const std::string& path) {
    const os::File file = os::open_for_reading(path);
    if (file == os::no_file) return false;
    os::close(file);
    return true;
}

bool marker_is(std::string_view marker, char letter) {
    return marker.size() == 1 && (marker[0] == letter || marker[0] == letter - 'A' + 'a');
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

}  // namespace tesra
