// How a user's point file is written. The default is the point-file format
// (comma- and line-delimited fields, Windows-1252); the other dialects are
// the files that office programs and editors export: one record per line,
// `;` or tab between fields, a decimal comma, a header, UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/codepage.hpp"

namespace tesra {

struct PointFileDialect {
    enum class Separator : char { comma, semicolon, tab, automatic, space };  // space: runs of blanks and tabs
    enum class Encoding : char { cp1252, utf8, automatic };

    Separator separator = Separator::comma;
    bool decimal_comma = false;  // only with semicolon, tab or automatic
    long skip_lines = 0;         // lines skipped unread at the start
    Encoding encoding = Encoding::cp1252;
    bool header = false;  // a first line whose M or P is not a number, before lines whose are, is skipped

    // What the reader of a user's file found, for the intermediates and the
    // output: the separator and decimal mark of a file of one record per
    // line (0: the point-file format), the titles a header gave the columns
    // after P, and how many such columns the widest record carries (set at
    // the end of the file). An intermediate's reader told of further
    // columns reads the records one per line, as the record writer wrote them.
    char line_separator = 0;
    char decimal_mark = '.';
    std::vector<std::string> column_titles{};
    std::size_t columns = 0;

    // The fields of every line by position (--columns): as DialectDecision's
    // order gives them. Empty: by a header's titles, or as they stand.
    std::vector<std::size_t> column_order{};

    // Whether the reader's messages may name command-line options: not in
    // the desktop program, which has none.
    bool options = true;

    // The source system is geographic: M and P are the latitude and the
    // longitude in degrees. A line dialect reads each in any form
    // parse_angle takes (blank-separated lines only the forms without
    // blanks); the point-file format reads decimal degrees, its numbers,
    // within ±90° and ±180°. A header's Latitude and Longitude name M and
    // P. Set by the job for the user's input only: an intermediate holds
    // plain numbers.
    bool geographic = false;

    // What --auto asks for.
    static constexpr PointFileDialect automatic() noexcept {
        return {Separator::automatic, false, 0, Encoding::automatic, true};
    }
    // How the desktop program reads every input.
    static PointFileDialect window() {
        PointFileDialect dialect = automatic();
        dialect.options = false;
        return dialect;
    }
};

// What the first lines of a file say about how to read the rest.
struct DialectDecision {
    char separator = 0;     // 0: the point-file format; else ',', ';', '\t' or ' ' (blanks) with one record per line
    char decimal_mark = '.';
    bool header = false;    // the first line holds column titles
    std::size_t fields = 0; // every line holds this many fields; 0: any number from three
    bool count_settled = false;  // comma lines: a header with a title per field settles `fields`
    // A file refused at one of the lines given (`refused_line`, from 0):
    // a line that reads two ways, a header of geographic coordinates for a
    // source that is not, or one whose titles name M or P twice or leave
    // one out (latitude and longitude beside M or P among them).
    enum class Refusal : char { none, two_ways, geographic, roles };
    Refusal refusal = Refusal::none;
    std::size_t refused_line = 0;
    // Where a header's titles put the columns: the fields of a line taken
    // as name, M, P, then the further columns (a name of SIZE_MAX: none,
    // each point is named by its line). Empty: as they stand.
    std::vector<std::size_t> order{};
};

// What a header's title says its column holds, ignoring case, accents and blanks.
enum class ColumnRole : char { none, name, m, p, height, latitude, longitude };
[[nodiscard]] ColumnRole title_role(std::string_view title);

// The order of a list of roles by position ("m,p,nome", "nome,-,m,p": `-`
// a further column kept as it is; "nome,lat,lon" for a `geographic` source),
// for PointFileDialect::column_order. Returns what is wrong with the list,
// or nothing.
[[nodiscard]] std::string column_order(std::string_view list, std::vector<std::size_t>& order,
                                       bool geographic = false);

// Whether a comma line with further columns may as well be one of decimal
// commas ("Sé,-87345,210,-104877,530"): an integer M and a P of bare digits.
[[nodiscard]] bool ambiguous_comma_line(const std::vector<std::string_view>& fields);

// Decides from the first non-blank lines of a file (after the lines to skip).
[[nodiscard]] DialectDecision decide_dialect(const std::vector<std::string_view>& lines,
                                             const PointFileDialect& dialect);

// Splits one line of a line dialect (RFC 4180 quoting, `""` inside quotes)
// into fields: unquoted fields lose their outer blanks. With ' ', any run of
// blanks and tabs separates fields, and the line's outer blanks none. The views point
// into `storage`, which is overwritten. Returns false for a field whose
// quotes are not closed.
bool split_fields(std::string_view line, char separator, std::string& storage,
                  std::vector<std::string_view>& fields);

// A number of a line dialect: the point-file grammar with the given decimal
// mark (the other mark is refused, so "1.234,5" is not read as anything).
[[nodiscard]] bool parse_dialect_number(std::string_view field, char decimal_mark, double& value) noexcept;

}  // namespace tesra
