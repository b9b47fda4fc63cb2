// Parameter files of the generic transformation, on any bytes. The file is
// read once as the X file and once as the Y file: both readings must agree
// on whether it is valid, on the marker, the false origins, the constants and
// the six coefficients, and every number given must be finite.
#include <cmath>
#include <cstring>
#include <string>

#include "text/errors.hpp"
#include "fuzz_support.hpp"
#include "geodesy/generic.hpp"

using namespace tesra;
using namespace tesra::fuzz;

namespace {

struct Reading {
    bool ok = false;
    std::string marker;
    std::string message;
    PolynomialParameterSet set;
};

Reading read_as(const std::string& path, ParameterAxis axis) {
    Reading r;
    try {
        r.marker = read_parameter_file(path, axis, r.set);
        r.ok = true;
    } catch (const TesraError& e) {
        r.message = e.what();
    }
    return r;
}

bool same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = scratch().write("parametros", data, size);
    const Reading x = read_as(path, ParameterAxis::x);
    const Reading y = read_as(path, ParameterAxis::y);
    require(x.ok == y.ok, "the X and Y readings disagree on validity");
    if (!x.ok) {
        for (const Reading* r : {&x, &y}) {
            require(r->message.find("\"" + path + "\"") != std::string::npos, "a message without the file");
        }
        return 0;
    }
    require(x.marker == y.marker, "the X and Y readings found different markers");
    const PolynomialParameterSet& a = x.set;
    const PolynomialParameterSet& b = y.set;
    const double shared_a[] = {a.false_origin_x1, a.false_origin_y1, a.false_origin_x2, a.false_origin_y2,
                               a.Const_X, a.Const_Y};
    const double shared_b[] = {b.false_origin_x1, b.false_origin_y1, b.false_origin_x2, b.false_origin_y2,
                               b.Const_X, b.Const_Y};
    for (int i = 0; i < 6; ++i) {
        require(std::isfinite(shared_a[i]), "a parameter that is not finite");
        require(same(shared_a[i], shared_b[i]), "the X and Y readings found different parameters");
        require(std::isfinite(a.coef_m[static_cast<std::size_t>(i)]), "a coefficient that is not finite");
        require(same(a.coef_m[static_cast<std::size_t>(i)], b.coef_p[static_cast<std::size_t>(i)]),
                "the X and Y readings found different coefficients");
        // Each reading fills its own coefficients only.
        require(a.coef_p[static_cast<std::size_t>(i)] == 0 && b.coef_m[static_cast<std::size_t>(i)] == 0,
                "a reading touched the other axis");
    }
    require(!a.scale_result && !b.scale_result, "a reading set scale_result");
    return 0;
}
