// The route table: which routine, or pair of routines, serves each (source,
// target) pair of reference systems.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "jobs/routines.hpp"
#include "geodesy/systems.hpp"

namespace tesra {

struct TransformationRoute {
    System source;
    std::optional<System> target;  // none: any target name, even an empty one
    Routine first;
    std::optional<Routine> second;
};

// The islands' official routines, each from the island's own system to its
// UTM zone of ITRF93: the route table runs each forward, and the command
// line's routes back (extended_routes.hpp) run its inverse.
struct IslandRoutine {
    System island;
    System utm;
    Routine routine;
};

inline constexpr std::array<IslandRoutine, 8> island_routines = {{
    {System::sbraz, System::utm26, Routine::transf_54},
    {System::faial, System::utm26, Routine::transf_64},
    {System::graciosa, System::utm26, Routine::transf_74},
    {System::pico, System::utm26, Routine::transf_84},
    {System::sjorge, System::utm26, Routine::transf_94},
    {System::terceira, System::utm26, Routine::transf_104},
    {System::observatorio, System::utm25, Routine::transf_114},
    {System::madeira, System::utm28, Routine::transf_124},
}};

inline constexpr std::array<TransformationRoute, 15> route_table = [] {
    std::array<TransformationRoute, 15> table = {{
        {System::tm06, System::d73, Routine::transf_01, std::nullopt},
        {System::tm06, System::lisboa, Routine::transf_01, Routine::transf_12},
        {System::d73, System::tm06, Routine::transf_10, std::nullopt},
        {System::d73, System::lisboa, Routine::transf_12, std::nullopt},
        {System::lisboa, System::tm06, Routine::transf_21, Routine::transf_10},
        {System::lisboa, System::d73, Routine::transf_21, std::nullopt},
        {System::qualquer, std::nullopt, Routine::qualquer, std::nullopt},
    }};
    // Then the islands, in their order.
    const std::size_t first_island = table.size() - island_routines.size();
    for (std::size_t i = 0; i < island_routines.size(); ++i) {
        const IslandRoutine& r = island_routines[i];
        table[first_island + i] = {r.island, r.utm, r.routine, std::nullopt};
    }
    return table;
}();

struct RouteLookup {
    enum class Kind { found, source_not_recognised, target_not_served };
    Kind kind;
    const TransformationRoute* route;  // set when found
};

// Source names first, then that source's targets, both compared exactly;
// "Qualquer" takes any target text.
[[nodiscard]] RouteLookup find_route(std::string_view source, std::string_view target) noexcept;

}  // namespace tesra
