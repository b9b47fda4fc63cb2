#include "routines.hpp"

#include <new>

#include "point_file.hpp"

namespace tesra {

void transform_with_polynomial(const PolynomialParameterSet& set, const TransformationJob& job) {
    transform_point_file(job.fich1, job.fich2, [&set](double m, double p, double& m_out, double& p_out) {
        const PlanarPoint r = evaluate_polynomial(set, m, p);
        m_out = r.m;
        p_out = r.p;
        return true;
    });
}

namespace {

// The official routines leave the busy pointer on; the job restores it.
RoutineStatus run_official(OfficialSet which, TransformationJob& job, Environment& env) {
    env.services.set_pointer(Pointer::busy);
    const PolynomialParameterSet set = official_set(which);
    try {
        transform_with_polynomial(set, job);
    } catch (const TesraError& e) {
        env.services.message_box(e.what());
        env.services.set_pointer(Pointer::normal);
        return RoutineStatus::failed;
    }
    return RoutineStatus::done;
}

}  // namespace

RoutineStatus transf_01(TransformationJob& job, Environment& env) { return run_official(OfficialSet::transf_01, job, env); }
RoutineStatus transf_10(TransformationJob& job, Environment& env) { return run_official(OfficialSet::transf_10, job, env); }
RoutineStatus transf_54(TransformationJob& job, Environment& env) { return run_official(OfficialSet::transf_54, job, env); }
RoutineStatus transf_64(TransformationJob& job, Environment& env) { return run_official(OfficialSet::transf_64, job, env); }
RoutineStatus transf_74(TransformationJob& job, Environment& env) { return run_official(OfficialSet::transf_74, job, env); }
RoutineStatus transf_84(TransformationJob& job, Environment& env) { return run_official(OfficialSet::transf_84, job, env); }
RoutineStatus transf_94(TransformationJob& job, Environment& env) { return run_official(OfficialSet::transf_94, job, env); }
RoutineStatus transf_104(TransformationJob& job, Environment& env) { return run_official(OfficialSet::transf_104, job, env); }
RoutineStatus transf_114(TransformationJob& job, Environment& env) { return run_official(OfficialSet::transf_114, job, env); }
RoutineStatus transf_124(TransformationJob& job, Environment& env) { return run_official(OfficialSet::transf_124, job, env); }

RoutineStatus run_routine(Routine routine, TransformationJob& job, Environment& env) {
    switch (routine) {
    case Routine::transf_01: return transf_01(job, env);
    case Routine::transf_10: return transf_10(job, env);
    case Routine::transf_12: return transf_12(job, env);
    case Routine::transf_21: return transf_21(job, env);
    case Routine::qualquer: return qualquer(job, env);
    case Routine::transf_54: return transf_54(job, env);
    case Routine::transf_64: return transf_64(job, env);
    case Routine::transf_74: return transf_74(job, env);
    case Routine::transf_84: return transf_84(job, env);
    case Routine::transf_94: return transf_94(job, env);
    case Routine::transf_104: return transf_104(job, env);
    case Routine::transf_114: return transf_114(job, env);
    case Routine::transf_124: return transf_124(job, env);
    }
    return RoutineStatus::failed;
}

}  // namespace tesra
