// tesra-cli run as a user would: real files in a temporary directory, the
// exit status, standard output and standard error.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "codepage.hpp"
#include "routes.hpp"
#include "test_support.hpp"

namespace tesra {
namespace {

using test::read_file;
using test::TempDir;
using test::write_file;

std::string quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out.append("'\\''");
        else out.push_back(c);
    }
    out.push_back('\'');
    return out;
}

struct CliRun {
    int status;
    std::string out, err;
};

CliRun run_cli(const TempDir& dir, const std::vector<std::string>& args) {
    std::string command = quoted(TESRA_CLI);
    for (const std::string& a : args) command.append(" ").append(quoted(a));
    command.append(" >").append(quoted(dir.file(".stdout")));
    command.append(" 2>").append(quoted(dir.file(".stderr"))).append(" </dev/null");
    const int raw = std::system(command.c_str());
    CliRun r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_file(dir.file(".stdout")), read_file(dir.file(".stderr"))};
    std::filesystem::remove(dir.file(".stdout"));
    std::filesystem::remove(dir.file(".stderr"));
    return r;
}

std::string first_line(const std::string& text) { return text.substr(0, text.find("\r\n")); }

TEST(Cli, EveryRouteRunsEndToEnd) {
    TempDir dir;
    test::write_grid_files(dir, "73_lx_m.asc", "73_lx_p.asc", {1.0, 100.0, 1.0, -50.0});
    test::write_grid_files(dir, "lx_et_m.asc", "lx_et_p.asc", {1.0, -100.0, 1.0, 50.0});
    write_file(dir.file("x.par"), "a,b,X,0,0,0,0,1,1,0,1,0,0,0,0");
    write_file(dir.file("y.par"), "a,b,Y,0,0,0,0,1,1,0,0,1,0,0,0");
    // Points that every route's area takes: mainland ones near the centre of
    // the grid, island ones near their local origins.
    const std::string mainland = "P,10000,-20000\r\n";
    for (const TransformationRoute& route : route_table) {
        const std::string_view source = system_name(route.source);
        const bool island = source.find("UTM") != std::string_view::npos;
        const std::string origin = source.find("Madeira") != std::string_view::npos ? "P,310000,3620000\r\n"
                                   : source.find("Oriental") != std::string_view::npos ? "P,640000,4162500\r\n"
                                                                                          : "P,400000,4280000\r\n";
        write_file(dir.file("in.txt"), island ? origin : mainland);
        const std::string target = route.target ? std::string(system_name(*route.target)) : "qualquer destino";
        const CliRun r = run_cli(dir, {"--from", std::string(source), "--to", target, "--param-x", dir.file("x.par"),
                                    "--param-y", dir.file("y.par"), "--grid-dir", dir.path().string(),
                                    dir.file("in.txt"), dir.file("out.txt")});
        SCOPED_TRACE(std::string(source) + " --> " + target);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "Criado o ficheiro: " + dir.file("out.txt") + "\n");
        EXPECT_EQ(r.err, "");
        const std::string report = read_file(dir.file("out.txt"));
        EXPECT_EQ(first_line(report), utf8_to_cp1252(std::string("Transformação : ") + std::string(source) + " --> " + target));
        EXPECT_FALSE(test::exists(dir.file("in.txt_tmp")));
        EXPECT_FALSE(test::exists(dir.file("in.txt_tmp2a")));
        std::filesystem::remove(dir.file("out.txt"));
    }
}

TEST(Cli, PublishedExamplesComeOutInTheReport) {
    TempDir dir;
    write_file(dir.file("ma.txt"), "A,0,0\r\nB,500000,4200000\r\n");
    CliRun r = run_cli(dir, {"--from", "madeira", "--to", "utm28", "--decimal-separator", ".", dir.file("ma.txt"),
                          dir.file("ma.out")});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string report = read_file(dir.file("ma.out"));
    EXPECT_NE(report.find("\r\nA             2364.091      -745.016\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("\r\nB             499684.655    4200321.092\r\n"), std::string::npos) << report;

    write_file(dir.file("az.txt"), "P0 640000 4162500\r\n");  // blank-separated numbers read too
    write_file(dir.file("az.txt"), "P0,640000,4162500\r\nP1,641000,4163500\r\n");
    r = run_cli(dir, {"--from", "Açores - G.Oriental - UTM 26 S. Bráz", "--to", "UTM 26 ITRF93",
                      "--decimal-separator", ",", dir.file("az.txt"), dir.file("az.out")});
    ASSERT_EQ(r.status, 0) << r.err;
    report = read_file(dir.file("az.out"));
    EXPECT_NE(report.find("P0            640030,813    4162536,925\r\nP1            641030,804    4163536,919\r\n"),
              std::string::npos)
        << report;
}

TEST(Cli, RefusalsGoToStandardErrorWithStatusOne) {
    TempDir dir;
    write_file(dir.file("in.txt"), "A,1,2\r\n");
    CliRun r = run_cli(dir, {"--from", "d73", "--to", "utm26", dir.file("in.txt"), dir.file("out.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Não há transformação de \"Hayford-Gauss Datum 73\" para \"UTM 26 ITRF93\".\n");

    r = run_cli(dir, {"--from", "UTM 26 ITRF93", dir.file("in.txt"), dir.file("out.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Definir o Sistema 1 !!\nDefinir o Sistema 2 !!\n");

    r = run_cli(dir, {"--from", "qualquer", dir.file("in.txt"), ""});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Definir o ficheiro ASCII no Sistema 2!!\nDefinir o ficheiro de parâmetros em X!!\n"
                     "Definir o ficheiro de parâmetros em Y!!\n");

    r = run_cli(dir, {"--from", "madeira", "--to", "utm28", dir.file("missing.txt"), dir.file("out.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.txt\": o ficheiro não existe"), std::string::npos) << r.err;
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"in.txt"});
}

TEST(Cli, UsageErrorsHaveStatusTwoAndTouchNothing) {
    TempDir dir;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"--from", "madeira", "only-input"},
             {"--to", "utm28", "a", "b"},
             {"--from", "madeira", "--bogus", "a", "b"},
             {"--from", "madeira", "--decimal-separator", "ab", "a", "b"},
             {"--from"},
         }) {
        const CliRun r = run_cli(dir, args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("Uso: tesra-cli"), std::string::npos);
    }
    EXPECT_EQ(run_cli(dir, {"--help"}).status, 0);
    const CliRun list = run_cli(dir, {"--list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("15. Madeira - UTM 28 Base SE --> UTM 28 ITRF93: transf_124"), std::string::npos);
    EXPECT_NE(list.out.find("2. ETRS89 TM06 --> Hayford-Gauss Datum Lisboa-Ponto Central: transf_01, transf_12"),
              std::string::npos);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{});
}

}  // namespace
}  // namespace tesra
