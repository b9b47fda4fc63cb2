// The transverse Mercator projection on the GRS80 ellipsoid (a = 6378137 m,
// 1/f = 298.257222101), both ways, by Krüger's series in the third
// flattening to order n^6, whose error stays at a few nanometres out to
// thousands of kilometres from the central meridian; our systems reach a
// few hundred.
#pragma once

#include <optional>

#include "geodesy/polynomial.hpp"

namespace tesra {

// One projection's parameters: the origin in degrees (north and east
// positive), the scale factor on the central meridian, and the false
// easting and northing in metres, added to the projected coordinates.
struct TransverseMercator {
    double lat0_deg;
    double lon0_deg;
    double k0;
    double false_easting;
    double false_northing;
};

// ETRS89 / Portugal TM06 (EPSG:3763): origin 39°40'05.73"N, 8°07'59.19"W.
inline constexpr TransverseMercator tm_portugal_tm06 = {39.66825833333333, -8.133108333333333, 1.0, 0, 0};
// PTRA08 / UTM zone 25N (EPSG:5014), Azores western group.
inline constexpr TransverseMercator tm_ptra08_utm25n = {0, -33, 0.9996, 500000, 0};
// PTRA08 / UTM zone 26N (EPSG:5015), Azores central and eastern groups.
inline constexpr TransverseMercator tm_ptra08_utm26n = {0, -27, 0.9996, 500000, 0};
// PTRA08 / UTM zone 28N (EPSG:5016), Madeira, Porto Santo and the Selvagens.
inline constexpr TransverseMercator tm_ptra08_utm28n = {0, -15, 0.9996, 500000, 0};
// ETRS89 / UTM zone 29N (EPSG:25829), the mainland.
inline constexpr TransverseMercator tm_etrs89_utm29n = {0, -9, 0.9996, 500000, 0};

struct GeographicPoint {
    double lat;  // degrees, north positive
    double lon;  // degrees, east positive, within [-180, 180]
};

// A definition made ready for points: the northing of its origin is worked
// out once here, not at every point.
class TransverseMercatorProjection {
public:
    explicit TransverseMercatorProjection(const TransverseMercator& definition) noexcept;

    // Latitude and longitude in degrees to easting (m) and northing (p) in
    // metres. Empty when either is not finite, the latitude lies beyond ±90
    // or the longitude beyond ±180, or the point is more than 90° of
    // longitude or 4000 km of easting from the central meridian, where the
    // series no longer holds.
    [[nodiscard]] std::optional<PlanarPoint> forward(double lat_deg, double lon_deg) const noexcept;

    // Easting and northing in metres to latitude and longitude in degrees.
    // Empty when either is not finite, the easting lies more than 4000 km
    // from the false easting, or the point lies beyond the pole, on the
    // far side of the ellipsoid from the central meridian.
    [[nodiscard]] std::optional<GeographicPoint> inverse(double m, double p) const noexcept;

    [[nodiscard]] const TransverseMercator& definition() const noexcept { return definition_; }

private:
    TransverseMercator definition_;
    double origin_northing_;  // k0 times the meridian arc from the equator to lat0
};

}  // namespace tesra
