// tesra-cli: the transformation job from the command line, for scripts and
// batch use. Exit status 0 when the report was written, 1 when the job was
// refused or failed, 2 for a usage error.
#include <cstdio>
#include <string>
#include <vector>

#include "console_services.hpp"
#include "executable_dir.hpp"
#include "job.hpp"
#include "locale_separator.hpp"
#include "options.hpp"
#include "routes.hpp"
#include "signals.hpp"

namespace {

void print_list() {
    std::puts("Sistemas (abreviatura: nome):");
    for (const tesra::SystemInfo& s : tesra::systems) {
        std::printf("  %-13.*s %.*s\n", static_cast<int>(s.alias.size()), s.alias.data(), static_cast<int>(s.name.size()),
                    s.name.data());
    }
    std::puts("\nTransformações (origem --> destino: rotinas):");
    int number = 1;
    for (const tesra::TransformationRoute& r : tesra::route_table) {
        std::string line = std::to_string(number++) + ". " + std::string(tesra::system_name(r.source)) + " --> " +
                           (r.target ? std::string(tesra::system_name(*r.target)) : std::string("(qualquer destino)")) +
                           ": " + std::string(tesra::routine_info(r.first).name);
        if (r.second) line += ", " + std::string(tesra::routine_info(*r.second).name);
        std::printf("  %s\n", line.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    const tesra::cli::ParseResult parsed = tesra::cli::parse_options(args);
    if (!parsed.options) {
        std::fprintf(stderr, "tesra-cli: %s\n\n%s", parsed.error.c_str(), tesra::cli::usage_text().c_str());
        return 2;
    }
    const tesra::cli::Options& o = *parsed.options;
    if (o.help) {
        std::fputs(tesra::cli::usage_text().c_str(), stdout);
        return 0;
    }
    if (o.version) {
        std::puts("tesra-cli " TESRA_VERSION);
        return 0;
    }
    if (o.list) {
        print_list();
        return 0;
    }

    tesra::clean_up_on_signals();
    tesra::ConsoleServices services;
    tesra::Environment env{services, o.grid_dir ? *o.grid_dir : tesra::executable_dir(),
                           o.decimal_separator ? *o.decimal_separator : tesra::locale_decimal_separator()};
    const tesra::JobRequest request{o.from, o.to, o.input, o.output, o.param_x, o.param_y, o.dialect};
    switch (tesra::run_job(request, env)) {
    case tesra::JobOutcome::completed: return 0;
    case tesra::JobOutcome::target_not_served:
        std::fprintf(stderr, "Não há transformação de \"%s\" para \"%s\".\n", o.from.c_str(), o.to.c_str());
        return 1;
    case tesra::JobOutcome::refused:
    case tesra::JobOutcome::failed:
    case tesra::JobOutcome::stopped: return 1;
    }
    return 1;
}
