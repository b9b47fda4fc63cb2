// Promises kept whatever the user points the program at: nothing the user
// had or gave is lost (a rejects file beside a stream, points left out kept
// as read, a batch's own inputs), memory stays bounded, and every message
// stays on one line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "geodesy/grid.hpp"
#include "support.hpp"

namespace tesra::robust {
namespace {

// A scratch folder with the mainland grids, a point inside them and one
// beyond.
struct Skipping {
    ScratchDir dir;
    Skipping() {
        write_shift_grids(dir.path(), grid_73_to_lisboa.m_file, grid_73_to_lisboa.p_file);
        write_file(dir / "p.txt", "A,0,0\r\nLonge,185000.5,0\r\n");
    }
    [[nodiscard]] std::vector<std::string> args(std::vector<std::string> more) const {
        std::vector<std::string> all = {"--from", "d73", "--to", "lisboa", "--grid-dir", dir.path(), "--on-error",
                                        "skip"};
        all.insert(all.end(), more.begin(), more.end());
        return all;
    }
};

const std::string skip_message =
    "Ficheiro \"p.txt\", linha 2: o ponto \"Longe\" foi deixado de fora: está fora dos limites da grelha.\n";

TEST(NothingLost, ARejectsFileNeverTakesTheOutputsOrInputsPlace) {
    Skipping s;
    // Where the output or the input would be lost: a usage error, nothing touched.
    for (const std::vector<std::string>& more : std::vector<std::vector<std::string>>{
             {"--rejects", "/dev/stdout", "p.txt", "-"},
             {"--rejects", "o.txt", "p.txt", "o.txt"},
             {"--rejects", "p.txt", "p.txt", "o.txt"},
             {"--rejects", "./p.txt", "p.txt", "o.txt"},
         }) {
        const std::vector<std::string> before = snapshot(s.dir.path());
        EXPECT_EQ(run_cli(s.dir.path(), s.args(more)).status, 2) << more[1];
        EXPECT_EQ(snapshot(s.dir.path()), before);
    }
    // Standard output redirected to the file the rejects would replace.
    const int log = ::open((s.dir / "rel.txt").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    ASSERT_GE(log, 0);
    EXPECT_EQ(wait_cli(spawn_cli(s.dir.path(), s.args({"--rejects", "rel.txt", "p.txt", "-"}), log)), 2);
    ::close(log);
    EXPECT_EQ(read_file(s.dir / "rel.txt"), "");
    // A stream is written as one, after what it holds: never replaced, never
    // taken for a missing folder.
    const CliRun out = run_cli(s.dir.path(), s.args({"--rejects", "/dev/stdout", "p.txt", "o.txt"}));
    EXPECT_EQ(out.status, 3);
    EXPECT_EQ(out.out, "\"Longe\",185000.5,0\r\nCriado o ficheiro: o.txt\n");
    const CliRun err = run_cli(s.dir.path(), s.args({"--rejects", "/dev/stderr", "p.txt", "o.txt"}));
    EXPECT_EQ(err.status, 3);
    EXPECT_EQ(err.err, skip_message + "\"Longe\",185000.5,0\r\nPontos deixados de fora: 1 (guardados em "
                                      "\"/dev/stderr\").\n");
}

TEST(NothingLost, RejectedPointsAreKeptAsRead) {
    Skipping s;
    // A line dialect's own lines: separator, decimal comma, further columns, number text.
    write_file(s.dir / "p.txt", "A;0,5;0;5\r\nLonge;900000;0;7\r\nB;1e300;0,50;x\r\n");
    const std::vector<std::string> semicolons = {"--separator", ";", "--decimal-comma", "--rejects", "r.txt"};
    std::vector<std::string> more = semicolons;
    more.insert(more.end(), {"p.txt", "o.txt"});
    EXPECT_EQ(run_cli(s.dir.path(), s.args(more)).status, 3);
    EXPECT_EQ(read_file(s.dir / "r.txt"), "Longe;900000;0;7\r\nB;1e300;0,50;x\r\n");
    // Read again as the input was, the rejects file gives the same points.
    more = semicolons;
    more.insert(more.end(), {"r.txt", "o.txt"});
    more[4] = "r2.txt";
    EXPECT_EQ(run_cli(s.dir.path(), s.args(more)).status, 3);
    EXPECT_EQ(read_file(s.dir / "r2.txt"), read_file(s.dir / "r.txt"));
    // A name no point file can carry is refused wherever the point lies,
    // before it could be left out.
    for (const char* point : {"Marco \"Alto\" 3,185000.5,0\r\n", "Marco \"Alto\" 3,0,0\r\n"}) {
        write_file(s.dir / "q.txt", point);
        const CliRun r = run_cli(s.dir.path(), s.args({"--rejects", "rq.txt", "q.txt", "o.txt"}));
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "Erro no ficheiro \"q.txt\", linha 1: o nome do ponto \"Marco \"Alto\" 3\" contém aspas "
                         "(\"), que o programa não consegue guardar; retire-as do nome.\n");
    }
}

}  // namespace
}  // namespace tesra::robust
