#include "jobs/extended_routes.hpp"

namespace tesra {

namespace {

std::string_view projection_name(Projection projection) {
    switch (projection) {
    case Projection::tm06: return "TM06";
    case Projection::utm25: return "UTM 25";
    case Projection::utm26: return "UTM 26";
    case Projection::utm28: return "UTM 28";
    case Projection::utm29: break;
    }
    return "UTM 29";
}

}  // namespace

const ExtendedRoute* find_extended_route(System source, System target) noexcept {
    for (const ExtendedRoute& route : extended_routes)
        if (route.source == source && route.target == target) return &route;
    for (const ExtendedRoute& route : geographic_routes)
        if (route.source == source && route.target == target) return &route;
    return nullptr;
}

std::string step_name(const RouteStep& step) {
    switch (step.kind) {
    case StepKind::routine: return std::string(routine_info(step.routine).name);
    case StepKind::militar_offset: return "+(200000, 300000)";
    case StepKind::militar_unoffset: return "-(200000, 300000)";
    case StepKind::inverse_official: return "inversa de " + std::string(routine_info(step.routine).name);
    case StepKind::project: return "projeção " + std::string(projection_name(step.to));
    case StepKind::unproject: return "inversa da projeção " + std::string(projection_name(step.from));
    case StepKind::reproject:
        return "projeção " + std::string(projection_name(step.from)) + " --> " + std::string(projection_name(step.to));
    case StepKind::same_datum: return "WGS 84 = ETRS89/PTRA08";
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
    case StepKind::project:
    case StepKind::unproject:
    case StepKind::reproject: return "transversa de Mercator no GRS80 (série de Krüger)";
    case StepKind::same_datum: return "transformação nula";
    }
    return {};
}

}  // namespace tesra
