// Routes of the command line beyond the route table: the military grid of
// Datum Lisboa and the way back from the ITRF93 zones to the island systems.
// The window never offers them and the job of the window never looks here:
// the command line resolves them first and runs them with run_extended_job
// (job.hpp), through the same point loop and the same written form of the
// intermediates as the route table's routes. Also what the command line
// says of every route's method and accuracy.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "jobs/routes.hpp"
#include "jobs/steps.hpp"

namespace tesra {

struct ExtendedRoute {
    System source;
    System target;
    std::size_t step_count;
    std::array<RouteStep, max_route_steps> steps;
    std::string_view accuracy;  // measured against PROJ (data/README.md)
};

// The accuracy measured for each route, over 22,177 land points 2 km apart in
// mainland Portugal (the grid-based EPSG:6189 and EPSG:6188 as truth) and
// 500 m lattices over the islands (each island's EPSG Helmert operation).
inline constexpr std::string_view accuracy_polynomial = "máx. 0,59 m, eqm 0,13 m, p95 0,23 m";
inline constexpr std::string_view accuracy_polynomial_grid = "máx. 4,31 m, eqm 1,65 m, p95 2,72 m";
inline constexpr std::string_view accuracy_grid = "máx. 4,28 m, eqm 1,67 m, p95 2,71 m";
inline constexpr std::string_view accuracy_islands = "máx. 0,07 a 0,18 m, eqm 0,03 a 0,13 m, conforme a ilha";
inline constexpr std::string_view accuracy_exact = "exata (só muda a origem)";
inline constexpr std::string_view accuracy_generic = "a dos parâmetros dados";

// The accuracy of each row of route_table, in its order.
inline constexpr std::array<std::string_view, route_table.size()> route_table_accuracy = {
    accuracy_polynomial, accuracy_polynomial_grid, accuracy_polynomial, accuracy_grid,
    accuracy_polynomial_grid, accuracy_grid, accuracy_generic,
    accuracy_islands, accuracy_islands, accuracy_islands, accuracy_islands,
    accuracy_islands, accuracy_islands, accuracy_islands, accuracy_islands,
};

inline constexpr std::array<ExtendedRoute, 14> extended_routes = [] {
    using namespace route_steps;
    using S = System;
    using R = Routine;
    std::array<ExtendedRoute, 14> table = {{
        {S::lisboa, S::militar, 1, {to_militar}, accuracy_exact},
        {S::militar, S::lisboa, 1, {from_militar}, accuracy_exact},
        {S::militar, S::d73, 2, {from_militar, run(R::transf_21)}, accuracy_grid},
        {S::militar, S::tm06, 3, {from_militar, run(R::transf_21), run(R::transf_10)}, accuracy_polynomial_grid},
        {S::d73, S::militar, 2, {run(R::transf_12), to_militar}, accuracy_grid},
        {S::tm06, S::militar, 3, {run(R::transf_01), run(R::transf_12), to_militar}, accuracy_polynomial_grid},
    }};
    // Then the way back to each island: the inverse of its routine.
    const std::size_t first_island = table.size() - island_routines.size();
    for (std::size_t i = 0; i < island_routines.size(); ++i) {
        const IslandRoutine& r = island_routines[i];
        table[first_island + i] = {r.utm, r.island, 1, {inverse(r.routine)}, accuracy_islands};
    }
    return table;
}();

// No extended route repeats a pair of the route table.
static_assert([] {
    for (const ExtendedRoute& e : extended_routes) {
        if (e.step_count == 0 || e.step_count > max_route_steps) return false;
        for (const TransformationRoute& r : route_table)
            if (r.source == e.source && (!r.target || *r.target == e.target)) return false;
    }
    return true;
}());

// The extended route from source to target, if any.
[[nodiscard]] const ExtendedRoute* find_extended_route(System source, System target) noexcept;

// How a step is computed, in the words of `tesra-cli --list`, and its name
// in the route's list of routines.
[[nodiscard]] std::string step_name(const RouteStep& step);
[[nodiscard]] std::string_view step_method(const RouteStep& step);

}  // namespace tesra
