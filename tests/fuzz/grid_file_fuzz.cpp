// Grid files, on any bytes: the reader takes 8118 finite values or names
// the file in its refusal; a grid it took then serves points anywhere,
// edges, corners, non-numbers and infinities included, without a fault.
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "text/errors.hpp"
#include "fuzz_support.hpp"
#include "geodesy/grid_file.hpp"

using namespace tesra;
using namespace tesra::fuzz;

namespace {

bool finite_cell(const CoordinateGrid& g, int r, int c) {
    for (const double v : {g.at(r, c), g.at(r, c + 1), g.at(r + 1, c), g.at(r + 1, c + 1)}) {
        if (v == grid_no_data || std::fabs(v) > 1e300) return false;
    }
    return true;
}

void probe(const CoordinateGrid& g, double m, double p) {
    double m_out = 0, p_out = 0;
    const bool inside = interpolate_grid(g, g, m, p, m_out, p_out);
    if (!(m >= grid_west && m <= grid_east && p >= grid_south && p <= grid_north)) {
        require(!inside, "a point outside the grid was interpolated");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = scratch().write("grelha.asc", data, size);
    auto grid = std::make_unique<CoordinateGrid>();
    try {
        read_grid_file(path, *grid);
    } catch (const TesraError& e) {
        require(std::string(e.what()).find("\"" + path + "\"") != std::string::npos, "a message without the file");
        return 0;
    }
    for (const double v : grid->node) require(std::isfinite(v), "a node value that is not finite");

    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    for (const double m : {grid_west, grid_east, -1.0, 0.0, grid_west - 1e-9, grid_east + 1e-9, 1e300, -inf, nan}) {
        for (const double p : {grid_north, grid_south, 12345.6, grid_north + 1e-9, -1e300, inf, nan}) {
            probe(*grid, m, p);
        }
    }
    // The east edge of each row of cells gives the values of column 66 exactly.
    for (int r = 1; r < grid_rows; ++r) {
        if (!finite_cell(*grid, r, grid_columns - 1)) continue;
        double m_out = 0, p_out = 0;
        const double p = grid_north - (r - 1) * grid_spacing;
        require(interpolate_grid(*grid, *grid, grid_east, p, m_out, p_out), "a cell of values refused a point");
        require(m_out == grid->at(r, grid_columns), "the east edge is not the node value");
    }
    // Any point the tail of the input names.
    if (size >= 16) {
        double m = 0, p = 0;
        std::memcpy(&m, data + size - 16, 8);
        std::memcpy(&p, data + size - 8, 8);
        probe(*grid, m, p);
    }
    return 0;
}
