// The parts of a job that decide before the first point: which paths are
// safe to write, where the output and the intermediates go, and which
// input records the steps left out.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "jobs/job.hpp"
#include "jobs/output_plan.hpp"
#include "jobs/skipped_ledger.hpp"
#include "support.hpp"
#include "text/codepage.hpp"

namespace tesra {
namespace {

using robust::ScratchDir;

JobRequest request(std::string input, std::string output) {
    JobRequest r;
    r.input = std::move(input);
    r.output = std::move(output);
    return r;
}

std::vector<std::pair<std::uint64_t, PointFault>> listed(const std::vector<SkippedPoints::Point>& points) {
    std::vector<std::pair<std::uint64_t, PointFault>> list;
    for (const SkippedPoints::Point& p : points) list.emplace_back(p.ordinal, p.fault);
    return list;
}

// Each step numbers its skips among the records it read, which lack those
// the steps before it left out.
TEST(SkippedLedger, NamesEveryStepsSkipsAsRecordsOfTheInput) {
    using F = PointFault;
    SkippedLedger ledger;
    // Of input records 0 to 7, the first step leaves out 1 and 3; the second
    // reads 0 2 4 5 6 7 and leaves out 0 and 4; the third reads 2 5 6 7.
    ledger.step(0)->points = {{1, F::not_finite}, {3, F::not_finite}};
    ledger.step(1)->points = {{0, F::outside_grid}, {2, F::no_data}};
    ledger.step(2)->points = {{3, F::no_inverse}};
    const std::vector<std::pair<std::uint64_t, PointFault>> expected = {
        {0, F::outside_grid}, {1, F::not_finite}, {3, F::not_finite}, {4, F::no_data}, {7, F::no_inverse}};
    EXPECT_EQ(listed(ledger.in_input()), expected);

    SkippedLedger leading;  // the first records left out, then the first the second step read
    leading.step(0)->points = {{0, F::not_finite}, {1, F::not_finite}};
    leading.step(1)->points = {{0, F::outside_grid}};
    EXPECT_EQ(listed(leading.in_input()).back(), std::make_pair(std::uint64_t{2}, F::outside_grid));
}

// A rejects file is checked as the output is, and must not be the output.
TEST(PathSafety, RefusesARejectsFileThatIsAnotherFileOfTheJobHoweverSpelt) {
    const ScratchDir dir;
    robust::write_file(dir / "in.txt", "A,1,2\r\n");
    robust::make_dir(dir / "grelhas");
    robust::write_file(dir / "grelhas/lx_et_p.asc", "1\r\n");
    robust::make_symlink("in.txt", dir / "atalho");
    const struct {
        std::string rejects, refusal;
    } cases[] = {
        {dir / "atalho", "é o próprio ficheiro de entrada"},
        {dir / "grelhas/../grelhas/lx_et_p.asc", "é um dos ficheiros de grelha do programa"},
        {dir / "./out.txt", "é o próprio ficheiro de saída"},  // neither exists yet
        {dir / "rej.txt", ""},
    };
    for (const auto& c : cases) {
        robust::RecordingServices services;
        JobOptions options;
        options.rejects = c.rejects;
        JobPaths paths(request(dir / "in.txt", dir / "out.txt"), options, false, dir / "grelhas");
        EXPECT_EQ(paths_are_safe(paths, services), c.refusal.empty()) << c.rejects;
        if (c.refusal.empty()) {
            EXPECT_TRUE(services.messages.empty()) << c.rejects;
        } else {
            ASSERT_EQ(services.messages.size(), 1u) << c.rejects;
            EXPECT_NE(services.messages[0].find(c.refusal), std::string::npos) << services.messages[0];
        }
    }
}

// The last step writes the output only where a failing step leaves
// nothing behind; elsewhere the output waits for every step.
TEST(OutputPlan, LastStepWritesOnlyAnOutputThatAppearsWhole) {
    const ScratchDir dir;
    robust::write_file(dir / "in.txt", "A,1,2\r\n");
    robust::make_dir(dir / "sub");
    robust::write_file(dir / "sub/antigo.txt", "antigo\r\n");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    const struct {
        std::string output;
        int stream;
        OutputFormat format;
        std::size_t steps;
        bool last_step_writes;
        std::string intermediate_dir;
    } cases[] = {
        {dir / "sub/antigo.txt", -1, OutputFormat::report, 2, true, dir / "sub"},  // replaced whole
        {"novo.txt", -1, OutputFormat::points, 1, true, "."},
        {dir / "fifo", -1, OutputFormat::report, 2, false, ""},  // cannot be taken back
        {"-", 1, OutputFormat::points, 2, false, ""},
        {dir / "novo.csv", -1, OutputFormat::csv, 2, false, dir.path()},  // its header waits on the input's columns
    };
    // Encoding detection on one step: written as read, the encoding guessed,
    // when the input can be read again.
    for (const int stream : {-1, 0}) {
        JobOptions options;
        options.input_stream = stream;
        JobRequest job = request(dir / "in.txt", dir / "novo.txt");
        job.dialect = PointFileDialect::automatic();
        const OutputPlan plan = plan_output(job, options, JobPaths(job, options, false, ""), 1);
        EXPECT_EQ(plan.last_step_writes, stream < 0);
        EXPECT_EQ(plan.encoding_guessed, stream < 0);
        EXPECT_EQ(plan.intermediates, stream < 0 ? 0u : 1u);
    }
    for (const auto& c : cases) {
        JobOptions options;
        options.output_stream = c.stream;
        options.output_options.format = c.format;
        options.one_pass_route_bytes = 0;
        const JobRequest job = request(dir / "in.txt", c.output);
        const OutputPlan plan = plan_output(job, options, JobPaths(job, options, false, ""), c.steps);
        EXPECT_EQ(plan.last_step_writes, c.last_step_writes) << c.output;
        EXPECT_EQ(plan.intermediates, c.steps - (c.last_step_writes ? 1 : 0)) << c.output;
        EXPECT_EQ(plan.one_pass, c.last_step_writes && c.steps > 1) << c.output;
        EXPECT_EQ(plan.intermediate_dir, c.intermediate_dir) << c.output;
    }
}

// A one-step route read with encoding detection, as the window reads: the
// output is written as the input is read, in a guessed encoding. A file of
// ASCII or Windows-1252 names is read once; a UTF-8 file proves the guess
// wrong and is read again. Either way the report is the one the encoding
// named gives, and nothing else is left.
TEST(OutputPlan, DetectedEncodingIsGuessedAndAWrongGuessReadsAgain) {
    const ScratchDir dir;
    std::string ascii, accented;
    for (int i = 0; ascii.size() < 300000; ++i) {
        const std::string coordinates = std::to_string(i) + ",320655.420,3614050.180\r\n";
        ascii += "Ponto " + coordinates;
        accented += "Funchal Sé " + coordinates;
    }
    using Encoding = PointFileDialect::Encoding;
    const struct {
        const char* name;
        std::string bytes;
        Encoding encoding;
        std::uint64_t readings;
    } cases[] = {
        {"ascii.txt", ascii, Encoding::cp1252, 1},
        {"cp1252.txt", utf8_to_cp1252(accented), Encoding::cp1252, 1},
        {"utf8.txt", accented, Encoding::utf8, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        robust::write_file(dir / c.name, c.bytes);
        const auto run = [&](const std::string& output, PointFileDialect dialect) {
            robust::RecordingServices services;
            Environment env{services, "", ','};
            const JobRequest job{"Madeira - UTM 28 Base SE", "UTM 28 ITRF93", dir / c.name, dir / output, "", "", dialect};
            EXPECT_EQ(run_job(job, env), JobOutcome::completed);
            EXPECT_TRUE(services.messages.empty());
            // The share told never goes back, a reading again included;
            // the total counts every reading of the input.
            for (std::size_t i = 1; i < services.progress.size(); ++i)
                EXPECT_GT(services.progress[i].first, services.progress[i - 1].first);
            return services.progress.empty() ? 0 : services.progress.back().second / c.bytes.size();
        };
        PointFileDialect told;
        told.encoding = c.encoding;
        run("told.txt", told);
        EXPECT_EQ(run("detected.txt", PointFileDialect::automatic()), c.readings);
        const std::string report = robust::read_file(dir / "detected.txt");
        EXPECT_EQ(report, robust::read_file(dir / "told.txt"));
        const std::string header = c.encoding == Encoding::utf8 ? "Transformação : " : "Transforma\xE7\xE3o : ";
        EXPECT_EQ(report.substr(0, header.size()), header);
        EXPECT_EQ(robust::snapshot(dir.path()).size(), 3u);
        std::remove((dir / "told.txt").c_str());
        std::remove((dir / "detected.txt").c_str());
        std::remove((dir / c.name).c_str());
    }
}

}  // namespace
}  // namespace tesra
