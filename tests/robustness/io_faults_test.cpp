// Every system call of a job failing in turn. For each route below, a clean
// run counts the engine's open, read, write and close calls; then the job
// runs again once per call with just that call failing. Each run must end
// in one of two ways only: the very same report, or a failure reported in
// one message naming a file, with the directory exactly as it was before
// (the old report, no temporary file), the pointer back to normal and the
// program not asked to end. Interrupted calls and reads and writes cut
// short must change nothing at all.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "support.hpp"
#include "geodesy/grid.hpp"
#include "io_injection.hpp"
#include "jobs/job.hpp"

namespace tesra::robust {
namespace {

struct Route {
    std::string name;
    std::string source;
    std::string target;
    std::string points;
    bool generic = false;
};

void PrintTo(const Route& route, std::ostream* os) { *os << route.name; }

const std::vector<Route>& routes() {
    static const std::vector<Route> all = {
        {"Official", "Madeira - UTM 28 Base SE", "UTM 28 ITRF93",
         "Funchal,320655.420,3614050.180\r\nMachico,334010.330,3624060.910\r\nPorto Moniz,293100.250,3637780.600\r\n"},
        {"PolynomialThenGrid", "ETRS89 TM06", "Hayford-Gauss Datum Lisboa-Ponto Central",
         "Lisboa,-87345.210,-104877.530\r\nPorto,-41190.880,165002.410\r\n"},
        {"Generic", "Qualquer", "", "A,1.5,2.5\r\nB,-3,4e3\r\n", true},
    };
    return all;
}

// The files of one run, in a directory of its own.
class Scene {
public:
    explicit Scene(const Route& route) : route_(route) {
        write_file(dir_ / "pontos.txt", route.points);
        // A failed run must leave the last report as it was.
        write_file(dir_ / "relatorio.txt", "relat\xF3rio antigo\r\n");
        write_file(dir_ / "px.txt", identity_x_parameters());
        write_file(dir_ / "py.txt", identity_y_parameters());
        write_shift_grids(dir_.path(), grid_73_to_lisboa.m_file, grid_73_to_lisboa.p_file);
        write_shift_grids(dir_.path(), grid_lisboa_to_73.m_file, grid_lisboa_to_73.p_file);
    }

    struct Result {
        JobOutcome outcome;
        io::Counts counts;
    };

    Result run(const io::Plan& plan) {
        Environment env{services, dir_.path(), ','};
        const JobRequest texts{route_.source, route_.target, dir_ / "pontos.txt", dir_ / "relatorio.txt",
                                route_.generic ? dir_ / "px.txt" : "", route_.generic ? dir_ / "py.txt" : ""};
        io::arm(plan);
        const JobOutcome outcome = run_job(texts, env);
        return {outcome, io::disarm()};
    }

    [[nodiscard]] std::vector<std::string> contents() const { return snapshot(dir_.path()); }
    [[nodiscard]] std::string report() const { return read_file(dir_ / "relatorio.txt"); }
    // The names a message about this job may give.
    [[nodiscard]] bool names_a_file(const std::string& message) const {
        for (const char* name : {"pontos.txt", "relatorio.txt", "px.txt", "py.txt", "73_lx_m.asc", "73_lx_p.asc"}) {
            if (message.find(name) != std::string::npos) return true;
        }
        return false;
    }

    RecordingServices services;

private:
    const Route& route_;
    ScratchDir dir_;
};

struct Baseline {
    std::string report;
    std::vector<std::string> contents;
    io::Counts counts;
};

Baseline clean_run(const Route& route) {
    Scene scene(route);
    const Scene::Result r = scene.run({});
    EXPECT_EQ(r.outcome, JobOutcome::completed);
    return {scene.report(), scene.contents(), r.counts};
}

class SystemCallFaults : public testing::TestWithParam<Route> {};

TEST_P(SystemCallFaults, EachCallFailingInTurnEitherChangesNothingOrFailsCleanly) {
    const Route& route = GetParam();
    const Baseline baseline = clean_run(route);
    for (const io::Call call : io::all_calls) {
        const int made = baseline.counts[static_cast<std::size_t>(call)];
        ASSERT_GT(made, 0) << io::name(call) << " is not reached through the wrapper";
        const int error = call == io::Call::open ? EMFILE : call == io::Call::write ? ENOSPC : EIO;
        for (int k = 1; k <= made; ++k) {
            SCOPED_TRACE(std::string(io::name(call)) + " call " + std::to_string(k) + " of " + std::to_string(made));
            Scene scene(route);
            const std::vector<std::string> before = scene.contents();
            const Scene::Result r = scene.run({call, k, error});
            const RecordingServices& s = scene.services;
            ASSERT_FALSE(s.pointers.empty());
            EXPECT_EQ(s.pointers.back(), Pointer::normal);
            if (r.outcome == JobOutcome::completed) {
                // A failed close of a file that was read, or a failed
                // nameless intermediate that falls back to another, may
                // pass unnoticed: the result is the same.
                EXPECT_NE(call, io::Call::write);
                EXPECT_TRUE(s.messages.empty());
                EXPECT_EQ(scene.report(), baseline.report);
                EXPECT_EQ(scene.contents(), baseline.contents);
                continue;
            }
            EXPECT_EQ(r.outcome, JobOutcome::failed);
            EXPECT_TRUE(s.completions.empty());
            EXPECT_EQ(s.end_requests, 0);
            ASSERT_EQ(s.messages.size(), 1u);
            EXPECT_TRUE(scene.names_a_file(s.messages[0])) << s.messages[0];
            EXPECT_EQ(scene.contents(), before);
        }
    }
}

// Interrupted calls are resumed, and reads and writes cut short are
// continued: the same report, the same directory.
TEST_P(SystemCallFaults, InterruptedOrShortCallsChangeNothing) {
    const Route& route = GetParam();
    const Baseline baseline = clean_run(route);
    std::vector<io::Plan> plans;
    // An interrupted open or close is not resumed (open only returns EINTR
    // for devices and pipes; after close the descriptor is gone anyway).
    for (const io::Call call : {io::Call::read, io::Call::write}) {
        for (int k = 1; k <= baseline.counts[static_cast<std::size_t>(call)]; ++k) plans.push_back({call, k, EINTR});
    }
    for (const std::size_t limit : {1u, 2u, 3u, 7u, 64u}) plans.push_back({io::Call::open, 0, 0, limit, limit});
    for (const io::Plan& plan : plans) {
        SCOPED_TRACE(std::string(io::name(plan.call)) + " call " + std::to_string(plan.fail_at) + ", at most " +
                     std::to_string(plan.max_read) + " bytes per call");
        Scene scene(route);
        EXPECT_EQ(scene.run(plan).outcome, JobOutcome::completed);
        EXPECT_TRUE(scene.services.messages.empty());
        EXPECT_EQ(scene.report(), baseline.report);
        EXPECT_EQ(scene.contents(), baseline.contents);
    }
}

// Each reading of a point file counts as one reading of the input, so the
// share told climbs through the whole job; a cancel at any chunk of any
// reading leaves everything as it was, with nothing shown.
TEST_P(SystemCallFaults, CancelAtAnyChunkLeavesEverythingAsItWas) {
    Route route = GetParam();
    std::string points;
    while (points.size() < 300000) points += route.points;
    route.points = points;
    Scene clean(route);
    ASSERT_EQ(clean.run({}).outcome, JobOutcome::completed);
    const auto& told = clean.services.progress;
    const std::uint64_t total = (route.name == "PolynomialThenGrid" ? 2 : 1) * points.size();
    ASSERT_GE(told.size(), 4u);
    for (std::size_t i = 0; i < told.size(); ++i) {
        EXPECT_EQ(told[i].second, total);
        EXPECT_GT(told[i].first, i == 0 ? 0 : told[i - 1].first);
    }
    EXPECT_GT(told.back().first, total - points.size());
    for (std::size_t k = 1; k <= told.size(); ++k) {
        SCOPED_TRACE("cancelled at chunk " + std::to_string(k));
        Scene scene(route);
        const std::vector<std::string> before = scene.contents();
        scene.services.cancel_at = k;
        EXPECT_EQ(scene.run({}).outcome, JobOutcome::cancelled);
        EXPECT_TRUE(scene.services.messages.empty() && scene.services.completions.empty());
        EXPECT_EQ(scene.services.end_requests, 0);
        EXPECT_EQ(scene.services.pointers.back(), Pointer::normal);
        EXPECT_EQ(scene.contents(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(Routes, SystemCallFaults, testing::ValuesIn(routes()),
                         [](const testing::TestParamInfo<Route>& info) { return info.param.name; });

}  // namespace
}  // namespace tesra::robust
