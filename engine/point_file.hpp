// Point files: the field reader, the record writer and the loop that every
// transformation routine runs. Files are read and written as streams through
// large buffers, one field at a time, so any length runs in constant memory.
// Paths are byte strings, used exactly as given (blanks included).
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "errors.hpp"

namespace tesra {

struct PointRecord {
    std::string_view name;  // valid until the reader's next read
    double m = 0;           // first coordinate (X, easting), metres
    double p = 0;           // second coordinate (Y, northing), metres
};

// Reads comma- and line-delimited fields. A line end is CR LF, CR or LF.
// Every failure (cannot open, not a number, file ends inside a record, a field
// longer than max_field) throws TesraError naming the file and the line.
class FieldReader {
public:
    explicit FieldReader(std::string path);
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
    double read_number(std::string_view what, bool skip_line_ends = false);

    // The next record, skipping records whose name is blank. Returns false
    // at the end of the file. The name stays valid until the next read.
    bool read_record(PointRecord& record);

    // Line (from 1) on which the last field read started.
    [[nodiscard]] long line() const noexcept { return field_line_; }
    [[nodiscard]] const std::string& path() const noexcept { return path_; }

    // Largest field (or record) the reader accepts; a longer one is reported.
    static constexpr std::size_t max_field = std::size_t{1} << 20;

private:
    enum class Separator { comma, line_end, end_of_file };
    friend class KeepGuard;

    bool fill();  // false at end of file
    int peek();   // -1 at end of file
    void skip_blanks();
    void skip_line_end();   // at CR or LF: consumes CR LF, CR or LF
    void skip_separator();  // one comma or one line end, if next
    bool rest_of_line_blank();
    std::size_t checked_length(std::size_t length) const;
    template <class Stop>
    std::size_t scan(Stop stop);  // moves pos_ to the first byte stop() accepts
    [[nodiscard]] std::uint64_t offset() const noexcept { return base_ + pos_; }
    [[nodiscard]] std::string_view view(std::uint64_t start, std::size_t length) const noexcept {
        return {buf_.data() + (start - base_), length};
    }

    std::string path_;
    int fd_ = -1;
    std::vector<char> buf_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::uint64_t base_ = 0;              // stream offset of buf_[0]
    std::uint64_t keep_ = UINT64_MAX;     // stream offset fill() must not drop
    bool at_eof_ = false;
    Separator last_separator_ = Separator::end_of_file;
    long line_ = 1;
    long field_line_ = 1;
};

// A buffered output file, created or emptied at construction. Either close()
// (which reports a failed flush or close) or discard(); destroying an open
// file discards it. discard() empties and removes what this object wrote, and
// removes the path only while it still names the regular file it created:
// never a device, a directory or the target of a link.
class OutputFile {
public:
    explicit OutputFile(std::string path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(std::string_view bytes) {
        if (bytes.size() > buf_.size() - used_) flush_for(bytes.size());
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
    void flush_for(std::size_t n);
    void flush();

    std::string path_;
    int fd_ = -1;
    std::vector<char> buf_;
    std::size_t used_ = 0;
    unsigned long long dev_ = 0, ino_ = 0;
    bool regular_ = false;
};

// Removes path only if it names a regular file (not a link, device or
// directory). Returns whether a file was removed.
bool remove_regular_file(const std::string& path) noexcept;

// The written form of one record: "name",M,P then CR LF.
void write_record(OutputFile& out, std::string_view name, double m, double p);

enum class LoopEnd { completed, stopped };

// The loop of every routine: opens fich1 for reading, then creates or empties
// fich2, and writes one record per named input record with the coordinates
// that compute(m, p, m_out, p_out) gives. compute returns false to stop the
// loop early (it keeps what it needs of the offending point); the output is
// then closed and left to the caller. Any read or write fault, or a
// coordinate that is not finite, throws TesraError after discarding fich2.

[[nodiscard]] TesraError not_finite_error(const FieldReader& in, std::string_view name);
[[nodiscard]] TesraError quoted_name_error(const FieldReader& in, std::string_view name);

template <class Compute>
LoopEnd transform_point_file(const std::string& fich1, const std::string& fich2,
                             Compute&& compute) {
    FieldReader in(fich1);
    OutputFile out(fich2);
    PointRecord record;
    while (in.read_record(record)) {
        double m = 0, p = 0;
        if (!compute(record.m, record.p, m, p)) {
            out.close();
            return LoopEnd::stopped;
        }
        if (!std::isfinite(m) || !std::isfinite(p)) throw not_finite_error(in, record.name);
        // The written form has no escape for a quote: such a name would come
        // back cut short from the intermediate file.
        if (record.name.find('"') != std::string_view::npos) throw quoted_name_error(in, record.name);
        write_record(out, record.name, m, p);
    }
    out.close();
    return LoopEnd::completed;
}

}  // namespace tesra
