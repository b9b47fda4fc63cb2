// The field reader: point files, parameter files and grid files read one
// field or one record at a time, as a stream through a buffer of its own,
// so any length runs in constant memory. Paths are byte strings, used
// exactly as given (blanks included).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "files/bytes.hpp"
#include "files/dialect.hpp"
#include "files/records.hpp"
#include "os.hpp"
#include "text/angles.hpp"
#include "text/errors.hpp"
#include "text/numtext.hpp"

namespace tesra {

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

// Reads comma- and line-delimited fields. A line end is CR LF, CR or LF.
// Every failure (cannot open, not a number, file ends inside a record, a field
// longer than max_field) throws TesraError naming the file and the line.
class FieldReader {
public:
    explicit FieldReader(std::string path);
    explicit FieldReader(const PointFile& file);  // an intermediate from its start; tells its progress
    // `bytes` read as a file's whole content, named `name` in messages; they
    // must outlive the reader.
    FieldReader(std::string name, std::string_view bytes);
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
    // (grid files lay their values over lines freely).
    double read_number(const FieldName& what, bool skip_line_ends = false);

    // The next record, skipping records whose name is blank. Returns false
    // at the end of the file. The name stays valid until the next read.
    bool read_record(PointRecord& record);

    // A line of a user's file in a line dialect refused for what it holds
    // (too few or too many fields, a number that is not one or could be
    // read two ways, no name): its line, its text as read and the fault.
    struct LineFault {
        long line;
        std::string_view text;
        std::string fault;
    };
    // Faulty points are being left out: such a line is handed to `noted`
    // (the text valid only during the call) and passed over, rather than
    // stopping the reading. What cannot be told apart line by line (an
    // unclosed quote, text not in the file's encoding) still stops it.
    void leave_out_faulty_lines(std::function<void(const LineFault&)> noted) { line_faults_ = std::move(noted); }

    // What a user's file holds before its first record, as read (a
    // byte-order mark, the lines skipped, a header), so that records copied
    // after it read as they did; empty when there is nothing, or more than
    // max_preamble.
    [[nodiscard]] const std::string& preamble() const noexcept { return preamble_; }
    static constexpr std::size_t max_preamble = std::size_t{64} << 10;

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
    friend class ChunkedReading;  // read_in_chunks (chunks.cpp)

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

    // The dialects (reader_lines.cpp): the start of a user's file, one record
    // per line, and the encoding of every text field.
    void begin(PointFileDialect& dialect);
    void begin_records(PointFileDialect& dialect);
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
    void copy(const char* bytes, std::size_t n);
    int peek();   // -1 at end of file
    void skip_blanks();
    void skip_line_end();   // at CR or LF: consumes CR LF, CR or LF
    void skip_separator();  // one comma or one line end, if next
    bool skip_empty_rest_of_line();
    [[nodiscard]] TesraError extra_fields_error(long line, std::uint64_t first);
    [[nodiscard]] std::string two_ways_fault(std::string_view text) const;
    // Why a latitude or longitude as read (`field`) is refused.
    [[nodiscard]] std::string angle_refusal(AngleKind kind, std::string_view field, const AngleReading& reading) const;
    // The point-file format's record the long way (read_plain_record is
    // the fast one), and both with the range of latitude and longitude.
    bool read_general_record(PointRecord& record);
    bool read_degrees_record(PointRecord& record);
    // Throws the fault of the line being read, or hands the line to
    // line_faults_, for the caller to pass it over.
    void refuse_line(std::string_view text, const std::string& fault);
    // What is wrong with a line dialect's line split into fields_ (its
    // fields then in the order of name, M, P and the rest), or nothing:
    // its M and P are then in `record`.
    [[nodiscard]] std::string line_fault(std::string_view text, PointRecord& record);
    // Advice naming a command-line option, where it can help: told the
    // dialect (not under --auto, which found it) by a command line.
    [[nodiscard]] bool options_help() const noexcept {
        return dialect_ == nullptr ||
               (dialect_->options && dialect_->separator != PointFileDialect::Separator::automatic);
    }
    std::size_t checked_length(std::size_t length) const;
    template <class Stop>
    std::size_t scan(Stop stop);  // moves pos_ to the first byte stop() accepts
    [[nodiscard]] std::uint64_t offset() const noexcept { return base_ + pos_; }
    [[nodiscard]] std::string_view view(std::uint64_t start, std::size_t length) const noexcept {
        return {buf_.data() + (start - base_), length};
    }

    std::string path_;
    os::File file_ = os::no_file;
    os::File copy_ = os::no_file;  // PointFile::copy_to
    std::string copy_name_;
    bool from_start_ = false;  // file_ is read from its start, so offsets are the file's own
    bool positioned_ = false;  // reads at read_at_ (os::read_at), up to limit_
    std::uint64_t read_at_ = 0;
    std::uint64_t limit_ = UINT64_MAX;
    const char* memory_ = nullptr;  // the bytes read in place of a file's, up to limit_
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
    bool geographic_ = false;  // PointFileDialect::geographic
    TextEncoding encoding_ = TextEncoding::cp1252;
    char line_separator_ = 0;  // 0: the point-file format; else one record per line
    char decimal_mark_ = '.';
    std::size_t line_fields_ = 0;  // comma lines: the fields every line holds
    bool count_settled_ = false;   // by a header with as many titles
    int decimals_ = -1;            // comma lines with further columns: whether the first had decimals (-1: none yet)
    std::vector<std::size_t> order_;  // where a header's titles put name, M, P, the rest
    std::vector<std::string_view> ordered_;
    std::string line_name_;  // the name of a point in a file without names: its line
    std::size_t widest_ = 0;       // the most columns after P a record held
    std::string line_text_;
    std::vector<std::string_view> fields_;
    std::vector<std::string> titles_;
    std::string preamble_;
    std::function<void(const LineFault&)> line_faults_;
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

}  // namespace tesra
