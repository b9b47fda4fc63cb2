// A file read in chunks on several threads, or a route's steps run as one
// pass, give what the file read as one by the steps one by one gives: the
// same output bytes, the same messages (the first fault in the file's
// order, with its line), the same outcome, wherever the chunks are cut.
#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "files/chunks.hpp"
#include "jobs/extended_routes.hpp"
#include "jobs/job.hpp"
#include "support.hpp"
#include "geodesy/systems.hpp"

namespace tesra {
namespace {

using namespace std::string_literals;

struct JobResult {
    JobOutcome outcome;
    std::vector<std::string> messages;
    std::string output;  // "(none)" when no report was left
    bool operator==(const JobResult&) const = default;
};

std::ostream& operator<<(std::ostream& os, const JobResult& run) {
    os << static_cast<int>(run.outcome) << "\n";
    for (const std::string& m : run.messages) os << m << "\n";
    return os << run.output;
}

// One job on pontos.txt: `threads` threads with chunks of `chunk_bytes`,
// the steps of a route one by one or (`one_pass`) as one pass.
JobResult run_with(const robust::ScratchDir& dir, System from, System to, const PointFileDialect& dialect,
                   unsigned threads, std::size_t chunk_bytes, bool one_pass) {
    robust::RecordingServices services;
    Environment env{services, dir / "grelhas", ','};
    const std::string output = dir / "saida.txt";
    const JobRequest request{std::string(system_name(from)), std::string(system_name(to)), dir / "pontos.txt",
                             output, "", "", dialect};
    JobOptions options;
    options.chunks = {threads, chunk_bytes, 0};
    options.one_pass_route_bytes = one_pass ? 0 : UINT64_MAX;
    // The points form shows every digit an intermediate carries; the report, its own layout.
    options.output_options.format = dialect.encoding == PointFileDialect::Encoding::automatic ? OutputFormat::report
                                                                                               : OutputFormat::points;
    const ExtendedRoute* extended = find_extended_route(from, to);
    JobResult r{extended != nullptr ? run_extended_job(request, *extended, env, options) : run_job(request, env, options),
                services.messages, "(none)"};
    if (::access(output.c_str(), F_OK) == 0) {
        r.output = robust::read_file(output);
        ::unlink(output.c_str());
    }
    return r;
}

// Mainland points (Datum 73 and TM06 alike lie inside the grids), in the
// forms a point file may take.
std::string varied_points(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        const std::string m = std::to_string(-90000 + 997 * i) + "." + std::to_string(100 + i % 900);
        const std::string p = std::to_string(-100000 + 1231 * i) + ".5";
        const std::string n = std::to_string(i);
        switch (i % 9) {
        case 0: text += "P" + n + "," + m + "," + p + "\r\n"; break;
        case 1: text += "\"Marco " + n + "\"," + m + "," + p + "\n"; break;
        case 2: text += "V" + n + " ," + m + " , " + p + "\r\n\r\n"; break;
        case 3: text += "F" + n + "\r\n" + m + "\r\n" + p + "\r\n"; break;  // a field a line
        case 4: text += "\"Q\r\n" + n + "\"," + m + "," + p + "\r\n"; break;  // a line end in the name
        case 5: text += "C" + n + "," + m + "," + p + "\r"; break;  // CR alone
        case 6: text += "T" + n + "," + m + "," + p + ",\r\n"; break;  // a comma after P
        case 7: text += "S\xe9 " + n + "," + m + "e0," + p + "\r\n,,\r\n"; break;
        case 8: text += "A" + n + "," + m + "," + p + ",B" + n + ",1,2\n"; break;
        }
    }
    return text;
}

TEST(Chunks, ReadInChunksAsReadWhole) {
    robust::ScratchDir dir;
    robust::make_dir(dir / "grelhas");
    for (const GridParameters* grid : {&grid_73_to_lisboa, &grid_lisboa_to_73}) {
        robust::write_shift_grids(dir / "grelhas", grid->m_file, grid->p_file);
    }
    const std::string points = varied_points(120);
    const std::string faulty = "Longe,900000.0,900000.0\r\n";
    struct Case {
        std::string name;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"clean", points},
        {"Ctrl-Z at the end", points + "\x1a"},
        {"a header line", "Nome,M,P\r\n" + points},
        {"not a number, then a point beyond the grid",
         points.substr(0, 900) + "\r\nX1,12a,5\r\n" + points.substr(900) + faulty + points},
        {"a point beyond the grid", points + faulty + points},
        {"a point beyond the grid, then not a number", points + faulty + points + "X1,12a,5\r\n" + points},
        {"cut inside a record", points + "Z,1.5,\r\n"},
        {"a quote in a name", points + "Q\"1,1,2\r\n" + points},
        {"extra fields", points + "E,1,2,3\r\n" + points},
        {"a NUL byte", points + std::string("N\0L,1,2\r\n", 9) + points},
        {"UTF-8 names, then one that is not", points + "Sé,1,2\r\n" + points + "S\xe9,1,2\r\n" + points},
        {"UTF-8 names", "Sé,1,2\r\n" + points},
    };
    for (const Case& c : cases) {
        robust::write_file(dir / "pontos.txt", c.text);
        for (const auto& [from, to] : {std::pair{System::d73, System::lisboa}, std::pair{System::tm06, System::lisboa},
                                       std::pair{System::lisboa, System::tm06}, std::pair{System::tm06, System::militar}}) {
            for (const PointFileDialect& dialect : {PointFileDialect{}, PointFileDialect::automatic()}) {
                const JobResult whole = run_with(dir, from, to, dialect, 1, 1 << 20, false);
                SCOPED_TRACE(c.name + ", " + std::string(system_name(from)) + " -> " + std::string(system_name(to)));
                EXPECT_EQ(run_with(dir, from, to, dialect, 1, 1 << 20, true), whole) << "steps as one pass";
                for (const std::size_t chunk : {1, 37, 300, 1000}) {
                    EXPECT_EQ(run_with(dir, from, to, dialect, 3, chunk, chunk % 2 == 0), whole) << "chunks of " << chunk;
                }
            }
        }
    }
}

// The chunked reading is no reading as one in disguise: the points are
// transformed on other threads than the caller's.
TEST(Chunks, PointsAreTransformedOnOtherThreads) {
    robust::ScratchDir dir;
    std::string points;
    for (int i = 0; i < 400; ++i) {
        const std::string n = std::to_string(i);
        points += 'P' + n + ',' + n + ".5,-7.25\r\n";
    }
    robust::write_file(dir / "pontos.txt", points);
    std::mutex mutex;
    std::set<std::thread::id> threads;
    PointFile input(dir / "pontos.txt");
    input.chunks = {2, 500, 0};
    const LoopEnd end = transform_point_file(input, PointFile(dir / "saida.txt"), [&](double m, double p, double& mo,
                                                                                       double& po) {
        const std::lock_guard lock(mutex);
        threads.insert(std::this_thread::get_id());
        mo = m;
        po = p;
        return true;
    });
    EXPECT_FALSE(end.stopped);
    EXPECT_FALSE(threads.empty());
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 0U);
}

// A stretch without line feeds (records on one long line, CR line ends) is
// never a chunk of its own, held whole while the chunks before it go out:
// the reading in order takes it, and every record is read once.
TEST(BoundedMemory, NoChunkHoldsAStretchWithoutLineFeeds) {
    robust::ScratchDir dir;
    std::string lines;
    for (int i = 0; i < 200; ++i) lines += "P,1,2\r\n";
    for (const char* end : {",", "\r"}) {
        std::string stretch;
        while (stretch.size() < (std::size_t{1} << 20)) stretch += std::string("R,1,2") + end;
        robust::write_file(dir / "pontos.txt", lines + stretch + "\r\n" + lines);
        const std::size_t records = 400 + stretch.size() / 6;
        FieldReader in(PointFile(dir / "pontos.txt"));
        std::mutex mutex;
        std::size_t most = 0, in_chunks = 0;
        const ChunkBody body = [&](FieldReader& reader, ByteBlock&) {
            std::size_t n = 0;
            for (PointRecord record; reader.read_record(record);) ++n;
            const std::lock_guard lock(mutex);
            most = std::max(most, n);
            in_chunks += n;
            return true;
        };
        const ChunkedRead read = read_in_chunks(in, {2, 500, 0}, body, [](std::string_view) {});
        ASSERT_TRUE(read.taken && read.rest);
        std::size_t in_order = 0;
        for (PointRecord record; read.rest->read_record(record);) ++in_order;
        EXPECT_EQ(in_chunks + in_order, records) << end;
        EXPECT_LT(most, (std::size_t{64} << 10) / 6) << end;
    }
}

}  // namespace
}  // namespace tesra
