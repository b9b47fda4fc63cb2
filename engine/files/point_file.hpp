// Point files: the field reader, the record writer and the loop that every
// transformation routine runs. Files are read and written as streams through
// large buffers, one field at a time, so any length runs in constant memory.
// Paths are byte strings, used exactly as given (blanks included).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "files/dialect.hpp"
#include "text/errors.hpp"
#include "text/numtext.hpp"
#include "services.hpp"

namespace tesra {

// Thrown when the front end cancels a job (Services::keep_going answered
// false). Not a TesraError: there is nothing to report, and every file
// being written is discarded on the way out.
struct JobCancelled {};

// How far a job has got through its reading, told to the front end. A job
// reads the input, then each intermediate once (the next routine's or, when
// the last routine does not write the output itself, the output's reading):
// `passes` readings in all. Each counts as one reading of
// the input, an intermediate's progress scaled to the input's size, so the
// share moves evenly over the whole job whatever the route.
class ReadProgress {
public:
    ReadProgress(Services& services, int passes) noexcept : services_(services), passes_(passes) {}
    // A reader starts on a file of `size` bytes (0: not known).
    void start_pass(std::uint64_t size) noexcept;
    // `bytes` of the current file read so far. Throws JobCancelled.
    void read(std::uint64_t bytes);

private:
    Services& services_;
    int passes_;
    int pass_ = -1;
    std::uint64_t input_size_ = 0;
    std::uint64_t pass_size_ = 0;
    std::uint64_t earlier_passes_ = 0;  // bytes, while the input's size is not known
    std::uint64_t read_ = 0;            // of the current file
    std::uint64_t told_ = 0;            // of the current file, when last told
};

// A private file of the job's own for the records between two routines:
// nameless from the moment it exists, so no other job or user can open,
// overwrite or delete it, and nothing of it survives the process however
// the process ends. Created in `dir` when it can be (and `dir` is not
// empty), else in the system's temporary folder. `name` stands for it in messages.
class Intermediate {
public:
    Intermediate(const std::string& dir, std::string name);
    ~Intermediate();
    Intermediate(const Intermediate&) = delete;
    Intermediate& operator=(const Intermediate&) = delete;
    [[nodiscard]] int fd() const noexcept { return fd_; }
    [[nodiscard]] const std::string& name() const noexcept { return name_; }

private:
    int fd_ = -1;
    std::string name_;
};

struct PointRecord;
class ByteBlock;

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
struct PointFile {
    PointFile() = default;
    PointFile(std::string path_, Intermediate* intermediate_ = nullptr,  // NOLINT: a path is a point file
              ReadProgress* progress_ = nullptr, PointFileDialect* dialect_ = nullptr)
        : path(std::move(path_)), intermediate(intermediate_), progress(progress_), dialect(dialect_) {}
    static PointFile stream(std::string name, int fd) {
        PointFile file(std::move(name));
        file.stream_fd = fd;
        return file;
    }
    std::string path;
    Intermediate* intermediate = nullptr;
    ReadProgress* progress = nullptr;
    PointFileDialect* dialect = nullptr;  // none: the point-file format in Windows-1252, as is
    int stream_fd = -1;
    bool holds_input = false;  // an intermediate that holds the user's input as it came
    RecordSink* sink = nullptr;  // given: a routine writing this file hands its records there instead
    ChunkPlan chunks;  // how a routine reading this file may share out the work
};

struct PointRecord {
    std::string_view name;  // valid until the reader's next read
    double m = 0;           // first coordinate (X, easting), metres
    double p = 0;           // second coordinate (Y, northing), metres
    // The fields after P in the one-record-per-line dialects, unquoted; empty
    // in the point-file format. Valid until the reader's next read.
    std::span<const std::string_view> columns;
};

// What a numeric field is called in messages: a text, or a grid node by its
// row and column, spelt out only when a message needs it (a grid file has
// thousands of values and, nearly always, no message).
class FieldName {
public:
    FieldName(const char* text) noexcept : text_(text) {}                 // NOLINT: a text names a field
    FieldName(std::string_view text) noexcept : text_(text) {}            // NOLINT
    FieldName(const std::string& text) noexcept : text_(text) {}          // NOLINT
    static FieldName node(int row, int column) noexcept {
        FieldName name{std::string_view{}};
        name.row_ = row;
        name.column_ = column;
        return name;
    }
    [[nodiscard]] std::string str() const;

private:
    std::string_view text_;
    int row_ = 0, column_ = 0;
};

// Bytes that are written before they are read, so they are never cleared:
// the reader's and writer's buffers, which a small file barely touches.
class ByteBuffer {
public:
    explicit ByteBuffer(std::size_t size) : data_(std::make_unique_for_overwrite<char[]>(size)), size_(size) {}
    [[nodiscard]] char* data() noexcept { return data_.get(); }
    [[nodiscard]] const char* data() const noexcept { return data_.get(); }
    [[nodiscard]] std::size_t size() const noexcept { return size_; }
    char& operator[](std::size_t i) noexcept { return data_[i]; }
    const char& operator[](std::size_t i) const noexcept { return data_[i]; }
    // Grows to `size`, keeping the first `kept` bytes.
    void grow(std::size_t size, std::size_t kept) {
        if (size <= size_) return;
        auto bigger = std::make_unique_for_overwrite<char[]>(size);
        std::char_traits<char>::copy(bigger.get(), data_.get(), kept);
        data_ = std::move(bigger);
        size_ = size;
    }

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_;
};

// Bytes laid down in memory the way an OutputFile takes them: the records
// of one chunk, formatted by one thread and written in order by another.
class ByteBlock {
public:
    ByteBlock() : buf_(std::size_t{64} << 10) {}
    void write(std::string_view bytes) {
        std::char_traits<char>::copy(reserve(bytes.size()), bytes.data(), bytes.size());
        used_ += bytes.size();
    }
    char* reserve(std::size_t n) {
        if (n > buf_.size() - used_) buf_.grow(std::max(2 * buf_.size(), used_ + n), used_);
        return buf_.data() + used_;
    }
    void commit(std::size_t n) noexcept { used_ += n; }
    [[nodiscard]] std::string_view bytes() const noexcept { return {buf_.data(), used_}; }
    void clear() noexcept { used_ = 0; }

private:
    ByteBuffer buf_;
    std::size_t used_ = 0;
};

class FieldReader;

// What a thread does with one chunk: reads its records with the reader
// given and formats what it writes into the block. False (or a throw) when
// the chunk did not go through cleanly: a fault, a point left untransformed.
using ChunkBody = std::function<bool(FieldReader&, ByteBlock&)>;
// Puts one chunk's bytes in the output, chunks in the file's order.
using ChunkOut = std::function<void(std::string_view)>;

// How read_in_chunks ended.
struct ChunkedRead {
    bool taken = false;  // false: nothing was read; the file is to be read as one
    // Taken: where the chunks stopped going through cleanly, a reader from
    // the start of the first chunk that did not, with the line number and
    // state the file's reading had reached there, for the rest to be read
    // in order, faults reported as they come. None: the whole file went
    // through.
    std::unique_ptr<FieldReader> rest;
};

// Reads what is left of `in` (just opened, nothing read from it by the
// caller) in chunks, as `plan` allows: body runs on each chunk on threads
// of its own and write_out gets each chunk's bytes in the file's order, on the
// calling thread, which also tells the progress. A chunk only goes through
// when every chunk before it did: then it began at the start of a record
// with all reading state that matters as the reading of the whole file
// would have it, so the bytes are those the file read as one gives.
ChunkedRead read_in_chunks(FieldReader& in, const ChunkPlan& plan, const ChunkBody& body, const ChunkOut& write_out);

// Reads comma- and line-delimited fields. A line end is CR LF, CR or LF.
// Every failure (cannot open, not a number, file ends inside a record, a field
// longer than max_field) throws TesraError naming the file and the line.
class FieldReader {
public:
    explicit FieldReader(std::string path);
    explicit FieldReader(const PointFile& file);  // an intermediate from its start; tells its progress
    ~FieldReader();
    FieldReader(const FieldReader&) = delete;
    FieldReader& operator=(const FieldReader&) = delete;

    // True when no character is left to read.
    [[nodiscard]] bool eof();

    // A text field: leading spaces skipped; a quoted field runs to the next
    // quote (the rest up to the separator is skipped); any other runs to the
    // next comma or line end, trailing spaces dropped. An empty line reads as
    // an empty field. The view stays valid until the next read.
    std::string_view read_text();

    // A numeric field (grammar of parse_number). It ends at a comma, a blank
    // or a line end; blanks after it and then one comma or line end are
    // passed over. `what` names the field in messages ("M", "P", ...).
    // With skip_line_ends, line ends before the number are passed over too
    // (grid files spread their values over lines freely).
    double read_number(const FieldName& what, bool skip_line_ends = false);

    // The next record, skipping records whose name is blank. Returns false
    // at the end of the file. The name stays valid until the next read.
    bool read_record(PointRecord& record);

    // The titles of the columns after P, from a header line the reader
    // skipped; empty when there was none.
    [[nodiscard]] const std::vector<std::string>& column_titles() const noexcept { return titles_; }

    // The encoding of the text read so far (settled at the end of the file).
    [[nodiscard]] TextEncoding encoding() const noexcept {
        return text_check_ == TextCheck::utf8 || (text_check_ == TextCheck::detect && seen_utf8_) ? TextEncoding::utf8
                                                                                                  : encoding_;
    }

    // Line (from 1) on which the last field read started.
    [[nodiscard]] long line() const noexcept { return field_line_; }
    [[nodiscard]] const std::string& path() const noexcept { return path_; }

    // Largest field (or record) the reader accepts; a longer one is reported.
    static constexpr std::size_t max_field = std::size_t{1} << 20;

private:
    enum class Separator { comma, line_end, end_of_file };
    enum class TextCheck : char { none, utf8, detect };  // what names are checked for
    friend class KeepGuard;
    friend ChunkedRead read_in_chunks(FieldReader&, const ChunkPlan&, const ChunkBody&, const ChunkOut&);

    // What the text of the names read so far has settled.
    struct TextState {
        TextCheck check;
        bool seen_utf8;
        TextEncoding encoding;
    };
    [[nodiscard]] TextState text_state() const noexcept { return {text_check_, seen_utf8_, encoding_}; }
    // A reader of the same file as `from`, from byte `start` (where line
    // `line` starts) up to byte `limit`, which it reads as the file's end.
    FieldReader(const FieldReader& from, std::uint64_t start, std::uint64_t limit, long line, TextState text);

    // The dialects (dialect.cpp): the start of a user's file, one record
    // per line, and the encoding of every text field.
    void begin(PointFileDialect& dialect);
    bool read_line_record(PointRecord& record);
    void check_text(std::string_view text, long line);
    [[nodiscard]] std::string excerpt(std::string_view text) const {
        // Under detection, text not yet checked shows as what it looks like.
        const bool utf8 = text_check_ == TextCheck::detect && valid_utf8(text);
        return quote_excerpt(text, utf8 ? TextEncoding::utf8 : encoding());
    }

    // At the end of a user's file: tells its dialect the encoding found.
    void settle_encoding() noexcept {
        if (dialect_ == nullptr) return;
        dialect_->encoding = encoding() == TextEncoding::utf8 ? PointFileDialect::Encoding::utf8
                                                              : PointFileDialect::Encoding::cp1252;
    }
    bool read_plain_record(PointRecord& record);
    bool fill();  // false at end of file
    int peek();   // -1 at end of file
    void skip_blanks();
    void skip_line_end();   // at CR or LF: consumes CR LF, CR or LF
    void skip_separator();  // one comma or one line end, if next
    bool skip_empty_rest_of_line();
    [[nodiscard]] TesraError extra_fields_error(long line, std::uint64_t first);
    std::size_t checked_length(std::size_t length) const;
    template <class Stop>
    std::size_t scan(Stop stop);  // moves pos_ to the first byte stop() accepts
    [[nodiscard]] std::uint64_t offset() const noexcept { return base_ + pos_; }
    [[nodiscard]] std::string_view view(std::uint64_t start, std::size_t length) const noexcept {
        return {buf_.data() + (start - base_), length};
    }

    std::string path_;
    int fd_ = -1;
    bool from_start_ = false;  // fd_ is a file read from its start, so offsets are the file's own
    bool positioned_ = false;  // reads at read_at_ (pread), up to limit_
    std::uint64_t read_at_ = 0;
    std::uint64_t limit_ = UINT64_MAX;
    ReadProgress* progress_ = nullptr;
    ByteBuffer buf_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::uint64_t base_ = 0;              // stream offset of buf_[0]
    std::uint64_t keep_ = UINT64_MAX;     // stream offset fill() must not drop
    bool at_eof_ = false;
    Separator last_separator_ = Separator::end_of_file;
    long line_ = 1;
    long field_line_ = 1;
    long record_end_line_ = 0;  // line of the last record's P when a comma followed it
    bool held_end_mark_ = false;  // a Ctrl-Z read last, not yet known not to end the file

    PointFileDialect* dialect_ = nullptr;  // a user's file: told the encoding at the end
    TextCheck text_check_ = TextCheck::none;
    bool seen_utf8_ = false;  // TextCheck::detect: a name held a UTF-8 character
    TextEncoding encoding_ = TextEncoding::cp1252;
    char line_separator_ = 0;  // 0: the point-file format; else one record per line
    char decimal_mark_ = '.';
    std::size_t line_fields_ = 0;  // comma lines: the fields every line holds
    std::size_t widest_ = 0;       // the most columns after P a record held
    std::string line_text_;
    std::vector<std::string_view> fields_;
    std::vector<std::string> titles_;
};

template <class Stop>
std::size_t FieldReader::scan(Stop stop) {
    const std::uint64_t start = offset();
    std::size_t i = pos_;
    for (;;) {
        while (i < end_ && !stop(buf_[i])) ++i;
        if (i < end_) break;
        const std::size_t scanned = i - pos_;
        if (!fill()) {
            i = end_;
            break;
        }
        i = pos_ + scanned;
    }
    pos_ = i;
    return static_cast<std::size_t>(offset() - start);
}

// Holds a stretch of the buffer in place while a field or record is read
// across refills.
class KeepGuard {
public:
    KeepGuard(FieldReader& reader, std::uint64_t from) : reader_(reader), saved_(reader.keep_) {
        if (from < reader.keep_) reader.keep_ = from;
    }
    ~KeepGuard() { reader_.keep_ = saved_; }
    KeepGuard(const KeepGuard&) = delete;
    KeepGuard& operator=(const KeepGuard&) = delete;

private:
    FieldReader& reader_;
    std::uint64_t saved_;
};

// A buffered output file. Either close() (which reports a failed flush,
// close or rename) or discard(); destroying an open file discards it.
//  - OutputFile(path): created or emptied at once, as a stream; discard()
//    empties and removes it while the path still names the regular file it
//    created (never a device, a directory or the target of a link).
//  - OutputFile(path, Mode::replace): a report that appears whole or not at all.
//    It is written beside its final place under a temporary name and renamed
//    over it by close(); until then a file at the path is untouched. A link
//    keeps pointing where it did and its target is replaced; a file keeps its
//    permissions. A path that names something other than a regular file (a
//    device, a FIFO, a terminal) is written as a stream.
//  - OutputFile(intermediate): into one of the job's intermediates.
//  - OutputFile(stream): onto the front end's stream, never truncated,
//    renamed or removed (what was written cannot be taken back).
class OutputFile {
public:
    enum class Mode { stream, replace };
    explicit OutputFile(std::string path, Mode mode = Mode::stream);
    explicit OutputFile(const PointFile& file);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(std::string_view bytes) {
        if (bytes.size() > buf_.size() - used_) {
            write_past(bytes);
            return;
        }
        std::char_traits<char>::copy(buf_.data() + used_, bytes.data(), bytes.size());
        used_ += bytes.size();
    }
    // Room for at least n more bytes at the returned pointer; commit(k) after.
    char* reserve(std::size_t n) {
        if (n > buf_.size() - used_) flush_for(n);
        return buf_.data() + used_;
    }
    void commit(std::size_t n) noexcept { used_ += n; }

    void close();
    void discard() noexcept;
    [[nodiscard]] const std::string& path() const noexcept { return path_; }

private:
    void open_stream();
    void flush_for(std::size_t n);
    void flush();
    void write_past(std::string_view bytes);  // more than the buffer has room for
    void write_all(const char* bytes, std::size_t n);

    std::string path_;     // what messages name
    std::string rename_from_;  // Mode::replace: the temporary name, renamed over rename_to_
    std::string rename_to_;
    int ticket_ = -1;  // of the temporary name, for a signal's clean-up
    int fd_ = -1;
    ByteBuffer buf_;
    std::size_t used_ = 0;
    unsigned long long dev_ = 0, ino_ = 0;
    bool regular_ = false;
};

// The path a link leads to, followed to its end even when the file it
// names does not exist yet; any other path unchanged.
std::string follow_links(std::string path);

// Removes path only if it names a regular file (not a link, device or
// directory). Returns whether a file was removed.
bool remove_regular_file(const std::string& path) noexcept;

// The written form of one record: "name",M,P then CR LF. Further columns
// go after P, each quoted with its quotes doubled; a reader reads such
// records one per line.
void write_record(OutputFile& out, std::string_view name, double m, double p,
                  std::span<const std::string_view> columns = {});
void write_record(ByteBlock& out, std::string_view name, double m, double p,
                  std::span<const std::string_view> columns = {});

// How a routine's loop ended: every record went through, or compute
// refused the point at (m, p), as read.
struct LoopEnd {
    bool stopped = false;
    double m = 0;
    double p = 0;
};

// Why a point was left out when faulty points are skipped rather than
// stopping the job.
enum class PointFault { outside_grid, no_data, not_finite, no_inverse };

// The points one loop left out: each by its place among the records it
// read (from 0), in order. compute sets `fault` before it refuses a point.
struct SkippedPoints {
    struct Point {
        std::uint64_t ordinal;
        PointFault fault;
    };
    std::vector<Point> points;
    PointFault fault = PointFault::outside_grid;
};

// The loop of every routine: opens fich1 for reading, then fich2 for
// writing (or hands the records to its sink), and writes one record per
// named input record with the coordinates that compute(m, p, m_out, p_out)
// gives. compute returns false to stop the loop early; the output is then
// closed and left to the caller. Any read or write fault, or a coordinate
// that is not finite, throws TesraError after discarding fich2.
// Given `skipped`, a point compute refuses or whose result is not finite is
// left out and noted there instead, and the loop goes on.
// Without `skipped`, compute may run on several threads at once (fich1's
// ChunkPlan), so it must change nothing shared.

[[nodiscard]] TesraError not_finite_error(const FieldReader& in, std::string_view name);
[[nodiscard]] TesraError quoted_name_error(const FieldReader& in, std::string_view name);

template <class Compute>
LoopEnd transform_point_file(const PointFile& fich1, const PointFile& fich2, Compute&& compute,
                             SkippedPoints* skipped = nullptr) {
    FieldReader first(fich1);
    std::optional<OutputFile> out;
    if (fich2.sink == nullptr) out.emplace(fich2);
    ChunkedRead chunked;
    if (skipped == nullptr && fich1.chunks.threads > 1 && (out || fich2.sink->formats_apart())) {
        const ChunkBody body = [&](FieldReader& reader, ByteBlock& block) {
            PointRecord record;
            while (reader.read_record(record)) {
                double m = 0, p = 0;
                // Whatever would stop the loop or throw is left to the
                // reading in order, which reports it as it comes.
                if (!compute(record.m, record.p, m, p) || !(std::fabs(m) <= largest_written_number) ||
                    !(std::fabs(p) <= largest_written_number) || record.name.find('"') != std::string_view::npos) {
                    return false;
                }
                if (out) {
                    write_record(block, record.name, m, p, record.columns);
                } else {
                    fich2.sink->format(PointRecord{record.name, m, p, record.columns}, block);
                }
            }
            return true;
        };
        const ChunkOut write_out = [&](std::string_view bytes) {
            if (out) {
                out->write(bytes);
            } else {
                fich2.sink->write_bytes(bytes);
            }
        };
        chunked = read_in_chunks(first, fich1.chunks, body, write_out);
        if (chunked.taken && !chunked.rest) {
            if (out) out->close();
            return {};
        }
    }
    FieldReader& in = chunked.rest ? *chunked.rest : first;
    PointRecord record;
    for (std::uint64_t ordinal = 0; in.read_record(record); ++ordinal) {
        double m = 0, p = 0;
        if (!compute(record.m, record.p, m, p)) {
            if (skipped != nullptr) {
                skipped->points.push_back({ordinal, skipped->fault});
                continue;
            }
            if (out) out->close();
            return {true, record.m, record.p};
        }
        // Also refuses what the intermediate file could not carry (NaN fails both tests).
        if (!(std::fabs(m) <= largest_written_number) || !(std::fabs(p) <= largest_written_number)) {
            if (skipped != nullptr) {
                skipped->points.push_back({ordinal, PointFault::not_finite});
                continue;
            }
            throw not_finite_error(in, record.name);
        }
        // The written form has no escape for a quote: such a name would come
        // back cut short from the intermediate file.
        if (record.name.find('"') != std::string_view::npos) throw quoted_name_error(in, record.name);
        if (out) {
            write_record(*out, record.name, m, p, record.columns);
        } else {
            fich2.sink->write(PointRecord{record.name, m, p, record.columns});
        }
    }
    if (out) out->close();
    return {};
}

}  // namespace tesra
