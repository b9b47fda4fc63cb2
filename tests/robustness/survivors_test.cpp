// Input that looks hostile but has a defined meaning: the job must finish
// with exactly the report of the same points written plainly, one record to
// a CR LF line (the form the golden reports check), and leave only the report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support.hpp"

namespace tesra::robust {
namespace {

// The generic job with parameters that give every point back unchanged;
// checks that it announced the report and left nothing else behind.
std::string report_of(std::string_view input) {
    ScratchDir dir;
    write_file(dir / "px.txt", identity_x_parameters());
    write_file(dir / "py.txt", identity_y_parameters());
    write_file(dir / "pontos.txt", input);
    const std::vector<std::string> before = snapshot(dir.path());
    const CliRun r = run_cli(dir.path(), {"--from", "qualquer", "--to", "", "--param-x", "px.txt", "--param-y", "py.txt",
                                          "--decimal-separator", ",", "pontos.txt", "relatorio.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "Criado o ficheiro: relatorio.txt\n");
    std::vector<std::string> after = snapshot(dir.path());
    std::erase_if(after, [](const std::string& line) { return line.rfind("relatorio.txt: file", 0) == 0; });
    EXPECT_EQ(after, before);
    return read_file(dir / "relatorio.txt");
}

TEST(Survivor, InputWithoutRecordsGivesTheHeaderAlone) {
    const std::string one = report_of("Sem fim,1,2\r\n");
    const std::string header = one.substr(0, one.find("Sem fim"));
    for (const std::string input : {"", "\r\n", "   \r\n\r\n  ,\r\n", "\n\n\n", "\r\r"}) {
        EXPECT_EQ(report_of(input), header) << "input: " << testing::PrintToString(input);
    }
}

TEST(Survivor, EveryKindOfLineEndGivesTheSameReport) {
    const std::string plain = report_of("Funchal,320655.420,3614050.180\r\nMachico,334010.330,-3624060.910\r\nSem fim,1,2\r\n");
    for (const std::string end : {"\r\n", "\n", "\r"}) {
        EXPECT_EQ(report_of("Funchal,320655.420,3614050.180" + end + end + "Machico , 334010.33 , -3624060.91" + end +
                            "Sem fim,1,2"),
                  plain)
            << "line end: " << testing::PrintToString(end);
    }
}

// The reader works field by field: a record may stand on three lines, a
// line may hold two records, and blank fields between records are skipped.
TEST(Survivor, RecordsSpreadOverLinesReadAsOnePerLine) {
    EXPECT_EQ(report_of("101\r\n1.5\r\n2.5\r\n102,3,4,103,5,6\r\n104,7,8,\r\n\"105\",9,10,  ,\r\n"),
              report_of("101,1.5,2.5\r\n102,3,4\r\n103,5,6\r\n104,7,8\r\n105,9,10\r\n"));
}

// Fifty megabytes of records on a single line: the reader works field by
// field, in constant memory, so this is an ordinary file of many points.
TEST(Survivor, FiftyMegabyteLineOfRecords) {
    const std::string padding(200, 'x');
    std::string line, plain;
    line.reserve(52u << 20);
    plain.reserve(52u << 20);
    for (int i = 1; line.size() < (50u << 20); ++i) {
        const std::string n = std::to_string(i);
        const std::string record = 'P' + n + padding + "," + n + ".125,-" + n + ".75";
        line += record + ",";
        plain += record + "\r\n";
    }
    EXPECT_TRUE(report_of(line + "\r\n") == report_of(plain)) << "the reports differ";
}

}  // namespace
}  // namespace tesra::robust
