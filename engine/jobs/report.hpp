// The job's output, written from the last routine's records as they come
// (or from the last intermediate), in one of four forms:
//  - report: eight header lines naming the transformation, then one line per
//    point with the name and both coordinates in "0.000", in print zones of
//    14 columns; lines ended by CR LF, in the encoding of the points
//    (Windows-1252 unless the input was UTF-8);
//  - points: the point-file form the routines read, so that a result can be
//    transformed again;
//  - csv: a header line and one row per point, quoted as RFC 4180 asks,
//    UTF-8;
//  - geojson: an RFC 7946 FeatureCollection of Point features, UTF-8: each
//    point placed by longitude and latitude (the job's `place`), the target
//    system's coordinates kept as properties m and p;
//  - geojson_crs: the same with the target system's own coordinates and its
//    EPSG code as a `crs` member when the route has a fixed one (GeoJSON
//    before RFC 7946, which GIS programs still read).
// A geographic target's coordinates are latitude and longitude in degrees,
// in decimal degrees or as degrees, minutes and seconds.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "files/point_file.hpp"

namespace tesra {

enum class OutputFormat { report, points, csv, geojson, geojson_crs };

enum class AngleFormat { decimal, dms };

// Where a point of the target system lies, as latitude and longitude on
// ETRS89 or PTRA08 (which RFC 7946 readers take as WGS 84): false when it
// cannot be placed (beyond a grid on the way).
using PlacePoint = std::function<bool(double m, double p, double& lat, double& lon)>;

// What the tables (csv, geojson) take from the input's line dialect.
// A reader that knows the dialect fills it; the default is the plain one.
struct TableDialect {
    char separator = ',';     // between csv fields: ',', ';' or a tab
    char decimal_mark = '.';  // of csv coordinates; never the separator
    // Header names of the further columns each record carries after P, in
    // order and in the input's code page; write() takes their values.
    std::vector<std::string> columns;
};

// The table dialect of a user's file as its reader found it: its separator
// and decimal mark when it was `;` or tab (else `,` with periods), and a
// name for every further column: the header's title, or "colunaN" for the
// field's place N on the line (4 for the first after P) when there is none
// or it is empty, `nome` or another column's.
[[nodiscard]] TableDialect table_dialect(const PointFileDialect& input);

struct OutputOptions {
    OutputFormat format = OutputFormat::report;
    // Decimals of csv and geojson coordinates, 0 to 9 (-1: 3 for metres, 9
    // for degrees); of every form's degrees (of the seconds, with dms).
    int precision = -1;
    AngleFormat angles = AngleFormat::decimal;
    char decimal_separator = ',';  // of the report's coordinates
    TableDialect dialect;
    PlacePoint place;  // geojson's
};

// The output, one record at a time. The constructor creates the file (a
// path appears whole or not at all: OutputFile::Mode::replace; a stream is
// written as it goes) and writes the header; close() ends and keeps it;
// destroying the writer before close() discards it. `source` and `target`
// are the system names of the request. Faults throw TesraError.
class OutputWriter {
public:
    // `utf8`: the names are UTF-8 (else Windows-1252), and so are the
    // report's own texts.
    OutputWriter(const PointFile& output, const OutputOptions& options, std::string_view source,
                 std::string_view target, bool utf8 = false);
    void write(const PointRecord& record, std::span<const std::string_view> columns = {});
    // The report and points forms lay each record down apart from the
    // others: format() appends what write() would write (without the
    // columns, which these forms drop) and write_bytes() writes such bytes.
    [[nodiscard]] bool formats_apart() const noexcept;
    void format(const PointRecord& record, ByteBlock& block) const;
    void write_bytes(std::string_view bytes) { out_.write(bytes); }
    void close();

private:
    OutputFile out_;
    OutputOptions options_;
    bool utf8_;
    bool degrees_ = false;  // the target is geographic
    bool first_ = true;
};

// Reads the point file `points` whole and writes its records through an
// OutputWriter.
void write_output(const PointFile& points, const PointFile& output, const OutputOptions& options,
                  std::string_view source, std::string_view target);

}  // namespace tesra
