// The reference systems the program knows: one row each, with the exact name
// the window and the report show, the short alias of the command line, the
// EPSG code of the projected system it stands for (0: none), the name EPSG
// gives that code, and its definition as the WKT of a .prj file (ESRI's
// dialect, which GIS programs read beside a table). Names are UTF-8 and are
// compared exactly, case-sensitively, over the whole text.
// Several systems may share a code: the five central Azores islands share
// EPSG:3063, one datum whose official polynomials differ island by island.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace tesra {

enum class System {
    tm06, d73, lisboa, qualquer,
    sbraz, faial, graciosa, pico, sjorge, terceira, observatorio, madeira,
    utm26, utm25, utm28,
    militar,  // served by the command line's routes only
    // Also the command line's only: ETRS89 and PTRA08 by latitude and
    // longitude, ETRS89 in UTM zone 29, and WGS 84 taken as either.
    etrs89geo, utm29, ptra08geo, wgs84,
};

// Where a system's points lie, in its own M and P (metres); for a
// geographic system, M is the latitude and P the longitude (degrees), the
// order EPSG gives their axes and the files give their columns.
struct Area {
    double m_min, m_max, p_min, p_max;
};

struct SystemInfo {
    System system;
    std::string_view name;
    std::string_view alias;
    int epsg;
    std::string_view epsg_name;  // empty with no code
    std::string_view wkt;        // empty with no code
    // The area of use EPSG gives the code, projected into the system's own
    // M and P (its edges densified) with 10 km around it; none for "Qualquer".
    std::optional<Area> area = std::nullopt;
    bool geographic = false;  // latitude and longitude in degrees, not metres
};

// Each as `projinfo -q --single-line -o WKT1_ESRI EPSG:code` gives it.
inline constexpr std::string_view wkt_tm06 =  // EPSG:3763
    "PROJCS[\"ETRS_1989_Portugal_TM06\","
    "GEOGCS[\"GCS_ETRS_1989\",DATUM[\"D_ETRS_1989\",SPHEROID[\"GRS_1980\",6378137.0,298.257222101]],"
    "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]],"
    "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\",0.0],PARAMETER[\"False_Northing\",0.0],"
    "PARAMETER[\"Central_Meridian\",-8.13310833333333],PARAMETER[\"Scale_Factor\",1.0],PARAMETER[\"Latitude_Of_Origin\",39.6682583333333],UNIT[\"Meter\",1.0]]";
inline constexpr std::string_view wkt_d73 =  // EPSG:27493
    "PROJCS[\"Datum_73_Modified_Portuguese_Grid\","
    "GEOGCS[\"GCS_Datum_73\",DATUM[\"D_Datum_73\",SPHEROID[\"International_1924\",6378388.0,297.0]],"
    "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]],"
    "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\",180.598],PARAMETER[\"False_Northing\",-86.99],"
    "PARAMETER[\"Central_Meridian\",-8.13190611111111],PARAMETER[\"Scale_Factor\",1.0],PARAMETER[\"Latitude_Of_Origin\",39.6666666666667],UNIT[\"Meter\",1.0]]";
inline constexpr std::string_view wkt_lisboa =  // EPSG:5018
    "PROJCS[\"Lisbon_Portuguese_Grid_New\","
    "GEOGCS[\"GCS_Lisbon\",DATUM[\"D_Lisbon\",SPHEROID[\"International_1924\",6378388.0,297.0]],"
    "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]],"
    "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\",0.0],PARAMETER[\"False_Northing\",0.0],"
    "PARAMETER[\"Central_Meridian\",-8.13190611111111],PARAMETER[\"Scale_Factor\",1.0],PARAMETER[\"Latitude_Of_Origin\",39.6666666666667],UNIT[\"Meter\",1.0]]";
inline constexpr std::string_view wkt_azores_oriental =  // EPSG:3062
    "PROJCS[\"Azores_Oriental_1995_UTM_Zone_26N\","
    "GEOGCS[\"GCS_Azores_Oriental_1995\",DATUM[\"D_Azores_Oriental_Islands_1995\",SPHEROID[\"International_1924\",6378388.0,297.0]],"
    "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]],"
    "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\",500000.0],PARAMETER[\"False_Northing\",0.0],"
    "PARAMETER[\"Central_Meridian\",-27.0],PARAMETER[\"Scale_Factor\",0.9996],PARAMETER[\"Latitude_Of_Origin\",0.0],UNIT[\"Meter\",1.0]]";
inline constexpr std::string_view wkt_azores_central =  // EPSG:3063
    "PROJCS[\"Azores_Central_1995_UTM_Zone_26N\","
    "GEOGCS[\"GCS_Azores_Central_1995\",DATUM[\"D_Azores_Central_Islands_1995\",SPHEROID[\"International_1924\",6378388.0,297.0]],"
    "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]],"
    "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\",500000.0],PARAMETER[\"False_Northing\",0.0],"
    "PARAMETER[\"Central_Meridian\",-27.0],PARAMETER[\"Scale_Factor\",0.9996],PARAMETER[\"Latitude_Of_Origin\",0.0],UNIT[\"Meter\",1.0]]";
inline constexpr std::string_view wkt_azores_occidental =  // EPSG:2188
    "PROJCS[\"Azores_Occidental_1939_UTM_Zone_25N\","
    "GEOGCS[\"GCS_Azores_Occidental_1939\",DATUM[\"D_Azores_Occidental_Islands_1939\",SPHEROID[\"International_1924\",6378388.0,297.0]],"
    "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]],"
    "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\",500000.0],PARAMETER[\"False_Northing\",0.0],"
    "PARAMETER[\"Central_Meridian\",-33.0],PARAMETER[\"Scale_Factor\",0.9996],PARAMETER[\"Latitude_Of_Origin\",0.0],UNIT[\"Meter\",1.0]]";
inline constexpr std::string_view wkt_porto_santo =  // EPSG:3061
    "PROJCS[\"Porto_Santo_1995_UTM_Zone_28N\","
    "GEOGCS[\"GCS_Porto_Santo_1995\",DATUM[\"D_Porto_Santo_1995\",SPHEROID[\"International_1924\",6378388.0,297.0]],"
    "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]],"
    "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\",500000.0],PARAMETER[\"False_Northing\",0.0],"
    "PARAMETER[\"Central_Meridian\",-15.0],PARAMETER[\"Scale_Factor\",0.9996],PARAMETER[\"Latitude_Of_Origin\",0.0],UNIT[\"Meter\",1.0]]";
inline constexpr std::string_view wkt_ptra08_utm26 =  // EPSG:5015
    "PROJCS[\"PTRA08_UTM_Zone_26N\","
    "GEOGCS[\"GCS_PTRA08\",DATUM[\"D_PTRA08\",SPHEROID[\"GRS_1980\",6378137.0,298.257222101]],"
    "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]],"
    "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\",500000.0],PARAMETER[\"False_Northing\",0.0],"
    "PARAMETER[\"Central_Meridian\",-27.0],PARAMETER[\"Scale_Factor\",0.9996],PARAMETER[\"Latitude_Of_Origin\",0.0],UNIT[\"Meter\",1.0]]";
inline constexpr std::string_view wkt_ptra08_utm25 =  // EPSG:5014
    "PROJCS[\"PTRA08_UTM_Zone_25N\","
    "GEOGCS[\"GCS_PTRA08\",DATUM[\"D_PTRA08\",SPHEROID[\"GRS_1980\",6378137.0,298.257222101]],"
    "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]],"
    "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\",500000.0],PARAMETER[\"False_Northing\",0.0],"
    "PARAMETER[\"Central_Meridian\",-33.0],PARAMETER[\"Scale_Factor\",0.9996],PARAMETER[\"Latitude_Of_Origin\",0.0],UNIT[\"Meter\",1.0]]";
inline constexpr std::string_view wkt_ptra08_utm28 =  // EPSG:5016
    "PROJCS[\"PTRA08_UTM_Zone_28N\","
    "GEOGCS[\"GCS_PTRA08\",DATUM[\"D_PTRA08\",SPHEROID[\"GRS_1980\",6378137.0,298.257222101]],"
    "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]],"
    "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\",500000.0],PARAMETER[\"False_Northing\",0.0],"
    "PARAMETER[\"Central_Meridian\",-15.0],PARAMETER[\"Scale_Factor\",0.9996],PARAMETER[\"Latitude_Of_Origin\",0.0],UNIT[\"Meter\",1.0]]";
inline constexpr std::string_view wkt_lisbon_military =  // EPSG:20790
    "PROJCS[\"Portuguese_National_Grid\","
    "GEOGCS[\"GCS_Lisbon_Lisbon\",DATUM[\"D_Lisbon\",SPHEROID[\"International_1924\",6378388.0,297.0]],"
    "PRIMEM[\"Lisbon\",-9.13190611111111],UNIT[\"Degree\",0.0174532925199433]],"
    "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\",200000.0],PARAMETER[\"False_Northing\",300000.0],"
    "PARAMETER[\"Central_Meridian\",1.0],PARAMETER[\"Scale_Factor\",1.0],PARAMETER[\"Latitude_Of_Origin\",39.6666666666667],UNIT[\"Meter\",1.0]]";

inline constexpr std::string_view wkt_etrs89_utm29 =  // EPSG:25829
    "PROJCS[\"ETRS_1989_UTM_Zone_29N\","
    "GEOGCS[\"GCS_ETRS_1989\",DATUM[\"D_ETRS_1989\",SPHEROID[\"GRS_1980\",6378137.0,298.257222101]],"
    "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]],"
    "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\",500000.0],PARAMETER[\"False_Northing\",0.0],"
    "PARAMETER[\"Central_Meridian\",-9.0],PARAMETER[\"Scale_Factor\",0.9996],PARAMETER[\"Latitude_Of_Origin\",0.0],UNIT[\"Meter\",1.0]]";
inline constexpr std::string_view wkt_etrs89 =  // EPSG:4258
    "GEOGCS[\"GCS_ETRS_1989\",DATUM[\"D_ETRS_1989\",SPHEROID[\"GRS_1980\",6378137.0,298.257222101]],"
    "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";
inline constexpr std::string_view wkt_ptra08 =  // EPSG:5013
    "GEOGCS[\"GCS_PTRA08\",DATUM[\"D_PTRA08\",SPHEROID[\"GRS_1980\",6378137.0,298.257222101]],"
    "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";
inline constexpr std::string_view wkt_wgs84 =  // EPSG:4326
    "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137.0,298.257223563]],"
    "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";

// The mainland's area (EPSG:3763's) in degrees, and the islands' (EPSG:5013's),
// with 0.1° around: what the routes of these systems serve, not the whole of
// Europe or the world their codes cover.
inline constexpr Area mainland_degrees{36.85, 42.26, -9.66, -6.09};
inline constexpr Area islands_degrees{29.14, 43.17, -35.68, -12.38};

inline constexpr std::array<SystemInfo, 20> systems = {{
    {System::tm06, "ETRS89 TM06", "tm06", 3763,
     "ETRS89 / Portugal TM06", wkt_tm06,
     Area{-137097, 183082, -311734, 288542}},
    {System::d73, "Hayford-Gauss Datum 73", "d73", 27493,
     "Datum 73 / Modified Portuguese Grid", wkt_d73,
     Area{-137103, 183078, -311735, 288541}},
    {System::lisboa, "Hayford-Gauss Datum Lisboa-Ponto Central", "lisboa", 5018,
     "Lisbon / Portuguese Grid New", wkt_lisboa,
     Area{-137101, 183082, -311737, 288545}},
    {System::qualquer, "Qualquer", "qualquer", 0,
     {}, {}},
    {System::sbraz, "Açores - G.Oriental - UTM 26 S. Bráz", "sbraz", 3062,
     "Azores Oriental 1995 / UTM zone 26N", wkt_azores_oriental,
     Area{584842, 713196, 4070957, 4213793}},
    {System::faial, "Açores - Faial - UTM 26 Base SW", "faial", 3063,
     "Azores Central 1995 / UTM zone 26N", wkt_azores_central,
     Area{323803, 512523, 4231404, 4344117}},
    {System::graciosa, "Açores - Graciosa - UTM 26 Base SW", "graciosa", 3063,
     "Azores Central 1995 / UTM zone 26N", wkt_azores_central,
     Area{323803, 512523, 4231404, 4344117}},
    {System::pico, "Açores - Pico - UTM 26 Base SW", "pico", 3063,
     "Azores Central 1995 / UTM zone 26N", wkt_azores_central,
     Area{323803, 512523, 4231404, 4344117}},
    {System::sjorge, "Açores - São Jorge - UTM 26 Base SW", "sjorge", 3063,
     "Azores Central 1995 / UTM zone 26N", wkt_azores_central,
     Area{323803, 512523, 4231404, 4344117}},
    {System::terceira, "Açores - Terceira - UTM 26 Base SW", "terceira", 3063,
     "Azores Central 1995 / UTM zone 26N", wkt_azores_central,
     Area{323803, 512523, 4231404, 4344117}},
    {System::observatorio, "Açores - G.Ocidental - UTM 25 Observatório", "observatorio", 2188,
     "Azores Occidental 1939 / UTM zone 25N", wkt_azores_occidental,
     Area{632551, 681110, 4341315, 4414039}},
    {System::madeira, "Madeira - UTM 28 Base SE", "madeira", 3061,
     "Porto Santo 1995 / UTM zone 28N", wkt_porto_santo,
     Area{272606, 395659, 3569950, 3679940}},
    {System::utm26, "UTM 26 ITRF93", "utm26", 5015,
     "PTRA08 / UTM zone 26N", wkt_ptra08_utm26,
     Area{211357, 788643, 3698936, 4770741}},
    {System::utm25, "UTM 25 ITRF93", "utm25", 5014,
     "PTRA08 / UTM zone 25N", wkt_ptra08_utm25,
     Area{255262, 782962, 3890767, 4782958}},
    {System::utm28, "UTM 28 ITRF93", "utm28", 5016,
     "PTRA08 / UTM zone 28N", wkt_ptra08_utm28,
     Area{198407, 754921, 3224576, 4049156}},
    // Datum Lisboa with the false origin of the old military maps: 200 km
    // west and 300 km south of the Ponto Central.
    {System::militar, "Hayford-Gauss Datum Lisboa - Militar", "militar", 20790,
     "Lisbon (Lisbon) / Portuguese National Grid", wkt_lisbon_military,
     Area{62899, 383082, -11737, 588545}},
    {System::etrs89geo, "ETRS89 geográficas", "etrs89geo", 4258, "ETRS89", wkt_etrs89, mainland_degrees, true},
    // The mainland's area (EPSG:3763's) in zone 29, not the zone's whole band.
    {System::utm29, "ETRS89 / UTM 29N", "utm29", 25829,
     "ETRS89 / UTM zone 29N", wkt_etrs89_utm29,
     Area{440141, 760214, 4079326, 4681364}},
    {System::ptra08geo, "PTRA08 geográficas", "ptra08geo", 5013, "PTRA08", wkt_ptra08, islands_degrees, true},
    // Taken as ETRS89 on the mainland and as PTRA08 on the islands, as the
    // target asks: its area is theirs (job.cpp).
    {System::wgs84, "WGS 84", "wgs84", 4326, "WGS 84", wkt_wgs84, std::nullopt, true},
}};

static_assert([] {
    for (std::size_t i = 0; i < systems.size(); ++i)
        if (systems[i].system != static_cast<System>(i)) return false;
    return true;
}(), "the table is indexed by System");

[[nodiscard]] constexpr std::string_view system_name(System system) noexcept {
    return systems[static_cast<std::size_t>(system)].name;
}

[[nodiscard]] constexpr bool is_geographic(System system) noexcept {
    return systems[static_cast<std::size_t>(system)].geographic;
}

// The islands' systems: their own, their UTM zones of PTRA08, PTRA08's
// latitude and longitude. WGS 84 is taken as PTRA08 beside them, as ETRS89
// beside the mainland's.
[[nodiscard]] constexpr bool on_islands(System system) noexcept {
    return (system >= System::sbraz && system <= System::utm28) || system == System::ptra08geo;
}

// The system of that exact name, if any.
[[nodiscard]] constexpr std::optional<System> find_system(std::string_view name) noexcept {
    for (const SystemInfo& s : systems)
        if (s.name == name) return s.system;
    return std::nullopt;
}

}  // namespace tesra
