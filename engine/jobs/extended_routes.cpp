#include "jobs/extended_routes.hpp"

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

}  // namespace tesra
