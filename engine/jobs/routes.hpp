// The route table: which routine, or pair of routines, serves each (source,
// target) pair of reference systems.
#pragma once

#include <array>
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

inline constexpr std::array<TransformationRoute, 15> route_table = {{
    {System::tm06, System::d73, Routine::transf_01, std::nullopt},
    {System::tm06, System::lisboa, Routine::transf_01, Routine::transf_12},
    {System::d73, System::tm06, Routine::transf_10, std::nullopt},
    {System::d73, System::lisboa, Routine::transf_12, std::nullopt},
    {System::lisboa, System::tm06, Routine::transf_21, Routine::transf_10},
    {System::lisboa, System::d73, Routine::transf_21, std::nullopt},
    {System::qualquer, std::nullopt, Routine::qualquer, std::nullopt},
    {System::sbraz, System::utm26, Routine::transf_54, std::nullopt},
    {System::faial, System::utm26, Routine::transf_64, std::nullopt},
    {System::graciosa, System::utm26, Routine::transf_74, std::nullopt},
    {System::pico, System::utm26, Routine::transf_84, std::nullopt},
    {System::sjorge, System::utm26, Routine::transf_94, std::nullopt},
    {System::terceira, System::utm26, Routine::transf_104, std::nullopt},
    {System::observatorio, System::utm25, Routine::transf_114, std::nullopt},
    {System::madeira, System::utm28, Routine::transf_124, std::nullopt},
}};

struct RouteLookup {
    enum class Kind { found, source_not_recognised, target_not_served };
    Kind kind;
    const TransformationRoute* route;  // set when found
};

// Source names first, then that source's targets, both compared exactly;
// "Qualquer" takes any target text.
[[nodiscard]] RouteLookup find_route(std::string_view source, std::string_view target) noexcept;

}  // namespace tesra
