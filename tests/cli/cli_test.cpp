// tesra-cli's refusals and usage errors: the exit status, standard output
// and standard error, and nothing written. The reports themselves are
// checked against the files of tests/golden/.
#include <gtest/gtest.h>

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
        {{"--from", "etrs89 tm06", "--to", "d73", "in.txt", "out.txt"}, "Definir o Sistema 1 !!\n"},
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

TEST(Cli, UsageErrorsHaveStatusTwoAndTouchNothing) {
    ScratchDir dir;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"--from", "madeira", "only-input"},
             {"--to", "utm28", "a", "b"},
             {"--from", "madeira", "--bogus", "a", "b"},
             {"--from", "madeira", "--decimal-separator", "ab", "a", "b"},
             {"--from", "madeira", "--decimal-comma", "a", "b"},
             {"--from"},
         }) {
        const CliRun r = run_cli(dir.path(), args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("Uso: tesra-cli"), std::string::npos);
    }
    EXPECT_EQ(run_cli(dir.path(), {"--help"}).status, 0);
    EXPECT_EQ(snapshot(dir.path()), std::vector<std::string>{});
}

}  // namespace
}  // namespace tesra::robust
