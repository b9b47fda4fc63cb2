// Grid transformation: bilinear interpolation in two 123 x 66 grids of
// previously transformed nodes (one for M, one for P), 5000 m apart,
// rows from P = 290000 south to -320000, columns from M = -140000 east to
// 185000. One algorithm serves both directions; only the files differ,
// which grid_file.hpp reads.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace tesra {

inline constexpr int grid_rows = 123;
inline constexpr int grid_columns = 66;
inline constexpr int grid_values = grid_rows * grid_columns;  // 8118
inline constexpr double grid_west = -140000.0;
inline constexpr double grid_east = 185000.0;
inline constexpr double grid_north = 290000.0;
inline constexpr double grid_south = -320000.0;
inline constexpr double grid_spacing = 5000.0;
inline constexpr double grid_no_data = -999999.0;

struct GridParameters {
    std::string_view m_file;           // e.g. "73_lx_m.asc"
    std::string_view p_file;           // e.g. "73_lx_p.asc"
    std::string_view missing_message;  // names both files
};

inline constexpr GridParameters grid_73_to_lisboa = {
    "73_lx_m.asc", "73_lx_p.asc", "Os Ficheiros 73_lx_m.asc e 73_lx_p.asc não existem !!"};
inline constexpr GridParameters grid_lisboa_to_73 = {
    "lx_et_m.asc", "lx_et_p.asc", "Os Ficheiros lx_et_m.asc e lx_et_p.asc não existem !!"};

// Node values of one grid file, row-major from the north-west node.
struct CoordinateGrid {
    std::array<double, grid_values> node{};
    [[nodiscard]] double at(int row, int column) const noexcept {  // both from 1
        return node[static_cast<std::size_t>((row - 1) * grid_columns + (column - 1))];
    }
};

// Whether the point lies within the grids' rectangle, edges included.
[[nodiscard]] constexpr bool grid_covers(double m, double p) noexcept {
    return m >= grid_west && m <= grid_east && p >= grid_south && p <= grid_north;
}

// Interpolates the point in both grids. Returns false when the point lies
// outside the rectangle or in a cell with a no-data corner in either grid.
[[nodiscard]] bool interpolate_grid(const CoordinateGrid& m_grid, const CoordinateGrid& p_grid,
                                    double m, double p, double& m_out, double& p_out) noexcept;

}  // namespace tesra
