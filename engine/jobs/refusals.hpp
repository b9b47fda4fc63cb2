// What a front end says after a refused job whose own messages leave the
// user guessing: that two systems the program knows have no transformation
// between them, or which known names a name the program does not know is
// closest to. The command line and the window say it in the same words.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "geodesy/systems.hpp"
#include "jobs/job.hpp"

namespace tesra {

// Lower case without accents (UTF-8 letters of Latin-1) and without the
// blanks around it: the form in which typed names are compared.
[[nodiscard]] std::string folded_name(std::string_view text);

// "Não há transformação de "source" para "target"."
[[nodiscard]] std::string no_route_message(std::string_view source, std::string_view target);

// The known systems closest to `text`, ignoring case, accents and the blanks
// around it: a close part of a name or a whole alias counts, the whole name
// breaks ties. Up to three, all as close as the first.
[[nodiscard]] std::vector<const SystemInfo*> closest_systems(std::string_view text);

// "Sistema desconhecido: "text". Será "A" ou "B"?", each name followed by
// its alias when with_aliases (the command line takes them, the window not).
[[nodiscard]] std::string unknown_system_message(std::string_view text, bool with_aliases);

// What to add after a job ended with `outcome` on these two names.
// extended_routes: the front end runs the command line's own routes.
struct RefusalNotes {
    bool no_route = false;        // both names known, nothing between them
    bool unknown_source = false;  // a source typed that no system bears
    bool unknown_target = false;  // as much for the target, when it matters
};
[[nodiscard]] RefusalNotes refusal_notes(std::string_view source, std::string_view target, JobOutcome outcome,
                                         bool extended_routes);

// The notes in words, in the order they are shown; see_also ends each line
// of suggested names.
[[nodiscard]] std::vector<std::string> refusal_lines(std::string_view source, std::string_view target,
                                                     const RefusalNotes& notes, bool with_aliases,
                                                     std::string_view see_also = {});

}  // namespace tesra
