// Point files: the record reader and the point loop through an intermediate
// file and back, on any bytes. What the job does with a refusal is left to
// the fault cases of tests/robustness/.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "numtext.hpp"
#include "point_file.hpp"

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

struct Reading {
    std::vector<std::string> names;
    std::vector<double> values;
    bool refused = false;
};

Reading read_all(const std::string& path, PointFileDialect* dialect = nullptr) {
    Reading out;
    try {
        FieldReader reader(PointFile{path, nullptr, dialect});
        PointRecord r;
        while (reader.read_record(r)) {
            require(!blank(r.name) && std::isfinite(r.m) && std::isfinite(r.p), "a record without a name or values");
            out.names.emplace_back(r.name);
            out.values.push_back(r.m);
            out.values.push_back(r.p);
        }
    } catch (const TesraError& e) {
        require(message_names(e.what(), path), "a reader message without the file");
        out.refused = true;
    }
    return out;
}

}  // namespace
}  // namespace tesra::fuzz

using namespace tesra;
using namespace tesra::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in = scratch().write("pontos", data, size);
    const std::string mid = scratch().path("pontos_tmp");

    // The reader alone: every record it gives has a name and finite values;
    // every refusal names the file.
    long records = 0;
    bool writable = true;  // every name and value has a written form that reads back
    try {
        FieldReader reader(in);
        PointRecord r;
        while (reader.read_record(r)) {
            require(!blank(r.name), "a record with a blank name");
            require(r.name.find('\0') == std::string_view::npos, "a name with a NUL byte");
            require(std::isfinite(r.m) && std::isfinite(r.p), "a value that is not finite");
            writable = writable && std::fabs(r.m) <= largest_written_number &&
                       std::fabs(r.p) <= largest_written_number && r.name.find('"') == std::string_view::npos;
            ++records;
        }
    } catch (const TesraError& e) {
        require(message_names(e.what(), in), "a reader message without the file");
        records = -1;
    }

    // The same bytes after nearly 64 KiB of spaces (skipped before the first
    // field), so that the end of the reader's first chunk falls inside them:
    // the same records, and a refusal where there was one.
    {
        std::string shifted(65536 - (size > 0 ? data[0] % size : 0), ' ');
        shifted.append(reinterpret_cast<const char*>(data), size);
        const Reading plain = read_all(in);
        const Reading moved =
            read_all(scratch().write("pontos_deslocado", reinterpret_cast<const std::uint8_t*>(shifted.data()),
                                     shifted.size()));
        require(plain.refused == moved.refused && plain.names == moved.names, "a chunk boundary changed the records");
        for (std::size_t i = 0; i < plain.values.size(); ++i) {
            require(same_bits(plain.values[i], moved.values[i]), "a chunk boundary changed a value");
        }
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
        const Reading plain = read_all(in, &plain_dialect);
        const Reading detected = read_all(in, &automatic);
        require(plain.refused || (!detected.refused && detected.names == plain.names &&
                                  detected.values.size() == plain.values.size()),
                "--auto reads otherwise a file the point-file format reads");
        for (std::size_t i = 0; !plain.refused && i < plain.values.size(); ++i) {
            require(same_bits(plain.values[i], detected.values[i]), "--auto reads another value");
        }
    }

    // The loop through an intermediate file and back: the same names, and the
    // values at 15 significant digits.
    try {
        transform_point_file(in, mid, [](double m, double p, double& m_out, double& p_out) {
            m_out = m;
            p_out = p;
            return true;
        });
        require(records >= 0 && writable, "the loop accepts what the reader refused, or what it cannot write");
        FieldReader original(in);
        FieldReader copy(mid);
        PointRecord a, b;
        long n = 0;
        while (original.read_record(a)) {
            const std::string name(a.name);
            const double m = a.m, p = a.p;
            require(copy.read_record(b), "the intermediate file lost a record");
            require(b.name == name, "a name changed on the way");
            require(same_bits(b.m, kept(m)) && same_bits(b.p, kept(p)), "a value changed beyond 15 digits");
            ++n;
        }
        require(!copy.read_record(b), "the intermediate file gained a record");
        require(n == records, "the loop and the reader disagree on the records");
    } catch (const TesraError&) {
        require(records < 0 || !writable, "the loop refuses what the reader accepted");
        require(!exists(mid), "a refused loop left its output");
    }
    std::remove(mid.c_str());
    return 0;
}
