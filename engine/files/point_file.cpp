#include "files/point_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

#include "text/numtext.hpp"
#include "files/temporaries.hpp"

namespace tesra {

namespace {

// Chunks small enough to stay in the processor's cache between the
// system's copy and our parsing or formatting; the reader's buffer grows
// beyond two chunks only for a field that needs it.
constexpr std::size_t read_chunk = std::size_t{64} << 10;
constexpr std::size_t write_chunk = std::size_t{64} << 10;

bool is_line_end(char c) noexcept { return c == '\r' || c == '\n'; }

std::string_view trim(std::string_view s) noexcept {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// The first of the given bytes in [p, limit), or limit: eight bytes at a
// time where the machine is little-endian (the lowest lane that matches is
// exact; lanes above it may hold false matches, which do not matter).
template <class... Bytes>
const char* find_first_of(const char* p, const char* limit, Bytes... bytes) noexcept {
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t ones = 0x0101010101010101ULL, highs = 0x8080808080808080ULL;
        // The bytes sought are control characters, quotes and commas: one
        // test finds every byte up to the highest of them, and one that is
        // none of them (a blank, say) is passed over.
        const unsigned top = std::max({static_cast<unsigned>(static_cast<unsigned char>(bytes))...});
        if (top < 0x80) {
            const std::uint64_t up_to_top = ones * (top + 1);
            while (limit - p >= 8) {
                std::uint64_t word = 0;
                std::memcpy(&word, p, 8);
                const std::uint64_t candidates = (word - up_to_top) & ~word & highs;
                if (candidates == 0) {
                    p += 8;
                    continue;
                }
                p += std::countr_zero(candidates) / 8;
                if (((*p == bytes) || ...)) return p;
                ++p;
            }
        } else {
            auto zero_lanes = [](std::uint64_t x) { return (x - ones) & ~x & highs; };
            for (; limit - p >= 8; p += 8) {
                std::uint64_t word = 0;
                std::memcpy(&word, p, 8);
                const std::uint64_t hits = (zero_lanes(word ^ (ones * static_cast<unsigned char>(bytes))) | ...);
                if (hits != 0) return p + std::countr_zero(hits) / 8;
            }
        }
    }
    while (p < limit && ((*p != bytes) && ...)) ++p;
    return p;
}

// A name no other file has yet, beside `near`: ".<name>.tesra-<pid>-<n>"
// (hidden, and plainly temporary to anyone who finds one after a crash).
std::string temporary_name(const std::string& directory, std::string_view base) {
    static std::atomic<unsigned> counter{0};
    std::string name = directory;
    if (!name.empty() && name.back() != '/') name += '/';
    name += '.';
    name += base;
    name += ".tesra-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
    return name;
}

std::string directory_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A nameless file in `directory`, or -1.
int open_nameless(const std::string& directory) {
#ifdef O_TMPFILE
    const int fd = ::open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
#endif
    // Where the file system has no nameless files: a fresh name, removed at once.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = temporary_name(directory, "intermedio");
        const int fd = ::open(name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::unlink(name.c_str());
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

}  // namespace

std::string follow_links(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        std::error_code ec;
        const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
        if (ec) break;
        path = target.is_absolute() ? target.string() : (std::filesystem::path(directory_of(path)) / target).string();
    }
    return path;
}


// ---------------------------------------------------------- intermediates

Intermediate::Intermediate(const std::string& dir, std::string name) : name_(std::move(name)) {
    if (!dir.empty()) fd_ = open_nameless(dir);
    if (fd_ < 0) {
        const char* tmpdir = std::getenv("TMPDIR");
        fd_ = open_nameless(tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp");
    }
    if (fd_ < 0) throw open_error(dir + "/" + name_, errno, true);
}

Intermediate::~Intermediate() { ::close(fd_); }

// -------------------------------------------------------------- progress

void ReadProgress::start_pass(std::uint64_t size) noexcept {
    if (++pass_ == 0) input_size_ = size;
    pass_ = std::min(pass_, passes_ - 1);
    pass_size_ = size;
    earlier_passes_ += read_;
    read_ = told_ = 0;
}

void ReadProgress::read(std::uint64_t bytes) {
    read_ = bytes;
    // Told once per chunk however the system hands the bytes over (a pipe
    // may give a few at a time).
    if (bytes - told_ < read_chunk) return;
    told_ = bytes;
    std::uint64_t done = earlier_passes_ + bytes;
    std::uint64_t total = 0;
    if (input_size_ > 0) {
        const double share =
            pass_size_ > 0 ? std::min(1.0, static_cast<double>(bytes) / static_cast<double>(pass_size_)) : 1.0;
        total = input_size_ * static_cast<std::uint64_t>(passes_);
        done = input_size_ * static_cast<std::uint64_t>(pass_) +
               static_cast<std::uint64_t>(share * static_cast<double>(input_size_));
    }
    if (!services_.keep_going(done, total)) throw JobCancelled{};
}

// ---------------------------------------------------------------- reader

FieldReader::FieldReader(std::string path) : FieldReader(PointFile{std::move(path)}) {}

FieldReader::FieldReader(const PointFile& file) : path_(file.path), buf_(2 * read_chunk) {
    if (file.stream_fd >= 0) {
        fd_ = ::fcntl(file.stream_fd, F_DUPFD_CLOEXEC, 0);
        if (fd_ < 0) throw open_error(path_, errno, false);
    } else if (file.intermediate == nullptr) {
        fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) throw open_error(path_, errno, false);
        struct stat st {};
        if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(fd_);
            fd_ = -1;
            throw open_error(path_, EISDIR, false);
        }
        from_start_ = true;
    } else {
        fd_ = ::dup(file.intermediate->fd());
        if (fd_ < 0 || ::lseek(fd_, 0, SEEK_SET) != 0) {
            const int error = errno;
            if (fd_ >= 0) ::close(fd_);
            fd_ = -1;
            throw open_error(path_, error, false);
        }
        from_start_ = true;
    }
    if (file.progress != nullptr) {
        struct stat st {};
        progress_ = file.progress;
        progress_->start_pass(::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size)
                                                                           : 0);
    }
    if (file.dialect == nullptr) return;
    if (file.intermediate != nullptr && !file.holds_input) {
        encoding_ = file.dialect->encoding == PointFileDialect::Encoding::utf8 ? TextEncoding::utf8
                                                                                : TextEncoding::cp1252;
        if (file.dialect->columns > 0) line_separator_ = ',';
        return;
    }
    try {
        begin(*file.dialect);
    } catch (...) {
        ::close(fd_);
        fd_ = -1;
        throw;
    }
}

FieldReader::FieldReader(const FieldReader& from, std::uint64_t start, std::uint64_t limit, long line,
                         TextState text)
    : path_(from.path_),
      fd_(::fcntl(from.fd_, F_DUPFD_CLOEXEC, 0)),
      from_start_(true),
      positioned_(true),
      read_at_(start),
      limit_(limit),
      buf_(2 * read_chunk),
      base_(start),
      line_(line),
      field_line_(line),
      text_check_(text.check),
      seen_utf8_(text.seen_utf8),
      encoding_(text.encoding),
      decimal_mark_(from.decimal_mark_) {
    if (fd_ < 0) throw open_error(path_, errno, false);
}

FieldReader::~FieldReader() {
    if (fd_ >= 0) ::close(fd_);
}

bool FieldReader::fill() {
    if (at_eof_) return false;
    const std::uint64_t keep_from = std::min<std::uint64_t>(keep_, offset());
    const auto drop = static_cast<std::size_t>(keep_from - base_);
    if (drop > 0) {
        std::memmove(buf_.data(), buf_.data() + drop, end_ - drop);
        end_ -= drop;
        pos_ -= drop;
        base_ += drop;
    }
    if (end_ > max_field) {
        throw file_error(path_, line_, "um campo ou registo com mais de " + std::to_string(max_field) +
                                           " caracteres (não parece um ficheiro de pontos)");
    }
    if (buf_.size() - end_ < read_chunk) {
        buf_.grow(std::min(max_field + read_chunk, std::max(2 * buf_.size(), end_ + read_chunk)), end_);
    }
    // A Ctrl-Z that old exports put at the very end is no part of the
    // file: one read last is held back until more bytes or the end come.
    const std::size_t old_end = end_;
    for (;;) {
        if (held_end_mark_) {
            buf_[end_++] = '\x1A';
            held_end_mark_ = false;
        }
        const std::size_t room = std::min(read_chunk, buf_.size() - end_);
        const ssize_t n =
            positioned_ ? ::pread(fd_, buf_.data() + end_, std::min<std::uint64_t>(room, limit_ - read_at_),
                                  static_cast<off_t>(read_at_))
                        : ::read(fd_, buf_.data() + end_, room);
        if (n > 0) {
            read_at_ += static_cast<std::uint64_t>(n);
            end_ += static_cast<std::size_t>(n);
            if (progress_ != nullptr) progress_->read(base_ + end_);
            if (buf_[end_ - 1] == '\x1A') {
                --end_;
                held_end_mark_ = true;
                if (end_ == old_end) continue;
            }
            return true;
        }
        if (n == 0) {
            if (end_ > old_end) --end_;  // the held Ctrl-Z ended the file
            at_eof_ = true;
            return false;
        }
        if (end_ > old_end) {
            --end_;
            held_end_mark_ = true;
        }
        if (errno != EINTR) {
            throw file_error(path_, line_, std::string("erro de leitura (") + std::strerror(errno) + ")");
        }
    }
}

std::size_t FieldReader::checked_length(std::size_t length) const {
    if (length > max_field) {
        throw file_error(path_, field_line_, "um campo com mais de " + std::to_string(max_field) +
                                                 " caracteres (não parece um ficheiro de pontos)");
    }
    return length;
}

int FieldReader::peek() {
    if (pos_ == end_ && !fill()) return -1;
    return static_cast<unsigned char>(buf_[pos_]);
}

bool FieldReader::eof() { return peek() < 0; }

void FieldReader::skip_blanks() {
    while (peek() == ' ') ++pos_;
}

void FieldReader::skip_line_end() {
    const char c = buf_[pos_++];
    ++line_;
    if (c == '\r' && peek() == '\n') ++pos_;
}

void FieldReader::skip_separator() {
    const int c = peek();
    if (c == ',') {
        ++pos_;
        last_separator_ = Separator::comma;
    } else if (c == '\r' || c == '\n') {
        skip_line_end();
        last_separator_ = Separator::line_end;
    } else {
        last_separator_ = Separator::end_of_file;
    }
}

std::string_view FieldReader::read_text() {
    // The usual field, quoted or not, on one line and well inside the
    // buffer, skips the general path's bookkeeping. Anything else (blanks
    // first, a line end inside the quotes, text after the closing quote, a
    // long field) takes the general path from the same place.
    constexpr std::size_t window = 256;
    if (end_ - pos_ > window) {
        const char* const first = buf_.data() + pos_;
        const char* const limit = first + window;
        const char* start = first;
        const char* stop = nullptr;  // end of the value
        const char* p = first;
        if (*first == '"') {
            start = first + 1;
            p = find_first_of(start, limit, '"', '\r', '\n');
            if (p < limit && *p == '"') stop = p++;
        } else if (*first != ' ') {
            p = find_first_of(first, limit, ',', '\r', '\n');
            stop = p;
            while (stop > start && stop[-1] == ' ') --stop;
        }
        if (stop != nullptr && p < limit && (*p == ',' || is_line_end(*p))) {
            field_line_ = line_;
            pos_ = static_cast<std::size_t>(p - buf_.data());
            skip_separator();  // the byte after a CR lies inside the window
            return {start, static_cast<std::size_t>(stop - start)};
        }
    }
    skip_blanks();
    field_line_ = line_;
    const int c = peek();
    if (c < 0) {
        last_separator_ = Separator::end_of_file;
        return {};
    }
    const bool quoted = c == '"';
    if (quoted) ++pos_;
    const std::uint64_t start = offset();
    KeepGuard keep(*this, start);
    std::size_t length = 0;
    if (quoted) {
        length = checked_length(scan([](char ch) { return ch == '"'; }));
        // A quoted name may run over line ends; count them.
        const std::string_view text = view(start, length);
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) ++line_;
        }
        if (peek() == '"') ++pos_;
        scan([](char ch) { return ch == ',' || is_line_end(ch); });
    } else {
        length = checked_length(scan([](char ch) { return ch == ',' || is_line_end(ch); }));
        const std::string_view text = view(start, length);
        while (length > 0 && text[length - 1] == ' ') --length;
    }
    skip_separator();
    return view(start, length);
}

std::string FieldName::str() const {
    if (row_ == 0) return std::string(text_);
    return "nó (" + std::to_string(row_) + ", " + std::to_string(column_) + ")";
}

double FieldReader::read_number(const FieldName& what, bool skip_line_ends) {
    // The usual field, a number that starts right here and whose end lies
    // well inside the buffer, skips the general path's bookkeeping. Anything
    // else (blanks or a line end first, a long field, the buffer's end, a
    // field that is not a number) takes the general path from the same place.
    constexpr std::size_t window = 64;
    if (end_ - pos_ > window) {
        const char* const start = buf_.data() + pos_;
        double value = 0;
        const std::size_t length = parse_plain_decimal_prefix(std::string_view(start, window), value);
        const char* const p = start + length;
        if (length > 0 && (*p == ',' || *p == ' ' || is_line_end(*p))) {
            field_line_ = line_;
            pos_ = static_cast<std::size_t>(p - buf_.data());
            if (*p == ',') {
                ++pos_;
                last_separator_ = Separator::comma;
            } else if (*p == ' ') {
                skip_blanks();
                skip_separator();
            } else {
                skip_line_end();  // the byte after a CR lies inside the window
                last_separator_ = Separator::line_end;
            }
            return value;
        }
    }
    skip_blanks();
    if (skip_line_ends) {
        for (int c = peek(); c == '\r' || c == '\n' || c == ' '; c = peek()) {
            if (c == ' ') ++pos_;
            else skip_line_end();
        }
    }
    if (peek() < 0) {
        // Named by the line of the field before, where the cut record starts.
        throw file_error(path_, field_line_, "o ficheiro termina antes do valor de " + what.str());
    }
    field_line_ = line_;
    const std::uint64_t start = offset();
    double value = 0;
    {
        KeepGuard keep(*this, start);
        const std::size_t length =
            checked_length(scan([](char ch) { return ch == ',' || ch == ' ' || is_line_end(ch); }));
        const std::string_view token = view(start, length);
        if (token.empty()) throw file_error(path_, field_line_, "falta o valor de " + what.str());
        if (!parse_number(token, value)) {
            throw file_error(path_, field_line_,
                             "o valor de " + what.str() + " não é um número: " + excerpt(token));
        }
    }
    skip_blanks();
    skip_separator();
    return value;
}

bool FieldReader::skip_empty_rest_of_line() {
    // Passed over as it is scanned, so a line of any number of empty fields
    // is read once, not once per field.
    for (;;) {
        while (pos_ < end_ && (buf_[pos_] == ' ' || buf_[pos_] == ',')) ++pos_;
        if (pos_ < end_) return is_line_end(buf_[pos_]);
        if (!fill()) return true;
    }
}

TesraError FieldReader::extra_fields_error(long line, std::uint64_t first) {
    // Named whole, to the end of the line: a height or a code column reads
    // as plainly as a decimal comma.
    KeepGuard keep(*this, first);
    pos_ = static_cast<std::size_t>(first - base_);
    const std::string_view rest = view(first, scan([](char ch) { return is_line_end(ch); }));
    const std::string_view field = rest.substr(0, rest.find(','));
    return file_error(path_, line,
                      "há campos a mais no fim da linha, a partir de " + excerpt(trim(field)) +
                          (field.size() < rest.size() ? ": " + excerpt(rest) : std::string()) +
                          " (colunas a mais depois de Nome, M e P, como uma cota ou um código? Leia o ficheiro com "
                          "--auto. Ou um número escrito com vírgula decimal? Nos ficheiros de pontos o separador "
                          "decimal é o ponto)");
}

// The usual record, name,M,P and a line end on one line well inside the
// buffer: a name that is not blank and holds no NUL byte, either quoted
// (as the intermediates write it) or not starting with a blank, followed
// at once by a comma, and two plain decimals each followed at once by its
// separator. Read as the general path reads it, with the same state
// after it; anything else (and a record that would share the line the
// last one ended on) returns false with nothing read.
bool FieldReader::read_plain_record(PointRecord& record) {
    constexpr std::size_t window = 256;
    if (end_ - pos_ <= window || record_end_line_ == line_) return false;
    const char* const first = buf_.data() + pos_;
    const char* const limit = first + window;
    // A NUL byte in the name stops the scans too, and leaves it to the general path.
    const char* start = first;
    const char* stop = nullptr;
    const char* p = nullptr;
    if (*first == '"') {
        start = first + 1;
        p = find_first_of(start, limit, '"', '\r', '\n', '\0');
        if (p == limit || *p != '"') return false;
        stop = p++;
        // A blank name is passed over by the general path.
        if (std::string_view(start, static_cast<std::size_t>(stop - start)).find_first_not_of(' ') ==
            std::string_view::npos) {
            return false;
        }
    } else {
        if (*first == ' ') return false;
        p = find_first_of(first, limit, ',', '\r', '\n', '\0');
        stop = p;
        while (stop > first && stop[-1] == ' ') --stop;
        if (stop == first) return false;
    }
    if (p == limit || *p != ',') return false;
    const std::string_view name(start, static_cast<std::size_t>(stop - start));
    double m = 0, p_value = 0;
    ++p;
    std::size_t length = parse_plain_decimal_prefix(std::string_view(p, static_cast<std::size_t>(limit - p)), m);
    if (length == 0 || p + length >= limit || p[length] != ',') return false;
    p += length + 1;
    length = parse_plain_decimal_prefix(std::string_view(p, static_cast<std::size_t>(limit - p)), p_value);
    if (length == 0 || p + length + 1 >= limit || !is_line_end(p[length])) return false;
    p += length;
    field_line_ = line_;
    if (text_check_ != TextCheck::none) check_text(name, field_line_);
    // Past the line end: CR LF, CR or LF.
    p += *p == '\r' && p[1] == '\n' ? 2 : 1;
    ++line_;
    pos_ = static_cast<std::size_t>(p - buf_.data());
    last_separator_ = Separator::line_end;
    record_end_line_ = 0;
    record.m = m;
    record.p = p_value;
    record.name = name;
    return true;
}

bool FieldReader::read_record(PointRecord& record) {
    if (line_separator_ != 0) return read_line_record(record);
    if (read_plain_record(record)) return true;
    while (!eof()) {
        const std::string_view name = read_text();
        if (trim(name).empty()) {
            // A line that starts with a comma but carries further fields
            // would shift every later field into the wrong column.
            if (last_separator_ == Separator::comma && !skip_empty_rest_of_line()) {
                throw file_error(path_, field_line_,
                                 "a linha começa por uma vírgula, sem nome do ponto; os campos "
                                 "seguintes ficariam desalinhados");
            }
            continue;
        }
        // Text never holds a NUL byte; a damaged file (the zeros a crash
        // leaves at its end) or a binary one does.
        if (name.find('\0') != std::string_view::npos) {
            throw file_error(path_, field_line_,
                             "o nome do ponto " + excerpt(name) +
                                 " contém bytes nulos (o ficheiro está danificado ou não é um ficheiro de texto)");
        }
        if (text_check_ != TextCheck::none) check_text(name, field_line_);
        // A record that starts on the line where the previous one ended
        // must end there too. Records one per line, two per line or one
        // field per line all keep to this; a line such as 101,320655,420,
        // 3614050,180 (decimal commas) does not, and would otherwise be read
        // as records made of the wrong fields.
        const bool shares_line = field_line_ == record_end_line_;
        const long name_line = field_line_;
        const std::uint64_t name_start = base_ + static_cast<std::size_t>(name.data() - buf_.data());
        KeepGuard keep(*this, name_start);
        if (shares_line && last_separator_ == Separator::line_end) throw extra_fields_error(name_line, name_start);
        try {
            // Blank lines between the fields of a record are skipped too.
            record.m = read_number("M", last_separator_ == Separator::line_end);
            if (shares_line && last_separator_ == Separator::line_end) throw extra_fields_error(name_line, name_start);
            record.p = read_number("P", last_separator_ == Separator::line_end);
        } catch (const TesraError&) {
            // The fields of a spreadsheet's line read as one name.
            const std::string_view whole = view(name_start, name.size());
            const bool semicolon = whole.find(';') != std::string_view::npos;
            if (shares_line || (!semicolon && whole.find('\t') == std::string_view::npos)) throw;
            const std::string separator = semicolon ? "\";\"" : "tabulações";
            throw file_error(path_, name_line,
                             "o nome " + excerpt(whole) + " contém " + separator +
                                 " e o campo seguinte não é um número: o ficheiro usa " + separator +
                                 " como separador? Leia-o com --separator " + (semicolon ? "\";\"" : "tab") +
                                 " ou com --auto");
        }
        record_end_line_ = last_separator_ == Separator::comma ? field_line_ : 0;
        record.name = view(name_start, name.size());
        return true;
    }
    settle_encoding();
    return false;
}

// ---------------------------------------------------------------- chunks

namespace {

// The offset just after the first line feed in [at, at + 64 KiB), or 0
// when there is none there. A chunk starts only after a line feed, so a CR
// LF is never cut in two.
std::uint64_t line_start_after(int fd, std::uint64_t at, std::uint64_t size) {
    char block[4096];
    for (const std::uint64_t stop = std::min(size, at + (std::uint64_t{64} << 10)); at < stop;) {
        const ssize_t n = ::pread(fd, block, std::min<std::uint64_t>(sizeof block, stop - at), static_cast<off_t>(at));
        if (n <= 0) return 0;
        if (const void* lf = std::memchr(block, '\n', static_cast<std::size_t>(n)); lf != nullptr) {
            return at + static_cast<std::uint64_t>(static_cast<const char*>(lf) - block) + 1;
        }
        at += static_cast<std::uint64_t>(n);
    }
    return 0;
}

}  // namespace

ChunkedRead read_in_chunks(FieldReader& in, const ChunkPlan& plan, const ChunkBody& body, const ChunkOut& write_out) {
    // Only the point-file format: the one-record-per-line dialects carry
    // state from line to line (the width of the first, the widest record).
    if (plan.threads < 2 || !in.from_start_ || in.line_separator_ != 0 || in.held_end_mark_) return {};
    struct stat st {};
    if (::fstat(in.fd_, &st) != 0 || !S_ISREG(st.st_mode)) return {};
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size < in.offset() + plan.min_bytes) return {};
    const std::size_t chunk = std::max<std::size_t>(plan.chunk_bytes, 1);
    std::vector<std::uint64_t> bounds{in.offset()};
    for (std::uint64_t at = bounds.back() + chunk; at < size;) {
        const std::uint64_t bound = line_start_after(in.fd_, at, size);
        if (bound == 0 && bounds.size() == 1) return {};  // no line feeds: CR line ends, or not text
        if (bound == 0) {
            at += std::uint64_t{64} << 10;
            continue;
        }
        if (bound >= size) break;
        bounds.push_back(bound);
        at = bound + chunk;
    }
    if (bounds.size() < 2) return {};
    const std::size_t count = bounds.size();  // chunk k runs from bounds[k] to bounds[k + 1] or the end
    const auto threads = static_cast<std::size_t>(std::min<std::size_t>(plan.threads, count));

    // Each chunk's bytes wait in a slot until the ones before are out; a
    // thread takes a chunk only when a slot is free, so memory stays bounded:
    // a chunk for each thread, and two done while an earlier one is not.
    struct Slot {
        ByteBlock block;
        bool ready = false;
        bool clean = false;
        long lines = 0;  // line ends read
        FieldReader::TextState text{};
    };
    const std::size_t ring = threads + 2;
    std::vector<Slot> slots(ring);
    std::mutex mutex;
    std::condition_variable work, done;
    std::size_t handed = 0, emitted = 0;
    bool stop = false;
    const FieldReader::TextState initial = in.text_state();

    auto run_chunk = [&](std::size_t k, Slot& slot) {
        slot.block.clear();
        try {
            FieldReader reader(in, bounds[k], k + 1 < count ? bounds[k + 1] : UINT64_MAX, 1, initial);
            // A record long enough to grow the buffer could meet the reader's
            // length limit at another place than in the whole file's reading.
            slot.clean = body(reader, slot.block) && reader.at_eof_ && reader.buf_.size() == 2 * read_chunk;
            slot.lines = reader.line_ - 1;
            slot.text = reader.text_state();
        } catch (...) {
            slot.clean = false;
        }
    };
    auto worker = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            work.wait(lock, [&] { return stop || handed == count || handed < emitted + ring; });
            if (stop || handed == count) return;
            const std::size_t k = handed++;
            Slot& slot = slots[k % ring];
            lock.unlock();
            run_chunk(k, slot);
            lock.lock();
            slot.ready = true;
            done.notify_one();
        }
    };
    std::vector<std::thread> pool;
    auto stop_pool = [&]() noexcept {
        {
            const std::lock_guard lock(mutex);
            stop = true;
        }
        work.notify_all();
        for (std::thread& thread : pool) thread.join();
        pool.clear();
    };
    struct Joiner {
        decltype(stop_pool)& stop;
        ~Joiner() { stop(); }
    } joiner{stop_pool};
    try {
        for (std::size_t i = 0; i < threads; ++i) pool.emplace_back(worker);
    } catch (const std::system_error&) {
        if (pool.empty()) return {};  // no thread to be had: read as one
    }

    long line = in.line_;
    FieldReader::TextState text = initial;
    for (std::size_t k = 0; k < count; ++k) {
        Slot& slot = slots[k % ring];
        {
            std::unique_lock lock(mutex);
            done.wait(lock, [&] { return slot.ready; });
        }
        if (!slot.clean) {
            stop_pool();
            ChunkedRead rest{true, std::unique_ptr<FieldReader>(new FieldReader(in, bounds[k], UINT64_MAX, line, text))};
            rest.rest->progress_ = in.progress_;
            rest.rest->dialect_ = in.dialect_;
            return rest;
        }
        write_out(slot.block.bytes());
        line += slot.lines;
        // Under detection, one name that is not UTF-8 settles the file as
        // Windows-1252, wherever it comes.
        if (text.check != FieldReader::TextCheck::none) {
            text = slot.text.check == FieldReader::TextCheck::none
                       ? slot.text
                       : FieldReader::TextState{text.check, text.seen_utf8 || slot.text.seen_utf8, text.encoding};
        }
        if (in.progress_ != nullptr) in.progress_->read(k + 1 < count ? bounds[k + 1] : size);
        {
            const std::lock_guard lock(mutex);
            slot.ready = false;
            emitted = k + 1;
        }
        work.notify_all();
    }
    stop_pool();
    // The whole file has been read: `in` takes the state its reading reached.
    in.text_check_ = text.check;
    in.seen_utf8_ = text.seen_utf8;
    in.encoding_ = text.encoding;
    in.settle_encoding();
    return {true, nullptr};
}

// ---------------------------------------------------------------- writer

OutputFile::OutputFile(std::string path, Mode mode) : path_(std::move(path)), buf_(write_chunk) {
    if (mode == Mode::replace) {
        const std::string target = follow_links(path_);
        struct stat st {};
        const bool exists = ::stat(target.c_str(), &st) == 0;
        if (!exists || S_ISREG(st.st_mode)) {
            // A file the user has made read-only stays protected, as it
            // would be if it were written in place.
            if (exists && ::access(target.c_str(), W_OK) != 0) throw open_error(path_, errno, true);
            const std::size_t slash = target.rfind('/');
            const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
            for (int attempt = 0; fd_ < 0; ++attempt) {
                // Registered before it exists, so that no signal finds it
                // there and unknown.
                rename_from_ = temporary_name(directory_of(target), base);
                ticket_ = register_temporary(rename_from_);
                fd_ = ::open(rename_from_.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, exists ? 0600 : 0666);
                if (fd_ >= 0) break;
                const int error = errno;
                unregister_temporary(ticket_);
                ticket_ = -1;
                rename_from_.clear();
                if (error != EEXIST || attempt == 100) throw open_error(path_, error, true);
            }
            rename_to_ = target;
            if (exists) (void)::fchmod(fd_, st.st_mode & 07777);
            regular_ = true;
            return;
        }
    }
    open_stream();
}

OutputFile::OutputFile(const PointFile& file) : path_(file.path), buf_(write_chunk) {
    if (file.stream_fd >= 0) {
        fd_ = ::fcntl(file.stream_fd, F_DUPFD_CLOEXEC, 0);
        if (fd_ < 0) throw open_error(path_, errno, true);
        return;
    }
    if (file.intermediate == nullptr) {
        open_stream();
        return;
    }
    fd_ = ::dup(file.intermediate->fd());
    if (fd_ < 0 || ::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0) {
        const int error = errno;
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        throw open_error(path_, error, true);
    }
}

void OutputFile::open_stream() {
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) throw open_error(path_, errno, true);
    struct stat st {};
    if (::fstat(fd_, &st) == 0) {
        regular_ = S_ISREG(st.st_mode);
        dev_ = st.st_dev;
        ino_ = st.st_ino;
    }
}

OutputFile::~OutputFile() {
    // Also after a failed close (fd_ == -2): what the file holds is not to be trusted.
    if (fd_ != -1) discard();
}

void OutputFile::write_all(const char* bytes, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t written = ::write(fd_, bytes + done, n - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            throw write_error(path_, errno);
        }
        done += static_cast<std::size_t>(written);
    }
}

void OutputFile::flush() {
    write_all(buf_.data(), used_);
    used_ = 0;
}

void OutputFile::write_past(std::string_view bytes) {
    flush();
    // A whole chunk of records goes out as it is, not through the buffer.
    if (bytes.size() >= buf_.size()) {
        write_all(bytes.data(), bytes.size());
        return;
    }
    std::char_traits<char>::copy(buf_.data(), bytes.data(), bytes.size());
    used_ = bytes.size();
}

void OutputFile::flush_for(std::size_t n) {
    flush();
    buf_.grow(n, 0);
}

void OutputFile::close() {
    flush();
    const int fd = fd_;
    fd_ = -1;
    int error = 0;
    if (::close(fd) != 0 && errno != EINTR) error = errno;
    if (error == 0 && !rename_from_.empty()) {
        if (::rename(rename_from_.c_str(), rename_to_.c_str()) == 0) {
            unregister_temporary(ticket_);
            rename_from_.clear();
            return;
        }
        error = errno;
    }
    if (error != 0) {
        fd_ = -2;  // closed, but what it holds is not to be trusted
        throw write_error(path_, error);
    }
}

void OutputFile::discard() noexcept {
    if (fd_ >= 0) {
        // Emptied first, so that its space comes back even while another
        // process still holds it open; a failure here changes nothing.
        if (regular_ && ::ftruncate(fd_, 0) != 0) errno = 0;
        ::close(fd_);
    }
    fd_ = -1;
    used_ = 0;
    if (!rename_from_.empty()) {
        ::unlink(rename_from_.c_str());
        unregister_temporary(ticket_);
        rename_from_.clear();
        return;
    }
    if (!regular_) return;
    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_dev == dev_ && st.st_ino == ino_) {
        ::unlink(path_.c_str());
    }
}

bool remove_regular_file(const std::string& path) noexcept {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return ::unlink(path.c_str()) == 0;
}

namespace {

template <class Out>
void put_record(Out& out, std::string_view name, double m, double p, std::span<const std::string_view> columns) {
    char* const start = out.reserve(name.size() + 2 * number_text_capacity + 6);
    char* w = start;
    *w++ = '"';
    std::memcpy(w, name.data(), name.size());
    w += name.size();
    *w++ = '"';
    *w++ = ',';
    w = write_number(w, m);
    *w++ = ',';
    w = write_number(w, p);
    if (!columns.empty()) {
        out.commit(static_cast<std::size_t>(w - start));
        for (std::string_view column : columns) {
            out.write(",\"");
            for (std::size_t quote; (quote = column.find('"')) != std::string_view::npos;) {
                out.write(column.substr(0, quote + 1));
                out.write("\"");
                column.remove_prefix(quote + 1);
            }
            out.write(column);
            out.write("\"");
        }
        out.write("\r\n");
        return;
    }
    *w++ = '\r';
    *w++ = '\n';
    out.commit(static_cast<std::size_t>(w - start));
}

}  // namespace

void write_record(OutputFile& out, std::string_view name, double m, double p,
                  std::span<const std::string_view> columns) {
    put_record(out, name, m, p, columns);
}

void write_record(ByteBlock& out, std::string_view name, double m, double p,
                  std::span<const std::string_view> columns) {
    put_record(out, name, m, p, columns);
}

TesraError not_finite_error(const FieldReader& in, std::string_view name) {
    return file_error(in.path(), in.line(),
                      "o ponto " + quote_excerpt(name, in.encoding()) +
                          " dá coordenadas que não são números finitos (parâmetros inválidos ou "
                          "valores demasiado grandes)");
}

TesraError quoted_name_error(const FieldReader& in, std::string_view name) {
    return file_error(in.path(), in.line(),
                      "o nome do ponto " + quote_excerpt(name, in.encoding()) +
                          " contém aspas (\"), que o programa não consegue guardar; retire-as do nome");
}

}  // namespace tesra
