#include "generic.hpp"

#include <gtest/gtest.h>

#include "errors.hpp"
#include "routines.hpp"
#include "test_support.hpp"

namespace tesra {
namespace {

using test::read_file;
using test::RecordingServices;
using test::TempDir;
using test::write_file;

std::string parameter_file(std::string_view marker, std::string_view origins_and_constants, std::string_view coefs) {
    return "\"Sistema A, antigo\"\r\nSistema B\r\n" + std::string(marker) + "\r\n" + std::string(origins_and_constants) +
           "\r\n" + std::string(coefs) + "\r\n";
}

const std::string transf_01_x = parameter_file(
    "X", "0 , 0\r\n0 , 0\r\n200000, 300000",
    "-0.289668974294758\r\n200001.27734443\r\n5.64530095899816\r\n-0.763567042558132\r\n1.4478460420534\r\n1.40377501273145");
const std::string transf_01_y = parameter_file(
    "y", "0,0\r\n0,0\r\n200000,300000",
    "0.088665491830128,-3.68625888548256,300002.234428869,-0.358351440787635,-1.8313445194994,1.21835116863588,"
    "comentário que não é lido");

struct Generic {
    TempDir dir;
    RecordingServices services;
    Environment env{services, "", '.'};
    TransformationJob job;
    Generic() {
        job.fich1 = dir.file("in.txt");
        job.fich2 = dir.file("in.txt_tmp");
        job.fich_par_m = dir.file("x.par");
        job.fich_par_p = dir.file("y.par");
        write_file(job.fich1.path, "P,100000,200000\r\n");
    }
};

TEST(ReadParameterFile, ItemsSpreadOverLinesOrOnOneLineReadTheSame) {
    TempDir dir;
    write_file(dir.file("a"), transf_01_x);
    write_file(dir.file("b"),
               "d1,d2,x,0,0,0,0,200000,300000,-0.289668974294758,200001.27734443,5.64530095899816,"
               "-0.763567042558132,1.4478460420534,1.40377501273145,7,8\r\n");
    PolynomialParameterSet a, b;
    EXPECT_EQ(read_parameter_file(dir.file("a"), ParameterAxis::x, a), "X");
    EXPECT_EQ(read_parameter_file(dir.file("b"), ParameterAxis::x, b), "x");
    EXPECT_EQ(a.coef_m, b.coef_m);
    EXPECT_EQ(a.coef_m, official_set(Routine::transf_01).coef_m);
    EXPECT_EQ(a.Const_Y, 300000);
}

TEST(Qualquer, ParametersOfTransf01GiveItsPointsAndTheYFileRules) {
    Generic g;
    // The X file's origins and constants are replaced by the Y file's.
    write_file(g.job.fich_par_m, parameter_file("x", "5,5\r\n5,5\r\n1,1", "-0.289668974294758,200001.27734443,"
               "5.64530095899816,-0.763567042558132,1.4478460420534,1.40377501273145"));
    write_file(g.job.fich_par_p, transf_01_y);
    EXPECT_EQ(run_routine(Routine::qualquer, g.job, g.env), RoutineStatus::done);
    EXPECT_EQ(read_file(g.job.fich2.path), "\"P\",100005.028160806,199999.57660867\r\n");
    EXPECT_EQ(g.services.pointer, Pointer::normal);
    EXPECT_TRUE(g.services.shown.empty());
}

TEST(Qualquer, DoesNotScaleByTheConstantsLikeTheIslandSets) {
    Generic g;
    write_file(g.job.fich1.path, "P,640000,4162500\r\n");
    const std::string origins = "640000,4162500\r\n640000,4162500\r\n1000,1000";
    write_file(g.job.fich_par_m, parameter_file("X", origins, "0.0308131618911835,1,0,0,0,0"));
    write_file(g.job.fich_par_p, parameter_file("Y", origins, "0.0369254752584993,0,1,0,0,0"));
    EXPECT_EQ(run_routine(Routine::qualquer, g.job, g.env), RoutineStatus::done);
    EXPECT_EQ(read_file(g.job.fich2.path), "\"P\",640000.030813162,4162500.03692548\r\n");
}

TEST(Qualquer, WrongMarkersStopBeforeAnyPointFile) {
    Generic g;
    write_file(g.job.fich_par_m, transf_01_y);  // marker Y in the X file
    EXPECT_EQ(run_routine(Routine::qualquer, g.job, g.env), RoutineStatus::failed);
    ASSERT_EQ(g.services.shown.size(), 1u);
    EXPECT_EQ(g.services.shown[0].prompt, "Erro! Esperado 'X' no ficheiro de parâmetros -X");
    EXPECT_EQ(g.services.shown[0].title, "Velmar - Tesra_ascii");
    EXPECT_FALSE(test::exists(g.job.fich2.path));

    write_file(g.job.fich_par_m, transf_01_x);
    write_file(g.job.fich_par_p, transf_01_x);
    EXPECT_EQ(run_routine(Routine::qualquer, g.job, g.env), RoutineStatus::failed);
    EXPECT_EQ(g.services.shown.back().prompt, "Erro! Esperado 'Y' no ficheiro de parâmetros -Y");
    EXPECT_FALSE(test::exists(g.job.fich2.path));
    EXPECT_EQ(g.services.pointer, Pointer::normal);
}

}  // namespace
}  // namespace tesra
