// What the main window offers: the source systems of its first list, and for
// each source the targets put into the second list and the layout of the
// window's bottom. The rules only offer choices; whether a pair is served is
// the job's route table's business.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "geodesy/systems.hpp"

namespace tesra::ui {

// In list order. "ETRS89 TM06" and "Qualquer" make every route of the engine,
// the generic one included, reachable from the window.
inline constexpr std::array<std::string_view, 12> source_systems = {
    "ETRS89 TM06",
    "Hayford-Gauss Datum 73",
    "Hayford-Gauss Datum Lisboa-Ponto Central",
    "Açores - G.Oriental - UTM 26 S. Bráz",
    "Açores - Faial - UTM 26 Base SW",
    "Açores - Graciosa - UTM 26 Base SW",
    "Açores - Pico - UTM 26 Base SW",
    "Açores - São Jorge - UTM 26 Base SW",
    "Açores - Terceira - UTM 26 Base SW",
    "Açores - G.Ocidental - UTM 25 Observatório",
    "Madeira - UTM 28 Base SE",
    "Qualquer",
};

enum class Layout { compact, expanded };

struct ChoiceRule {
    std::string_view source;
    std::array<std::string_view, 2> targets;
    std::size_t target_count;
    std::optional<std::string_view> target_text;  // none: the target stays empty
    Layout layout;
};

inline constexpr std::string_view tm06 = "ETRS89 TM06";
inline constexpr std::string_view utm26 = "UTM 26 ITRF93";

inline constexpr std::array choice_rules = {
    ChoiceRule{"Hayford-Gauss Datum 73", {tm06}, 1, tm06, Layout::compact},
    ChoiceRule{"Hayford-Gauss Datum Lisboa-Ponto Central", {tm06}, 1, tm06, Layout::compact},
    ChoiceRule{"Açores - G.Oriental - UTM 26 S. Bráz", {utm26}, 1, utm26, Layout::compact},
    ChoiceRule{"Açores - Faial - UTM 26 Base SW", {utm26}, 1, utm26, Layout::compact},
    ChoiceRule{"Açores - Graciosa - UTM 26 Base SW", {utm26}, 1, utm26, Layout::compact},
    ChoiceRule{"Açores - Pico - UTM 26 Base SW", {utm26}, 1, utm26, Layout::compact},
    ChoiceRule{"Açores - São Jorge - UTM 26 Base SW", {utm26}, 1, utm26, Layout::compact},
    ChoiceRule{"Açores - Terceira - UTM 26 Base SW", {utm26}, 1, utm26, Layout::compact},
    ChoiceRule{"Açores - G.Ocidental - UTM 25 Observatório", {"UTM 25 ITRF93"}, 1, "UTM 25 ITRF93",
               Layout::compact},
    ChoiceRule{"Madeira - UTM 28 Base SE", {"UTM 28 ITRF93"}, 1, "UTM 28 ITRF93", Layout::compact},
    ChoiceRule{"ETRS89 TM06", {"Hayford-Gauss Datum 73", "Hayford-Gauss Datum Lisboa-Ponto Central"}, 2,
               std::nullopt, Layout::compact},
    ChoiceRule{"Qualquer", {"Qualquer"}, 1, "Qualquer", Layout::expanded},
};

// Exact, case- and accent-sensitive, untrimmed; nullptr for a name no rule has.
constexpr const ChoiceRule* find_choice_rule(std::string_view source) {
    for (const ChoiceRule& rule : choice_rules)
        if (rule.source == source) return &rule;
    return nullptr;
}

static_assert([] {
    for (std::string_view source : source_systems)
        if (find_choice_rule(source) == nullptr) return false;
    return true;
}(), "every entry of the source list has a rule");

// The window spells the names out as its list shows them; they must be the
// engine's names to the letter, or the job would not know them.
static_assert([] {
    for (const ChoiceRule& rule : choice_rules) {
        if (!find_system(rule.source)) return false;
        for (std::size_t i = 0; i < rule.target_count; ++i)
            if (!find_system(rule.targets[i])) return false;
    }
    return true;
}(), "every name the window offers is a reference system");

}  // namespace tesra::ui
