// Input that looks hostile but has a defined meaning: the job must finish
// with exactly the report that meaning gives, and leave only the report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support.hpp"

namespace tesra::robust {
namespace {

// The report's first eight lines, written out byte by byte (Windows-1252).
std::string header(const std::string& source, const std::string& target) {
    return "Transforma\xE7\xE3o : " + source + " --> " + target + "\r\n\r\n" + std::string(62, '-') +
           "\r\n\r\nCoordenadas : " + target + "\r\n\r\nNome          " + "   M          " + "   P\r\n\r\n";
}

// One report line in 14-column print zones.
std::string report_line(const std::string& name, const std::string& m, const std::string& p) {
    std::string line = name;
    line.append((line.size() / 14 + 1) * 14 - line.size(), ' ');
    line += m;
    line.append((line.size() / 14 + 1) * 14 - line.size(), ' ');
    return line + p + "\r\n";
}

struct Job {
    ScratchDir dir;
    std::vector<std::string> args = {"--from", "qualquer", "--to", "", "--param-x", "px.txt", "--param-y",
                                     "py.txt", "--decimal-separator", ",", "pontos.txt", "relatorio.txt"};
    explicit Job(std::string_view input) {
        write_file(dir / "px.txt", identity_x_parameters());
        write_file(dir / "py.txt", identity_y_parameters());
        write_file(dir / "pontos.txt", input);
    }
    // Runs tesra-cli and returns the report after checking that the job
    // announced it and left nothing else behind.
    std::string run() {
        const std::vector<std::string> before = snapshot(dir.path());
        const CliRun r = run_cli(dir.path(), args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, "Criado o ficheiro: relatorio.txt\n");
        std::vector<std::string> after = snapshot(dir.path());
        std::erase_if(after, [](const std::string& line) { return line.rfind("relatorio.txt: file", 0) == 0; });
        EXPECT_EQ(after, before);
        return read_file(dir / "relatorio.txt");
    }
};

TEST(Survivor, InputWithoutRecordsGivesTheHeaderAlone) {
    for (const std::string input : {"", "\r\n", "   \r\n\r\n  ,\r\n", "\n\n\n", "\r\r"}) {
        Job job(input);
        EXPECT_EQ(job.run(), header("Qualquer", "")) << "input: " << testing::PrintToString(input);
    }
}

TEST(Survivor, EveryKindOfLineEndGivesTheSameReport) {
    const std::string expected = header("Qualquer", "") + report_line("Funchal", "320655,420", "3614050,180") +
                                 report_line("Machico", "334010,330", "-3624060,910") +
                                 report_line("Sem fim", "1,000", "2,000");
    for (const std::string end : {"\r\n", "\n", "\r"}) {
        Job job("Funchal,320655.420,3614050.180" + end + end + "Machico , 334010.33 , -3624060.91" + end +
                "Sem fim,1,2");
        EXPECT_EQ(job.run(), expected) << "line end: " << testing::PrintToString(end);
    }
}

// The reader works field by field: a record may stand on three lines, a
// line may hold two records, and blank fields between records are skipped.
TEST(Survivor, RecordsSpreadOverLinesReadAsOnePerLine) {
    const std::string expected = header("Qualquer", "") + report_line("101", "1,500", "2,500") +
                                 report_line("102", "3,000", "4,000") + report_line("103", "5,000", "6,000") +
                                 report_line("104", "7,000", "8,000") + report_line("105", "9,000", "10,000");
    Job job("101\r\n1.5\r\n2.5\r\n102,3,4,103,5,6\r\n104,7,8,\r\n\"105\",9,10,  ,\r\n");
    EXPECT_EQ(job.run(), expected);
}

// Fifty megabytes of records on a single line: the reader works field by
// field, in constant memory, so this is an ordinary file of many points.
TEST(Survivor, FiftyMegabyteLineOfRecords) {
    const std::string padding(200, 'x');
    std::string input;
    std::string expected = header("Qualquer", "");
    input.reserve(52u << 20);
    for (int i = 1; input.size() < (50u << 20); ++i) {
        const std::string n = std::to_string(i);
        const std::string name = 'P' + n + padding;
        input += name + "," + n + ".125,-" + n + ".75,";
        expected += report_line(name, n + ",125", '-' + n + ",750");
    }
    input += "\r\n";
    Job job(input);
    const std::string report = job.run();
    EXPECT_EQ(report.size(), expected.size());
    EXPECT_TRUE(report == expected) << "the reports differ";
}

}  // namespace
}  // namespace tesra::robust
