// The same random points written in every line dialect, from one record to
// a few MiB, read back through whole reads and through reads cut to random
// lengths (every record boundary is then somewhere a refill of the reader's
// buffer): the names, coordinates and count the point-file format gives for
// the same points, the further columns as written, and a planted fault
// reported at its line. Then a job carries a height column through an
// intermediate.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "text/codepage.hpp"
#include "geodesy/grid.hpp"
#include "io_injection.hpp"
#include "files/point_file.hpp"
#include "support.hpp"

namespace tesra {
namespace {

using Dialect = PointFileDialect;

struct Layout {
    char separator;  // ';', tab, or ',' with further columns
    char mark;       // the decimal mark
    int encoding;    // 0: Windows-1252, 1: UTF-8, 2: UTF-8 with a BOM
    bool header;
    std::string end;  // CR LF, LF or CR
    int columns;      // after P: a code, then a height
};

struct Point {
    std::string name;  // UTF-8, never a quote
    std::string m, p, code, height;  // numbers with a decimal point
};

// A number with 1 to 4 decimals, never an integer: a comma file is never ambiguous.
std::string decimal(std::mt19937_64& rng, long low, long high) {
    std::string text = std::to_string(std::uniform_int_distribution<long>(low, high)(rng)) + '.';
    for (std::uint64_t i = 0, n = 1 + rng() % 4; i < n; ++i) text += static_cast<char>('0' + rng() % 10);
    return text;
}

Point random_point(std::mt19937_64& rng, char separator) {
    static const char* const pieces[] = {"a", "Z", "k", "7", "-", "_", " ", ".", "á", "Ç", "ã", "é", "õ", "Ó"};
    std::string name(1, static_cast<char>('A' + rng() % 26));
    for (std::uint64_t i = 0, n = rng() % 12; i < n; ++i) name += pieces[rng() % std::size(pieces)];
    if (rng() % 8 == 0) name += separator;  // quoted
    name += static_cast<char>('a' + rng() % 26);
    static const char* const codes[] = {"marco", "vértice", "RN", "poço"};
    std::string code = codes[rng() % 4] + std::to_string(rng() % 100);
    return {name, decimal(rng, -300000, 700000), decimal(rng, -300000, 4300000), code, decimal(rng, 0, 2000)};
}

std::string quoted(const std::string& field, char separator) {
    return field.find(separator) == std::string::npos ? field : '"' + field + '"';
}

// One line of the layout; fault 1: a coordinate that is no number, 2: M left out.
std::string line_of(const Point& q, const Layout& l, int fault) {
    std::vector<std::string> fields = {quoted(q.name, l.separator), q.m, q.p, q.code, q.height};
    fields.resize(3 + static_cast<std::size_t>(l.columns));
    for (std::size_t i = 1; i < fields.size(); ++i) std::replace(fields[i].begin(), fields[i].end(), '.', l.mark);
    if (fault == 1) fields[1 + q.name.size() % 2] = "12a";
    if (fault == 2) fields.erase(fields.begin() + 1);
    std::string line = fields[0];
    for (std::size_t i = 1; i < fields.size(); ++i) (line += l.separator) += fields[i];
    return line + l.end;
}

std::string describe(const Layout& l) {
    return std::string("separator ") + (l.separator == '\t' ? "tab" : std::string(1, l.separator)) + ", mark " +
           l.mark + ", encoding " + std::to_string(l.encoding) + (l.header ? ", header" : "") + ", line end " +
           (l.end == "\n" ? "LF" : l.end == "\r" ? "CR" : "CR LF") + ", columns " + std::to_string(l.columns);
}

std::string encoded(const std::string& utf8, int encoding) { return encoding == 0 ? utf8_to_cp1252(utf8) : utf8; }

// Each record a line: its name, the bits of M and P, its further columns.
std::vector<std::string> read_records(const PointFile& file) {
    FieldReader reader(file);
    std::vector<std::string> out;
    PointRecord r;
    while (reader.read_record(r)) {
        std::string& line = out.emplace_back(r.name);
        for (double v : {r.m, r.p}) line += '|' + std::to_string(std::bit_cast<std::uint64_t>(v));
        for (std::string_view c : r.columns) (line += '|') += c;
    }
    return out;
}

// Runs read with every read cut to a random length up to `cut` bytes (0: whole reads).
template <class Read>
auto with_reads(std::size_t cut, unsigned seed, Read read) {
    struct Disarm {
        ~Disarm() { robust::io::disarm(); }
    } disarm;
    if (cut > 0) robust::io::arm({.max_read = cut, .cut_seed = seed});
    return read();
}

// The first record at which two readings part.
std::string parting(const std::vector<std::string>& got, const std::vector<std::string>& expected) {
    std::size_t i = 0;
    while (i < got.size() && i < expected.size() && got[i] == expected[i]) ++i;
    return "record " + std::to_string(i + 1) + " of " + std::to_string(expected.size()) + ": \"" +
           (i < got.size() ? got[i] : "(none)") + "\" for \"" + (i < expected.size() ? expected[i] : "(none)") + '"';
}

TEST(DialectSizes, EveryLayoutAtEverySizeReadsAsThePointFileFormat) {
    robust::ScratchDir dir;
    std::vector<std::pair<Layout, double>> cases;  // and the size to write, in bytes
    std::mt19937_64 rng(0x5e9a);
    std::uniform_real_distribution<double> log_size(std::log(10.0), std::log(256.0 * 1024));
    for (const char separator : {';', '\t', ','}) {
        for (const char mark : {'.', ','}) {
            if (separator == ',' && mark == ',') continue;
            for (const int encoding : {0, 1, 2}) {
                for (const bool header : {false, true}) {
                    for (const char* end : {"\r\n", "\n", "\r"}) {
                        for (int columns = separator == ',' ? 1 : 0; columns <= 2; ++columns) {
                            const Layout l{separator, mark, encoding, header, end, columns};
                            cases.push_back({l, std::exp(log_size(rng))});
                        }
                    }
                }
            }
        }
        // One file of each separator past many refills of the reader's buffer.
        const Layout big{separator, separator == ',' ? '.' : ',', static_cast<int>(rng() % 3), true, "\r\n", 2};
        cases.push_back({big, 3 << 20});
    }
    const std::string sheet = dir / "folha.txt", reference = dir / "pontos.txt";
    for (const auto& [l, size] : cases) {
        std::vector<Point> points;
        std::string plain;
        for (double written = 0; points.empty() || written < size; written += 36 + 8 * l.columns) {
            const Point& q = points.emplace_back(random_point(rng, l.separator));
            plain += '"' + q.name + "\"," + q.m + ',' + q.p + "\r\n";
        }
        // The point-file format's reading of the same points, with the columns after each.
        robust::write_file(reference, encoded(plain, l.encoding));
        std::vector<std::string> expected = read_records(PointFile{reference});
        ASSERT_EQ(expected.size(), points.size());
        for (std::size_t i = 0; i < points.size() && l.columns > 0; ++i) {
            std::string height = points[i].height;
            std::replace(height.begin(), height.end(), '.', l.mark);
            expected[i] += encoded('|' + points[i].code + (l.columns > 1 ? '|' + height : ""), l.encoding);
        }

        // A fault past the lines the reader examines to find the dialect.
        const std::size_t fault_at = points.size() < 3 ? 0 : 2 + rng() % (points.size() - 2);
        for (const int planted : {0, points.size() < 3 ? 0 : 1 + static_cast<int>(rng() % 2)}) {
            std::string text = l.encoding == 2 ? "\xEF\xBB\xBF" : "";
            if (l.header) {
                text += std::string("Nome") + l.separator + 'M' + l.separator + 'P';
                if (l.columns > 0) (text += l.separator) += "Código";
                if (l.columns > 1) (text += l.separator) += "Altura";
                text += l.end;
            }
            for (std::size_t i = 0; i < points.size(); ++i) text += line_of(points[i], l, i == fault_at ? planted : 0);
            robust::write_file(sheet, encoded(text, l.encoding));
            const Dialect told{l.separator == ';'    ? Dialect::Separator::semicolon
                               : l.separator == '\t' ? Dialect::Separator::tab
                                                     : Dialect::Separator::automatic,  // comma lines are found
                               l.mark == ',', l.header ? 1 : 0,
                               l.encoding == 0 ? Dialect::Encoding::cp1252 : Dialect::Encoding::utf8, false};
            for (const bool automatic : {false, true}) {
                for (const std::size_t cut : {std::size_t{0}, 1 + rng() % 400}) {
                    SCOPED_TRACE(describe(l) + ", " + std::to_string(points.size()) + " points" +
                                 (automatic ? ", --auto" : "") + ", reads of " + std::to_string(cut) +
                                 ", fault " + std::to_string(planted));
                    Dialect dialect = automatic ? Dialect::automatic() : told;
                    try {
                        const std::vector<std::string> got = with_reads(cut, static_cast<unsigned>(rng()), [&] {
                            return read_records(PointFile{sheet, nullptr, nullptr, &dialect});
                        });
                        EXPECT_EQ(planted, 0);
                        EXPECT_TRUE(got == expected) << parting(got, expected);
                    } catch (const TesraError& e) {
                        const std::string at = "Erro no ficheiro \"" + sheet + "\", linha " +
                                               std::to_string(fault_at + 1 + (l.header ? 1 : 0)) + ": ";
                        EXPECT_TRUE(planted != 0 && std::string(e.what()).starts_with(at)) << e.what();
                    }
                }
            }
            if (planted == 0 && points.size() < 3) break;
        }
    }
}

// Two routines, so the height column goes through an intermediate (whose
// records end in CR LF; the user's file in LF): the csv of a `;` file holds
// what the point-file format gives for the same points, and each height as
// it came.
TEST(DialectSizes, AJobCarriesAHeightColumnThroughAnIntermediate) {
    robust::ScratchDir dir;
    robust::make_dir(dir / "grelhas");
    robust::write_shift_grids(dir / "grelhas", grid_73_to_lisboa.m_file, grid_73_to_lisboa.p_file);
    std::mt19937_64 rng(73);
    std::string sheet = "Nome;M;P;Altura\n", plain;
    std::vector<std::string> heights;
    while (sheet.size() < (3 << 20)) {
        // Inside the grids, and names with neither separator nor a decimal mark.
        const std::string name = "Ponto " + std::to_string(heights.size()) + (rng() % 2 == 0 ? "ç" : "");
        std::string m = decimal(rng, -100000, 150000), p = decimal(rng, -250000, 250000);
        std::string& height = heights.emplace_back(decimal(rng, 0, 2000));
        plain += name + ',' + m + ',' + p + "\r\n";
        for (std::string* v : {&m, &p, &height}) std::replace(v->begin(), v->end(), '.', ',');
        sheet += name + ';' + m + ';' + p + ';' + height + '\n';
    }
    robust::write_file(dir / "folha.csv", sheet);
    robust::write_file(dir / "pontos.txt", plain);
    for (const auto& files : {std::vector<std::string>{"--auto", "folha.csv", "folha-lisboa.csv"},
                              std::vector<std::string>{"--encoding", "utf-8", "pontos.txt", "pontos-lisboa.csv"}}) {
        std::vector<std::string> args = {"--from", "tm06", "--to", "lisboa", "--grid-dir", "grelhas", "--format", "csv"};
        args.insert(args.end(), files.begin(), files.end());
        const robust::CliRun run = robust::run_cli(dir.path(), args);
        ASSERT_EQ(run.status, 0) << run.err;
    }

    // The plain file's csv in the sheet's dialect, with the heights.
    std::string plain_csv = robust::read_file(dir / "pontos-lisboa.csv"), expected = "Nome;M;P;Altura\r\n";
    ASSERT_TRUE(plain_csv.starts_with("Nome,M,P\r\n"));
    for (char& c : plain_csv) c = c == ',' ? ';' : c == '.' ? ',' : c;
    for (std::size_t at = plain_csv.find('\n') + 1, i = 0; at < plain_csv.size(); ++i) {
        const std::size_t end = plain_csv.find("\r\n", at);
        expected += plain_csv.substr(at, end - at) + ';' + heights.at(i) + "\r\n";
        at = end + 2;
    }
    const std::string got = robust::read_file(dir / "folha-lisboa.csv");
    std::size_t at = 0;
    while (at < got.size() && at < expected.size() && got[at] == expected[at]) ++at;
    EXPECT_TRUE(got == expected) << "byte " << at << ": " << got.substr(at < 40 ? 0 : at - 40, 80) << " for "
                                 << expected.substr(at < 40 ? 0 : at - 40, 80);
}

}  // namespace
}  // namespace tesra
