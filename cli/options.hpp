// Command-line options of tesra-cli, parsed without touching any file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jobs/report.hpp"
#include "files/dialect.hpp"

namespace tesra::cli {

struct Options {
    std::string from;  // exact system name (what was typed, when it names none)
    std::string to;
    std::string param_x;
    std::string param_y;
    std::optional<char> decimal_separator;
    std::optional<std::string> grid_dir;
    PointFileDialect dialect;  // how the input is written
    std::string input;
    std::string output;
    OutputFormat format = OutputFormat::report;
    int precision = -1;  // -1: 3 decimals for metres, 9 for degrees (5 of the seconds with dms)
    AngleFormat angles = AngleFormat::decimal;
    bool skip_faulty_points = false;  // --on-error skip
    bool stop_outside_area = false;   // --area stop
    std::string rejects;
    // A batch: every input into output_dir, `jobs` at a time (0: one per core).
    std::optional<std::string> output_dir;
    std::vector<std::string> inputs;
    unsigned jobs = 0;
    unsigned threads = 0;  // for each file (0: the processors available)
    bool quiet = false;  // no completion line
    bool help = false;
    bool version = false;
    bool list = false;
};

struct ParseResult {
    std::optional<Options> options;  // empty on a usage error
    std::string error;
};

ParseResult parse_options(const std::vector<std::string_view>& args);

// The system name a typed text stands for: the name itself, its alias, its
// EPSG code ("EPSG:3763", "epsg:3763" or "3763") or the name EPSG gives the
// code ("ETRS89 / Portugal TM06"), in any case, with or without accents,
// with blanks around it. The text unchanged when it is none of these, so
// the job reports it as it would a typed one. A code that several systems
// share, or its name, resolves to none of them (see shared_code_error).
std::string resolve_system(std::string_view text);

// For an EPSG code or name that several systems share, the usage error
// that lists them; empty for any other text.
std::string shared_code_error(std::string_view text);

std::string usage_text();

// `text` in lines of at most `width` characters, broken at blanks (a word
// wider than a line stands alone on it): the first after `first_indent`,
// the others after `indent`; each line ends in "\n".
std::string wrap(std::string_view text, std::string_view first_indent, std::string_view indent,
                 std::size_t width = 80);

// Where a batch writes the output of `input`: in `dir`, under the input's
// file name, its extension made .csv or .geojson for those formats.
std::string batch_output_path(const std::string& dir, std::string_view input, OutputFormat format);

// The .prj file that goes with a csv at `path`: its name with the extension
// made .prj, or .prj added when it has none.
std::string projection_path(const std::string& path);

}  // namespace tesra::cli
