// The reference systems the program knows: one row each, with the exact name
// the window and the report show, the short alias of the command line, and
// whether the desktop program offers it as a source. Names are UTF-8 and are
// compared exactly, case-sensitively, over the whole text.
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
};

struct SystemInfo {
    System system;
    std::string_view name;
    std::string_view alias;
};

inline constexpr std::array<SystemInfo, 15> systems = {{
    {System::tm06, "ETRS89 TM06", "tm06"},
    {System::d73, "Hayford-Gauss Datum 73", "d73"},
    {System::lisboa, "Hayford-Gauss Datum Lisboa-Ponto Central", "lisboa"},
    {System::qualquer, "Qualquer", "qualquer"},
    {System::sbraz, "Açores - G.Oriental - UTM 26 S. Bráz", "sbraz"},
    {System::faial, "Açores - Faial - UTM 26 Base SW", "faial"},
    {System::graciosa, "Açores - Graciosa - UTM 26 Base SW", "graciosa"},
    {System::pico, "Açores - Pico - UTM 26 Base SW", "pico"},
    {System::sjorge, "Açores - São Jorge - UTM 26 Base SW", "sjorge"},
    {System::terceira, "Açores - Terceira - UTM 26 Base SW", "terceira"},
    {System::observatorio, "Açores - G.Ocidental - UTM 25 Observatório", "observatorio"},
    {System::madeira, "Madeira - UTM 28 Base SE", "madeira"},
    {System::utm26, "UTM 26 ITRF93", "utm26"},
    {System::utm25, "UTM 25 ITRF93", "utm25"},
    {System::utm28, "UTM 28 ITRF93", "utm28"},
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
