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
#include <initializer_list>
#include <utility>
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
inline constexpr std::string_view accuracy_projection = "exata (projeção: menos de 1 mm do PROJ)";
inline constexpr std::string_view accuracy_wgs84 = "cerca de 1 m: WGS 84 tomado como ETRS89 ou PTRA08 (EPSG:1149)";
inline constexpr std::string_view accuracy_wgs84_grid = "máx. 4,31 m da grelha, mais cerca de 1 m de WGS 84 (EPSG:1149)";

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

namespace route_building {

struct Steps {
    std::size_t count = 0;
    std::array<RouteStep, max_route_steps> at{};
    std::string_view accuracy = accuracy_exact;
};

// Whether steps of this accuracy move a point only as far as the projection's
// arithmetic does.
constexpr bool exact(std::string_view accuracy) {
    return accuracy == accuracy_exact || accuracy == accuracy_projection;
}

// One way after the other: as accurate as the less accurate of the two.
constexpr Steps operator+(Steps a, const Steps& b) {
    for (std::size_t i = 0; i < b.count; ++i) a.at[a.count++] = b.at[i];
    if (!exact(b.accuracy) || (exact(a.accuracy) && b.accuracy == accuracy_projection)) a.accuracy = b.accuracy;
    return a;
}

constexpr Steps steps(std::initializer_list<RouteStep> list, std::string_view accuracy) {
    Steps s;
    for (const RouteStep& step : list) s.at[s.count++] = step;
    s.accuracy = accuracy;
    return s;
}

// The way the route table, or the routes above, already give from one
// system to another (none from a system to itself).
constexpr Steps known_route(System from, System to) {
    if (from == to) return {};
    for (std::size_t i = 0; i < route_table.size(); ++i) {
        const TransformationRoute& r = route_table[i];
        if (r.source != from || r.target != to) continue;
        Steps s = steps({route_steps::run(r.first)}, route_table_accuracy[i]);
        if (r.second) s.at[s.count++] = route_steps::run(*r.second);
        return s;
    }
    for (const ExtendedRoute& e : extended_routes)
        if (e.source == from && e.target == to) return {e.step_count, e.steps, e.accuracy};
    throw "no route between the two";  // fails the table's constant evaluation
}

// WGS 84 taken as the datum: its routes say so, and none is exact.
constexpr Steps as_wgs84(Steps s) {
    s.accuracy = s.accuracy == accuracy_polynomial_grid || s.accuracy == accuracy_grid ? accuracy_wgs84_grid
                                                                                         : accuracy_wgs84;
    return s;
}

}  // namespace route_building

// The routes of latitude and longitude, UTM 29 and WGS 84: on the mainland
// by way of ETRS89 TM06, on the islands by way of each one's UTM zone of
// PTRA08 (the official polynomials' ITRF93 coordinates).
inline constexpr std::array<ExtendedRoute, 76> geographic_routes = [] {
    using namespace route_steps;
    using namespace route_building;
    using S = System;
    using P = Projection;
    std::array<ExtendedRoute, 76> table{};
    std::size_t n = 0;
    const auto add = [&](S source, S target, const Steps& s) {
        table[n++] = {source, target, s.count, s.at, s.count == 0 ? accuracy_exact : s.accuracy};
    };
    // Mainland: latitude and longitude, UTM 29 and WGS 84 to ETRS89 TM06 and back.
    const Steps geo_to_tm06 = steps({project(P::tm06)}, accuracy_projection);
    const Steps tm06_to_geo = steps({unproject(P::tm06)}, accuracy_projection);
    const Steps utm29_to_tm06 = steps({reproject(P::utm29, P::tm06)}, accuracy_projection);
    const Steps tm06_to_utm29 = steps({reproject(P::tm06, P::utm29)}, accuracy_projection);
    for (S old : {S::tm06, S::d73, S::lisboa, S::militar}) {
        const Steps from_tm06 = known_route(S::tm06, old), to_tm06 = known_route(old, S::tm06);
        add(S::etrs89geo, old, geo_to_tm06 + from_tm06);
        add(old, S::etrs89geo, to_tm06 + tm06_to_geo);
        add(S::utm29, old, utm29_to_tm06 + from_tm06);
        add(old, S::utm29, to_tm06 + tm06_to_utm29);
        add(S::wgs84, old, as_wgs84(geo_to_tm06 + from_tm06));
        add(old, S::wgs84, as_wgs84(to_tm06 + tm06_to_geo));
    }
    add(S::etrs89geo, S::utm29, steps({project(P::utm29)}, accuracy_projection));
    add(S::utm29, S::etrs89geo, steps({unproject(P::utm29)}, accuracy_projection));
    add(S::wgs84, S::utm29, as_wgs84(steps({project(P::utm29)}, accuracy_projection)));
    add(S::utm29, S::wgs84, as_wgs84(steps({unproject(P::utm29)}, accuracy_projection)));
    add(S::wgs84, S::etrs89geo, steps({same_datum}, accuracy_wgs84));
    add(S::etrs89geo, S::wgs84, steps({same_datum}, accuracy_wgs84));
    // Islands: latitude and longitude of PTRA08 (or WGS 84) to each UTM
    // zone, and on to each island's own system by its polynomial's inverse.
    const std::pair<S, P> zones[] = {{S::utm25, P::utm25}, {S::utm26, P::utm26}, {S::utm28, P::utm28}};
    for (S geo : {S::ptra08geo, S::wgs84}) {
        const auto datum = [geo](Steps s) { return geo == S::wgs84 ? as_wgs84(s) : s; };
        for (const auto& [utm, zone] : zones) {
            add(geo, utm, datum(steps({project(zone)}, accuracy_projection)));
            add(utm, geo, datum(steps({unproject(zone)}, accuracy_projection)));
        }
        for (const IslandRoutine& r : island_routines) {
            const P zone = r.utm == S::utm25 ? P::utm25 : r.utm == S::utm26 ? P::utm26 : P::utm28;
            add(geo, r.island, datum(steps({project(zone)}, accuracy_projection) + known_route(r.utm, r.island)));
            add(r.island, geo, datum(known_route(r.island, r.utm) + steps({unproject(zone)}, accuracy_projection)));
        }
    }
    add(S::wgs84, S::ptra08geo, steps({same_datum}, accuracy_wgs84));
    add(S::ptra08geo, S::wgs84, steps({same_datum}, accuracy_wgs84));
    if (n != table.size()) throw "the table's size is the count of its routes";
    return table;
}();

// No extended route repeats a pair of the route table, or another's.
static_assert([] {
    for (std::size_t i = 0; i < extended_routes.size() + geographic_routes.size(); ++i) {
        const ExtendedRoute& e = i < extended_routes.size() ? extended_routes[i]
                                                            : geographic_routes[i - extended_routes.size()];
        if (e.step_count == 0 || e.step_count > max_route_steps) return false;
        // A route through a polynomial or a grid is never told as exact.
        for (std::size_t k = 0; k < e.step_count; ++k) {
            const StepKind kind = e.steps[k].kind;
            if ((kind == StepKind::routine || kind == StepKind::inverse_official) &&
                (e.accuracy == accuracy_exact || e.accuracy == accuracy_projection)) {
                return false;
            }
        }
        for (const TransformationRoute& r : route_table)
            if (r.source == e.source && (!r.target || *r.target == e.target)) return false;
        for (std::size_t j = 0; j < i; ++j) {
            const ExtendedRoute& f = j < extended_routes.size() ? extended_routes[j]
                                                                : geographic_routes[j - extended_routes.size()];
            if (f.source == e.source && f.target == e.target) return false;
        }
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
