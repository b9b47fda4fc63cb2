#include "geodesy/transverse_mercator.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

// The method is C. F. F. Karney, "Transverse Mercator with an accuracy of a
// few nanometers", J. Geodesy 85 (2011) 475-485: the geographic point goes
// to the conformal sphere by the exact formula, from there to the
// transverse Mercator of the sphere (Gauss-Schreiber), and Krüger's series
// takes that to the ellipsoid's. The terms in n^5 and n^6 move our points by
// less than a nanometre, so no comparison with PROJ sees their digits; they
// were checked once by the residual the series leaves along the central
// meridian (rectifying against conformal latitude, at high precision),
// which falls as n^7.

namespace tesra {

namespace {

constexpr double semi_major_axis = 6378137.0;
constexpr double flattening = 1 / 298.257222101;
constexpr double third_flattening = flattening / (2 - flattening);  // n
constexpr double e2 = flattening * (2 - flattening);                // eccentricity squared
constexpr double degree = std::numbers::pi / 180;
constexpr double max_easting = 4000e3;

// A, the radius of the sphere whose meridians are as long as the ellipsoid's
// (Karney's eq. 14).
constexpr double n2 = third_flattening * third_flattening;
constexpr double rectifying_radius =
    semi_major_axis / (1 + third_flattening) * (1 + n2 * (1.0 / 4 + n2 * (1.0 / 64 + n2 / 256)));

// Row j holds the coefficients of n^1 ... n^6 in the j-th term of the series.
using SeriesTable = std::array<std::array<double, 6>, 6>;

// Karney's eq. (35), from the sphere's transverse Mercator to the ellipsoid's.
constexpr SeriesTable alpha_table = {{
    {1.0 / 2, -2.0 / 3, 5.0 / 16, 41.0 / 180, -127.0 / 288, 7891.0 / 37800},    // alpha_1
    {0, 13.0 / 48, -3.0 / 5, 557.0 / 1440, 281.0 / 630, -1983433.0 / 1935360},  // alpha_2
    {0, 0, 61.0 / 240, -103.0 / 140, 15061.0 / 26880, 167603.0 / 181440},       // alpha_3
    {0, 0, 0, 49561.0 / 161280, -179.0 / 168, 6601661.0 / 7257600},             // alpha_4
    {0, 0, 0, 0, 34729.0 / 80640, -3418889.0 / 1995840},                        // alpha_5
    {0, 0, 0, 0, 0, 212378941.0 / 319334400},                                   // alpha_6
}};

// Karney's eq. (36), the way back.
constexpr SeriesTable beta_table = {{
    {1.0 / 2, -2.0 / 3, 37.0 / 96, -1.0 / 360, -81.0 / 512, 96199.0 / 604800},   // beta_1
    {0, 1.0 / 48, 1.0 / 15, -437.0 / 1440, 46.0 / 105, -1118711.0 / 3870720},    // beta_2
    {0, 0, 17.0 / 480, -37.0 / 840, -209.0 / 4480, 5569.0 / 90720},              // beta_3
    {0, 0, 0, 4397.0 / 161280, -11.0 / 504, -830251.0 / 7257600},                // beta_4
    {0, 0, 0, 0, 4583.0 / 161280, -108847.0 / 3991680},                          // beta_5
    {0, 0, 0, 0, 0, 20648693.0 / 638668800},                                     // beta_6
}};

// The coefficients for GRS80's n, by Horner's rule from the highest power.
constexpr std::array<double, 6> for_grs80(const SeriesTable& table) {
    std::array<double, 6> out{};
    for (std::size_t j = 0; j < table.size(); ++j) {
        double v = 0;
        for (std::size_t k = table[j].size(); k-- > 0;) v = v * third_flattening + table[j][k];
        out[j] = v * third_flattening;
    }
    return out;
}

constexpr std::array<double, 6> alpha = for_grs80(alpha_table);
constexpr std::array<double, 6> beta = for_grs80(beta_table);

struct Plane {
    double xi;   // northward, in units of the rectifying radius
    double eta;  // eastward, likewise
};

// xi + i eta  +  sign * sum_j c_j sin(2j (xi + i eta)), the smallest terms
// first so that they are not lost against the larger ones.
Plane add_series(const std::array<double, 6>& c, Plane z, double sign) noexcept {
    double dxi = 0, deta = 0;
    for (std::size_t j = c.size(); j-- > 0;) {
        const double k = 2.0 * static_cast<double>(j + 1);
        dxi += c[j] * std::sin(k * z.xi) * std::cosh(k * z.eta);
        deta += c[j] * std::cos(k * z.xi) * std::sinh(k * z.eta);
    }
    return {z.xi + sign * dxi, z.eta + sign * deta};
}

// tan of the conformal latitude from tan of the geographic one, in the form
// that keeps its digits near the equator and near the poles (Karney's eq. 7).
double conformal_tan(double tau) noexcept {
    const double e = std::sqrt(e2);
    const double sigma = std::sinh(e * std::atanh(e * tau / std::hypot(1.0, tau)));
    return tau * std::hypot(1.0, sigma) - sigma * std::hypot(1.0, tau);
}

// Its inverse by Newton's method (Karney's eqs. 19-21). The start is within
// a few parts in a thousand; once a step falls below sqrt(epsilon)/10 the
// error left after it is below the last bit, two or three steps in all.
double geographic_tan(double taup) noexcept {
    if (!std::isfinite(taup)) return taup;  // a pole
    const double tol = std::sqrt(std::numeric_limits<double>::epsilon()) / 10;
    double tau = taup / (1 - e2);
    for (int i = 0; i < 8; ++i) {
        const double taupi = conformal_tan(tau);
        const double dtau = (taup - taupi) * (1 + (1 - e2) * tau * tau) /
                            ((1 - e2) * std::hypot(1.0, tau) * std::hypot(1.0, taupi));
        tau += dtau;
        if (!(std::fabs(dtau) >= tol * std::max(1.0, std::fabs(tau)))) break;
    }
    return tau;
}

// The point on the ellipsoid's transverse Mercator, dlon in radians from the
// central meridian and within ±pi/2 of it.
Plane to_plane(double lat_deg, double dlon) noexcept {
    const double taup = conformal_tan(std::tan(lat_deg * degree));
    const double cos_dlon = std::cos(dlon);
    const Plane sphere = {std::atan2(taup, cos_dlon), std::asinh(std::sin(dlon) / std::hypot(taup, cos_dlon))};
    return add_series(alpha, sphere, 1);
}

}  // namespace

TransverseMercatorProjection::TransverseMercatorProjection(const TransverseMercator& definition) noexcept
    : definition_(definition),
      origin_northing_(definition.k0 * rectifying_radius * to_plane(definition.lat0_deg, 0).xi) {}

std::optional<PlanarPoint> TransverseMercatorProjection::forward(double lat_deg, double lon_deg) const noexcept {
    // Written so that NaN fails the tests too.
    if (!(std::fabs(lat_deg) <= 90) || !(std::fabs(lon_deg) <= 180)) return std::nullopt;
    const double dlon_deg = std::remainder(lon_deg - definition_.lon0_deg, 360.0);
    if (!(std::fabs(dlon_deg) <= 90)) return std::nullopt;
    const Plane z = to_plane(lat_deg, dlon_deg * degree);
    const double scale = definition_.k0 * rectifying_radius;
    const double x = scale * z.eta;
    if (!(std::fabs(x) <= max_easting) || !std::isfinite(z.xi)) return std::nullopt;
    return PlanarPoint{x + definition_.false_easting, scale * z.xi - origin_northing_ + definition_.false_northing};
}

std::optional<GeographicPoint> TransverseMercatorProjection::inverse(double m, double p) const noexcept {
    const double x = m - definition_.false_easting;
    const double y = p - definition_.false_northing + origin_northing_;
    if (!(std::fabs(x) <= max_easting) || !std::isfinite(y)) return std::nullopt;
    const double scale = definition_.k0 * rectifying_radius;
    const Plane sphere = add_series(beta, {y / scale, x / scale}, -1);
    // Beyond the pole the point would come back on the far side of the
    // ellipsoid, more than 90° from the central meridian.
    if (!(std::fabs(sphere.xi) <= std::numbers::pi / 2)) return std::nullopt;
    const double sinh_eta = std::sinh(sphere.eta);
    const double cos_xi = std::cos(sphere.xi);
    const double taup = std::sin(sphere.xi) / std::hypot(sinh_eta, cos_xi);
    const double lat = std::atan(geographic_tan(taup)) / degree;
    const double lon = std::remainder(definition_.lon0_deg + std::atan2(sinh_eta, cos_xi) / degree, 360.0);
    return GeographicPoint{lat, lon};
}

}  // namespace tesra
