// Promises kept whatever the user points the program at: nothing the user
// had or gave is lost (a rejects file beside a stream, points left out kept
// as read, a batch's own inputs), memory stays bounded, and every message
// stays on one line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
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
    // A line dialect's own lines: separator, decimal comma, further columns,
    // number text; after the lines the input holds before its points.
    write_file(s.dir / "p.txt", "Nome;M;P;H\r\nA;0,5;0;5\r\nLonge;900000;0;7\r\nB;1e300;0,50;x\r\n");
    const std::vector<std::string> semicolons = {"--skip-lines", "1", "--separator", ";", "--decimal-comma",
                                                 "--rejects", "r.txt"};
    std::vector<std::string> more = semicolons;
    more.insert(more.end(), {"p.txt", "o.txt"});
    EXPECT_EQ(run_cli(s.dir.path(), s.args(more)).status, 3);
    EXPECT_EQ(read_file(s.dir / "r.txt"), "Nome;M;P;H\r\nLonge;900000;0;7\r\nB;1e300;0,50;x\r\n");
    // Read again as the input was, the rejects file gives the same points.
    more = semicolons;
    more.insert(more.end(), {"r.txt", "o.txt"});
    more[6] = "r2.txt";
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

// A batch whose output folder holds, through a link, one of its inputs is
// refused whole before any file is written.
TEST(NothingLost, ABatchNeverWritesOverItsOwnInput) {
    Skipping s;
    make_dir(s.dir / "in");
    make_dir(s.dir / "out");
    write_file(s.dir / "in/a.txt", "A,0,0\r\n");
    write_file(s.dir / "in/b.txt", "B,0,0\r\n");
    make_symlink("../in/b.txt", s.dir / "out/a.txt");
    const std::vector<std::string> before = snapshot(s.dir.path());
    const CliRun r = run_cli(s.dir.path(), {"--from", "d73", "--to", "lisboa", "--grid-dir", s.dir.path(), "--jobs",
                                            "1", "--output-dir", "out", "in/a.txt", "in/b.txt"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "tesra-cli: a saída \"out/a.txt\" é, por ligações, o ficheiro de entrada \"in/b.txt\" do "
                     "lote; escolha outra pasta\n");
    EXPECT_EQ(snapshot(s.dir.path()), before);
}

// A stop in the middle of a batch leaves no temporary file, however its
// workers stand: none may create one once the clean-up has begun.
TEST(NothingLost, AStoppedBatchLeavesNoTemporaryFile) {
    Skipping s;
    std::string points;
    for (int i = 0; i < 3000; ++i) points.append("P").append(std::to_string(i % 900)).append(",1.5,-7.25\r\n");
    std::vector<std::string> args = {"--from", "d73", "--to", "lisboa", "--grid-dir", s.dir.path(), "--jobs", "8",
                                     "--output-dir", "out"};
    for (int i = 0; i < 120; ++i) {
        args.push_back(std::to_string(i).append(".txt"));
        write_file(s.dir / args.back(), points);
    }
    for (int run = 0; run < 20; ++run) {
        std::filesystem::remove_all(s.dir / "out");
        make_dir(s.dir / "out");
        const pid_t batch = spawn_cli(s.dir.path(), args);
        // Stopped once the first files appear, a little later each run.
        for (int i = 0; i < 100000 && std::filesystem::is_empty(s.dir / "out"); ++i) {
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(run % 7 * 3));
        signal_child(batch, run % 2 == 0 ? SIGINT : SIGTERM);
        wait_cli(batch);
        for (const auto& entry : std::filesystem::directory_iterator(s.dir / "out")) {
            EXPECT_EQ(entry.path().filename().string().find(".tesra-"), std::string::npos) << entry.path();
        }
    }
}

// Standard input read in skip mode is bounded by the reader's limits: a
// stream with no end of field is refused at once, not copied first.
TEST(BoundedMemory, StandardInputInSkipModeIsRefusedPastTheReadersLimits) {
    Skipping s;
    const int err = ::open((s.dir / "err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(err, 0);
    const pid_t job = spawn_cli(s.dir.path(), s.args({"-", "o.txt"}), -1, err, [] {
        const int zero = ::open("/dev/zero", O_RDONLY);
        if (zero < 0 || ::dup2(zero, STDIN_FILENO) < 0) _exit(124);
        const rlimit limit{std::uint64_t{64} << 20, std::uint64_t{64} << 20};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(124);
    });
    EXPECT_EQ(wait_cli(job), 1);
    ::close(err);
    EXPECT_EQ(read_file(s.dir / "err.txt"),
              "Erro no ficheiro \"entrada padrão\", linha 1: um campo ou registo com mais de 1048576 caracteres (não "
              "parece um ficheiro de pontos).\n");
}

// A file name with control characters in it is shown escaped: every
// message, alone or in a batch, stays on one line.
TEST(OneMessageALine, ControlCharactersInFileNamesAreShownEscaped) {
    Skipping s;
    const std::string name = "a\nb\x1b.txt";
    const CliRun alone = run_cli(s.dir.path(), {"--from", "d73", "--to", "lisboa", name, "o.txt"});
    EXPECT_EQ(alone.err, "Não é possível abrir o ficheiro \"a\\nb\\x1B.txt\": o ficheiro não existe.\n");
    const CliRun batch = run_cli(s.dir.path(), {"--from", "d73", "--to", "lisboa", "--output-dir", "out", name});
    EXPECT_EQ(batch.err, "a\\nb\\x1B.txt: Não é possível abrir o ficheiro \"a\\nb\\x1B.txt\": o ficheiro não "
                         "existe.\nFicheiros criados: 0; com falha: 1.\n");
}

}  // namespace
}  // namespace tesra::robust
