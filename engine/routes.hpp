// Reference systems and the route table: which routine or pair of routines
// serves each (source, target) pair. Names are UTF-8 and compared exactly,
// case-sensitively, over the whole text.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace tesra {

inline constexpr std::string_view qualquer_name = "Qualquer";

// The fifteen names, in the order of the reference-system table.
inline constexpr std::array<std::string_view, 15> reference_systems = {
    "ETRS89 TM06",
    "Hayford-Gauss Datum 73",
    "Hayford-Gauss Datum Lisboa-Ponto Central",
    "Qualquer",
    "Açores - G.Oriental - UTM 26 S. Bráz",
    "Açores - Faial - UTM 26 Base SW",
    "Açores - Graciosa - UTM 26 Base SW",
    "Açores - Pico - UTM 26 Base SW",
    "Açores - São Jorge - UTM 26 Base SW",
    "Açores - Terceira - UTM 26 Base SW",
    "Açores - G.Ocidental - UTM 25 Observatório",
    "Madeira - UTM 28 Base SE",
    "UTM 26 ITRF93",
    "UTM 25 ITRF93",
    "UTM 28 ITRF93",
};

enum class Routine {
    transf_01, transf_10, transf_12, transf_21, qualquer,
    transf_54, transf_64, transf_74, transf_84, transf_94,
    transf_104, transf_114, transf_124,
};

[[nodiscard]] std::string_view routine_name(Routine routine) noexcept;

struct TransformationRoute {
    std::string_view source;
    std::string_view target;  // ignored when any_target
    bool any_target;
    Routine first;
    std::optional<Routine> second;
};

inline constexpr std::array<TransformationRoute, 15> route_table = {{
    {"ETRS89 TM06", "Hayford-Gauss Datum 73", false, Routine::transf_01, std::nullopt},
    {"ETRS89 TM06", "Hayford-Gauss Datum Lisboa-Ponto Central", false, Routine::transf_01, Routine::transf_12},
    {"Hayford-Gauss Datum 73", "ETRS89 TM06", false, Routine::transf_10, std::nullopt},
    {"Hayford-Gauss Datum 73", "Hayford-Gauss Datum Lisboa-Ponto Central", false, Routine::transf_12, std::nullopt},
    {"Hayford-Gauss Datum Lisboa-Ponto Central", "ETRS89 TM06", false, Routine::transf_21, Routine::transf_10},
    {"Hayford-Gauss Datum Lisboa-Ponto Central", "Hayford-Gauss Datum 73", false, Routine::transf_21, std::nullopt},
    {"Qualquer", "", true, Routine::qualquer, std::nullopt},
    {"Açores - G.Oriental - UTM 26 S. Bráz", "UTM 26 ITRF93", false, Routine::transf_54, std::nullopt},
    {"Açores - Faial - UTM 26 Base SW", "UTM 26 ITRF93", false, Routine::transf_64, std::nullopt},
    {"Açores - Graciosa - UTM 26 Base SW", "UTM 26 ITRF93", false, Routine::transf_74, std::nullopt},
    {"Açores - Pico - UTM 26 Base SW", "UTM 26 ITRF93", false, Routine::transf_84, std::nullopt},
    {"Açores - São Jorge - UTM 26 Base SW", "UTM 26 ITRF93", false, Routine::transf_94, std::nullopt},
    {"Açores - Terceira - UTM 26 Base SW", "UTM 26 ITRF93", false, Routine::transf_104, std::nullopt},
    {"Açores - G.Ocidental - UTM 25 Observatório", "UTM 25 ITRF93", false, Routine::transf_114, std::nullopt},
    {"Madeira - UTM 28 Base SE", "UTM 28 ITRF93", false, Routine::transf_124, std::nullopt},
}};

struct RouteLookup {
    enum class Kind { found, source_not_recognised, target_not_served };
    Kind kind;
    const TransformationRoute* route;  // set when found
};

// Source first (table order), then that source's targets; "Qualquer" takes
// any target, even an empty one.
[[nodiscard]] RouteLookup find_route(std::string_view source, std::string_view target) noexcept;

}  // namespace tesra
