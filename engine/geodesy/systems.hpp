// The reference systems the program knows: one row each, with the exact name
// the window and the report show, the short alias of the command line, and
// the EPSG code of the projected system it stands for (0: none). Names are
// UTF-8 and are compared exactly, case-sensitively, over the whole text.
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
};

struct SystemInfo {
    System system;
    std::string_view name;
    std::string_view alias;
    int epsg;
};

inline constexpr std::array<SystemInfo, 16> systems = {{
    {System::tm06, "ETRS89 TM06", "tm06", 3763},
    {System::d73, "Hayford-Gauss Datum 73", "d73", 27493},
    {System::lisboa, "Hayford-Gauss Datum Lisboa-Ponto Central", "lisboa", 5018},
    {System::qualquer, "Qualquer", "qualquer", 0},
    {System::sbraz, "Açores - G.Oriental - UTM 26 S. Bráz", "sbraz", 3062},
    {System::faial, "Açores - Faial - UTM 26 Base SW", "faial", 3063},
    {System::graciosa, "Açores - Graciosa - UTM 26 Base SW", "graciosa", 3063},
    {System::pico, "Açores - Pico - UTM 26 Base SW", "pico", 3063},
    {System::sjorge, "Açores - São Jorge - UTM 26 Base SW", "sjorge", 3063},
    {System::terceira, "Açores - Terceira - UTM 26 Base SW", "terceira", 3063},
    {System::observatorio, "Açores - G.Ocidental - UTM 25 Observatório", "observatorio", 2188},
    {System::madeira, "Madeira - UTM 28 Base SE", "madeira", 3061},
    {System::utm26, "UTM 26 ITRF93", "utm26", 5015},
    {System::utm25, "UTM 25 ITRF93", "utm25", 5014},
    {System::utm28, "UTM 28 ITRF93", "utm28", 5016},
    // Datum Lisboa with the false origin of the old military maps: 200 km
    // west and 300 km south of the Ponto Central.
    {System::militar, "Hayford-Gauss Datum Lisboa - Militar", "militar", 20790},
}};

static_assert([] {
    for (std::size_t i = 0; i < systems.size(); ++i)
        if (systems[i].system != static_cast<System>(i)) return false;
    return true;
}(), "the table is indexed by System");

[[nodiscard]] constexpr std::string_view system_name(System system) noexcept {
    return systems[static_cast<std::size_t>(system)].name;
}

// The system of that exact name, if any.
[[nodiscard]] constexpr std::optional<System> find_system(std::string_view name) noexcept {
    for (const SystemInfo& s : systems)
        if (s.name == name) return s.system;
    return std::nullopt;
}

}  // namespace tesra
