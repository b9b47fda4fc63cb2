#include "files/dialect.hpp"

#include <algorithm>
#include <cstring>
#include <optional>

#include "text/numtext.hpp"
#include "files/point_file.hpp"

namespace tesra {

namespace {

bool is_line_end(char c) noexcept { return c == '\r' || c == '\n'; }

bool blank(std::string_view s) noexcept { return s.find_first_not_of(" \t") == std::string_view::npos; }

std::string_view trim(std::string_view s) noexcept {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool is_number(std::string_view field, char mark) {
    double value = 0;
    return parse_dialect_number(field, mark, value);
}

bool all_digits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Where a title might stand: text that does not start the way a number does
// (a mistyped coordinate is an error to report, not a header to skip).
bool title_like(std::string_view field) {
    field = trim(field);
    return !field.empty() && std::strchr("+-.,0123456789", field.front()) == nullptr;
}

class Splitter {
public:
    // Empty when the quotes do not close.
    const std::vector<std::string_view>* operator()(std::string_view line, char separator) {
        return split_fields(line, separator, storage_, fields_) ? &fields_ : nullptr;
    }

private:
    std::string storage_;
    std::vector<std::string_view> fields_;
};

// The point-file format reads the line as whole records: fields in threes,
// a name and two numbers each.
bool whole_records(const std::vector<std::string_view>& f) {
    // Trailing commas, with spaces at most, are passed over.
    std::size_t n = f.size();
    while (n > 0 && f[n - 1].find_first_not_of(' ') == std::string_view::npos) --n;
    if (n == 0 || n % 3 != 0) return false;
    for (std::size_t i = 0; i < n; i += 3) {
        if (blank(f[i]) || !is_number(f[i + 1], '.') || !is_number(f[i + 2], '.')) return false;
    }
    return true;
}

// Whether the point-file format stops at the line's first record: a name,
// then an M that is no number (the token its reader takes, up to a comma,
// a blank or the line's end).
bool plain_refuses(std::string_view line) {
    if (line.empty() || line.front() == '"') return false;
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos || blank(line.substr(0, comma))) return false;
    std::size_t i = comma + 1;
    while (i < line.size() && line[i] == ' ') ++i;
    std::size_t j = i;
    while (j < line.size() && line[j] != ',' && line[j] != ' ' && !is_line_end(line[j])) ++j;
    double value = 0;
    return j > i && !parse_number(line.substr(i, j - i), value);
}

// The sample up to its last line end (all of it at the end of the file).
std::size_t complete_lines(std::string_view sample, bool whole_file) {
    if (whole_file) return sample.size();
    const std::size_t last = sample.find_last_of("\r\n");
    return last == std::string_view::npos ? 0 : last + 1;
}

// Whether the point-file format reads these lines, and some record in
// them, without a fault.
bool plain_reads(std::string_view text) {
    if (text.empty()) return false;
    try {
        Intermediate file("", "amostra");
        OutputFile out(PointFile{"amostra", &file});
        out.write(text);
        out.close();
        FieldReader in(PointFile{"amostra", &file});
        PointRecord record;
        bool any = false;
        while (in.read_record(record)) any = true;
        return any;
    } catch (const TesraError&) {
        return false;
    }
}

}  // namespace

bool split_fields(std::string_view line, char separator, std::string& storage,
                  std::vector<std::string_view>& fields) {
    storage.clear();
    storage.reserve(line.size());  // views into it stay valid: it never grows past this
    fields.clear();
    std::size_t i = 0;
    for (;;) {
        while (i < line.size() && line[i] == ' ' && separator != ' ') ++i;
        const std::size_t from = storage.size();
        bool quoted = false;
        if (i < line.size() && line[i] == '"') {
            quoted = true;
            ++i;
            for (;;) {
                if (i == line.size()) return false;
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        storage += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                storage += line[i++];
            }
        }
        // After a closing quote, text up to the separator is kept as well.
        const std::size_t stop = std::min(line.find(separator, i), line.size());
        storage.append(line.substr(i, stop - i));
        std::string_view field(storage.data() + from, storage.size() - from);
        if (!quoted) field = trim(field);
        fields.push_back(field);
        if (stop == line.size()) return true;
        i = stop + 1;
    }
}

bool parse_dialect_number(std::string_view field, char decimal_mark, double& value) noexcept {
    field = trim(field);
    if (decimal_mark == '.') return parse_number(field, value);
    char text[64];
    if (field.size() > sizeof text || field.find('.') != std::string_view::npos) return false;
    std::copy(field.begin(), field.end(), text);
    std::replace(text, text + field.size(), ',', '.');
    return parse_number({text, field.size()}, value);
}

DialectDecision decide_dialect(const std::vector<std::string_view>& lines, const PointFileDialect& dialect) {
    using Separator = PointFileDialect::Separator;
    const bool automatic = dialect.separator == Separator::automatic;
    const char forced_mark = dialect.decimal_comma ? ',' : automatic ? 0 : '.';
    Splitter split;

    // The reading a data line calls for, in order of preference: the
    // point-file format first, so that any file it reads reads as before.
    auto fits = [&](std::string_view line, char separator) -> std::optional<DialectDecision> {
        const auto* f = split(line, separator == 0 ? ',' : separator);
        if (f == nullptr) return std::nullopt;
        if (separator == 0) {
            if (forced_mark == ',' || !whole_records(*f)) return std::nullopt;
            return DialectDecision{};
        }
        if (f->size() < 3 || blank((*f)[0])) return std::nullopt;
        for (char mark : {'.', ','}) {
            if (forced_mark != 0 && mark != forced_mark) continue;
            if (separator == ',' && mark == ',') continue;
            if (!is_number((*f)[1], mark) || !is_number((*f)[2], mark)) continue;
            if (separator != ',') return DialectDecision{separator, mark, false, 0};
            // Comma lines with further columns, unless the line may as well
            // be decimal commas ("-87345,210,-104877,530"): an integer M and
            // a P of bare digits.
            const std::string_view m = trim((*f)[1]), p = trim((*f)[2]);
            const bool integer_m = all_digits(m.substr(m.front() == '-' || m.front() == '+' ? 1 : 0));
            // Empty fields after P are the trailing commas the point-file
            // format passes over: its reading, not further columns.
            const bool columns =
                std::any_of(f->begin() + 3, f->end(), [](std::string_view c) { return c.find_first_not_of(' ') != std::string_view::npos; });
            if (columns && !whole_records(*f) && !(integer_m && all_digits(p))) {
                return DialectDecision{',', '.', false, f->size()};
            }
        }
        return std::nullopt;
    };
    std::vector<char> candidates;
    switch (dialect.separator) {
    case Separator::comma: candidates = {0}; break;
    case Separator::semicolon: candidates = {';'}; break;
    case Separator::tab: candidates = {'\t'}; break;
    case Separator::automatic: candidates = {0, ';', '\t', ','}; break;
    }
    DialectDecision decision{candidates.front(), dialect.decimal_comma ? ',' : '.', false, 0};
    if (lines.empty() || (!automatic && !dialect.header)) return decision;

    // A line dialect needs the next line to agree: a name holding a `;`
    // followed by two lines of numbers is the point-file format's.
    auto fits_from = [&](std::size_t first, char c) -> std::optional<DialectDecision> {
        std::optional<DialectDecision> d = fits(lines[first], c);
        if (!d || d->separator == 0 || first + 1 == lines.size()) return d;
        const std::optional<DialectDecision> next = fits(lines[first + 1], c);
        if (!next || next->fields != d->fields) return std::nullopt;
        return d;
    };
    std::optional<DialectDecision> found;
    for (char c : candidates) {
        if ((found = fits_from(0, c))) break;
    }
    if (!found && dialect.header && lines.size() > 1) {
        for (char c : candidates) {
            found = fits_from(1, c);
            if (!found) continue;
            const auto* f = split(lines[0], c == 0 ? ',' : c);
            found->header = f != nullptr && f->size() >= 3 && title_like((*f)[1]) && title_like((*f)[2]);
            if (found->header) break;
            found.reset();
        }
    }
    if (!found && automatic && plain_refuses(lines[0])) {
        // Nothing fits, and the point-file format stops at the first record:
        // read with the separator the first line holds, so that the message
        // names the field at fault. Whatever the format reads reads as before.
        for (char c : {';', '\t'}) {
            const auto* f = split(lines[0], c);
            if (f != nullptr && f->size() >= 3 && !title_like((*f)[1])) {
                found = DialectDecision{c, '.', false, 0};
                break;
            }
        }
    }
    if (!found) return decision;
    decision = *found;
    // With `;` or tab, one decimal comma in the first lines settles the mark.
    if (forced_mark == 0 && (decision.separator == ';' || decision.separator == '\t')) {
        for (std::size_t i = decision.header ? 1 : 0; i < lines.size(); ++i) {
            const auto* f = split(lines[i], decision.separator);
            if (f == nullptr || f->size() < 3) continue;
            if ((*f)[1].find(',') != std::string_view::npos || (*f)[2].find(',') != std::string_view::npos) {
                decision.decimal_mark = ',';
            }
        }
    }
    return decision;
}

// ------------------------------------------------------ the reader's part

void FieldReader::check_text(std::string_view text, long line) {
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) return;
    if (valid_utf8(text)) {
        seen_utf8_ = true;
        return;
    }
    if (text_check_ == TextCheck::utf8) {
        throw file_error(path_, line,
                         "o texto " + excerpt(text) +
                             " não é UTF-8 válido (se o ficheiro for Windows-1252, leia-o com --encoding cp1252)");
    }
    // Not UTF-8 after all: Windows-1252, whatever came before.
    text_check_ = TextCheck::none;
    encoding_ = TextEncoding::cp1252;
}

void FieldReader::begin(PointFileDialect& dialect) {
    using Encoding = PointFileDialect::Encoding;
    dialect_ = &dialect;
    text_check_ = dialect.encoding == Encoding::utf8        ? TextCheck::utf8
                  : dialect.encoding == Encoding::automatic ? TextCheck::detect
                                                            : TextCheck::none;
    while (end_ - pos_ < 3 && fill()) {
    }
    if (end_ - pos_ >= 3 && std::memcmp(buf_.data() + pos_, "\xEF\xBB\xBF", 3) == 0) {
        if (dialect.encoding == Encoding::cp1252) {
            throw file_error(path_, 1,
                             "o ficheiro começa pela marca de um ficheiro UTF-8 (BOM); leia-o com --encoding utf-8 "
                             "ou com --auto");
        }
        pos_ += 3;
        text_check_ = TextCheck::utf8;
    }
    for (long i = 0; i < dialect.skip_lines && peek() >= 0; ++i) {
        scan([](char ch) { return is_line_end(ch); });
        if (peek() >= 0) skip_line_end();
    }
    field_line_ = line_;
    if (dialect.separator == PointFileDialect::Separator::comma && !dialect.header) return;

    // The first lines, as far as one chunk holds them.
    KeepGuard keep(*this, offset());
    while (end_ - pos_ < (std::size_t{64} << 10) && fill()) {
    }
    const std::string_view sample(buf_.data() + pos_, end_ - pos_);
    std::vector<std::string_view> lines;
    for (std::size_t at = 0; at < sample.size() && lines.size() < 20;) {
        std::size_t stop = std::min(sample.find_first_of("\r\n", at), sample.size());
        if (stop == sample.size() && !at_eof_) break;  // cut short by the chunk's end
        const std::string_view line = sample.substr(at, stop - at);
        if (line.find_first_not_of(" \t;,") != std::string_view::npos) lines.push_back(line);
        at = stop + (sample.compare(stop, 2, "\r\n") == 0 ? 2 : 1);
    }
    // Under --auto, first lines the point-file format reads without a fault
    // are read by it: whatever it reads must read as before, and no model of
    // its rules is as exact as the reader itself.
    const DialectDecision decision = dialect.separator == PointFileDialect::Separator::automatic &&
                                             plain_reads(sample.substr(0, complete_lines(sample, at_eof_)))
                                         ? DialectDecision{0, '.', false, 0}
                                         : decide_dialect(lines, dialect);
    line_separator_ = decision.separator;
    decimal_mark_ = decision.decimal_mark;
    line_fields_ = decision.fields;
    dialect.line_separator = line_separator_;
    dialect.decimal_mark = decimal_mark_;
    if (!decision.header) return;
    // Past the header line, counting the lines before it.
    const std::string_view header = lines.front();
    const std::string_view before = sample.substr(0, static_cast<std::size_t>(header.data() - sample.data()));
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i] == '\n' || (before[i] == '\r' && (i + 1 == before.size() || before[i + 1] != '\n'))) ++line_;
    }
    pos_ += before.size() + header.size();
    field_line_ = line_;
    if (text_check_ != TextCheck::none) check_text(header, line_);
    if (split_fields(header, decision.separator == 0 ? ',' : decision.separator, line_text_, fields_)) {
        for (std::size_t i = 3; i < fields_.size(); ++i) titles_.emplace_back(fields_[i]);
    }
    dialect.column_titles = titles_;
    if (peek() == '\r' || peek() == '\n') skip_line_end();
}

bool FieldReader::read_line_record(PointRecord& record) {
    const char separator = line_separator_;
    for (;;) {
        if (eof()) {
            if (dialect_ == nullptr) return false;  // an intermediate
            settle_encoding();
            dialect_->columns = widest_;
            return false;
        }
        field_line_ = line_;
        const std::uint64_t start = offset();
        KeepGuard keep(*this, start);
        // The line, with the line ends that quotes hold inside a field.
        enum class State : char { field_start, plain, quoted, quote_seen } state = State::field_start;
        const std::size_t length = checked_length(scan([&state, separator](char ch) {
            switch (state) {
            case State::field_start:
                if (ch == '"') state = State::quoted;
                else if (ch != ' ') state = ch == separator ? State::field_start : State::plain;
                return is_line_end(ch);
            case State::plain:
                if (ch == separator) state = State::field_start;
                return is_line_end(ch);
            case State::quoted:
                if (ch == '"') state = State::quote_seen;
                return false;
            case State::quote_seen:
                state = ch == '"' ? State::quoted : ch == separator ? State::field_start : State::plain;
                return is_line_end(ch);
            }
            return false;
        }));
        // Past the line end first: looking for the LF after a CR may refill
        // the buffer and move the line, so the view is taken after it.
        if (peek() == '\r' || peek() == '\n') skip_line_end();
        const std::string_view text = view(start, length);
        long line_ends = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) ++line_ends;
        }
        line_ += line_ends;
        if (state == State::quoted || !split_fields(text, separator, line_text_, fields_)) {
            throw file_error(path_, field_line_, "um campo abre aspas que não fecham: " + excerpt(text));
        }
        if (std::all_of(fields_.begin(), fields_.end(), [](std::string_view f) { return blank(f); })) continue;
        const std::string what = separator == ';' ? "\";\"" : separator == '\t' ? "tabulações" : "vírgulas";
        if (fields_.size() < 3) {
            const bool mixed = text.find(separator == ';' ? '\t' : ';') != std::string_view::npos;
            throw file_error(path_, field_line_,
                             "a linha tem menos de três campos (Nome, M, P) separados por " + what + ": " +
                                 excerpt(text) + (mixed ? " (separadores misturados?)" : ""));
        }
        if (line_fields_ != 0 && fields_.size() != line_fields_) {
            throw file_error(path_, field_line_,
                             "a linha tem " + std::to_string(fields_.size()) + " campos e as primeiras linhas têm " +
                                 std::to_string(line_fields_) + ": " + excerpt(text));
        }
        const std::string_view name = fields_[0];
        if (blank(name)) throw file_error(path_, field_line_, "a linha não tem nome do ponto: " + excerpt(text));
        if (name.find('\0') != std::string_view::npos) {
            throw file_error(path_, field_line_,
                             "o nome do ponto " + excerpt(name) +
                                 " contém bytes nulos (o ficheiro está danificado ou não é um ficheiro de texto)");
        }
        if (text_check_ != TextCheck::none) {
            for (std::string_view field : fields_) check_text(field, field_line_);
        }
        double* const values[2] = {&record.m, &record.p};
        for (int i = 0; i < 2; ++i) {
            const std::string_view field = fields_[static_cast<std::size_t>(i) + 1];
            const std::string coordinate = i == 0 ? "M" : "P";
            if (blank(field)) throw file_error(path_, field_line_, "falta o valor de " + coordinate);
            if (!parse_dialect_number(field, decimal_mark_, *values[i])) {
                throw file_error(path_, field_line_,
                                 "o valor de " + coordinate + " não é um número: " + excerpt(field) +
                                     (decimal_mark_ == ',' ? " (o separador decimal é a vírgula)"
                                                           : " (o separador decimal é o ponto)"));
            }
        }
        record.name = name;
        record.columns = std::span<const std::string_view>(fields_).subspan(3);
        widest_ = std::max(widest_, record.columns.size());
        return true;
    }
}

}  // namespace tesra
