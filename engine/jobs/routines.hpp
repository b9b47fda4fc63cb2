// The thirteen transformation routines of the route table, and what each
// needs before its first point: an official parameter set, two grid files
// beside the program, or the job's two parameter files. A routine runs as a
// step of its route (steps.hpp), which reads the point file job.fich1 and
// writes job.fich2 with the shared point loop.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "geodesy/grid.hpp"
#include "files/point_file.hpp"
#include "geodesy/polynomial.hpp"
#include "services.hpp"

namespace tesra {

enum class Routine {
    transf_01, transf_10, transf_12, transf_21, qualquer,
    transf_54, transf_64, transf_74, transf_84, transf_94,
    transf_104, transf_114, transf_124,
};

enum class RoutineKind {
    official,  // a fixed parameter set (official_sets.cpp); leaves the busy pointer on
    grid,      // bilinear interpolation in two grid files beside the program
    generic,   // a polynomial from the two parameter files of the job
};

struct RoutineInfo {
    Routine routine;
    std::string_view name;
    RoutineKind kind;
    const GridParameters* grid;  // grid routines only
};

inline constexpr std::array<RoutineInfo, 13> routines = {{
    {Routine::transf_01, "transf_01", RoutineKind::official, nullptr},
    {Routine::transf_10, "transf_10", RoutineKind::official, nullptr},
    {Routine::transf_12, "transf_12", RoutineKind::grid, &grid_73_to_lisboa},
    {Routine::transf_21, "transf_21", RoutineKind::grid, &grid_lisboa_to_73},
    {Routine::qualquer, "qualquer", RoutineKind::generic, nullptr},
    {Routine::transf_54, "transf_54", RoutineKind::official, nullptr},
    {Routine::transf_64, "transf_64", RoutineKind::official, nullptr},
    {Routine::transf_74, "transf_74", RoutineKind::official, nullptr},
    {Routine::transf_84, "transf_84", RoutineKind::official, nullptr},
    {Routine::transf_94, "transf_94", RoutineKind::official, nullptr},
    {Routine::transf_104, "transf_104", RoutineKind::official, nullptr},
    {Routine::transf_114, "transf_114", RoutineKind::official, nullptr},
    {Routine::transf_124, "transf_124", RoutineKind::official, nullptr},
}};

static_assert([] {
    for (std::size_t i = 0; i < routines.size(); ++i)
        if (routines[i].routine != static_cast<Routine>(i)) return false;
    return true;
}(), "the table is indexed by Routine");

[[nodiscard]] constexpr const RoutineInfo& routine_info(Routine routine) noexcept {
    return routines[static_cast<std::size_t>(routine)];
}

// The parameters of an official routine (official_sets.cpp).
[[nodiscard]] const PolynomialParameterSet& official_set(Routine routine) noexcept;

// The variables the job sets and every routine reads.
struct TransformationJob {
    PointFile fich1;   // what the next routine reads: the input, then an intermediate
    PointFile fich2;   // what the next routine writes: an intermediate, or in the last step the output
    std::string fich3;  // output file
    std::string fich_par_m;
    std::string fich_par_p;
    SkippedPoints* skipped = nullptr;  // given: faulty points are left out and noted there, not fatal
};

// What the front end supplies besides the request.
struct Environment {
    Services& services;
    std::string grid_dir;          // where the four grid files are; no trailing separator needed
    char decimal_separator = ',';  // of the report's coordinates
};

enum class RoutineStatus {
    done,           // fich2 is complete
    failed,         // reported its fault; wrote nothing that survives
    out_of_limits,  // reported the point and removed its fich2; the program must end
};

// The two grids of a grid routine, read from env.grid_dir. Faults throw
// TesraError with the routine's own message.
struct GridPair {
    CoordinateGrid m, p;
};
[[nodiscard]] std::unique_ptr<const GridPair> read_grids(const GridParameters& parameters, Environment& env);

// The generic routine's parameter set, from the job's two parameter files.
// Faults throw TesraError with the routine's own message.
[[nodiscard]] PolynomialParameterSet read_generic_set(const TransformationJob& job);

}  // namespace tesra
