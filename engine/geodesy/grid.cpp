#include "geodesy/grid.hpp"

#include "text/numtext.hpp"
#include "files/point_file.hpp"
#include "os.hpp"

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
        grid.node[static_cast<std::size_t>(i)] = in.read_number(FieldName::node(row, column), /*skip_line_ends=*/true);
    }
}

bool interpolate_grid(const CoordinateGrid& m_grid, const CoordinateGrid& p_grid, double m, double p, double& m_out,
                      double& p_out) noexcept {
    if (!grid_covers(m, p)) return false;
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
    return os::join(std::string(dir), name);
}

}  // namespace tesra
