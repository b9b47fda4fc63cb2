// tesra-cli as a filter: a reader of its standard output that goes away, a
// closed standard error, and --quiet for scripts.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <stdexcept>

#include "support.hpp"

namespace tesra::robust {
namespace {

// A pipe whose reader has gone: the first write to it fails.
struct ClosedPipe {
    int fds[2] = {-1, -1};
    ClosedPipe() {
        if (::pipe(fds) != 0) throw std::runtime_error("pipe");
        ::close(fds[0]);
    }
    ~ClosedPipe() { ::close(fds[1]); }
    [[nodiscard]] int write_end() const { return fds[1]; }
};

// Standard error into a file outside the scratch directory.
struct ErrorFile {
    ScratchDir dir;
    int fd = ::open((dir / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ~ErrorFile() { ::close(fd); }
    [[nodiscard]] std::string text() const { return read_file(dir / "err"); }
};

// The filter ends as `head` leaves it, whether its parent let SIGPIPE end
// it or ignored the signal: status 141, no message, no temporary left. A
// two-step route keeps an intermediate file the clean-up must remove.
TEST(Streams, ClosedStandardOutputEndsQuietlyAsAFilter) {
    ScratchDir dir;
    write_shift_grids(dir.path(), "73_lx_m.asc", "73_lx_p.asc");
    write_file(dir / "in.txt", "A,0,0\r\nB,10,20\r\n");
    const auto before = snapshot(dir.path());
    for (const bool parent_ignores : {false, true}) {
        for (const std::vector<std::string>& to : {std::vector<std::string>{"-"}, {"--format", "csv", "/dev/stdout"}}) {
            ClosedPipe out;
            ErrorFile err;
            std::vector<std::string> args = {"--from", "tm06", "--to", "lisboa", "--grid-dir", dir.path(), "in.txt"};
            args.insert(args.end(), to.begin(), to.end());
            const pid_t pid = spawn_cli(dir.path(), args, out.write_end(), err.fd, [parent_ignores] {
                if (parent_ignores) std::signal(SIGPIPE, SIG_IGN);
            });
            EXPECT_EQ(wait_cli(pid), 141) << to.back();
            EXPECT_EQ(err.text(), "") << to.back();
            EXPECT_EQ(snapshot(dir.path()), before) << to.back();
        }
    }
    // Help and the list are written to a filter too; a completion line
    // alone there is lost, and the file is written all the same.
    ClosedPipe out;
    EXPECT_EQ(wait_cli(spawn_cli(dir.path(), {"--list"}, out.write_end())), 141);
    EXPECT_EQ(wait_cli(spawn_cli(dir.path(), {"--from", "tm06", "--to", "lisboa", "--grid-dir", dir.path(), "in.txt",
                                              "out.txt"}, out.write_end())), 0);
    EXPECT_EQ(snapshot(dir.path()).size(), before.size() + 1);
}

// Messages into a closed standard error are lost, and nothing else: the
// same status and the same output, byte for byte, in the file named.
TEST(Streams, ClosedStandardErrorChangesNothing) {
    ScratchDir dir;
    write_shift_grids(dir.path(), "73_lx_m.asc", "73_lx_p.asc");
    write_file(dir / "in.txt", "A,0,0\r\nFORA,500000,0\r\nB,10,20\r\n");
    write_file(dir / "bad.txt", "A,0,0\r\nB,x,0\r\n");
    const std::vector<std::string> skip = {"--from", "d73", "--to", "lisboa", "--grid-dir", dir.path(), "--on-error",
                                           "skip", "in.txt", "out.txt"};
    ASSERT_EQ(run_cli(dir.path(), skip).status, 3);
    const std::string expected = read_file(dir / "out.txt");
    const auto closed = [&](const std::vector<std::string>& args) {
        return wait_cli(spawn_cli(dir.path(), args, -1, -1, [] { ::close(STDERR_FILENO); }));
    };
    std::remove((dir / "out.txt").c_str());
    EXPECT_EQ(closed(skip), 3);
    EXPECT_EQ(read_file(dir / "out.txt"), expected);
    const auto before = snapshot(dir.path());
    EXPECT_EQ(closed({"--from", "d73", "--to", "lisboa", "--grid-dir", dir.path(), "bad.txt", "out.txt"}), 1);
    EXPECT_EQ(closed({"--from", "d73", "--bogus"}), 2);
    EXPECT_EQ(snapshot(dir.path()), before);
}

// --quiet drops the completion lines (a batch's count too, when all went
// well); what went wrong is still told.
TEST(Streams, QuietDropsOnlyTheCompletionLines) {
    ScratchDir dir;
    write_file(dir / "a.txt", "A,320000,3620000\r\n");
    write_file(dir / "b.txt", "B,320000,3620000\r\nLONGE,1e200,0\r\n");
    const CliRun one = run_cli(dir.path(), {"-q", "--from", "madeira", "--to", "utm28", "a.txt", "a.out"});
    const auto silent = [](const CliRun& r) { return r.status == 0 && r.out.empty() && r.err.empty(); };
    EXPECT_TRUE(silent(one)) << one.out << one.err;
    const CliRun piped = run_cli(dir.path(), {"--quiet", "--from", "madeira", "--to", "utm28", "a.txt", "-"});
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.err, "");
    EXPECT_NE(piped.out.find("Coordenadas : UTM 28 ITRF93\r\n"), std::string::npos) << piped.out;
    const CliRun skipped =
        run_cli(dir.path(), {"-q", "--from", "utm28", "--to", "madeira", "--on-error", "skip", "b.txt", "b.out"});
    EXPECT_EQ(skipped.status, 3);
    EXPECT_EQ(skipped.out, "");
    EXPECT_NE(skipped.err.find("\"LONGE\" foi deixado de fora"), std::string::npos) << skipped.err;
    const CliRun batch = run_cli(dir.path(), {"-q", "--from", "madeira", "--to", "utm28", "--output-dir", "o", "a.txt"});
    EXPECT_TRUE(silent(batch)) << batch.out << batch.err;
    const CliRun failing =
        run_cli(dir.path(), {"-q", "--from", "madeira", "--to", "utm28", "--output-dir", "o", "a.txt", "none.txt"});
    EXPECT_EQ(failing.status, 1);
    EXPECT_EQ(failing.out, "");
    EXPECT_NE(failing.err.find("Ficheiros criados: 1; com falha: 1.\n"), std::string::npos) << failing.err;
}

}  // namespace
}  // namespace tesra::robust
