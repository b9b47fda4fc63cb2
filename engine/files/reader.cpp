#include "files/reader.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "files/progress.hpp"
#include "files/intermediate.hpp"

namespace tesra {

namespace {

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

}  // namespace

FieldReader::FieldReader(std::string path) : FieldReader(PointFile{std::move(path)}) {}

FieldReader::FieldReader(const PointFile& file) : path_(file.path), buf_(2 * read_chunk) {
    if (file.stream_fd != os::no_file) {
        file_ = os::duplicate(file.stream_fd);
        if (file_ == os::no_file) throw open_error(path_, os::last_error(), false);
        if (file.copy_to != nullptr) {
            copy_name_ = file.copy_to->name();
            copy_ = os::duplicate(file.copy_to->file());
            if (copy_ == os::no_file) {
                const os::Error error = os::last_error();
                os::close(file_);
                file_ = os::no_file;
                throw open_error(copy_name_, error, true);
            }
        }
    } else if (file.intermediate == nullptr) {
        file_ = os::open_for_reading(path_);
        if (file_ == os::no_file) throw open_error(path_, os::last_error(), false);
        from_start_ = true;
    } else {
        file_ = os::duplicate(file.intermediate->file());
        if (file_ == os::no_file || !os::rewind(file_)) {
            const os::Error error = os::last_error();
            if (file_ != os::no_file) os::close(file_);
            file_ = os::no_file;
            throw open_error(path_, error, false);
        }
        from_start_ = true;
    }
    if (file.progress != nullptr) {
        const os::Status st = os::status(file_);
        progress_ = file.progress;
        progress_->start_pass(st.kind == os::Kind::regular ? st.size : 0);
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
        os::close(file_);
        file_ = os::no_file;
        throw;
    }
}

FieldReader::FieldReader(std::string name, std::string_view bytes)
    : path_(std::move(name)), limit_(bytes.size()), memory_(bytes.data()), buf_(2 * read_chunk) {}

FieldReader::FieldReader(const FieldReader& from, std::uint64_t start, std::uint64_t limit, long line,
                         TextState text)
    : path_(from.path_),
      file_(os::duplicate(from.file_)),
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
      geographic_(from.geographic_),
      encoding_(text.encoding),
      decimal_mark_(from.decimal_mark_) {
    if (file_ == os::no_file) throw open_error(path_, os::last_error(), false);
}

FieldReader::~FieldReader() {
    if (file_ != os::no_file) os::close(file_);
    if (copy_ != os::no_file) os::close(copy_);
}

void FieldReader::copy(const char* bytes, std::size_t n) {
    for (std::size_t done = 0; done < n;) {
        const std::ptrdiff_t written = os::write(copy_, bytes + done, n - done);
        if (written < 0) throw write_error(copy_name_, os::last_error());
        done += static_cast<std::size_t>(written);
    }
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
        std::ptrdiff_t n = 0;
        if (memory_ != nullptr) {
            n = static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(room, limit_ - read_at_));
            std::memcpy(buf_.data() + end_, memory_ + read_at_, static_cast<std::size_t>(n));
        } else {
            n = positioned_ ? os::read_at(file_, buf_.data() + end_, std::min<std::uint64_t>(room, limit_ - read_at_),
                                          read_at_)
                            : os::read(file_, buf_.data() + end_, room);
        }
        if (n > 0) {
            if (copy_ != os::no_file) copy(buf_.data() + end_, static_cast<std::size_t>(n));
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
        const os::Error error = os::last_error();
        if (end_ > old_end) {
            --end_;
            held_end_mark_ = true;
        }
        throw file_error(path_, line_, "erro de leitura (" + os::describe(error) + ")");
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
                          " (colunas a mais depois de Nome, M e P, como uma cota ou um código? " +
                          (options_help() ? std::string("Leia o ficheiro com --auto.")
                                          : std::string("As primeiras linhas não as têm: ponha-as em todas, com um "
                                                        "cabeçalho de um título por coluna.")) +
                          " Ou um número escrito com vírgula decimal? Nos ficheiros de pontos o separador "
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
    if (geographic_) return read_degrees_record(record);
    return read_plain_record(record) || read_general_record(record);
}

bool FieldReader::read_degrees_record(PointRecord& record) {
    // Decimal degrees, as numbers: seconds would need a quote, which the
    // format has no room for.
    while (read_plain_record(record) || read_general_record(record)) {
        const bool latitude = std::fabs(record.m) <= 90;
        if (latitude && std::fabs(record.p) <= 180) return true;
        char number[number_text_capacity];
        char m[number_text_capacity];
        char p[number_text_capacity];
        const std::string_view value(number, static_cast<std::size_t>(
                                                 write_number(number, latitude ? record.p : record.m) - number));
        // Left out as the record's written form, which reads back the same.
        line_text_.assign(1, '"').append(record.name).append("\",");
        line_text_.append(m, write_number(m, record.m)).append(1, ',').append(p, write_number(p, record.p));
        const AngleKind kind = latitude ? AngleKind::longitude : AngleKind::latitude;
        refuse_line(line_text_, angle_refusal(kind, value, AngleReading{AngleFault::out_of_range}));
    }
    return false;
}

bool FieldReader::read_general_record(PointRecord& record) {
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
        } catch (const TesraError& e) {
            // The fields of a line of `;` or tabs read as one name.
            const std::string_view whole = view(name_start, name.size());
            const bool semicolon = whole.find(';') != std::string_view::npos;
            if (shares_line || (!semicolon && whole.find('\t') == std::string_view::npos)) {
                if (!geographic_ || !options_help()) throw;
                const std::string message = e.what();
                throw TesraError(message.substr(0, message.size() - 1) +
                                 " (neste formato, a latitude e a longitude são graus decimais, como 38.70925; graus, "
                                 "minutos e segundos leem-se com --auto).");
            }
            const std::string separator = semicolon ? "\";\"" : "tabulações";
            throw file_error(path_, name_line,
                             "o nome " + excerpt(whole) + " contém " + separator +
                                 " e o campo seguinte não é um número: o ficheiro usa " + separator +
                                 " como separador?" +
                                 (options_help() ? std::string(" Leia-o com --separator ") +
                                                       (semicolon ? "\";\"" : "tab") + " ou com --auto"
                                                 : std::string(" As primeiras linhas usam vírgulas")));
        }
        record_end_line_ = last_separator_ == Separator::comma ? field_line_ : 0;
        record.name = view(name_start, name.size());
        return true;
    }
    settle_encoding();
    return false;
}

}  // namespace tesra
