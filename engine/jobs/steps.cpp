#include "jobs/steps.hpp"

#include <string_view>

namespace tesra {

namespace {

// What every step of a route does around its computation: the busy pointer
// while it runs (body may release it to leave it on), and a fault shown, with
// `title` if any, and turned into failed.
template <class Body>
RoutineStatus guarded_step(Environment& env, std::optional<std::string_view> title, Body&& body) {
    BusyPointer busy(env.services);
    try {
        return body(busy);
    } catch (const TesraError& e) {
        env.services.message_box(e.what(), title);
        return RoutineStatus::failed;
    }
}

// The stop of a step that meets a point it cannot transform: the message
// naming the point, and the status that ends the program.
RoutineStatus out_of_limits(Services& services, double m, double p) {
    services.message_box("ERRO!! Ponto para além dos limites. (" + number_for_message(m) + ";" +
                         number_for_message(p) + ")");
    return RoutineStatus::out_of_limits;
}

bool is_routine(const RouteStep& step, RoutineKind kind) noexcept {
    return step.kind == StepKind::routine && routine_info(step.routine).kind == kind;
}

}  // namespace

PointStep::PointStep(const RouteStep& step, const TransformationJob& job, Environment& env) {
    switch (step.kind) {
    case StepKind::routine:
        switch (routine_info(step.routine).kind) {
        case RoutineKind::official: set_ = official_set(step.routine); break;
        case RoutineKind::grid:
            form_ = Form::grid;
            grids_ = read_grids(*routine_info(step.routine).grid, env);
            break;
        case RoutineKind::generic: set_ = read_generic_set(job); break;
        }
        break;
    case StepKind::inverse_official:
        form_ = Form::inverse_polynomial;
        set_ = official_set(step.routine);
        break;
    case StepKind::militar_offset:
        form_ = Form::offset;
        dm_ = militar_offset_m;
        dp_ = militar_offset_p;
        break;
    case StepKind::militar_unoffset:
        form_ = Form::offset;
        dm_ = -militar_offset_m;
        dp_ = -militar_offset_p;
        break;
    case StepKind::same_datum: form_ = Form::offset; break;
    case StepKind::project:
        form_ = Form::project;
        to_.emplace(projection_definition(step.to));
        break;
    case StepKind::unproject:
        form_ = Form::unproject;
        from_.emplace(projection_definition(step.from));
        break;
    case StepKind::reproject:
        form_ = Form::reproject;
        from_.emplace(projection_definition(step.from));
        to_.emplace(projection_definition(step.to));
        break;
    }
}

PointFault PointStep::refusal(double m, double p) const noexcept {
    // Only the grids, the inverse and the projections ever refuse a point.
    if (form_ == Form::inverse_polynomial) return PointFault::no_inverse;
    if (form_ == Form::project || form_ == Form::unproject || form_ == Form::reproject) {
        return PointFault::outside_projection;
    }
    return grid_covers(m, p) ? PointFault::no_data : PointFault::outside_grid;
}

RoutineStatus run_step(const RouteStep& step, const TransformationJob& job, Environment& env) {
    // The generic routine's messages carry the program's title.
    const std::optional<std::string_view> title =
        is_routine(step, RoutineKind::generic) ? std::optional<std::string_view>(program_title) : std::nullopt;
    return guarded_step(env, title, [&](BusyPointer& busy) {
        const PointStep ready(step, job, env);
        const LoopEnd end = ready.with_compute([&job, &ready](auto compute) {
            SkippedPoints* const skipped = job.skipped;
            return transform_point_file(job.fich1, job.fich2, [compute, skipped, &ready](double m, double p,
                                                                                     double& m_out, double& p_out) {
                if (compute(m, p, m_out, p_out)) return true;
                if (skipped != nullptr) skipped->fault = ready.refusal(m, p);
                return false;
            }, skipped);
        });
        if (end.stopped) return out_of_limits(env.services, end.m, end.p);
        // The official routines leave the pointer on: the job restores it after the report.
        if (is_routine(step, RoutineKind::official)) busy.release();
        return RoutineStatus::done;
    });
}

}  // namespace tesra
