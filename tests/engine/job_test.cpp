#include "job.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace tesra {
namespace {

using test::read_file;
using test::RecordingServices;
using test::TempDir;
using test::write_file;

using Prompts = std::vector<std::string>;

const std::string d73 = "Hayford-Gauss Datum 73";
const std::string lisboa = "Hayford-Gauss Datum Lisboa-Ponto Central";
const std::string tm06 = "ETRS89 TM06";
const std::string madeira = "Madeira - UTM 28 Base SE";

struct Job : ::testing::Test {
    TempDir dir;
    RecordingServices services;
    Environment env{services, dir.path().string(), ','};

    JobOutcome press(const JobRequest& request) { return run_job(request, env); }
    JobRequest texts(std::string source, std::string target) {
        return {std::move(source), std::move(target), dir.file("pontos.txt"), dir.file("relatorio.txt"), "", ""};
    }
    std::vector<std::string> report_lines() {
        std::vector<std::string> lines;
        const std::string text = read_file(dir.file("relatorio.txt"));
        std::size_t start = 0;
        for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
            lines.push_back(text.substr(start, end - start));
        }
        EXPECT_EQ(start, text.size()) << "report does not end with CR LF";
        return lines;
    }
};

TEST_F(Job, ValidationShowsEveryMessageThatHoldsInOrder) {
    EXPECT_EQ(press({}), JobOutcome::refused);
    EXPECT_EQ(services.prompts(), (Prompts{"Definir o Sistema 1 !!", "Definir o Sistema 2 !!"}));

    services.shown.clear();
    EXPECT_EQ(press({"Qualquer", "", "", "", "", ""}), JobOutcome::refused);
    EXPECT_EQ(services.prompts(),
              (Prompts{"Escolher o ficheiro ASCII no Sistema 1!!", "Definir o ficheiro ASCII no Sistema 2!!",
                       "Definir o ficheiro de parâmetros em X!!", "Definir o ficheiro de parâmetros em Y!!"}));
    EXPECT_FALSE(services.shown[0].title);

    services.shown.clear();
    EXPECT_EQ(press({d73, tm06, "", "out.txt", "", ""}), JobOutcome::refused);
    EXPECT_EQ(services.prompts(), (Prompts{"Escolher o ficheiro ASCII no Sistema 1!!"}));

    services.shown.clear();
    EXPECT_EQ(press(texts(d73, "")), JobOutcome::refused);
    EXPECT_EQ(services.prompts(), (Prompts{"Definir o Sistema 2 !!"}));

    services.shown.clear();
    EXPECT_EQ(press(texts("etrs89 tm06", tm06)), JobOutcome::refused);
    EXPECT_EQ(services.prompts(), (Prompts{"Definir o Sistema 1 !!"}));
    EXPECT_FALSE(services.ended);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{});
}

TEST_F(Job, ATargetWithoutARouteIsSilent) {
    write_file(dir.file("pontos.txt"), "A,1,2\r\n");
    EXPECT_EQ(press(texts(d73, "UTM 26 ITRF93")), JobOutcome::target_not_served);
    EXPECT_TRUE(services.shown.empty());
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"pontos.txt"});
}

TEST_F(Job, ReportHeaderPrintZonesAndRegionalSeparator) {
    write_file(dir.file("pontos.txt"),
               "PT1,-12345.6784,98765.4321\r\nABCDEFGHIJKLMN,0.0005,-0.0005\r\nNome_com_20_letras_x,2.5,1\r\n");
    // Qualquer with the identity: the report shows the input values.
    write_file(dir.file("x.par"), "a,b,X,0,0,0,0,1,1,0,1,0,0,0,0");
    write_file(dir.file("y.par"), "a,b,Y,0,0,0,0,1,1,0,0,1,0,0,0");
    JobRequest t = texts("Qualquer", "Sistema Açores");
    t.param_x = dir.file("x.par");
    t.param_y = dir.file("y.par");
    EXPECT_EQ(press(t), JobOutcome::completed);
    EXPECT_EQ(report_lines(), (Prompts{
                                  "Transforma\xe7\xe3o : Qualquer --> Sistema A\xe7ores",
                                  "",
                                  std::string(62, '-'),
                                  "",
                                  "Coordenadas : Sistema A\xe7ores",
                                  "",
                                  "Nome          " "   M          " "   P",
                                  "",
                                  "PT1           -12345,678    98765,432",
                                  "ABCDEFGHIJKLMN              0,001         -0,001",
                                  "Nome_com_20_letras_x        2,500         1,000",
                              }));
    ASSERT_EQ(services.shown.size(), 1u);
    EXPECT_EQ(services.shown[0].prompt, "Criado o ficheiro: " + dir.file("relatorio.txt"));
    EXPECT_EQ(services.shown[0].title, "Velmar - Tesra_ascii");
    EXPECT_TRUE(services.ended);
    EXPECT_EQ(services.pointer, Pointer::normal);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"pontos.txt", "relatorio.txt", "x.par", "y.par"}));
}

TEST_F(Job, AnEmptyInputGivesTheHeaderAlone) {
    write_file(dir.file("pontos.txt"), "\r\n");
    EXPECT_EQ(press(texts(madeira, "UTM 28 ITRF93")), JobOutcome::completed);
    EXPECT_EQ(report_lines().size(), 8u);
}

TEST_F(Job, TwoRoutineRoutesChainThroughBothIntermediatesAndRemoveThem) {
    test::write_grid_files(dir, "73_lx_m.asc", "73_lx_p.asc", {1.0, 100.0, 1.0, -50.0});
    write_file(dir.file("pontos.txt"), "A,100000,200000\r\n");
    EXPECT_EQ(press(texts(tm06, lisboa)), JobOutcome::completed);
    const auto lines = report_lines();
    EXPECT_EQ(lines[0], "Transforma\xe7\xe3o : " + tm06 + " --> " + lisboa);
    // transf_01 gives (100005.02816080576, 199999.57660867003), written at 15
    // digits, then the grid adds (100, -50).
    EXPECT_EQ(lines[8], "A             100105,028    199949,577");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"73_lx_m.asc", "73_lx_p.asc", "pontos.txt", "relatorio.txt"}));
}

TEST_F(Job, OutOfLimitsInTheSecondRoutineEndsTheProgramAndLeavesNothing) {
    test::write_grid_files(dir, "73_lx_m.asc", "73_lx_p.asc", {1.0, 0.0, 1.0, 0.0});
    write_file(dir.file("pontos.txt"), "A,100000,200000\r\nB,900000,0\r\n");
    EXPECT_EQ(press(texts(tm06, lisboa)), JobOutcome::stopped);
    EXPECT_TRUE(services.ended);
    ASSERT_EQ(services.shown.size(), 1u);
    EXPECT_EQ(services.shown[0].prompt.rfind("ERRO!! Ponto para além dos limites. ( 8", 0), 0u) << services.shown[0].prompt;
    EXPECT_EQ(dir.entries(),
              (std::vector<std::string>{"73_lx_m.asc", "73_lx_p.asc", "pontos.txt"}));
}

TEST_F(Job, AReportNeverTakesThePlaceOfAGridFile) {
    test::write_grid_files(dir, "lx_et_m.asc", "lx_et_p.asc", {});
    const std::string grid = read_file(dir.file("lx_et_p.asc"));
    write_file(dir.file("pontos.txt"), "A,1,2\r\n");
    JobRequest t = texts(madeira, "UTM 28 ITRF93");
    t.output = dir.file("./lx_et_p.asc");
    EXPECT_EQ(press(t), JobOutcome::refused);
    ASSERT_EQ(services.shown.size(), 1u);
    EXPECT_NE(services.shown[0].prompt.find("ficheiros de grelha"), std::string::npos) << services.shown[0].prompt;
    EXPECT_EQ(read_file(dir.file("lx_et_p.asc")), grid);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"lx_et_m.asc", "lx_et_p.asc", "pontos.txt"}));
}

}  // namespace
}  // namespace tesra
