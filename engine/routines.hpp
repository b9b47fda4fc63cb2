// The thirteen transformation routines. Each reads job.fich1 and writes
// job.fich2 with the shared point loop, shows the busy pointer while it runs,
// and reports its own faults through env.services before returning failed.
#pragma once

#include <string>

#include "job.hpp"
#include "polynomial.hpp"
#include "routes.hpp"

namespace tesra {

RoutineStatus transf_01(TransformationJob& job, Environment& env);
RoutineStatus transf_10(TransformationJob& job, Environment& env);
RoutineStatus transf_54(TransformationJob& job, Environment& env);
RoutineStatus transf_64(TransformationJob& job, Environment& env);
RoutineStatus transf_74(TransformationJob& job, Environment& env);
RoutineStatus transf_84(TransformationJob& job, Environment& env);
RoutineStatus transf_94(TransformationJob& job, Environment& env);
RoutineStatus transf_104(TransformationJob& job, Environment& env);
RoutineStatus transf_114(TransformationJob& job, Environment& env);
RoutineStatus transf_124(TransformationJob& job, Environment& env);

// Grid routines (grid.cpp): Datum 73 -> Datum Lisboa and back.
RoutineStatus transf_12(TransformationJob& job, Environment& env);
RoutineStatus transf_21(TransformationJob& job, Environment& env);

// Generic routine (generic.cpp), parameters from job.fich_par_m / fich_par_p.
RoutineStatus qualquer(TransformationJob& job, Environment& env);

RoutineStatus run_routine(Routine routine, TransformationJob& job, Environment& env);

// The point loop from job.fich1 to job.fich2 with evaluate_polynomial as the
// per-point computation; throws TesraError like transform_point_file.
void transform_with_polynomial(const PolynomialParameterSet& set, const TransformationJob& job);

}  // namespace tesra
