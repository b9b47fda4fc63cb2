// What real use brings, through tesra-cli as a user runs it: several jobs
// at once, files of the user's named like the old intermediates, signals
// at every phase, closed pipes, an input folder the user may not write and
// an output folder that disappears. Whatever happens, an old report is
// either left as it was or replaced by a whole new one, and no temporary
// file stays behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support.hpp"
#include "geodesy/grid.hpp"

namespace tesra::robust {
namespace {

// n mainland points inside the grids, one per line.
std::string mainland_points(int n) {
    std::string text;
    char line[64];
    for (long i = 0; i < n; ++i) {
        const int length = std::snprintf(line, sizeof line, "P%ld,%ld.125,%ld.5\r\n", i, -100000 + (i * 7919) % 250000,
                                         -250000 + (i * 104729) % 500000);
        text.append(line, static_cast<std::size_t>(length));
    }
    return text;
}

// Polls for what a running job shows; false after a minute without it.
template <class Condition>
bool wait_until(Condition seen) {
    for (int i = 0; i < 300000; ++i) {
        if (seen()) return true;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

std::vector<std::string> args(std::string from, std::string to, std::string input, std::string output) {
    return {"--from", std::move(from), "--to", std::move(to), "--decimal-separator", ".", "--grid-dir",
            "grelhas", std::move(input), std::move(output)};
}

struct Scene {
    ScratchDir dir;
    explicit Scene(int points) {
        make_dir(dir / "grelhas");
        write_shift_grids(dir / "grelhas", grid_73_to_lisboa.m_file, grid_73_to_lisboa.p_file);
        write_file(dir / "pontos.txt", mainland_points(points));
    }
    std::string run_alone(const std::string& to, const std::string& output) {
        EXPECT_EQ(wait_cli(spawn_cli(dir.path(), args("d73", to, "pontos.txt", output))), 0);
        return read_file(dir / output);
    }
    // Whether a temporary report is there yet (".<name>.tesra-...").
    [[nodiscard]] bool has_temporary() const {
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            if (entry.path().filename().string().find(".tesra-") != std::string::npos) return true;
        }
        return false;
    }
};

TEST(RealUse, JobsAtOnceGiveExactlyTheReportsEachGivesAlone) {
    Scene scene(40000);
    const std::string to_tm06 = scene.run_alone("tm06", "so-tm06.txt");
    const std::string to_lisboa = scene.run_alone("lisboa", "so-lisboa.txt");
    const std::vector<std::string> expected_entries = snapshot(scene.dir.path());
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::vector<pid_t> jobs = {
            spawn_cli(scene.dir.path(), args("d73", "tm06", "pontos.txt", "a.txt")),
            spawn_cli(scene.dir.path(), args("d73", "lisboa", "pontos.txt", "b.txt")),
            spawn_cli(scene.dir.path(), args("d73", "tm06", "pontos.txt", "comum.txt")),
            spawn_cli(scene.dir.path(), args("d73", "lisboa", "pontos.txt", "comum.txt")),
        };
        for (pid_t job : jobs) EXPECT_EQ(wait_cli(job), 0);
        EXPECT_EQ(read_file(scene.dir / "a.txt"), to_tm06);
        EXPECT_EQ(read_file(scene.dir / "b.txt"), to_lisboa);
        const std::string shared = read_file(scene.dir / "comum.txt");
        EXPECT_TRUE(shared == to_tm06 || shared == to_lisboa) << "a mix of two reports";
        for (const char* name : {"a.txt", "b.txt", "comum.txt"}) std::filesystem::remove(scene.dir / name);
        EXPECT_EQ(snapshot(scene.dir.path()), expected_entries);
    }
}

TEST(RealUse, FilesNamedLikeTheOldIntermediatesAreNeverTouched) {
    Scene scene(3);
    write_file(scene.dir / "importante.txt", "dados do utilizador\r\n");
    make_hard_link(scene.dir / "importante.txt", scene.dir / "pontos.txt_tmp");
    make_hard_link(scene.dir / "grelhas/73_lx_m.asc", scene.dir / "pontos.txt_tmp2a");
    write_file(scene.dir / "outros.txt", mainland_points(3));
    write_file(scene.dir / "px.txt", identity_x_parameters());
    write_file(scene.dir / "outros.txt_tmp", identity_y_parameters());  // a parameter file by that name
    const std::vector<std::string> before = snapshot(scene.dir.path());
    const std::vector<std::vector<std::string>> jobs = {
        args("tm06", "lisboa", "pontos.txt", "r1.txt"),  // two routines, through a grid
        {"--from", "qualquer", "--param-x", "px.txt", "--param-y", "outros.txt_tmp", "outros.txt", "r2.txt"},
    };
    for (const auto& job : jobs) EXPECT_EQ(run_cli(scene.dir.path(), job).status, 0);
    for (const char* report : {"r1.txt", "r2.txt"}) std::filesystem::remove(scene.dir / report);
    EXPECT_EQ(snapshot(scene.dir.path()), before);
}

struct Stop {
    int signal;
    bool in_report;  // else while the first routine waits for its input
};

void PrintTo(const Stop& s, std::ostream* os) { *os << strsignal(s.signal) << (s.in_report ? " in report" : ""); }

class Signals : public testing::TestWithParam<Stop> {};

TEST_P(Signals, LeaveTheOldReportAndNoTemporaryFile) {
    const Stop stop = GetParam();
    Scene scene(stop.in_report ? 1000000 : 0);
    write_file(scene.dir / "relatorio.txt", "relatório antigo\r\n");
    if (!stop.in_report) {
        ASSERT_EQ(::mkfifo((scene.dir / "fifo").c_str(), 0600), 0);
    }
    const std::vector<std::string> before = snapshot(scene.dir.path());
    ScratchDir logs;
    const int err = ::open((logs / "err").c_str(), O_CREAT | O_WRONLY, 0600);
    const pid_t job =
        spawn_cli(scene.dir.path(), args("tm06", "lisboa", stop.in_report ? "pontos.txt" : "fifo", "relatorio.txt"),
                  -1, err);
    ::close(err);
    if (stop.in_report) {
        EXPECT_TRUE(wait_until([&] { return scene.has_temporary(); }));
        signal_child(job, stop.signal);
    } else {
        const int fifo = ::open((scene.dir / "fifo").c_str(), O_WRONLY);  // waits for the job to open it
        const std::string some = mainland_points(100);
        ASSERT_EQ(::write(fifo, some.data(), some.size()), static_cast<ssize_t>(some.size()));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        signal_child(job, stop.signal);
        ::close(fifo);
    }
    EXPECT_EQ(wait_cli(job), 128 + stop.signal);
    const std::vector<std::string> after = snapshot(scene.dir.path());
    if (stop.signal == SIGKILL) {
        // Nothing can clean up after SIGKILL: at most the temporary report
        // stays, plainly named, and never under the report's own name.
        EXPECT_EQ(read_file(scene.dir / "relatorio.txt"), "relatório antigo\r\n");
        EXPECT_LE(after.size(), before.size() + 1);
    } else {
        EXPECT_EQ(after, before);
        EXPECT_NE(read_file(logs / "err").find("não foi criado nem alterado"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(EachPhase, Signals,
                         testing::Values(Stop{SIGINT, false}, Stop{SIGTERM, false}, Stop{SIGHUP, false},
                                         Stop{SIGXFSZ, false}, Stop{SIGINT, true}, Stop{SIGTERM, true},
                                         Stop{SIGHUP, true}, Stop{SIGXFSZ, true}, Stop{SIGKILL, true}));

TEST(RealUse, ClosedPipesNeverCutTheJobShort) {
    Scene scene(3);
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    ::close(pipe_fds[0]);  // nobody reads: every write to it fails
    // A refused job with its messages on a closed pipe, then a completed
    // one with its announcement on it.
    EXPECT_EQ(wait_cli(spawn_cli(scene.dir.path(), args("d73", "tm06", "falta.txt", "r.txt"), -1, pipe_fds[1])), 1);
    EXPECT_EQ(wait_cli(spawn_cli(scene.dir.path(), args("d73", "tm06", "pontos.txt", "r.txt"), pipe_fds[1], -1)), 0);
    ::close(pipe_fds[1]);
    EXPECT_EQ(read_file(scene.dir / "r.txt"), scene.run_alone("tm06", "alone.txt"));
}

TEST(RealUse, AnInputFolderTheUserMayNotWriteIsNoObstacle) {
    Scene scene(3);
    ScratchDir out;
    ASSERT_EQ(::chmod(scene.dir.path().c_str(), 0555), 0);
    ASSERT_EQ(::chmod(out.path().c_str(), 0777), 0);
    // Root writes anywhere: the job runs as nobody where the test is root,
    // from a copy of the program beside its output, since the checkout may
    // lie where nobody cannot enter (/root, a home of mode 0700).
    const bool root = ::geteuid() == 0;
    const std::string program = root ? out / "tesra-cli" : cli_program();
    if (root) {
        std::filesystem::copy_file(cli_program(), program);
        ASSERT_EQ(::chmod(program.c_str(), 0755), 0);
    }
    const pid_t job = start_child(program, args("d73", "lisboa", "pontos.txt", out / "r.txt"),
                                  {scene.dir.path(), -1, -1, std::nullopt, [&program, root] {
                                       if (!root) return;
                                       if (::setgid(65534) != 0 || ::setuid(65534) != 0) _exit(123);
                                       if (::access(program.c_str(), X_OK) != 0) _exit(77);
                                   }});
    const int status = wait_child(job);
    ::chmod(scene.dir.path().c_str(), 0700);
    if (status == 77) GTEST_SKIP() << "nobody cannot reach the scratch folders under " << out.path();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(read_file(out / "r.txt"), scene.run_alone("lisboa", "alone.txt"));
}

TEST(RealUse, AnOutputFolderRemovedDuringTheJobIsAFailure) {
    Scene scene(1000000);
    make_dir(scene.dir / "saida");
    CliRun run;
    std::thread job([&] { run = run_cli(scene.dir.path(), args("d73", "tm06", "pontos.txt", "saida/r.txt")); });
    EXPECT_TRUE(wait_until([&] { return !std::filesystem::is_empty(scene.dir / "saida"); }));
    std::filesystem::remove_all(scene.dir / "saida");
    job.join();
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("\"saida/r.txt\""), std::string::npos) << run.err;
}

}  // namespace
}  // namespace tesra::robust
