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
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "jobs/routes.hpp"

namespace tesra {

enum class StepKind {
    routine,           // a routine of routines.hpp, run as the route table runs it
    militar_offset,    // Datum Lisboa-Ponto Central to the military grid: +200000 m in M, +300000 m in P
    militar_unoffset,  // the military grid to Datum Lisboa-Ponto Central: -200000, -300000
    inverse_official,  // the inverse of an official polynomial routine, solved point by point
};

struct RouteStep {
    StepKind kind;
    Routine routine{};  // of kinds routine and inverse_official
};

inline constexpr double militar_offset_m = 200000;
inline constexpr double militar_offset_p = 300000;

inline constexpr std::size_t max_route_steps = 3;

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

namespace route_steps {
inline constexpr RouteStep to_militar{StepKind::militar_offset};
inline constexpr RouteStep from_militar{StepKind::militar_unoffset};
constexpr RouteStep run(Routine r) { return {StepKind::routine, r}; }
constexpr RouteStep inverse(Routine r) { return {StepKind::inverse_official, r}; }
}  // namespace route_steps

inline constexpr std::array<ExtendedRoute, 14> extended_routes = [] {
    using namespace route_steps;
    using S = System;
    using R = Routine;
    return std::array<ExtendedRoute, 14>{{
        {S::lisboa, S::militar, 1, {to_militar}, accuracy_exact},
        {S::militar, S::lisboa, 1, {from_militar}, accuracy_exact},
        {S::militar, S::d73, 2, {from_militar, run(R::transf_21)}, accuracy_grid},
        {S::militar, S::tm06, 3, {from_militar, run(R::transf_21), run(R::transf_10)}, accuracy_polynomial_grid},
        {S::d73, S::militar, 2, {run(R::transf_12), to_militar}, accuracy_grid},
        {S::tm06, S::militar, 3, {run(R::transf_01), run(R::transf_12), to_militar}, accuracy_polynomial_grid},
        {S::utm26, S::sbraz, 1, {inverse(R::transf_54)}, accuracy_islands},
        {S::utm26, S::faial, 1, {inverse(R::transf_64)}, accuracy_islands},
        {S::utm26, S::graciosa, 1, {inverse(R::transf_74)}, accuracy_islands},
        {S::utm26, S::pico, 1, {inverse(R::transf_84)}, accuracy_islands},
        {S::utm26, S::sjorge, 1, {inverse(R::transf_94)}, accuracy_islands},
        {S::utm26, S::terceira, 1, {inverse(R::transf_104)}, accuracy_islands},
        {S::utm25, S::observatorio, 1, {inverse(R::transf_114)}, accuracy_islands},
        {S::utm28, S::madeira, 1, {inverse(R::transf_124)}, accuracy_islands},
    }};
}();

// Each reverse island route inverts the very routine that serves that
// island forward, and no extended route repeats a pair of the route table.
static_assert([] {
    for (const ExtendedRoute& e : extended_routes) {
        if (e.step_count == 0 || e.step_count > max_route_steps) return false;
        for (const TransformationRoute& r : route_table) {
            if (r.source == e.source && (!r.target || *r.target == e.target)) return false;
            if (e.steps[0].kind == StepKind::inverse_official && r.first == e.steps[0].routine &&
                (r.source != e.target || r.target != e.source))
                return false;
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

// One step of a route on the job's files: a routine through run_routine, or
// an offset or an inverse polynomial through the same point loop. Faults are
// reported through the services; a point the inverse cannot solve stops the
// job as a point beyond a grid's limits does.
RoutineStatus run_step(const RouteStep& step, const TransformationJob& job, Environment& env);

// One step of a route made ready to take points one at a time, its grid or
// parameter files read (faults throw TesraError; nothing is shown): what a
// route's steps run as one pass are made of. apply() computes what the
// step's loop computes for one point, false where the loop would stop; it
// changes nothing, so threads may share a step.
class PointStep {
public:
    PointStep(const RouteStep& step, const TransformationJob& job, Environment& env);
    [[nodiscard]] bool apply(double m, double p, double& m_out, double& p_out) const;

private:
    StepKind kind_;
    PolynomialParameterSet set_{};
    std::shared_ptr<const GridPair> grids_;  // a grid routine's
    double dm_ = 0, dp_ = 0;                 // an offset's
};

}  // namespace tesra
