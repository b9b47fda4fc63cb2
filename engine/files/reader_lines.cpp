// The reader's part for a user's file in a dialect: its start examined
// (byte-order mark, lines to skip, the dialect decided, a header), records
// one per line, and the encoding of every text field.
#include "files/reader.hpp"

#include <algorithm>
#include <cstring>

#include "text/angles.hpp"

namespace tesra {

namespace {

bool is_line_end(char c) noexcept { return c == '\r' || c == '\n'; }

bool blank(std::string_view s) noexcept { return s.find_first_not_of(" \t") == std::string_view::npos; }

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
        FieldReader in("amostra", text);
        PointRecord record;
        bool any = false;
        while (in.read_record(record)) any = true;
        return any;
    } catch (const TesraError&) {
        return false;
    }
}

// Counts the line ends in `text`: CR LF, CR or LF.
long line_ends(std::string_view text) {
    long n = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) ++n;
    }
    return n;
}

// Whether M, P and the field after them are what degrees, minutes and
// seconds written with blanks between give when blanks separate the
// fields: whole degrees, whole minutes, then the seconds or a letter.
bool split_angle(std::string_view m, std::string_view p, std::string_view next, char decimal_mark) {
    const auto whole = [](std::string_view s) {
        if (!s.empty() && (s.front() == '-' || s.front() == '+')) s.remove_prefix(1);
        return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    double seconds = 0;
    return whole(m) && whole(p) &&
           (parse_dialect_number(next, decimal_mark, seconds) ||
            (next.size() == 1 && std::strchr("NSEWOnsewo", next[0]) != nullptr));
}

}  // namespace

std::string FieldReader::angle_refusal(AngleKind kind, std::string_view field, const AngleReading& reading) const {
    const std::string what = kind == AngleKind::latitude ? "a latitude" : "a longitude";
    if (blank(field)) return "falta " + what;
    if (reading.fault == AngleFault::out_of_range) {
        return what + " " + excerpt(field) + (kind == AngleKind::latitude ? " passa de 90°" : " passa de 180°");
    }
    return what + " " + excerpt(field) + " não se lê: " + angle_fault_text(reading, kind) +
           (reading.fault != AngleFault::not_angle ? ""
            : decimal_mark_ == ','                 ? " (o separador decimal é a vírgula)"
                                                   : " (o separador decimal é o ponto)");
}

std::string FieldReader::two_ways_fault(std::string_view text) const {
    return "a linha lê-se de duas maneiras, com coordenadas inteiras e colunas a mais ou com vírgula decimal: " +
           excerpt(text) + " (um cabeçalho com um título por coluna" +
           (dialect_ == nullptr || dialect_->options ? std::string(", --columns") : std::string()) +
           " ou o separador \";\" entre os campos decide)";
}

void FieldReader::check_text(std::string_view text, long line) {
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) return;
    if (valid_utf8(text)) {
        seen_utf8_ = true;
        return;
    }
    if (text_check_ == TextCheck::utf8) {
        throw file_error(path_, line,
                         "o texto " + excerpt(text) + " não é UTF-8 válido" +
                             (dialect_ != nullptr &&
                                      (!dialect_->options || dialect_->encoding != PointFileDialect::Encoding::utf8)
                                  ? std::string(" (o ficheiro começa pela marca de um ficheiro UTF-8)")
                                  : std::string(" (se o ficheiro for Windows-1252, leia-o com --encoding cp1252)")));
    }
    // Not UTF-8 after all: Windows-1252, whatever came before.
    text_check_ = TextCheck::none;
    encoding_ = TextEncoding::cp1252;
}

void FieldReader::begin(PointFileDialect& dialect) {
    // The bytes from the start are held until the first record, unless
    // the lines skipped run past max_preamble.
    keep_ = base_;
    begin_records(dialect);
    if (keep_ == base_ && base_ == 0) preamble_.assign(buf_.data(), pos_);
    keep_ = UINT64_MAX;
}

void FieldReader::begin_records(PointFileDialect& dialect) {
    using Encoding = PointFileDialect::Encoding;
    dialect_ = &dialect;
    geographic_ = dialect.geographic;
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
    // Lines skipped past max_preamble are let go as they are read: any
    // length may be skipped.
    std::uint64_t seen = offset();
    for (long i = 0; i < dialect.skip_lines && peek() >= 0; ++i) {
        scan([this, &seen](char ch) {
            if (++seen > max_preamble) keep_ = UINT64_MAX;
            return is_line_end(ch);
        });
        if (peek() >= 0) skip_line_end();
    }
    if (offset() > max_preamble) keep_ = UINT64_MAX;
    field_line_ = line_;
    if (dialect.separator == PointFileDialect::Separator::comma && !dialect.header && dialect.column_order.empty()) {
        return;
    }

    // The first lines, as far as one chunk holds them, and past rows with
    // nothing in them (an office program's empty rows, `;;;`) up to a bound.
    KeepGuard keep(*this, offset());
    const auto empty = [this] {
        return std::string_view(buf_.data() + pos_, end_ - pos_).find_first_not_of(" \t;,\r\n") ==
               std::string_view::npos;
    };
    while ((end_ - pos_ < (std::size_t{64} << 10) || (empty() && end_ - pos_ < (std::size_t{16} << 20))) && fill()) {
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
                                             dialect.column_order.empty() &&
                                             plain_reads(sample.substr(0, complete_lines(sample, at_eof_)))
                                         ? DialectDecision{0, '.', false, 0}
                                         : decide_dialect(lines, dialect);
    line_separator_ = decision.separator;
    decimal_mark_ = decision.decimal_mark;
    line_fields_ = decision.fields;
    count_settled_ = decision.count_settled;
    dialect.line_separator = line_separator_;
    dialect.decimal_mark = decimal_mark_;
    if (decision.refusal != DialectDecision::Refusal::none) {
        const std::string_view at = lines[decision.refused_line];
        const long line = line_ + line_ends(sample.substr(0, static_cast<std::size_t>(at.data() - sample.data())));
        switch (decision.refusal) {
        case DialectDecision::Refusal::geographic:
            throw file_error(path_, line,
                             "o cabeçalho " + excerpt(at) +
                                 " tem colunas de latitude e longitude, coordenadas geográficas" +
                                 (dialect.options ? ": escolha um Sistema 1 geográfico (--from etrs89geo, ptra08geo "
                                                    "ou wgs84)"
                                                  : ", e o programa de janela só transforma coordenadas planas (M, "
                                                    "P)"));
        case DialectDecision::Refusal::roles:
            throw file_error(path_, line,
                             "os títulos do cabeçalho " + excerpt(at) +
                                 (geographic_ ? " não dizem que colunas são a latitude e a longitude (um título de "
                                                "cada, uma vez: Latitude ou Lat; Longitude, Long ou Lon; ou M e P)"
                                              : " não dizem que colunas são M e P (um título de cada, uma vez: M, X, "
                                                "E ou Este; P, Y, N ou Norte)"));
        default: throw file_error(path_, line, two_ways_fault(at));
        }
    }
    order_ = decision.order;
    if (!decision.header) return;
    // Past the header line, counting the lines before it.
    const std::string_view header = lines.front();
    const std::string_view before = sample.substr(0, static_cast<std::size_t>(header.data() - sample.data()));
    line_ += line_ends(before);
    pos_ += before.size() + header.size();
    field_line_ = line_;
    if (text_check_ != TextCheck::none) check_text(header, line_);
    if (split_fields(header, decision.separator == 0 ? ',' : decision.separator, line_text_, fields_)) {
        if (order_.empty()) {
            for (std::size_t i = 3; i < fields_.size(); ++i) titles_.emplace_back(fields_[i]);
        } else {
            for (std::size_t i = 3; i < order_.size(); ++i) titles_.emplace_back(fields_[order_[i]]);
        }
    }
    dialect.column_titles = titles_;
    if (peek() == '\r' || peek() == '\n') skip_line_end();
}

void FieldReader::refuse_line(std::string_view text, const std::string& fault) {
    if (!line_faults_) throw file_error(path_, field_line_, fault);
    line_faults_(LineFault{field_line_, text, fault});
}

std::string FieldReader::line_fault(std::string_view text, PointRecord& record) {
    const char separator = line_separator_;
    if (fields_.size() < 3 && order_.empty()) {
        const std::string what = separator == ';'    ? "\";\""
                                 : separator == '\t' ? "tabulações"
                                 : separator == ' '  ? "espaços"
                                                     : "vírgulas";
        const bool mixed = text.find(separator == ';' ? '\t' : ';') != std::string_view::npos;
        return "a linha tem menos de três campos (Nome, M, P) separados por " + what + ": " + excerpt(text) +
               (mixed ? " (separadores misturados?)" : "");
    }
    if (line_fields_ != 0 && fields_.size() != line_fields_) {
        return "a linha tem " + std::to_string(fields_.size()) + " campos e as primeiras linhas têm " +
               std::to_string(line_fields_) + ": " + excerpt(text);
    }
    // A name with a blank in it shifts every field of a blank-separated
    // line: its M is then often a whole number beside a P with decimals.
    if (separator == ' ' && order_.empty() && fields_.size() > 3 &&
        (fields_[1].find(decimal_mark_) == std::string_view::npos) !=
            (fields_[2].find(decimal_mark_) == std::string_view::npos)) {
        return "M e P não têm as mesmas casas decimais: " + excerpt(text) +
               " (um nome com espaços? Escreva-o entre aspas)";
    }
    // Degrees, minutes and seconds apart ("38 42 33.3 N") split into
    // fields as the blanks do: whole degrees as the latitude, whole
    // minutes as the longitude, and a number or a letter after them.
    if (geographic_ && separator == ' ' && order_.empty() && fields_.size() > 3 &&
        split_angle(fields_[1], fields_[2], fields_[3], decimal_mark_)) {
        return "a latitude e a longitude parecem graus, minutos e segundos separados por espaços, que não se "
               "distinguem dos campos: " + excerpt(text) + " (escreva-os sem espaços, como 38°42'33.3\"N)";
    }
    if (!order_.empty()) {
        // Name, M, P and the further columns, where the titles put them.
        ordered_.clear();
        line_name_ = std::to_string(field_line_);
        for (std::size_t i : order_) ordered_.push_back(i == SIZE_MAX ? std::string_view(line_name_) : fields_[i]);
        fields_.swap(ordered_);
    }
    // A line of decimal commas among comma lines with further columns
    // may hold as many fields as they do: refused, not read shifted,
    // unless a header settles the count and the first line had no decimals.
    if (separator == ',' && line_fields_ != 0) {
        if (decimals_ < 0) {
            decimals_ = fields_[1].find('.') != std::string_view::npos ||
                        fields_[2].find('.') != std::string_view::npos;
        }
        if ((!count_settled_ || decimals_ == 1) && ambiguous_comma_line(fields_)) return two_ways_fault(text);
    }
    const std::string_view name = fields_[0];
    if (blank(name)) return "a linha não tem nome do ponto: " + excerpt(text);
    if (name.find('\0') != std::string_view::npos) {
        return "o nome do ponto " + excerpt(name) +
               " contém bytes nulos (o ficheiro está danificado ou não é um ficheiro de texto)";
    }
    if (text_check_ != TextCheck::none) {
        for (std::string_view field : fields_) check_text(field, field_line_);
    }
    double* const values[2] = {&record.m, &record.p};
    for (int i = 0; i < 2; ++i) {
        const std::string_view field = fields_[static_cast<std::size_t>(i) + 1];
        const char* const coordinate = i == 0 ? "M" : "P";
        if (geographic_) {
            const AngleKind kind = i == 0 ? AngleKind::latitude : AngleKind::longitude;
            const AngleReading angle = parse_angle(field, kind, decimal_mark_);
            *values[i] = angle.degrees;
            if (angle.fault != AngleFault::none) return angle_refusal(kind, field, angle);
        } else if (blank(field)) {
            return std::string("falta o valor de ") + coordinate;
        } else if (!parse_dialect_number(field, decimal_mark_, *values[i])) {
            return std::string("o valor de ") + coordinate + " não é um número: " + excerpt(field) +
                   (decimal_mark_ == ',' ? " (o separador decimal é a vírgula)" : " (o separador decimal é o ponto)");
        }
    }
    return {};
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
            if (separator == ' ' && ch == '\t') ch = ' ';
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
        line_ += line_ends(text);
        if (state == State::quoted || !split_fields(text, separator, line_text_, fields_)) {
            throw file_error(path_, field_line_, "um campo abre aspas que não fecham: " + excerpt(text));
        }
        if (std::all_of(fields_.begin(), fields_.end(), [](std::string_view f) { return blank(f); })) continue;
        if (const std::string fault = line_fault(text, record); !fault.empty()) {
            refuse_line(text, fault);
            continue;
        }
        const std::string_view name = fields_[0];
        record.name = name;
        record.columns = std::span<const std::string_view>(fields_).subspan(3);
        record.line = text.empty() ? std::string_view("", 0) : text;
        widest_ = std::max(widest_, record.columns.size());
        return true;
    }
}

}  // namespace tesra
