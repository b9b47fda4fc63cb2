// What a routine reads and writes: a point file, named by its path or held
// open, and the records in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "files/dialect.hpp"
#include "os.hpp"

namespace tesra {

class ByteBlock;
class Intermediate;
class ReadProgress;

struct PointRecord {
    std::string_view name;  // valid until the reader's next read
    double m = 0;           // first coordinate (X, easting), metres
    double p = 0;           // second coordinate (Y, northing), metres
    // The fields after P in the one-record-per-line dialects, unquoted; empty
    // in the point-file format. Valid until the reader's next read.
    std::span<const std::string_view> columns;
    // The line the record was read from, as it was written, in the
    // one-record-per-line dialects; none (a null view) in the point-file
    // format. Valid until the reader's next read.
    std::string_view line;
};

// Where a routine's records go in place of a file: the job's output, which
// the last routine writes in its own pass. Faults throw.
class RecordSink {
public:
    virtual void write(const PointRecord& record) = 0;
    // Whether format() gives each record's bytes apart from the others,
    // so that threads may format chunks of records at once and
    // write_bytes() put them in order.
    [[nodiscard]] virtual bool formats_apart() const noexcept { return false; }
    // Appends to `block` what write(record) would add; changes nothing.
    virtual void format(const PointRecord& /*record*/, ByteBlock& /*block*/) const {}
    virtual void write_bytes(std::string_view /*bytes*/) {}

protected:
    ~RecordSink() = default;
};

// How a routine may read a point file: in chunks of about `chunk_bytes`,
// cut at line ends, `threads` of them at once. Only a file of the
// point-file format read from its start, with at least `min_bytes` and two
// chunks in it, is read so; anything else is read as one. (Below about
// 2 MiB, starting the threads and touching their memory costs what they
// save.)
struct ChunkPlan {
    unsigned threads = 1;
    std::size_t chunk_bytes = std::size_t{256} << 10;
    std::uint64_t min_bytes = std::uint64_t{2} << 20;
};

// A point file a routine reads or writes: a file of the user's by its
// path, one of the job's intermediates, or a stream the front end holds
// open (standard input or output), read or written from where it stands.
// `path` names the last two in messages. A reader of it tells `progress`,
// if any, how far it has read. A user's file read through a dialect has its
// start examined (byte-order mark, lines to skip, separator, header); when
// the whole file has been read the reader sets the dialect's encoding to the
// one it found, which the job passes on to the intermediates (for the
// report and messages).
struct AreaCheck;

struct PointFile {
    PointFile() = default;
    PointFile(std::string path_, Intermediate* intermediate_ = nullptr,  // NOLINT: a path is a point file
              ReadProgress* progress_ = nullptr, PointFileDialect* dialect_ = nullptr)
        : path(std::move(path_)), intermediate(intermediate_), progress(progress_), dialect(dialect_) {}
    static PointFile stream(std::string name, os::File file) {
        PointFile point_file(std::move(name));
        point_file.stream_fd = file;
        return point_file;
    }
    std::string path;
    Intermediate* intermediate = nullptr;
    ReadProgress* progress = nullptr;
    PointFileDialect* dialect = nullptr;  // none: the point-file format in Windows-1252, as is
    os::File stream_fd = os::no_file;
    bool holds_input = false;  // an intermediate that holds the user's input as it came
    // A stream's bytes, as a reader takes them, are also written here, so
    // that what was read can be read again: the copy grows only as far as
    // the reader goes, within its limits.
    Intermediate* copy_to = nullptr;
    RecordSink* sink = nullptr;  // given: a routine writing this file hands its records there instead
    ChunkPlan chunks;  // how a routine reading this file may share out the work
    AreaCheck* area = nullptr;  // given: where the points read should lie (point_loop.hpp)
};

}  // namespace tesra
