#include "options.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <tuple>
#include <utility>

#include "geodesy/systems.hpp"

namespace tesra::cli {
namespace {

// Typed as a user would: any case, accents or none, blanks around; the
// exact name, the alias, the code or the name EPSG gives the code.
TEST(Options, SystemNamesMatchIgnoringCaseAccentsAndBlanks) {
    for (const SystemInfo& s : systems) {
        for (char c : s.alias) EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) << s.alias;  // plain ASCII to type
        std::string upper(s.name), bare;
        for (char& c : upper) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        for (std::size_t i = 0; i < s.name.size(); ++i) {
            // The accented letters of the names, spelt without their accent.
            const std::string_view rest = s.name.substr(i);
            const char plain = rest.starts_with("ç") ? 'c' : rest.starts_with("ã") || rest.starts_with("á") ? 'a'
                             : rest.starts_with("ó") ? 'o' : '\0';
            bare += plain != '\0' ? plain : s.name[i];
            if (plain != '\0') ++i;
        }
        std::string padded = " \t";
        padded.append(s.name).append(" ");
        std::vector<std::string> spellings = {std::string(s.alias), std::string(s.name), upper, bare, padded};
        if (s.epsg != 3063 && s.epsg != 0) spellings.emplace_back(s.epsg_name);
        for (const std::string& typed : spellings) EXPECT_EQ(resolve_system(typed), s.name) << typed;
    }
    // No guessing beyond that: the job reports the name as typed.
    for (std::string_view other : {"Madeira UTM 28", "Datum 73", "tm 06", "", " "}) {
        EXPECT_EQ(resolve_system(other), other);
    }
}

TEST(Options, EpsgCodesNameTheirSystemUnlessSeveralShareThem) {
    for (const auto& [text, name] : std::initializer_list<std::pair<std::string_view, std::string_view>>{
             {"EPSG:3763", "ETRS89 TM06"}, {"epsg:27493", "Hayford-Gauss Datum 73"},
             {"20790", "Hayford-Gauss Datum Lisboa - Militar"}, {"EPSG:5015", "UTM 26 ITRF93"},
             {"EPSG:3063", "EPSG:3063"}, {"EPSG:", "EPSG:"}, {"0", "0"}, {" epsg:3763 ", "ETRS89 TM06"},
             {"EPSG:3763x", "EPSG:3763x"}, {"EPSG 3763", "EPSG 3763"}}) {
        EXPECT_EQ(resolve_system(text), name) << text;
    }
    const ParseResult r = parse_options({"--from", "madeira", "--to", "3063", "a", "b"});
    EXPECT_FALSE(r.options);
    for (const SystemInfo& s : systems) EXPECT_EQ(r.error.find(s.name) != std::string::npos, s.epsg == 3063) << s.name;
    EXPECT_EQ(parse_options({"--from", "madeira", "--to", "AZORES CENTRAL 1995 / UTM ZONE 26N", "a", "b"}).error,
              r.error);
}

TEST(Options, ValuesTakenExactlyInBothSpellings) {
    const ParseResult r = parse_options({"--from=d73", "--to", "tm06", "--decimal-separator=,", "--grid-dir", " g ",
                                         "--threads", "3", "--", " in.txt", "--out"});
    ASSERT_TRUE(r.options) << r.error;
    EXPECT_EQ(r.options->from, "Hayford-Gauss Datum 73");
    EXPECT_EQ(r.options->to, "ETRS89 TM06");
    EXPECT_EQ(r.options->decimal_separator, ',');
    EXPECT_EQ(r.options->grid_dir, " g ");
    EXPECT_EQ(r.options->input, " in.txt");
    EXPECT_EQ(r.options->output, "--out");
    EXPECT_EQ(r.options->threads, 3U);
    for (std::string_view bad : {"0", "-1", "65", "2x"}) {
        EXPECT_FALSE(parse_options({"--from", "d73", "--threads", bad, "a", "b"}).options) << bad;
    }
}

// Each option lands in its own field; given twice, the second one counts.
TEST(Options, EveryOptionReachesItsOwnFieldTheLastTimeItIsGiven) {
    const ParseResult r = parse_options(
        {"--from", "madeira", "--to", "utm28", "--param-x", "qx", "--param-y", "qy", "--format", "geojson",
         "--precision", "1", "--decimal-separator", ",", "--on-error", "skip", "--rejects", "r0", "--output-dir", "o0",
         "--jobs", "9", "--threads", "8", "--grid-dir", "h", "--separator", ";", "--skip-lines", "3", "--encoding",
         "cp1252", "--from", "d73", "--to", "tm06", "--param-x", "px", "--param-y", "py", "--format", "csv",
         "--precision", "5", "--decimal-separator", "'", "--on-error", "stop", "--rejects", "rej", "--output-dir",
         "out", "--jobs", "2", "--threads", "4", "--grid-dir", "g", "--separator", "tab", "--skip-lines", "7",
         "--encoding", "utf-8", "--decimal-comma", "--auto", "--list", "--help", "--version", "--quiet"});
    ASSERT_TRUE(r.options) << r.error;
    const Options& o = *r.options;
    EXPECT_EQ(std::tie(o.from, o.to, o.param_x, o.param_y, o.rejects),
              std::tie("Hayford-Gauss Datum 73", "ETRS89 TM06", "px", "py", "rej"));
    EXPECT_EQ(o.format, OutputFormat::csv);
    EXPECT_EQ(o.precision, 5);
    EXPECT_EQ(o.decimal_separator, '\'');
    EXPECT_FALSE(o.skip_faulty_points);
    EXPECT_EQ(o.output_dir, "out");
    EXPECT_EQ(o.grid_dir, "g");
    EXPECT_EQ(o.jobs, 2U);
    EXPECT_EQ(o.threads, 4U);
    EXPECT_EQ(o.dialect.separator, PointFileDialect::Separator::tab);
    EXPECT_EQ(o.dialect.skip_lines, 7);
    EXPECT_EQ(o.dialect.encoding, PointFileDialect::Encoding::utf8);
    EXPECT_TRUE(o.dialect.decimal_comma && o.dialect.header && o.list && o.help && o.version && o.quiet);
    // The one-letter forms; "-" alone is the standard stream.
    const ParseResult letters = parse_options({"-q", "-", "--from", "d73", "-"});
    ASSERT_TRUE(letters.options) << letters.error;
    EXPECT_TRUE(letters.options->quiet && !letters.options->help && !letters.options->version);
    EXPECT_EQ(std::tie(letters.options->input, letters.options->output), std::tie("-", "-"));
    const ParseResult asking = parse_options({"-V", "-h"});
    EXPECT_TRUE(asking.options && asking.options->help && asking.options->version && !asking.options->quiet);
}

TEST(Options, UsageErrorsSayWhatIsWrongWithWhichOption) {
    for (const auto& [args, error] : std::initializer_list<std::pair<std::vector<std::string_view>, std::string_view>>{
             {{"--fro", "d73"}, "opção desconhecida: --fro"},
             {{"--auto=sim"}, "a opção --auto não leva valor"},
             {{"--from", "d73", "--jobs"}, "falta o valor da opção --jobs"},
             {{"--jobs=0"}, "--jobs leva um número de ficheiros a partir de 1"},
             {{"--threads", "65"}, "--threads leva um número de processadores de 1 a 64"},
             {{"--precision", "10"}, "--precision leva um número de casas decimais de 0 a 9"},
             {{"--skip-lines", "-1"}, "--skip-lines leva um número de linhas (0 ou mais)"},
             {{"--from", "d73", "--columns", "nome,lat,lon"},
              "--columns: \"lat\" só serve um Sistema 1 geográfico (etrs89geo, ptra08geo ou wgs84)"},
             {{"--from", "wgs84", "--columns", "nome,lat,x"},
              "--columns leva lat e lon (ou m e p), uma vez cada (e nome, cota ou - por coluna)"},
             {{"--from", "d73", "--columns", "m,-,cor"},
              "--columns: \"cor\" não é nome, m, p, lat, lon, cota nem - (uma coluna a mais)"},
             {{"--from", "d73", "--columns", "m,-,x"}, "--columns leva m e p, uma vez cada (e nome, cota ou - por coluna)"},
             {{"--format", "xml"}, "formato desconhecido: xml (report, points, csv, geojson ou geojson-crs)"},
             {{"--on-error", "go"}, "--on-error leva stop ou skip"},
             {{"--separator", "|"}, "o separador deve ser , ; tab, space ou auto"},
             {{"--encoding", "latin1"}, "a codificação deve ser cp1252, utf-8 ou auto"},
             {{"--to", "d73", "a", "b"}, "falta --from (o sistema de origem)"},
             // A dash and a letter is an option, never a file named so.
             {{"--from", "d73", "a", "-v"}, "opção desconhecida: -v"},
             {{"-hV"}, "opção desconhecida: -hV"},
             {{"-q=1"}, "opção desconhecida: -q=1"},
             {{"-from", "d73"}, "opção desconhecida: -from"}}) {
        EXPECT_EQ(parse_options(args).error, error);
    }
}

TEST(Options, DecimalSeparatorIsOneVisibleCharacterOutsideNumbers) {
    for (std::string_view ok : {".", ",", ";", "'", "_"}) {
        EXPECT_TRUE(parse_options({"--from", "d73", "--decimal-separator", ok, "a", "b"}).options) << ok;
    }
    for (std::string_view bad : {"", "\n", "\t", " ", "\x01", "\x7f", "5", "-", "+", "e", "E", ",,", "\xc3\xa7"}) {
        EXPECT_FALSE(parse_options({"--from", "d73", "--decimal-separator", bad, "a", "b"}).options) << bad;
    }
}

}  // namespace
}  // namespace tesra::cli
