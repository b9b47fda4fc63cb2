// The transverse Mercator definitions on points read from standard input,
// for check_tm.py to compare with PROJ. Each line is "KIND a b": KIND is a
// definition's name and a direction, e.g. "tm06-fwd 39.5 -8.1" (latitude,
// longitude) or "utm26-inv 400000 4200000" (M, P); each gives one line "a b"
// with %.17g, or "none" when the projection refuses the point.
#include <cstdio>
#include <string_view>

#include "geodesy/transverse_mercator.hpp"

namespace {

struct Named {
    std::string_view name;
    tesra::TransverseMercator definition;
};

constexpr Named definitions[] = {
    {"tm06", tesra::tm_portugal_tm06},  {"utm25", tesra::tm_ptra08_utm25n}, {"utm26", tesra::tm_ptra08_utm26n},
    {"utm28", tesra::tm_ptra08_utm28n}, {"utm29", tesra::tm_etrs89_utm29n},
};

}  // namespace

int main() {
    char kind[32];
    double a, b;
    while (std::scanf("%31s %lf %lf", kind, &a, &b) == 3) {
        const std::string_view k = kind;
        const auto dash = k.find('-');
        const Named* found = nullptr;
        for (const Named& d : definitions) {
            if (d.name == k.substr(0, dash)) found = &d;
        }
        if (found == nullptr || dash == std::string_view::npos) {
            std::fprintf(stderr, "unknown kind %s\n", kind);
            return 2;
        }
        const tesra::TransverseMercatorProjection tm(found->definition);
        if (k.substr(dash + 1) == "fwd") {
            const auto r = tm.forward(a, b);
            r ? std::printf("%.17g %.17g\n", r->m, r->p) : std::printf("none\n");
        } else {
            const auto r = tm.inverse(a, b);
            r ? std::printf("%.17g %.17g\n", r->lat, r->lon) : std::printf("none\n");
        }
    }
    return 0;
}
