// The grid files that ship beside the executables, read with the engine's
// own reader: complete, in the right order and direction, and each pair the
// inverse of the other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>

#include "geodesy/grid_file.hpp"

namespace tesra {
// Names the parameter in test listings by its M file.
void PrintTo(const GridParameters& files, std::ostream* os) { *os << files.m_file; }
}  // namespace tesra

namespace {

using tesra::CoordinateGrid;

struct GridPair {
    CoordinateGrid m;
    CoordinateGrid p;
};

GridPair load(const tesra::GridParameters& files) {
    GridPair pair;
    tesra::read_grid_file(tesra::grid_file_path(TESRA_GRID_DIR, files.m_file), pair.m);
    tesra::read_grid_file(tesra::grid_file_path(TESRA_GRID_DIR, files.p_file), pair.p);
    return pair;
}

double node_m(int column) { return tesra::grid_west + (column - 1) * tesra::grid_spacing; }
double node_p(int row) { return tesra::grid_north - (row - 1) * tesra::grid_spacing; }

class ShippedGrid : public testing::TestWithParam<tesra::GridParameters> {};

// Both datums put the same central point at the origin, so every value lies
// within metres of its node: a transposed, reversed or M/P-swapped file
// would put values kilometres away.
TEST_P(ShippedGrid, EveryNodeHasAValueNearItselfOrNone) {
    const GridPair g = load(GetParam());
    int with_value = 0;
    for (int r = 1; r <= tesra::grid_rows; ++r) {
        for (int c = 1; c <= tesra::grid_columns; ++c) {
            const bool m_missing = g.m.at(r, c) == tesra::grid_no_data;
            ASSERT_EQ(m_missing, g.p.at(r, c) == tesra::grid_no_data) << "row " << r << ", column " << c;
            if (m_missing) continue;
            ++with_value;
            EXPECT_LT(std::abs(g.m.at(r, c) - node_m(c)), 10.0) << "row " << r << ", column " << c;
            EXPECT_LT(std::abs(g.p.at(r, c) - node_p(r)), 10.0) << "row " << r << ", column " << c;
        }
    }
    // Mainland Portugal fills most of the rectangle; its corners lie at sea
    // or in Spain, outside the area where the datums are defined.
    EXPECT_GT(with_value, 6000);
    EXPECT_EQ(g.m.at(1, 1), tesra::grid_no_data);
    EXPECT_EQ(g.m.at(1, tesra::grid_columns), tesra::grid_no_data);
    EXPECT_EQ(g.m.at(tesra::grid_rows, 1), tesra::grid_no_data);
    // The central point, row 59 (P = 0), column 29 (M = 0), has a value.
    EXPECT_NE(g.m.at(59, 29), tesra::grid_no_data);
}

INSTANTIATE_TEST_SUITE_P(Files, ShippedGrid,
                         testing::Values(tesra::grid_73_to_lisboa, tesra::grid_lisboa_to_73),
                         [](const auto& info) { return info.index == 0 ? "Datum73ToLisboa" : "LisboaToDatum73"; });

// Interpolating a node's Datum Lisboa value in the reverse grids must land
// back on the node: a file that holds the wrong direction would double the
// shift (metres) instead of cancelling it.
TEST(ShippedGrids, ReverseGridsUndoTheForwardOnes) {
    const GridPair there = load(tesra::grid_73_to_lisboa);
    const GridPair back = load(tesra::grid_lisboa_to_73);
    int checked = 0;
    double worst = 0;
    for (int r = 2; r < tesra::grid_rows; ++r) {
        for (int c = 2; c < tesra::grid_columns; ++c) {
            if (there.m.at(r, c) == tesra::grid_no_data) continue;
            double m = 0, p = 0;
            if (!tesra::interpolate_grid(back.m, back.p, there.m.at(r, c), there.p.at(r, c), m, p)) continue;
            worst = std::max({worst, std::abs(m - node_m(c)), std::abs(p - node_p(r))});
            ++checked;
        }
    }
    EXPECT_GT(checked, 6000);
    EXPECT_LT(worst, 0.001);
}

// A point near the edge of the area where the datums are defined lies in a
// cell that reaches beyond it: near Faro and on the eastern border. Values
// from PROJ (EPSG:27493 and EPSG:5018), both directions through the grids.
TEST(ShippedGrids, ServePointsNearTheEdgeOfTheArea) {
    struct Case { double m73, p73, m_lx, p_lx; };
    const Case cases[] = {
        {19952.133, -300046.976, 19955.273, -300048.856},  // 7.909 W, 36.965 N
        {22000.356, -300041.948, 22003.509, -300043.804},  // 7.886 W, 36.965 N
        {162101.249, 211893.735, 162099.402, 211896.925},  // 6.190 W, 41.560 N
        {160333.821, 216299.348, 160331.910, 216302.550},  // 6.210 W, 41.600 N
    };
    const GridPair there = load(tesra::grid_73_to_lisboa);
    const GridPair back = load(tesra::grid_lisboa_to_73);
    for (const Case& c : cases) {
        double m = 0, p = 0;
        ASSERT_TRUE(tesra::interpolate_grid(there.m, there.p, c.m73, c.p73, m, p)) << c.m73 << ", " << c.p73;
        EXPECT_NEAR(m, c.m_lx, 0.01);
        EXPECT_NEAR(p, c.p_lx, 0.01);
        ASSERT_TRUE(tesra::interpolate_grid(back.m, back.p, c.m_lx, c.p_lx, m, p)) << c.m_lx << ", " << c.p_lx;
        EXPECT_NEAR(m, c.m73, 0.01);
        EXPECT_NEAR(p, c.p73, 0.01);
    }
}

}  // namespace
