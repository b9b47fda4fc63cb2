#include "jobs/refusals.hpp"

#include <algorithm>
#include <numeric>
#include <optional>
#include <utility>

#include "jobs/extended_routes.hpp"
#include "jobs/routes.hpp"
#include "text/codepage.hpp"

namespace tesra {

std::string folded_name(std::string_view text) {
    const std::string out = plain_lower(text);
    const std::size_t first = out.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : out.substr(first, out.find_last_not_of(" \t") - first + 1);
}

namespace {

// Edits that turn `typed` into `known`; with within_known, into the closest
// part of `known` (so "datum 73" is 0 from "hayford-gauss datum 73").
std::size_t edit_distance(std::string_view typed, std::string_view known, bool within_known) {
    std::vector<std::size_t> row(known.size() + 1);
    if (!within_known) std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 1; i <= typed.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= known.size(); ++j) {
            const std::size_t substitute = diagonal + (typed[i - 1] == known[j - 1] ? 0 : 1);
            diagonal = row[j];
            row[j] = std::min({substitute, row[j] + 1, row[j - 1] + 1});
        }
    }
    return within_known ? *std::min_element(row.begin(), row.end()) : row.back();
}

}  // namespace

std::string no_route_message(std::string_view source, std::string_view target) {
    return "Não há transformação de \"" + std::string(source) + "\" para \"" + std::string(target) + "\".";
}

std::vector<const SystemInfo*> closest_systems(std::string_view text) {
    const std::string typed = folded_name(text);
    std::vector<std::pair<std::pair<std::size_t, std::size_t>, const SystemInfo*>> ranked;
    for (const SystemInfo& s : systems) {
        const std::string name = folded_name(s.name);
        ranked.push_back({{std::min(edit_distance(typed, name, true), edit_distance(typed, s.alias, false)),
                           edit_distance(typed, name, false)},
                          &s});
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<const SystemInfo*> closest;
    for (std::size_t i = 0; i < 3 && ranked[i].first.first == ranked[0].first.first; ++i)
        closest.push_back(ranked[i].second);
    return closest;
}

std::string unknown_system_message(std::string_view text, bool with_aliases) {
    const std::vector<const SystemInfo*> closest = closest_systems(text);
    std::string line = "Sistema desconhecido: \"" + std::string(text) + "\". Será ";
    for (std::size_t i = 0; i < closest.size(); ++i) {
        if (i > 0) line += i + 1 < closest.size() ? ", " : " ou ";
        line.append("\"").append(closest[i]->name).append("\"");
        if (with_aliases) line.append(" (").append(closest[i]->alias).append(")");
    }
    return line + "?";
}

RefusalNotes refusal_notes(std::string_view source, std::string_view target, JobOutcome outcome,
                           bool extended_routes) {
    RefusalNotes notes;
    if (outcome != JobOutcome::refused && outcome != JobOutcome::target_not_served) return notes;
    const std::optional<System> from = find_system(source), to = find_system(target);
    // Two systems the program knows with no way between them: the job's
    // "Definir o Sistema 1 !!" alone would send the user looking for a
    // misspelt name, and an unserved target gets no word of the job's own.
    const bool served = find_route(source, target).kind == RouteLookup::Kind::found ||
                        (extended_routes && from && to && find_extended_route(*from, *to) != nullptr);
    notes.no_route = outcome == JobOutcome::target_not_served || (from && to && !served);
    notes.unknown_source = !from && !source.empty();
    notes.unknown_target = from != System::qualquer && !to && !target.empty();
    return notes;
}

std::vector<std::string> refusal_lines(std::string_view source, std::string_view target, const RefusalNotes& notes,
                                       bool with_aliases, std::string_view see_also) {
    std::vector<std::string> lines;
    if (notes.no_route) lines.push_back(no_route_message(source, target));
    if (notes.unknown_source) lines.push_back(unknown_system_message(source, with_aliases).append(see_also));
    if (notes.unknown_target) lines.push_back(unknown_system_message(target, with_aliases).append(see_also));
    return lines;
}

}  // namespace tesra
