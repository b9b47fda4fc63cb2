#include "geodesy/grid.hpp"

namespace tesra {

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

}  // namespace tesra
