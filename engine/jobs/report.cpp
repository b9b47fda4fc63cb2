#include "jobs/report.hpp"

#include <algorithm>
#include <cstring>
#include <optional>

#include "text/angles.hpp"
#include "text/codepage.hpp"
#include "text/numtext.hpp"
#include "files/point_file.hpp"
#include "geodesy/systems.hpp"

namespace tesra {

namespace {

constexpr std::size_t zone = 14;

// The start of the print zone after `used` columns: fields are never cut.
constexpr std::size_t next_zone(std::size_t used) noexcept { return (used / zone + 1) * zone; }

OutputFile open_output(const PointFile& output) {
    if (output.stream_fd >= 0 || output.intermediate != nullptr) return OutputFile(output);
    return OutputFile(output.path, OutputFile::Mode::replace);
}

// A csv field as RFC 4180 has it: quoted, inner quotes doubled, when it
// holds the separator, a quote or a line end; also when it starts or ends
// with a blank, which a reader would otherwise drop.
void put_csv_field(std::string& line, std::string_view field, char separator) {
    const bool quote = field.find_first_of(std::string{separator, '"', '\r', '\n'}) != std::string_view::npos ||
                       (!field.empty() && (field.front() == ' ' || field.back() == ' '));
    if (!quote) {
        line += field;
        return;
    }
    line += '"';
    for (const char c : field) {
        if (c == '"') line += '"';
        line += c;
    }
    line += '"';
}

// A JSON string of Windows-1252 (or, with utf8, UTF-8) text.
void put_json_string(std::string& out, std::string_view text, bool utf8) {
    out += '"';
    for (const char c : utf8 ? std::string(text) : cp1252_to_utf8(text)) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            static constexpr char hex[] = "0123456789abcdef";
            out += "\\u00";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

void put_fixed(std::string& out, double value, int decimals, char separator) {
    char text[fixed_text_capacity];
    out.append(text, write_fixed(text, value, decimals, separator));
}

// How the coordinates are written: metres (the report's in "0.000"), or
// latitude and longitude in degrees.
struct CoordinateForm {
    bool degrees = false;
    AngleFormat angles = AngleFormat::decimal;
    int decimals = 3;
    TextEncoding encoding = TextEncoding::utf8;

    static constexpr std::size_t capacity = fixed3_text_capacity;
    static_assert(sexagesimal_text_capacity <= capacity && fixed_text_capacity <= capacity + max_fixed_decimals);

    // `axis` 0 is M (a latitude), 1 is P (a longitude).
    char* write(char* out, double value, int axis, char separator, bool report) const noexcept {
        if (!degrees) return report ? write_fixed3(out, value, separator) : write_fixed(out, value, decimals, separator);
        if (angles == AngleFormat::decimal) return write_degrees(out, value, decimals, separator);
        return write_sexagesimal(out, value, axis == 0 ? AngleKind::latitude : AngleKind::longitude, encoding,
                                 decimals, separator);
    }
    void put(std::string& out, double value, int axis, char separator) const {
        char text[capacity + max_fixed_decimals];
        out.append(text, write(text, value, axis, separator, false));
    }
};

// One line of the report: the name and both coordinates, in print zones,
// each written by write(out, value, axis) and `wide` bytes longer than it is
// wide (a UTF-8 degree sign's second byte).
template <class Out, class Write>
void put_report_line(Out& out, const PointRecord& record, bool utf8, Write&& write, std::size_t wide = 0) {
    const std::size_t n = record.name.size();
    // Zones count characters: a UTF-8 name has bytes beyond its width.
    const std::size_t extra = utf8 ? static_cast<std::size_t>(std::count_if(
                                         record.name.begin(), record.name.end(),
                                         [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }))
                                   : 0;
    // Each stretch of blanks is at most a zone wide: a block of 16 is laid
    // down and the text after it written over the rest (past the end of the
    // line is scratch within what was reserved). The coordinates are
    // written in place, each where its zone starts.
    static constexpr char blanks[16] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                        ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    static_assert(zone <= sizeof blanks);
    char* const line = out.reserve(n + 2 * (zone + CoordinateForm::capacity + max_fixed_decimals) + 2 + sizeof blanks);
    std::char_traits<char>::copy(line, record.name.data(), n);
    std::memcpy(line + n, blanks, sizeof blanks);
    const std::size_t m_at = next_zone(n - extra) + extra;
    char* const m_end = write(line + m_at, record.m, 0);
    std::memcpy(m_end, blanks, sizeof blanks);
    const std::size_t p_at = next_zone(static_cast<std::size_t>(m_end - line) - extra - wide) + extra + wide;
    char* const end = write(line + p_at, record.p, 1);
    end[0] = '\r';
    end[1] = '\n';
    out.commit(static_cast<std::size_t>(end + 2 - line));
}

}  // namespace

TableDialect table_dialect(const PointFileDialect& input) {
    TableDialect table;
    if (input.line_separator == ';' || input.line_separator == '\t') {
        table.separator = input.line_separator;
        table.decimal_mark = input.decimal_mark;
    }
    const std::size_t count = std::max(input.columns, input.column_titles.size());
    for (std::size_t i = 0; i < count; ++i) {
        // A geojson property named twice keeps one value: a title that
        // repeats `nome` or an earlier column is replaced too.
        // A name made up for a column is none of the titles either.
        const auto taken = [&](const std::string& title) {
            return title.empty() || title == "nome" ||
                   std::find(table.columns.begin(), table.columns.end(), title) != table.columns.end() ||
                   std::find(input.column_titles.begin() + static_cast<std::ptrdiff_t>(std::min(i, input.column_titles.size())),
                             input.column_titles.end(), title) != input.column_titles.end();
        };
        std::string title = i < input.column_titles.size() ? input.column_titles[i] : "";
        if (title.empty() || title == "nome" ||
            std::find(table.columns.begin(), table.columns.end(), title) != table.columns.end()) {
            title = "coluna" + std::to_string(i + 4);
            for (int again = 2; taken(title); ++again) title = "coluna" + std::to_string(i + 4) + "_" + std::to_string(again);
        }
        table.columns.push_back(title);
    }
    return table;
}

namespace {

CoordinateForm coordinate_form(const OutputOptions& options, bool degrees, TextEncoding encoding) {
    return {degrees, options.angles, options.precision, encoding};
}

// A report line: metres in "0.000" as ever, on their own short path, or degrees.
template <class Out>
void put_report_line(Out& out, const PointRecord& record, const OutputOptions& options, bool degrees, bool utf8) {
    const char separator = options.decimal_separator;
    if (!degrees) {
        put_report_line(out, record, utf8, [separator](char* at, double value, int) {
            return write_fixed3(at, value, separator);
        });
        return;
    }
    const CoordinateForm form = coordinate_form(options, true, utf8 ? TextEncoding::utf8 : TextEncoding::cp1252);
    // A degree sign in UTF-8 is two bytes of one character.
    const std::size_t wide = options.angles == AngleFormat::dms && utf8 ? 1 : 0;
    put_report_line(out, record, utf8, [&form, separator](char* at, double value, int axis) {
        return form.write(at, value, axis, separator, true);
    }, wide);
}

// A geojson number: JSON has no other decimal mark, and degrees keep nine
// decimals whatever the table's metres keep.
void put_json_number(std::string& out, double value, int decimals) {
    put_fixed(out, value, decimals, '.');
}

}  // namespace

OutputWriter::OutputWriter(const PointFile& output, const OutputOptions& options, std::string_view source,
                           std::string_view target, bool utf8)
    : out_(open_output(output)), options_(options), utf8_(utf8) {
    // A generic route's coordinates are in whatever system its parameters give.
    const std::optional<System> to = source == system_name(System::qualquer) ? std::nullopt : find_system(target);
    degrees_ = to && is_geographic(*to);
    if (options_.precision < 0) {
        options_.precision = !degrees_ ? 3 : options_.angles == AngleFormat::dms ? default_second_decimals
                                                                                 : default_degree_decimals;
    }
    const std::string m_title = degrees_ ? "Latitude" : "M";
    const std::string p_title = degrees_ ? "Longitude" : "P";
    std::string header;
    switch (options_.format) {
    case OutputFormat::report: {
        // In the encoding of the names below it.
        const auto text = [utf8](const std::string& own) { return utf8 ? own : utf8_to_cp1252(own); };
        header = text("Transformação : " + std::string(source) + " --> " + std::string(target));
        header += "\r\n\r\n" + std::string(62, '-') + "\r\n\r\n";
        header += text("Coordenadas : " + std::string(target)) + "\r\n\r\n";
        std::string titles = "Nome";
        for (const std::string& title : {m_title, p_title}) {
            titles.append(next_zone(titles.size()) - titles.size(), ' ') += "   " + title;
        }
        header += titles + "\r\n\r\n";
        break;
    }
    case OutputFormat::points: break;
    case OutputFormat::csv: {
        const char separator = options_.dialect.separator;
        header = "Nome" + (separator + m_title) + separator + p_title;
        for (const std::string& column : options_.dialect.columns) {
            put_csv_field(header += separator, utf8_ ? column : cp1252_to_utf8(column), separator);
        }
        header += "\r\n";
        break;
    }
    case OutputFormat::geojson:
    case OutputFormat::geojson_crs: {
        header = "{\"type\": \"FeatureCollection\",\n";
        const int code = to ? systems[static_cast<std::size_t>(*to)].epsg : 0;
        if (options_.format == OutputFormat::geojson_crs && code != 0) {
            header += "\"crs\": {\"type\": \"name\", \"properties\": {\"name\": \"urn:ogc:def:crs:EPSG::" +
                      std::to_string(code) + "\"}},\n";
        }
        header += "\"features\": [";
        break;
    }
    }
    out_.write(header);
}

void OutputWriter::write(const PointRecord& record, std::span<const std::string_view> columns) {
    switch (options_.format) {
    case OutputFormat::report:
        put_report_line(out_, record, options_, degrees_, utf8_);
        return;
    case OutputFormat::points: write_record(out_, record.name, record.m, record.p); return;
    case OutputFormat::csv: {
        const TableDialect& d = options_.dialect;
        // UTF-8 whatever the input, as RFC 4180 readers and GDAL expect.
        const auto text = [this](std::string_view field) { return utf8_ ? std::string(field) : cp1252_to_utf8(field); };
        const CoordinateForm form = coordinate_form(options_, degrees_, TextEncoding::utf8);
        std::string line;
        std::string coordinate;
        put_csv_field(line, text(record.name), d.separator);
        for (int axis = 0; axis < 2; ++axis) {
            coordinate.clear();
            form.put(coordinate, axis == 0 ? record.m : record.p, axis, d.decimal_mark);
            put_csv_field(line += d.separator, coordinate, d.separator);  // sexagesimal text holds quotes
        }
        // Every row as wide as the header: a record with fewer columns
        // leaves the rest empty rather than sliding under other titles.
        for (std::size_t i = 0; i < std::max(columns.size(), d.columns.size()); ++i) {
            put_csv_field(line += d.separator, text(i < columns.size() ? columns[i] : std::string_view()), d.separator);
        }
        out_.write(line += "\r\n");
        return;
    }
    case OutputFormat::geojson:
    case OutputFormat::geojson_crs: {
        const bool placed = options_.format == OutputFormat::geojson;
        std::string feature = first_ ? "\n" : ",\n";
        feature += "{\"type\": \"Feature\", \"properties\": {\"nome\": ";
        put_json_string(feature, record.name, utf8_);
        if (placed) {
            // The target's own coordinates, which the geometry no longer holds.
            put_json_number(feature += ", \"m\": ", record.m, options_.precision);
            put_json_number(feature += ", \"p\": ", record.p, options_.precision);
        }
        for (std::size_t i = 0; i < columns.size() && i < options_.dialect.columns.size(); ++i) {
            put_json_string(feature += ", ", options_.dialect.columns[i], utf8_);
            put_json_string(feature += ": ", columns[i], utf8_);
        }
        // RFC 7946's longitude and latitude, or the target's own M and P.
        double lat = record.m, lon = record.p;
        const bool where = !placed || degrees_ || (options_.place && options_.place(record.m, record.p, lat, lon));
        feature += "}, \"geometry\": ";
        if (where) {
            feature += "{\"type\": \"Point\", \"coordinates\": [";
            put_json_number(feature, placed ? lon : record.m, placed ? default_degree_decimals : options_.precision);
            put_json_number(feature += ", ", placed ? lat : record.p,
                            placed ? default_degree_decimals : options_.precision);
            feature += "]}";
        } else {
            feature += "null";  // a point that cannot be placed is not placed anywhere
        }
        out_.write(feature += "}");
        first_ = false;
        return;
    }
    }
}

bool OutputWriter::formats_apart() const noexcept {
    return options_.format == OutputFormat::report || options_.format == OutputFormat::points;
}

void OutputWriter::format(const PointRecord& record, ByteBlock& block) const {
    if (options_.format == OutputFormat::report) {
        put_report_line(block, record, options_, degrees_, utf8_);
    } else {
        write_record(block, record.name, record.m, record.p);
    }
}

void OutputWriter::close() {
    if (options_.format == OutputFormat::geojson || options_.format == OutputFormat::geojson_crs) {
        out_.write("\n]}\n");
    }
    out_.close();
}

void write_output(const PointFile& points, const PointFile& output, const OutputOptions& options,
                  std::string_view source, std::string_view target) {
    FieldReader first(points);
    OutputWriter writer(output, options, source, target, first.encoding() == TextEncoding::utf8);
    ChunkedRead chunked;
    if (writer.formats_apart()) {
        const ChunkBody body = [&writer](FieldReader& reader, ByteBlock& block) {
            PointRecord record;
            while (reader.read_record(record)) writer.format(record, block);
            return true;
        };
        chunked = read_in_chunks(first, points.chunks, body,
                                 [&writer](std::string_view bytes) { writer.write_bytes(bytes); });
        if (chunked.taken && !chunked.rest) {
            writer.close();
            return;
        }
    }
    FieldReader& in = chunked.rest ? *chunked.rest : first;
    PointRecord record;
    while (in.read_record(record)) writer.write(record, record.columns);
    writer.close();
}

}  // namespace tesra
