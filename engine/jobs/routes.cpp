#include "jobs/routes.hpp"

namespace tesra {

RouteLookup find_route(std::string_view source, std::string_view target) noexcept {
    const std::optional<System> from = find_system(source);
    const std::optional<System> to = find_system(target);
    bool source_known = false;
    for (const TransformationRoute& route : route_table) {
        if (!from || route.source != *from) continue;
        if (!route.target) return {RouteLookup::Kind::found, &route};
        source_known = true;
        if (to && *route.target == *to) return {RouteLookup::Kind::found, &route};
    }
    return {source_known ? RouteLookup::Kind::target_not_served : RouteLookup::Kind::source_not_recognised,
            nullptr};
}

}  // namespace tesra
