#include "routes.hpp"

namespace tesra {

std::string_view routine_name(Routine routine) noexcept {
    switch (routine) {
    case Routine::transf_01: return "transf_01";
    case Routine::transf_10: return "transf_10";
    case Routine::transf_12: return "transf_12";
    case Routine::transf_21: return "transf_21";
    case Routine::qualquer: return "qualquer";
    case Routine::transf_54: return "transf_54";
    case Routine::transf_64: return "transf_64";
    case Routine::transf_74: return "transf_74";
    case Routine::transf_84: return "transf_84";
    case Routine::transf_94: return "transf_94";
    case Routine::transf_104: return "transf_104";
    case Routine::transf_114: return "transf_114";
    case Routine::transf_124: return "transf_124";
    }
    return "";
}

RouteLookup find_route(std::string_view source, std::string_view target) noexcept {
    bool source_known = false;
    for (const TransformationRoute& route : route_table) {
        if (route.source != source) continue;
        if (route.any_target) return {RouteLookup::Kind::found, &route};
        source_known = true;
        if (route.target == target) return {RouteLookup::Kind::found, &route};
    }
    return {source_known ? RouteLookup::Kind::target_not_served : RouteLookup::Kind::source_not_recognised,
            nullptr};
}

}  // namespace tesra
