// Writes benchmark point files: "name,M,P" lines ended by CR LF, with names
// like those of survey exports and coordinates in millimetres (three
// decimals) inside the valid area of a route. The same seed and count always
// give the same bytes. A second mode writes the pair of parameter files that
// carry the ETRS89 TM06 -> Datum 73 polynomial for the generic routine.
//
//   tesra-bench-points --area madeira|mainland [--count N] [--seed S]
//                      [--grid FILE]... [--margin METRES] [--cs2cs FILE] OUTPUT
//   tesra-bench-points --param-files X_FILE Y_FILE
//
// With --grid, a mainland point is kept only when the grid cell under it has
// four valid corners in every grid given; --margin extends that test to every
// cell within the margin, for points that a polynomial step will move a few
// metres before the grid step sees them. --cs2cs also writes the same points
// as "M P name" lines for PROJ's cs2cs.

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "random.hpp"

namespace {

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "tesra-bench-points: %s\n", message.c_str());
    std::exit(2);
}

using tesra::bench::Random;

struct Area {
    std::int64_t m_lo, m_hi, p_lo, p_hi;  // millimetres
};

// Madeira in UTM 28, and the inner part of the mainland grid in Datum 73.
constexpr Area madeira_area{290'000'000, 340'000'000, 3'610'000'000, 3'650'000'000};
constexpr Area mainland_area{-90'000'000, 150'000'000, -280'000'000, 260'000'000};

// The grid geometry of the grid routines: 123 rows from P = 290000 south,
// 66 columns from M = -140000 east, 5000 m apart.
constexpr int rows = 123;
constexpr int columns = 66;
constexpr double west = -140000.0, east = 185000.0, north = 290000.0, south = -320000.0;
constexpr double spacing = 5000.0;
constexpr double no_data = -999999.0;

std::vector<double> read_grid(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) fail("cannot open grid " + path + ": " + std::strerror(errno));
    std::string text;
    char chunk[65536];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) text.append(chunk, n);
    std::fclose(f);
    std::vector<double> values;
    const char* s = text.c_str();
    while (values.size() < static_cast<std::size_t>(rows * columns)) {
        while (*s == ' ' || *s == ',' || *s == '\r' || *s == '\n' || *s == '\t') ++s;
        if (!*s) break;
        char* end = nullptr;
        double v = std::strtod(s, &end);
        if (end == s) fail("grid " + path + ": not a number near \"" + std::string(s, std::strlen(s) < 20 ? std::strlen(s) : 20) + "\"");
        values.push_back(v);
        s = end;
    }
    if (values.size() < static_cast<std::size_t>(rows * columns)) fail("grid " + path + " holds fewer than 8118 values");
    return values;
}

// cell_ok[(r - 1) * (columns - 1) + (c - 1)]: the four corners of cell (r, c)
// carry values in every grid.
class CellMap {
public:
    explicit CellMap(const std::vector<std::string>& grid_paths)
        : ok_(static_cast<std::size_t>((rows - 1) * (columns - 1)), true) {
        for (const auto& path : grid_paths) {
            const auto g = read_grid(path);
            auto at = [&](int r, int c) { return g[static_cast<std::size_t>((r - 1) * columns + (c - 1))]; };
            for (int r = 1; r < rows; ++r)
                for (int c = 1; c < columns; ++c)
                    if (at(r, c) == no_data || at(r + 1, c) == no_data || at(r, c + 1) == no_data ||
                        at(r + 1, c + 1) == no_data)
                        ok_[index(r, c)] = false;
        }
    }
    // The point, and every point within margin of it, lies in a valid cell.
    [[nodiscard]] bool accepts(double m, double p, double margin) const {
        for (double dm : {-margin, margin})
            for (double dp : {-margin, margin})
                if (!cell_ok(m + dm, p + dp)) return false;
        return true;
    }

private:
    static std::size_t index(int r, int c) { return static_cast<std::size_t>((r - 1) * (columns - 1) + (c - 1)); }
    [[nodiscard]] bool cell_ok(double m, double p) const {
        if (!(m >= west && m <= east && p >= south && p <= north)) return false;
        int c = 1 + static_cast<int>((m - west) / spacing);
        int r = 1 + static_cast<int>((north - p) / spacing);
        if (c > columns - 1) c = columns - 1;
        if (r > rows - 1) r = rows - 1;
        return ok_[index(r, c)];
    }
    std::vector<bool> ok_;
};

// Output through one large buffer; the point files run to hundreds of MB.
class Sink {
public:
    explicit Sink(const std::string& path) : path_(path), f_(std::fopen(path.c_str(), "wb")) {
        if (!f_) fail("cannot create " + path + ": " + std::strerror(errno));
        buf_.resize(std::size_t{1} << 20);
    }
    ~Sink() {
        if (f_) std::fclose(f_);
    }
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;
    char* room(std::size_t n) {
        if (used_ + n > buf_.size()) flush();
        return buf_.data() + used_;
    }
    void commit(char* end) { used_ = static_cast<std::size_t>(end - buf_.data()); }
    void put(std::string_view s) {
        char* o = room(s.size());
        std::memcpy(o, s.data(), s.size());
        commit(o + s.size());
    }
    void close() {
        flush();
        if (std::fclose(f_) != 0) fail("cannot write " + path_ + ": " + std::strerror(errno));
        f_ = nullptr;
    }

private:
    void flush() {
        if (used_ && std::fwrite(buf_.data(), 1, used_, f_) != used_) fail("cannot write " + path_ + ": " + std::strerror(errno));
        used_ = 0;
    }
    std::string path_;
    std::FILE* f_;
    std::vector<char> buf_;
    std::size_t used_ = 0;
};

char* put_text(char* o, std::string_view s) {
    std::memcpy(o, s.data(), s.size());
    return o + s.size();
}

char* put_uint(char* o, std::uint64_t v, int min_digits = 1) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    while (n < min_digits) digits[n++] = '0';
    while (n) *o++ = digits[--n];
    return o;
}

// Millimetres as metres with exactly three decimals: -1234567 -> "-1234.567".
char* put_mm(char* o, std::int64_t mm) {
    if (mm < 0) *o++ = '-';
    const std::uint64_t a = mm < 0 ? static_cast<std::uint64_t>(-mm) : static_cast<std::uint64_t>(mm);
    o = put_uint(o, a / 1000);
    *o++ = '.';
    return put_uint(o, a % 1000, 3);
}

// Names of the kinds that cadastre and levelling exports carry, 2 to 13
// characters, a few with a blank inside.
char* put_name(char* o, Random& rnd, std::uint64_t index) {
    const auto kind = rnd.next() % 10;
    if (kind < 5) return put_uint(put_text(o, "PT"), index % 10'000'000, 7);
    if (kind < 7) return put_uint(put_text(o, "V"), static_cast<std::uint64_t>(rnd.between(1, 99'999)));
    if (kind < 8) return put_uint(put_text(o, "RN-"), static_cast<std::uint64_t>(rnd.between(0, 9'999)), 4);
    if (kind < 9) return put_uint(put_text(o, "Marco "), static_cast<std::uint64_t>(rnd.between(1, 9'999)));
    o = put_uint(put_text(o, "CAD."), static_cast<std::uint64_t>(rnd.between(0, 99'999)), 5);
    return put_uint(put_text(o, "/"), static_cast<std::uint64_t>(rnd.between(0, 99)), 2);
}

void write_parameter_files(const std::string& x_path, const std::string& y_path) {
    // ETRS89 TM06 -> Hayford-Gauss Datum 73: the official set, carried by
    // the generic routine's files (false origins 0, constants 200000/300000).
    constexpr std::array<std::string_view, 6> coef_m = {
        "-0.289668974294758", "200001.27734443",  "5.64530095899816",
        "-0.763567042558132", "1.4478460420534",  "1.40377501273145"};
    constexpr std::array<std::string_view, 6> coef_p = {
        "0.088665491830128",  "-3.68625888548256", "300002.234428869",
        "-0.358351440787635", "-1.8313445194994",  "1.21835116863588"};
    auto write = [](const std::string& path, std::string_view marker, const std::array<std::string_view, 6>& coef) {
        Sink out(path);
        out.put("\"ETRS89 TM06\"\r\n\"Hayford-Gauss Datum 73\"\r\n");
        out.put(marker);
        out.put("\r\n0,0\r\n0,0\r\n200000,300000\r\n");
        for (auto c : coef) {
            out.put(c);
            out.put("\r\n");
        }
        out.close();
    };
    write(x_path, "X", coef_m);
    write(y_path, "Y", coef_p);
}

std::uint64_t parse_count(const char* text, const char* what) {
    std::uint64_t v = 0;
    const char* end = text + std::strlen(text);
    auto [ptr, ec] = std::from_chars(text, end, v);
    if (ec != std::errc{} || ptr != end) fail(std::string("bad ") + what + ": " + text);
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    std::string area_name, output, cs2cs_path;
    std::vector<std::string> grids;
    std::uint64_t count = 1'000'000, seed = 1;
    double margin = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) fail(std::string(a) + " needs a value");
            return argv[++i];
        };
        if (a == "--param-files") {
            if (i + 2 != argc - 1) fail("--param-files X_FILE Y_FILE");
            write_parameter_files(argv[i + 1], argv[i + 2]);
            return 0;
        }
        if (a == "--area") area_name = value();
        else if (a == "--count") count = parse_count(value(), "count");
        else if (a == "--seed") seed = parse_count(value(), "seed");
        else if (a == "--grid") grids.emplace_back(value());
        else if (a == "--margin") margin = std::atof(value());
        else if (a == "--cs2cs") cs2cs_path = value();
        else if (!a.empty() && a[0] != '-' && output.empty()) output = a;
        else fail("unknown argument " + std::string(a));
    }
    if (output.empty()) fail("no output file");
    if (!(margin >= 0 && margin < spacing)) fail("margin must lie in [0, 5000)");
    Area area{};
    if (area_name == "madeira") {
        area = madeira_area;
        if (!grids.empty()) fail("--grid applies to the mainland area only");
    } else if (area_name == "mainland") {
        area = mainland_area;
    } else {
        fail("--area madeira or --area mainland");
    }
    const CellMap cells(grids);

    Random rnd(seed);
    Sink out(output);
    std::unique_ptr<Sink> cs2cs;
    if (!cs2cs_path.empty()) cs2cs = std::make_unique<Sink>(cs2cs_path);
    std::uint64_t rejected = 0;
    for (std::uint64_t i = 1; i <= count; ++i) {
        std::int64_t m, p;
        for (;;) {
            m = rnd.between(area.m_lo, area.m_hi);
            p = rnd.between(area.p_lo, area.p_hi);
            if (grids.empty() || cells.accepts(static_cast<double>(m) / 1000, static_cast<double>(p) / 1000, margin)) break;
            if (++rejected > 100 * count + 1000) fail("the grids leave almost no valid cell in the area");
        }
        char* o = out.room(96);
        char* name = o;
        o = put_name(o, rnd, i);
        const std::string_view name_text(name, static_cast<std::size_t>(o - name));
        *o++ = ',';
        char* coords = o;
        o = put_mm(o, m);
        char* comma = o;
        *o++ = ',';
        o = put_mm(o, p);
        const std::string_view m_text(coords, static_cast<std::size_t>(comma - coords));
        const std::string_view p_text(comma + 1, static_cast<std::size_t>(o - comma - 1));
        o = put_text(o, "\r\n");
        if (cs2cs) {
            char* c = cs2cs->room(96);
            c = put_text(c, m_text);
            *c++ = ' ';
            c = put_text(c, p_text);
            *c++ = ' ';
            c = put_text(c, name_text);
            *c++ = '\n';
            cs2cs->commit(c);
        }
        out.commit(o);
    }
    out.close();
    if (cs2cs) cs2cs->close();
    return 0;
}
