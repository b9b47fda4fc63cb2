// tesra-cli's refusals and usage errors, batches and skipped points: the
// exit status, standard output and standard error, and what is written.
// The outputs themselves are checked against the files of tests/golden/.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "geodesy/grid.hpp"
#include "geodesy/systems.hpp"
#include "support.hpp"

namespace tesra::robust {
namespace {

TEST(Cli, RefusalsGoToStandardErrorWithStatusOne) {
    ScratchDir dir;
    write_file(dir / "in.txt", "A,1,2\r\n");
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"--from", "d73", "--to", "utm26", "in.txt", "out.txt"},
         "Não há transformação de \"Hayford-Gauss Datum 73\" para \"UTM 26 ITRF93\".\n"},
        {{"--from", "UTM 26 ITRF93", "in.txt", "out.txt"}, "Definir o Sistema 1 !!\nDefinir o Sistema 2 !!\n"},
        {{"--from", "militar", "--to", "utm26", "in.txt", "out.txt"},
         "Definir o Sistema 1 !!\nNão há transformação de \"Hayford-Gauss Datum Lisboa - Militar\" para \"UTM 26 "
         "ITRF93\".\n"},
        {{"--from", "etrs89 tm6", "--to", "d73", "in.txt", "out.txt"},
         "Definir o Sistema 1 !!\nSistema desconhecido: \"etrs89 tm6\". Será \"ETRS89 TM06\" (tm06)? Ver tesra-cli "
         "--list.\n"},
        {{"--from", "datum 73", "--to", "SAO JORGE", "in.txt", "out.txt"},
         "Definir o Sistema 1 !!\nSistema desconhecido: \"datum 73\". Será \"Hayford-Gauss Datum 73\" (d73)? Ver "
         "tesra-cli --list.\nSistema desconhecido: \"SAO JORGE\". Será \"Açores - São Jorge - UTM 26 Base SW\" "
         "(sjorge)? Ver tesra-cli --list.\n"},
        {{"--from", "qualquer", "in.txt", ""},
         "Definir o ficheiro ASCII no Sistema 2!!\nDefinir o ficheiro de parâmetros em X!!\n"
         "Definir o ficheiro de parâmetros em Y!!\n"},
    };
    for (const auto& c : cases) {
        const CliRun r = run_cli(dir.path(), c.args);
        EXPECT_EQ(r.status, 1) << c.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(snapshot(dir.path()).size(), 1u);
}

// A usage error is its message and a pointer to --help, never a file named
// "-v" or the whole help.
TEST(Cli, UsageErrorsHaveStatusTwoAndTouchNothing) {
    ScratchDir dir;
    write_file(dir / "in.txt", "A,1,2\r\n");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--from", "d73", "--to", "tm06", "in.txt", "-v"},
             {"-x", "--from", "d73", "--to", "tm06", "in.txt", "out.txt"},
             {},
             {"--from", "madeira", "only-input"},
             {"--to", "utm28", "a", "b"},
             {"--from", "madeira", "--bogus", "a", "b"},
             {"--from", "madeira", "--decimal-separator", "ab", "a", "b"},
             {"--from", "madeira", "--decimal-comma", "a", "b"},
             {"--from"},
             {"--from", "madeira", "--format", "xml", "a", "b"},
             {"--from", "madeira", "--precision", "10", "a", "b"},
             {"--from", "madeira", "--rejects", "r", "a", "b"},
             {"--from", "madeira", "--output-dir", "o", "a/x.txt", "x.txt"},
         }) {
        const CliRun r = run_cli(dir.path(), args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(r.err.starts_with("tesra-cli: ") && r.err.ends_with("\nVer tesra-cli --help.\n")) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
    }
    EXPECT_EQ(run_cli(dir.path(), {"--help"}).status, 0);
    EXPECT_EQ(snapshot(dir.path()).size(), 1u);
}

// A bad file of a batch is named and counted; the others are written.
TEST(Cli, BatchGoesOnPastABadFile) {
    ScratchDir dir;
    make_dir(dir / "sub");
    write_file(dir / "a.txt", "A,330000,3620000\r\n");
    write_file(dir / "sub/c.txt", "C;330000,5;3620000,5\r\n");  // read as the options say, as every file
    write_file(dir / "bad.txt", "B,330000,3620000\r\nX,y,3\r\n");
    const CliRun r = run_cli(dir.path(), {"--from", "madeira", "--to", "utm28", "--jobs", "2", "--auto", "--output-dir",
                                          "out", "a.txt", "bad.txt", "sub/c.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "bad.txt: Erro no ficheiro \"bad.txt\", linha 2: o valor de M não é um número: \"y\".\n"
                     "Ficheiros criados: 2; com falha: 1.\n");
    // Joined with the system's own separator.
    for (const char* name : {"a.txt", "c.txt"}) {
        const std::string created = "Criado o ficheiro: " + (std::filesystem::path("out") / name).string() + "\n";
        EXPECT_NE(r.out.find(created), std::string::npos) << r.out;
    }
    EXPECT_EQ(snapshot(dir / "out").size(), 2u);

    // Points far from the source system's area are transformed, and said once.
    write_file(dir / "far.txt", "S\xe9,-87345.21,-104877.53\r\nB,330000,3620000\r\nC,1,2\r\n");
    const CliRun far = run_cli(dir.path(), {"--from", "madeira", "--to", "utm28", "far.txt", "far.out"});
    EXPECT_EQ(far.status, 0);
    EXPECT_EQ(far.err, "2 pontos fora da área de Madeira - UTM 28 Base SE (o primeiro na linha 1: \"S\xC3\xA9\", "
                       "M -87345.21, P -104877.53): confirme o Sistema 1.\n");
    const CliRun stop =
        run_cli(dir.path(), {"--from", "madeira", "--to", "utm28", "--area", "stop", "far.txt", "s.out"});
    EXPECT_NE(stop.status, 0);
    EXPECT_EQ(stop.err, "ERRO!! Ponto para além dos limites. (-87345.21;-104877.53)\n");
    const CliRun skip = run_cli(dir.path(), {"--from", "madeira", "--to", "utm28", "--area", "stop", "--on-error",
                                             "skip", "far.txt", "s.out"});
    EXPECT_EQ(skip.status, 3);
    EXPECT_NE(skip.err.find("linha 3: o ponto \"C\" foi deixado de fora: está fora da área do Sistema 1"),
              std::string::npos) << skip.err;
}

// Points outside the grid or beside a node without value are left out and
// kept as read; the rest are written in order.
TEST(Cli, SkipModeLeavesOutFaultyPoints) {
    ScratchDir dir;
    write_shift_grids(dir.path(), "73_lx_m.asc", "73_lx_p.asc");
    write_grid(dir / "73_lx_m.asc", [](int row, int column) {
        return row == 10 && column == 10 ? grid_no_data : grid_west + (column - 1) * grid_spacing + shift_m;
    });
    write_file(dir / "in.txt", "A,0,0\r\nFORA,500000,0\r\nVAZIO,-93000,243000\r\nB,10,20\r\n");
    const CliRun r = run_cli(dir.path(), {"--from", "d73", "--to", "lisboa", "--grid-dir", dir.path(), "--format",
                                          "points", "--on-error", "skip", "--rejects", "rej.txt", "in.txt", "out.txt"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "Ficheiro \"in.txt\", linha 2: o ponto \"FORA\" foi deixado de fora: está fora dos limites da "
                     "grelha.\nFicheiro \"in.txt\", linha 3: o ponto \"VAZIO\" foi deixado de fora: está junto de um "
                     "nó da grelha sem valor.\nPontos deixados de fora: 2 (guardados em \"rej.txt\").\n");
    EXPECT_EQ(read_file(dir / "out.txt"), "\"A\",100,-50\r\n\"B\",110,-30\r\n");
    EXPECT_EQ(read_file(dir / "rej.txt"), "\"FORA\",500000,0\r\n\"VAZIO\",-93000,243000\r\n");
    // The way back to an island, where the inverse of its polynomial finds no point.
    write_file(dir / "in.txt", "A,320000,3620000\r\nLONGE,1e200,0\r\n");
    const CliRun back = run_cli(dir.path(), {"--from", "utm28", "--to", "madeira", "--on-error", "skip", "in.txt",
                                             "out.txt"});
    EXPECT_EQ(back.status, 3);
    EXPECT_NE(back.err.find("linha 2: o ponto \"LONGE\" foi deixado de fora: o polinómio inverso não converge"),
              std::string::npos) << back.err;
    // Two steps each leaving points out: the second step's are told apart
    // by their lines in the input, past those the first step left out.
    write_file(dir / "in.txt", "A,0,0\r\nHUGE,1e200,0\r\nFORA,500000,0\r\nLONGE,600000,0\r\n");
    const std::vector<std::string> two_steps = {"--from", "tm06", "--to", "lisboa", "--grid-dir", dir.path(),
                                                "--on-error", "skip", "--rejects", "rej.txt", "in.txt", "out.txt"};
    const CliRun two = run_cli(dir.path(), two_steps);
    EXPECT_EQ(two.status, 3);
    EXPECT_NE(two.err.find("linha 4: o ponto \"LONGE\" foi deixado de fora: está fora"), std::string::npos) << two.err;
    EXPECT_EQ(read_file(dir / "rej.txt"), "\"HUGE\",1e+200,0\r\n\"FORA\",500000,0\r\n\"LONGE\",600000,0\r\n");
    // Lines a spreadsheet file holds wrongly are left out beside the points,
    // each named in the input's order; the points after them are still told
    // apart by their lines.
    write_file(dir / "in.csv", "Nome;M;P\r\nA;0;0\r\nB;1;2;3\r\nFORA;500000;0\r\n;1;2\r\nD;x;2\r\nC;10;20\r\n");
    const CliRun lines = run_cli(dir.path(), {"--from", "d73", "--to", "lisboa", "--grid-dir", dir.path(), "--auto",
                                              "--on-error", "skip", "--rejects", "rej.csv", "in.csv", "out.txt"});
    EXPECT_EQ(lines.status, 3);
    EXPECT_EQ(lines.err, "Ficheiro \"in.csv\", linha 3: a linha foi deixada de fora: a linha tem 4 campos e as "
                         "primeiras linhas têm 3: \"B;1;2;3\".\nFicheiro \"in.csv\", linha 4: o ponto \"FORA\" foi "
                         "deixado de fora: está fora dos limites da grelha.\nFicheiro \"in.csv\", linha 5: a linha "
                         "foi deixada de fora: a linha não tem nome do ponto: \";1;2\".\nFicheiro \"in.csv\", linha "
                         "6: a linha foi deixada de fora: o valor de M não é um número: \"x\" (o separador decimal é "
                         "o ponto).\nPontos deixados de fora: 4 (guardados em \"rej.csv\").\n");
    EXPECT_EQ(read_file(dir / "rej.csv"), "Nome;M;P\r\nB;1;2;3\r\nFORA;500000;0\r\n;1;2\r\nD;x;2\r\n");
    EXPECT_NE(read_file(dir / "out.txt").find("C  "), std::string::npos);
    // With nothing left out, the rejects of an earlier run are not left to mislead.
    write_file(dir / "in.txt", "A,0,0\r\n");
    EXPECT_EQ(run_cli(dir.path(), two_steps).status, 0);
    EXPECT_EQ(read_file(dir / "rej.txt"), "");
}

// A geographic source's input holds the latitude, then the longitude;
// under skip, a line whose degrees do not read and a record out of range
// are left out like the other faulty lines.
TEST(Cli, LatitudeAndLongitudeOfAGeographicSource) {
    ScratchDir dir;
    write_file(dir / "in.csv", "Nome;Lon;Lat\r\nA;9°08'14,7\"W;38°42'33,3\"N\r\nB;9°W;38°72'10\"N\r\nC;-9;95\r\n");
    const CliRun lines = run_cli(dir.path(), {"--from", "etrs89geo", "--to", "tm06", "--auto", "--format", "points",
                                              "--on-error", "skip", "--rejects", "rej.csv", "in.csv", "out.txt"});
    EXPECT_EQ(lines.status, 3);
    EXPECT_EQ(lines.err, "Ficheiro \"in.csv\", linha 3: a linha foi deixada de fora: a latitude \"38°72'10\"N\" não "
                         "se lê: os minutos chegam a 60.\nFicheiro \"in.csv\", linha 4: a linha foi deixada de fora: "
                         "a latitude \"95\" passa de 90°.\nPontos deixados de fora: 2 (guardados em \"rej.csv\").\n");
    // To a micrometre: the C libraries' sines and arctangents may differ in
    // their last bit from one system to another, and so the 15th digit.
    const std::string out = read_file(dir / "out.txt");
    double m = 0, p = 0;
    ASSERT_EQ(std::sscanf(out.c_str(), "\"A\",%lf,%lf\r\n", &m, &p), 2) << out;
    EXPECT_NEAR(m, -87355.5357357632, 1e-6);
    EXPECT_NEAR(p, -105989.420471977, 1e-6);
    EXPECT_EQ(read_file(dir / "rej.csv"), "Nome;Lon;Lat\r\nB;9°W;38°72'10\"N\r\nC;-9;95\r\n");
    write_file(dir / "in.txt", "A,38.70925,-9.1374167\r\nB,38.7,-180.5\r\n");
    const CliRun plain = run_cli(dir.path(), {"--from", "wgs84", "--to", "tm06", "--on-error", "skip", "--rejects",
                                              "rej.txt", "in.txt", "out.txt"});
    EXPECT_EQ(plain.status, 3);
    EXPECT_NE(plain.err.find("linha 2: a linha foi deixada de fora: a longitude \"-180.5\" passa de 180°."),
              std::string::npos) << plain.err;
    EXPECT_EQ(read_file(dir / "rej.txt"), "\"B\",38.7,-180.5\r\n");
}

// Every form writes each name whole and rounds halves away from zero: a
// name that fills its print zone pushes M to the next one, csv quotes a
// line end, geojson escapes a backslash and claims no system for a
// generic route, whose target is whatever its parameters make it.
TEST(Cli, OutputFormsKeepNamesWholeAndRoundHalvesUp) {
    ScratchDir dir;
    write_file(dir / "x.txt", identity_x_parameters());
    write_file(dir / "y.txt", identity_y_parameters());
    // 1.005 is a hair below the half as a double, but its decimal text is the half.
    write_file(dir / "in.txt", "Catorze letras,0.125,1.005\r\n\"a\\b\r\nc\",1,2\r\n");
    const auto output = [&](const char* format) {
        const CliRun r = run_cli(dir.path(), {"--from", "qualquer", "--to", "d73", "--param-x", "x.txt", "--param-y",
                                              "y.txt", "--format", format, "--precision", "2", "--decimal-separator",
                                              ",", "in.txt", "out"});
        EXPECT_EQ(r.status, 0) << r.err;
        return read_file(dir / "out");
    };
    EXPECT_NE(output("report").find("\r\nCatorze letras              0,125         1,005\r\n"), std::string::npos);
    EXPECT_EQ(output("csv"), "Nome,M,P\r\nCatorze letras,0.13,1.01\r\n\"a\\b\r\nc\",1.00,2.00\r\n");
    // RFC 7946 would need to place them in longitude and latitude.
    const CliRun placed = run_cli(dir.path(), {"--from", "qualquer", "--to", "d73", "--param-x", "x.txt",
                                               "--param-y", "y.txt", "--format", "geojson", "in.txt", "w"});
    EXPECT_TRUE(placed.status == 1 && placed.err.find("--format geojson-crs") != std::string::npos) << placed.err;
    const std::string geojson = output("geojson-crs");
    EXPECT_EQ(geojson.find("crs"), std::string::npos) << geojson;
    EXPECT_NE(geojson.find(R"("nome": "a\\b\u000d\u000ac"})"), std::string::npos) << geojson;
    EXPECT_NE(geojson.find("[0.13, 1.01]"), std::string::npos) << geojson;
}


// A csv is UTF-8 whatever the input (a Windows-1252 name and column title
// converted), with the target's definition in a .prj beside it when it is
// a file; a generic route's points are in no known system, so an older
// .prj there goes.
TEST(Cli, CsvIsUtf8WithTheTargetSystemBesideIt) {
    ScratchDir dir;
    write_file(dir / "in.txt", "Nome;M;P;Descri\xe7\xe3o\r\nS\xe9;320000;3620000;Pr\xf3ximo\r\n");
    write_file(dir / "x.txt", identity_x_parameters());
    write_file(dir / "y.txt", identity_y_parameters());
    const CliRun r = run_cli(dir.path(), {"--from", "madeira", "--to", "utm28", "--auto", "--format", "csv", "in.txt",
                                          "out.csv"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string csv = read_file(dir / "out.csv");
    EXPECT_TRUE(csv.starts_with("Nome;M;P;Descrição\r\nSé;") && csv.ends_with(";Próximo\r\n")) << csv;
    EXPECT_EQ(read_file(dir / "out.prj"), systems[static_cast<std::size_t>(System::utm28)].wkt);
    EXPECT_TRUE(read_file(dir / "out.prj").starts_with("PROJCS[\"PTRA08_UTM_Zone_28N\","));
    const CliRun batch = run_cli(dir.path(), {"--from", "madeira", "--to", "utm28", "--auto", "--format", "csv",
                                              "--output-dir", "o", "in.txt"});
    EXPECT_EQ(batch.status, 0) << batch.err;
    EXPECT_EQ(read_file(dir / "o/in.prj"), read_file(dir / "out.prj"));
    EXPECT_EQ(read_file(dir / "o/in.csv"), csv);

    const auto before = snapshot(dir.path());
    for (const char* format : {"csv", "geojson"}) {
        EXPECT_EQ(run_cli(dir.path(), {"--from", "madeira", "--to", "utm28", "--auto", "--format", format, "in.txt",
                                       "-"}).status, 0);
    }
    EXPECT_EQ(snapshot(dir.path()), before);
    write_file(dir / "q.prj", "old");
    EXPECT_EQ(run_cli(dir.path(), {"--from", "qualquer", "--to", "d73", "--param-x", "x.txt", "--param-y", "y.txt",
                                   "--auto", "--format", "csv", "in.txt", "q.csv"}).status, 0);
    EXPECT_EQ(read_file(dir / "q.csv"), "Nome;M;P;Descrição\r\nSé;320000.000;3620000.000;Próximo\r\n");
    EXPECT_EQ(snapshot(dir.path()).size(), before.size() + 1);  // q.csv, and no q.prj

    // Columns found by their titles (N is P); an untitled one named apart from every title.
    write_file(dir / "t.txt", "Ponto;N;E;;coluna4\r\nA;2;1;x;y\r\n");
    EXPECT_EQ(run_cli(dir.path(), {"--from", "qualquer", "--to", "d73", "--param-x", "x.txt", "--param-y", "y.txt",
                                   "--auto", "--format", "csv", "t.txt", "t.csv"}).status, 0);
    EXPECT_EQ(read_file(dir / "t.csv"), "Nome;M;P;coluna4_2;coluna4\r\nA;1.000;2.000;x;y\r\n");

    // An input, or a parameter file, that bears the .prj's name is the user's.
    write_file(dir / "p.prj", read_file(dir / "in.txt"));
    EXPECT_EQ(run_cli(dir.path(), {"--from", "madeira", "--to", "utm28", "--auto", "--format", "csv", "p.prj",
                                   "p.csv"}).status, 0);
    write_file(dir / "x.prj", identity_y_parameters());
    EXPECT_EQ(run_cli(dir.path(), {"--from", "qualquer", "--to", "d73", "--param-x", "x.txt", "--param-y", "x.prj",
                                   "--auto", "--format", "csv", "in.txt", "x.csv"}).status, 0);
    EXPECT_EQ(read_file(dir / "p.prj"), read_file(dir / "in.txt"));
    EXPECT_EQ(read_file(dir / "x.prj"), identity_y_parameters());
}

// Latitude and longitude in and out: by a code EPSG gives them, in degrees
// or sexagesimal, swapped ones refused at their line, and RFC 7946's
// longitude and latitude placed by the target's own route.
TEST(Cli, GeographicCoordinatesInAndOut) {
    ScratchDir dir;
    write_file(dir / "tm.txt", "A,-87591.5266,-107013.8300\r\n");
    const CliRun report = run_cli(dir.path(), {"--from", "3763", "--to", "4258", "tm.txt", "-"});
    EXPECT_TRUE(report.out.ends_with("Nome             Latitude      Longitude\r\n\r\n"
                                     "A             38.700000000  -9.140000000\r\n")) << report.out;
    const CliRun dms = run_cli(dir.path(), {"--from", "tm06", "--to", "etrs89geo", "--format", "csv",
                                            "--angle-format", "dms", "tm.txt", "-"});
    EXPECT_EQ(dms.out, "Nome,Latitude,Longitude\r\nA,\"38°42'00.00000\"\"N\",\"9°08'24.00000\"\"W\"\r\n");
    write_file(dir / "g.txt", "A,38.7,-9.14\r\nB,-9.14,38.7\r\n");
    const CliRun swapped = run_cli(dir.path(), {"--from", "wgs84", "--to", "tm06", "g.txt", "out.txt"});
    EXPECT_EQ(swapped.status, 1);
    EXPECT_NE(swapped.err.find("linha 2: o ponto \"B\" tem a latitude e a longitude trocadas"), std::string::npos)
        << swapped.err;
    const CliRun skipped = run_cli(dir.path(), {"--from", "etrs89geo", "--to", "d73", "--on-error", "skip", "g.txt",
                                                "out.txt"});
    EXPECT_EQ(skipped.status, 3);
    EXPECT_NE(skipped.err.find("linha 2: o ponto \"B\" foi deixado de fora: tem a latitude e a longitude trocadas"),
              std::string::npos) << skipped.err;
    write_file(dir / "md.txt", "F,320000,3620000\r\n");
    const CliRun placed = run_cli(dir.path(), {"--from", "madeira", "--to", "utm28", "--format", "geojson", "md.txt", "-"});
    EXPECT_EQ(placed.out, "{\"type\": \"FeatureCollection\",\n\"features\": [\n{\"type\": \"Feature\", \"properties\": "
                          "{\"nome\": \"F\", \"m\": 319632.269, \"p\": 3620352.841}, \"geometry\": {\"type\": "
                          "\"Point\", \"coordinates\": [-16.924299898, 32.706189755]}}\n]}\n");
    // A point the target's way to latitude and longitude cannot take keeps
    // its properties and is placed nowhere.
    write_shift_grids(dir.path(), "73_lx_m.asc", "73_lx_p.asc");
    write_shift_grids(dir.path(), "lx_et_m.asc", "lx_et_p.asc");
    write_grid(dir / "lx_et_m.asc", [](int row, int column) {
        return row == 10 && column == 10 ? grid_no_data : grid_west + (column - 1) * grid_spacing + shift_m;
    });
    write_file(dir / "vazio.txt", "V,-93100,243050\r\n");
    const CliRun nowhere = run_cli(dir.path(), {"--from", "d73", "--to", "lisboa", "--grid-dir", dir.path(),
                                                "--format", "geojson", "vazio.txt", "-"});
    EXPECT_NE(nowhere.out.find("{\"nome\": \"V\", \"m\": -93000.000, \"p\": 243000.000}, \"geometry\": null}"),
              std::string::npos) << nowhere.out << nowhere.err;
}

}  // namespace
}  // namespace tesra::robust
