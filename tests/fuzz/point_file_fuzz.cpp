// Point files: the record reader and the point loop through an intermediate
// file and back, on any bytes. What the job does with a refusal is left to
// the fault cases of tests/robustness/.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_support.hpp"
#include "files/intermediate.hpp"
#include "files/point_loop.hpp"
#include "text/numtext.hpp"

namespace tesra::fuzz {
namespace {

bool blank(std::string_view name) { return name.find_first_not_of(' ') == std::string_view::npos; }

// What the written form keeps of a value: its 15-significant-digit decimal.
double kept(double value) {
    char text[number_text_capacity];
    char* end = write_number(text, value);
    double back = 0;
    require(parse_number({text, static_cast<std::size_t>(end - text)}, back), "a written number reads back");
    return back;
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool message_names(const std::string& message, const std::string& path) {
    return message.find("\"" + path + "\"") != std::string::npos;
}

// Every record the reader gives has a name and finite values; every refusal
// names the file.
struct Reading {
    std::vector<std::string> names;
    std::vector<double> values;
    std::vector<std::string> columns;  // after P, each record's ended by an empty entry
    long records = -1;     // -1: refused
    std::string refusal;   // the message
    bool writable = true;  // every name and value has a written form that reads back
};

Reading read_all(const PointFile& file) {
    const std::string& path = file.path;
    Reading out;
    try {
        FieldReader reader(file);
        PointRecord r;
        long n = 0;
        for (; reader.read_record(r); ++n) {
            require(!blank(r.name), "a record with a blank name");
            require(r.name.find('\0') == std::string_view::npos, "a name with a NUL byte");
            require(std::isfinite(r.m) && std::isfinite(r.p), "a value that is not finite");
            out.writable = out.writable && std::fabs(r.m) <= largest_written_number &&
                           std::fabs(r.p) <= largest_written_number && r.name.find('"') == std::string_view::npos;
            out.names.emplace_back(r.name);
            out.values.push_back(r.m);
            out.values.push_back(r.p);
            out.columns.insert(out.columns.end(), r.columns.begin(), r.columns.end());
            out.columns.emplace_back();
        }
        out.records = n;
    } catch (const TesraError& e) {
        require(message_names(e.what(), path), "a reader message without the file");
        out.refusal = e.what();
    }
    return out;
}

// A refusal's line, and what follows it.
std::pair<long, std::string> refused_at(const std::string& message) {
    const std::size_t at = message.find("\", linha ");
    require(at != std::string::npos, "a reader message without the line");
    char* rest = nullptr;
    const long line = std::strtol(message.c_str() + at + 9, &rest, 10);
    return {line, rest};
}

Reading read_all(const std::string& path, PointFileDialect* dialect = nullptr) {
    return read_all(PointFile{path, nullptr, nullptr, dialect});
}

}  // namespace
}  // namespace tesra::fuzz

using namespace tesra;
using namespace tesra::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in = scratch().write("pontos", data, size);
    const std::string mid = scratch().path("pontos_tmp");
    const Reading plain = read_all(in);

    // The same bytes after nearly 64 KiB of spaces (skipped before the first
    // field), so that the end of the reader's first chunk falls inside them:
    // the same records, and a refusal where there was one.
    std::string shifted(65536 - (size > 0 ? data[0] % size : 0), ' ');
    shifted.append(reinterpret_cast<const char*>(data), size);
    const Reading moved = read_all(
        scratch().write("pontos_deslocado", reinterpret_cast<const std::uint8_t*>(shifted.data()), shifted.size()));
    require(plain.records == moved.records && plain.names == moved.names, "a chunk boundary changed the records");
    for (std::size_t i = 0; i < plain.values.size(); ++i) {
        require(same_bits(plain.values[i], moved.values[i]), "a chunk boundary changed a value");
    }

    // Through a dialect drawn from the bytes, and through --auto: what the
    // point-file format reads reads the same under --auto.
    {
        using D = PointFileDialect;
        const unsigned pick = size > 0 ? data[size / 2] : 0;
        D drawn{static_cast<D::Separator>(pick % 4), pick / 4 % 2 == 1 && pick % 4 != 0, static_cast<long>(pick / 8 % 3),
                static_cast<D::Encoding>(pick / 24 % 3), pick / 72 % 2 == 1};
        read_all(in, &drawn);
        D plain_dialect, automatic = D::automatic();
        const Reading told = read_all(in, &plain_dialect);
        const Reading detected = read_all(in, &automatic);
        require(told.records < 0 || (detected.records == told.records && detected.names == told.names),
                "--auto reads otherwise a file the point-file format reads");
        for (std::size_t i = 0; told.records >= 0 && i < told.values.size(); ++i) {
            require(same_bits(told.values[i], detected.values[i]), "--auto reads another value");
        }
        // Under a geographic source, whatever reads is a latitude and a longitude.
        D geographic = D::automatic();
        geographic.geographic = true;
        const Reading angles = read_all(in, &geographic);
        for (std::size_t i = 0; i + 1 < angles.values.size(); i += 2) {
            require(std::fabs(angles.values[i]) <= 90 && std::fabs(angles.values[i + 1]) <= 180,
                    "a latitude or longitude out of range");
        }
        // The columns after P through an intermediate, as a job carries them.
        if (detected.records >= 0 && detected.writable) {
            D found = D::automatic(), carried;
            Intermediate file(scratch().path(""), "intermedio");
            transform_point_file(PointFile{in, nullptr, nullptr, &found}, PointFile{"intermedio", &file},
                                 [](double m, double p, double& m_out, double& p_out) {
                                     m_out = m;
                                     p_out = p;
                                     return true;
                                 });
            carried.columns = found.columns;
            const Reading back = read_all(PointFile{"intermedio", &file, nullptr, &carried});
            require(back.names == detected.names && back.columns == detected.columns,
                    "an intermediate changed the names or the columns");
        }
    }

    // A line dialect past the reader's buffer: the input, then its lines
    // after the first (a header, maybe) again and again to 140 kB, each time
    // with a blank line of another length so that no stretch repeats
    // another exactly. Read through `;` or tab after a skipped line of two
    // lengths, which puts the buffer's refills in different places: the same
    // records, or the same refusal. One length puts the end of the buffer
    // right after a CR, where looking for an LF refills it. (Without either
    // separator, the first line is refused: no three fields.)
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t semicolon = input.find(';'), tab = input.find('\t');
    if (semicolon != std::string_view::npos || tab != std::string_view::npos) {
        using D = PointFileDialect;
        std::size_t body = input.find_first_of("\r\n");
        body = body == std::string_view::npos ? 0 : body + (input.substr(body, 2) == "\r\n" ? 2 : 1);
        std::string big(input);
        for (std::size_t k = 0; big.size() < 140000; ++k) {
            (big += input.substr(body == size ? 0 : body)) += std::string(k % 3, ' ') + '\n';
        }
        const std::size_t bom = big.starts_with("\xEF\xBB\xBF") ? 3 : 0;
        const unsigned pick = data[size / 2] + static_cast<unsigned>(size);
        // Aimed: the two lines skipped end within the first read, and the CR
        // after them ends the second, which fills the buffer to 64 KiB ahead.
        std::size_t first = big.find_first_of("\r\n", bom);
        first = first == std::string::npos ? big.size() : first + (big.compare(first, 2, "\r\n") == 0 ? 2 : 1);
        const std::size_t cr = big.find('\r', 65535 + first);
        const std::size_t aimed = cr < 131000 ? 131070 - cr : 1 + pick * 251 % 65536;
        const std::size_t other = 1 + (pick * 7 + size * 4099) % 65536;
        // The separator and decimal mark the input holds; with a byte-order
        // mark, never Windows-1252.
        const bool tabs = tab < semicolon || (tab == semicolon && pick % 2 == 1);
        const bool period = input.find('.') != std::string_view::npos;
        const bool comma = input.find(',') != std::string_view::npos && (!period || pick / 2 % 2 == 1);
        D told{tabs ? D::Separator::tab : D::Separator::semicolon, comma, 2, static_cast<D::Encoding>(pick / 4 % 3),
               false};
        if (bom > 0 && told.encoding == D::Encoding::cp1252) told.encoding = D::Encoding::utf8;
        const auto read_after = [&](const char* name, std::size_t junk) {
            const std::string bytes = big.substr(0, bom) + std::string(junk, 'x') + '\n' + big.substr(bom);
            D dialect = told;
            return read_all(scratch().write(name, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                            &dialect);
        };
        const Reading one = read_after("grande", aimed), two = read_after("grande_deslocado", other);
        require(one.records == two.records && one.names == two.names && one.columns == two.columns,
                "a refill of the buffer changed a line dialect's records");
        for (std::size_t i = 0; i < one.values.size(); ++i) {
            require(same_bits(one.values[i], two.values[i]), "a refill of the buffer changed a value");
        }
        require(one.records >= 0 || refused_at(one.refusal) == refused_at(two.refusal),
                "a refill of the buffer changed a refusal");
    }

    // The loop through an intermediate file and back: the same names, and the
    // values at 15 significant digits.
    const bool accepted = plain.records >= 0 && plain.writable;
    try {
        transform_point_file(in, mid, [](double m, double p, double& m_out, double& p_out) {
            m_out = m;
            p_out = p;
            return true;
        });
        require(accepted, "the loop accepts what the reader refused, or what it cannot write");
        const Reading back = read_all(mid);
        require(back.records == plain.records && back.names == plain.names, "the intermediate file changed the records");
        for (std::size_t i = 0; i < plain.values.size(); ++i) {
            require(same_bits(back.values[i], kept(plain.values[i])), "a value changed beyond 15 digits");
        }
    } catch (const TesraError&) {
        require(!accepted, "the loop refuses what the reader accepted");
        require(!exists(mid), "a refused loop left its output");
    }
    std::remove(mid.c_str());
    return 0;
}
