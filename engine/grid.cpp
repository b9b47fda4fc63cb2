#include "grid.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "numtext.hpp"
#include "point_file.hpp"
#include "routines.hpp"

namespace tesra {

void read_grid_file(const std::string& path, CoordinateGrid& grid) {
    FieldReader in(path);
    for (int i = 0; i < grid_values; ++i) {
        if (in.eof()) {
            throw file_error(path, in.line(),
                             "o ficheiro de grelha tem só " + std::to_string(i) + " valores; são precisos " +
                                 std::to_string(grid_values) + " (" + std::to_string(grid_rows) + " linhas de " +
                                 std::to_string(grid_columns) + ")");
        }
        const int row = i / grid_columns + 1;
        const int column = i % grid_columns + 1;
        grid.node[static_cast<std::size_t>(i)] = in.read_number(
            "nó (" + std::to_string(row) + ", " + std::to_string(column) + ")", /*skip_line_ends=*/true);
    }
}

bool interpolate_grid(const CoordinateGrid& m_grid, const CoordinateGrid& p_grid, double m, double p, double& m_out,
                      double& p_out) noexcept {
    if (!(m >= grid_west && m <= grid_east && p >= grid_south && p <= grid_north)) return false;
    // Points on an inner grid line belong to the cell east (south) of it; the
    // east and south edges belong to the last column (row) of cells.
    int c = 1 + static_cast<int>((m - grid_west) / grid_spacing);
    int r = 1 + static_cast<int>((grid_north - p) / grid_spacing);
    if (c > grid_columns - 1) c = grid_columns - 1;
    if (r > grid_rows - 1) r = grid_rows - 1;
    for (const CoordinateGrid* g : {&m_grid, &p_grid}) {
        if (g->at(r, c) == grid_no_data || g->at(r + 1, c) == grid_no_data || g->at(r, c + 1) == grid_no_data ||
            g->at(r + 1, c + 1) == grid_no_data) {
            return false;
        }
    }
    // Distances from the cell's north-east corner.
    const double dx = (grid_west + c * grid_spacing) - m;
    const double dy = (grid_north - (r - 1) * grid_spacing) - p;
    auto bilinear = [&](const CoordinateGrid& g) {
        const double ne = g.at(r, c + 1);
        const double nw = g.at(r, c);
        const double se = g.at(r + 1, c + 1);
        const double sw = g.at(r + 1, c);
        const double a = ((-se + sw) - nw + ne) / (grid_spacing * grid_spacing);
        const double b = (nw - ne) / grid_spacing;
        const double d = (se - ne) / grid_spacing;
        return (dx * a) * dy + dx * b + dy * d + ne;
    };
    m_out = bilinear(m_grid);
    p_out = bilinear(p_grid);
    return true;
}

std::string grid_file_path(std::string_view dir, std::string_view name) {
    std::string path(dir);
    if (!path.empty() && path.back() != '/') path += '/';
    path += name;
    return path;
}

namespace {

// The grid files are tested for presence before anything is read, the way a
// user would check: can each be opened for reading, and is it a file.
bool can_open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    const bool is_file = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    ::close(fd);
    return is_file;
}

RoutineStatus run_grid(const GridParameters& parameters, TransformationJob& job, Environment& env) {
    Services& services = env.services;
    services.set_pointer(Pointer::busy);
    const std::string m_path = grid_file_path(env.grid_dir, parameters.m_file);
    const std::string p_path = grid_file_path(env.grid_dir, parameters.p_file);
    if (!can_open(m_path) || !can_open(p_path)) {
        services.message_box(parameters.missing_message);
        services.set_pointer(Pointer::normal);
        return RoutineStatus::failed;
    }
    struct Grids {
        CoordinateGrid m, p;
    };
    double bad_m = 0, bad_p = 0;
    LoopEnd end{};
    try {
        auto grids = std::make_unique<Grids>();
        read_grid_file(m_path, grids->m);
        read_grid_file(p_path, grids->p);
        end = transform_point_file(job.fich1, job.fich2, [&](double m, double p, double& m_out, double& p_out) {
            if (interpolate_grid(grids->m, grids->p, m, p, m_out, p_out)) return true;
            bad_m = m;
            bad_p = p;
            return false;
        });
    } catch (const TesraError& e) {
        services.message_box(e.what());
        services.set_pointer(Pointer::normal);
        return RoutineStatus::failed;
    }
    if (end == LoopEnd::stopped) {
        services.message_box("ERRO!! Ponto para além dos limites. (" + number_for_message(bad_m) + ";" +
                             number_for_message(bad_p) + ")");
        remove_regular_file(job.fich2);
        services.set_pointer(Pointer::normal);
        return RoutineStatus::out_of_limits;
    }
    services.set_pointer(Pointer::normal);
    return RoutineStatus::done;
}

}  // namespace

RoutineStatus transf_12(TransformationJob& job, Environment& env) { return run_grid(grid_73_to_lisboa, job, env); }
RoutineStatus transf_21(TransformationJob& job, Environment& env) { return run_grid(grid_lisboa_to_73, job, env); }

}  // namespace tesra
