#include "jobs/extended_routes.hpp"

#include <cmath>

#include "geodesy/grid.hpp"
#include "files/point_file.hpp"

namespace tesra {

const ExtendedRoute* find_extended_route(System source, System target) noexcept {
    for (const ExtendedRoute& route : extended_routes)
        if (route.source == source && route.target == target) return &route;
    return nullptr;
}

std::string step_name(const RouteStep& step) {
    switch (step.kind) {
    case StepKind::routine: return std::string(routine_info(step.routine).name);
    case StepKind::militar_offset: return "+(200000, 300000)";
    case StepKind::militar_unoffset: return "-(200000, 300000)";
    case StepKind::inverse_official: return "inversa de " + std::string(routine_info(step.routine).name);
    }
    return {};
}

std::string_view step_method(const RouteStep& step) {
    switch (step.kind) {
    case StepKind::routine:
        switch (routine_info(step.routine).kind) {
        case RoutineKind::official: return "polinómio oficial";
        case RoutineKind::grid: return "grelha";
        case RoutineKind::generic: return "polinómio dos ficheiros de parâmetros";
        }
        break;
    case StepKind::militar_offset:
    case StepKind::militar_unoffset: return "translação da origem militar";
    case StepKind::inverse_official: return "inversa do polinómio oficial (método de Newton)";
    }
    return {};
}

RoutineStatus run_step(const RouteStep& step, const TransformationJob& job, Environment& env) {
    if (step.kind == StepKind::routine) return run_routine(step.routine, job, env);
    // An offset or an inverse: only the inverse ever refuses a point.
    return guarded_step(env, std::nullopt, [&](BusyPointer&) {
        const PointStep point_step(step, job, env);
        const LoopEnd end =
            transform_point_file(job.fich1, job.fich2, [&](double m, double p, double& m_out, double& p_out) {
                if (point_step.apply(m, p, m_out, p_out)) return true;
                if (job.skipped != nullptr) job.skipped->fault = PointFault::no_inverse;
                return false;
            }, job.skipped);
        return end.stopped ? out_of_limits(env.services, end.m, end.p) : RoutineStatus::done;
    });
}

PointStep::PointStep(const RouteStep& step, const TransformationJob& job, Environment& env) : kind_(step.kind) {
    switch (step.kind) {
    case StepKind::routine:
        switch (routine_info(step.routine).kind) {
        case RoutineKind::official: set_ = official_set(step.routine); break;
        case RoutineKind::grid: grids_ = read_grids(*routine_info(step.routine).grid, env); break;
        case RoutineKind::generic: set_ = read_generic_set(job); break;
        }
        break;
    case StepKind::militar_offset:
        dm_ = militar_offset_m;
        dp_ = militar_offset_p;
        break;
    case StepKind::militar_unoffset:
        dm_ = -militar_offset_m;
        dp_ = -militar_offset_p;
        break;
    case StepKind::inverse_official: set_ = official_set(step.routine); break;
    }
}

bool PointStep::apply(double m, double p, double& m_out, double& p_out) const {
    switch (kind_) {
    case StepKind::routine:
        if (grids_) return interpolate_grid(grids_->m, grids_->p, m, p, m_out, p_out);
        {
            const PlanarPoint r = evaluate_polynomial(set_, m, p);
            m_out = r.m;
            p_out = r.p;
        }
        return true;
    case StepKind::militar_offset:
    case StepKind::militar_unoffset:
        m_out = m + dm_;
        p_out = p + dp_;
        return true;
    case StepKind::inverse_official: {
        const std::optional<PlanarPoint> r = invert_polynomial(set_, m, p);
        if (!r) return false;
        m_out = r->m;
        p_out = r->p;
        return true;
    }
    }
    return false;
}

}  // namespace tesra
