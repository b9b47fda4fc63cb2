#include "grid.hpp"

#include <gtest/gtest.h>

#include "errors.hpp"
#include "routines.hpp"
#include "test_support.hpp"

namespace tesra {
namespace {

using test::RecordingServices;
using test::TempDir;
using test::write_file;

// A grid whose node values are whole numbers derived from the node, so the
// interpolation at nodes and along edges is exact.
struct Grids {
    CoordinateGrid m, p;
    Grids() {
        for (int r = 1; r <= grid_rows; ++r) {
            for (int c = 1; c <= grid_columns; ++c) {
                m.node[static_cast<std::size_t>((r - 1) * grid_columns + c - 1)] = 1000.0 * r + c;
                p.node[static_cast<std::size_t>((r - 1) * grid_columns + c - 1)] = -(2000.0 * c + r);
            }
        }
    }
    void set(CoordinateGrid& g, int r, int c, double v) {
        g.node[static_cast<std::size_t>((r - 1) * grid_columns + c - 1)] = v;
    }
};

double node_m(int c) { return grid_west + (c - 1) * grid_spacing; }
double node_p(int r) { return grid_north - (r - 1) * grid_spacing; }

TEST(InterpolateGrid, CornersNodesAndEdgesGiveTheNodeValues) {
    Grids g;
    double m = 0, p = 0;
    ASSERT_TRUE(interpolate_grid(g.m, g.p, -140000, 290000, m, p));  // north-west corner
    EXPECT_EQ(m, g.m.at(1, 1));
    EXPECT_EQ(p, g.p.at(1, 1));
    ASSERT_TRUE(interpolate_grid(g.m, g.p, 185000, -320000, m, p));  // south-east corner
    EXPECT_EQ(m, g.m.at(123, 66));
    EXPECT_EQ(p, g.p.at(123, 66));
    ASSERT_TRUE(interpolate_grid(g.m, g.p, node_m(17), node_p(40), m, p));  // an inner node
    EXPECT_EQ(m, g.m.at(40, 17));
    EXPECT_EQ(p, g.p.at(40, 17));
    // East edge, halfway between rows 10 and 11: linear along column 66.
    ASSERT_TRUE(interpolate_grid(g.m, g.p, 185000, node_p(10) - 2500, m, p));
    EXPECT_EQ(m, (g.m.at(10, 66) + g.m.at(11, 66)) / 2);
    // South edge, a quarter of the way from column 3 to 4: linear along row 123.
    ASSERT_TRUE(interpolate_grid(g.m, g.p, node_m(3) + 1250, -320000, m, p));
    EXPECT_EQ(p, g.p.at(123, 3) * 0.75 + g.p.at(123, 4) * 0.25);
}

TEST(InterpolateGrid, BilinearInsideACell) {
    Grids g;
    g.set(g.m, 5, 8, 100);  // NW
    g.set(g.m, 5, 9, 200);  // NE
    g.set(g.m, 6, 8, 300);  // SW
    g.set(g.m, 6, 9, 500);  // SE
    double m = 0, p = 0;
    ASSERT_TRUE(interpolate_grid(g.m, g.p, node_m(8) + 2500, node_p(5) - 2500, m, p));
    EXPECT_EQ(m, (100 + 200 + 300 + 500) / 4.0);
    ASSERT_TRUE(interpolate_grid(g.m, g.p, node_m(8) + 1000, node_p(5) - 4000, m, p));
    // 0.2 east, 0.8 south of the north-west corner.
    EXPECT_DOUBLE_EQ(m, 100 * 0.8 * 0.2 + 200 * 0.2 * 0.2 + 300 * 0.8 * 0.8 + 500 * 0.2 * 0.8);
}

TEST(InterpolateGrid, OutsideTheRectangleOrNextToNoDataIsRefused) {
    Grids g;
    double m = 0, p = 0;
    EXPECT_FALSE(interpolate_grid(g.m, g.p, 185000.001, 0, m, p));
    EXPECT_FALSE(interpolate_grid(g.m, g.p, 0, 290000.001, m, p));
    EXPECT_FALSE(interpolate_grid(g.m, g.p, -140000.001, 0, m, p));
    EXPECT_FALSE(interpolate_grid(g.m, g.p, 0, -320000.001, m, p));
    // One no-data corner in the P grid only.
    g.set(g.p, 31, 21, grid_no_data);
    EXPECT_FALSE(interpolate_grid(g.m, g.p, node_m(20) + 10, node_p(30) - 10, m, p));
    EXPECT_FALSE(interpolate_grid(g.m, g.p, node_m(21) + 10, node_p(31) + 10, m, p));
    EXPECT_TRUE(interpolate_grid(g.m, g.p, node_m(22) + 10, node_p(31) - 10, m, p));
    // Only exactly -999999 marks a missing node.
    g.set(g.m, 50, 50, -999999.5);
    g.set(g.m, 50, 51, -999998);
    EXPECT_TRUE(interpolate_grid(g.m, g.p, node_m(50) + 1, node_p(50) - 1, m, p));
}

TEST(ReadGridFile, ValuesInAnyMixOfSeparatorsAndFaultsNamed) {
    TempDir dir;
    std::string text;
    for (int i = 0; i < grid_values; ++i) text += std::to_string(i) + (i % 7 == 0 ? ",\r\n" : i % 5 == 0 ? "\n\n " : "  ");
    write_file(dir.file("g.asc"), text + "trailing text is never read");
    CoordinateGrid g;
    read_grid_file(dir.file("g.asc"), g);
    EXPECT_EQ(g.at(1, 1), 0);
    EXPECT_EQ(g.at(123, 66), grid_values - 1);

    write_file(dir.file("short.asc"), "1 2 3\r\n");
    try {
        read_grid_file(dir.file("short.asc"), g);
        FAIL();
    } catch (const TesraError& e) {
        EXPECT_NE(std::string(e.what()).find("só 3 valores"), std::string::npos) << e.what();
    }
    write_file(dir.file("bad.asc"), "1 2\r\n3 x4 5\r\n");
    try {
        read_grid_file(dir.file("bad.asc"), g);
        FAIL();
    } catch (const TesraError& e) {
        EXPECT_NE(std::string(e.what()).find("linha 2"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("\"x4\""), std::string::npos) << e.what();
    }
}

struct GridRoutine : ::testing::Test {
    TempDir dir;
    RecordingServices services;
    Environment env{services, dir.path().string(), '.'};
    TransformationJob job;
    void SetUp() override {
        job.fich1 = dir.file("in.txt");
        job.fich2 = dir.file("in.txt_tmp");
        test::write_grid_files(dir, "73_lx_m.asc", "73_lx_p.asc", {1.0, 100.0, 1.0, -50.0}, {{40, 30}});
    }
};

TEST_F(GridRoutine, TransformsEveryPointOfTheFile) {
    write_file(job.fich1.path, "A,0,0\r\nB,-140000,290000\r\n");
    EXPECT_EQ(run_routine(Routine::transf_12, job, env), RoutineStatus::done);
    EXPECT_EQ(test::read_file(job.fich2.path), "\"A\",100,-50\r\n\"B\",-139900,289950\r\n");
    EXPECT_TRUE(services.shown.empty());
    EXPECT_EQ(services.pointer, Pointer::normal);
}

TEST_F(GridRoutine, OutOfLimitsNamesThePoint) {
    write_file(job.fich1.path, "A,0,0\r\nB,185000.001,-7\r\nC,0,0\r\n");
    EXPECT_EQ(run_routine(Routine::transf_12, job, env), RoutineStatus::out_of_limits);
    ASSERT_EQ(services.shown.size(), 1u);
    EXPECT_EQ(services.shown[0].prompt, "ERRO!! Ponto para além dos limites. ( 185000.001;-7)");
    EXPECT_FALSE(services.shown[0].title);
    // A point next to the no-data node stops the same way.
    write_file(job.fich1.path, "A,0,0\r\nB," + std::to_string(node_m(30) - 1) + "," + std::to_string(node_p(40) + 1) + "\r\n");
    EXPECT_EQ(run_routine(Routine::transf_12, job, env), RoutineStatus::out_of_limits);
    EXPECT_EQ(services.shown.back().prompt.rfind("ERRO!! Ponto para além dos limites. ( 4999", 0), 0u);
}

TEST_F(GridRoutine, TheReverseGridsHaveTheirOwnMissingFilesMessage) {
    write_file(job.fich1.path, "A,0,0\r\n");
    EXPECT_EQ(run_routine(Routine::transf_21, job, env), RoutineStatus::failed);
    EXPECT_EQ(services.prompts(), std::vector<std::string>{"Os Ficheiros lx_et_m.asc e lx_et_p.asc não existem !!"});
    EXPECT_FALSE(test::exists(job.fich2.path));
}

}  // namespace
}  // namespace tesra
