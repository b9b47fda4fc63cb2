// tesra-cli: the transformation job from the command line, for scripts and
// batch use. Exit status 0 when the report was written, 1 when the job was
// refused or failed, 2 for a usage error.
#include <array>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "console_services.hpp"
#include "executable_dir.hpp"
#include "extended_routes.hpp"
#include "job.hpp"
#include "locale_separator.hpp"
#include "options.hpp"
#include "routes.hpp"
#include "signals.hpp"

namespace {

void print_route(int number, std::string_view source, std::string_view target,
                 std::span<const tesra::RouteStep> steps, std::string_view accuracy) {
    std::string names, methods;
    for (const tesra::RouteStep& step : steps) {
        names += (names.empty() ? "" : ", ") + tesra::step_name(step);
        const std::string_view method = tesra::step_method(step);
        if (methods.find(method) == std::string::npos) methods += (methods.empty() ? "" : ", depois ") + std::string(method);
    }
    std::printf("  %d. %.*s --> %.*s: %s\n      %s; exatidão: %.*s\n", number, static_cast<int>(source.size()),
                source.data(), static_cast<int>(target.size()), target.data(), names.c_str(), methods.c_str(),
                static_cast<int>(accuracy.size()), accuracy.data());
}

void print_list() {
    std::puts("Sistemas (abreviatura, código EPSG: nome):");
    for (const tesra::SystemInfo& s : tesra::systems) {
        const std::string code = s.epsg ? "EPSG:" + std::to_string(s.epsg) : "-";
        std::printf("  %-13.*s %-11s %.*s\n", static_cast<int>(s.alias.size()), s.alias.data(), code.c_str(),
                    static_cast<int>(s.name.size()), s.name.data());
    }
    std::puts("\nTransformações (origem --> destino: rotinas; método; exatidão medida contra o PROJ):");
    int number = 1;
    for (std::size_t i = 0; i < tesra::route_table.size(); ++i) {
        const tesra::TransformationRoute& r = tesra::route_table[i];
        const std::array<tesra::RouteStep, 2> steps = {tesra::route_steps::run(r.first),
                                                       tesra::route_steps::run(r.second.value_or(r.first))};
        print_route(number++, tesra::system_name(r.source),
                    r.target ? tesra::system_name(*r.target) : "(qualquer destino)",
                    std::span(steps).first(r.second ? 2 : 1), tesra::route_table_accuracy[i]);
    }
    std::puts("\nSó na linha de comandos:");
    for (const tesra::ExtendedRoute& r : tesra::extended_routes) {
        print_route(number++, tesra::system_name(r.source), tesra::system_name(r.target),
                    std::span(r.steps).first(r.step_count), r.accuracy);
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
    const tesra::JobRequest request{o.from, o.to, o.input, o.output, o.param_x, o.param_y};
    // The routes of the command line alone are resolved before the job;
    // every other pair goes to the job as the window would send it.
    const std::optional<tesra::System> from = tesra::find_system(o.from), to = tesra::find_system(o.to);
    const tesra::ExtendedRoute* extended = from && to ? tesra::find_extended_route(*from, *to) : nullptr;
    const tesra::JobOutcome outcome =
        extended ? tesra::run_extended_job(request, *extended, env) : tesra::run_job(request, env);
    if (outcome == tesra::JobOutcome::refused || outcome == tesra::JobOutcome::target_not_served) {
        if (outcome == tesra::JobOutcome::target_not_served) {
            std::fprintf(stderr, "Não há transformação de \"%s\" para \"%s\".\n", o.from.c_str(), o.to.c_str());
        }
        if (!from) std::fprintf(stderr, "%s\n", tesra::cli::suggest_systems(o.from).c_str());
        if (from != tesra::System::qualquer && !to && !o.to.empty()) {
            std::fprintf(stderr, "%s\n", tesra::cli::suggest_systems(o.to).c_str());
        }
    }
    switch (outcome) {
    case tesra::JobOutcome::completed: return 0;
    case tesra::JobOutcome::target_not_served: return 1;
    case tesra::JobOutcome::refused:
    case tesra::JobOutcome::failed:
    case tesra::JobOutcome::stopped: return 1;
    }
    return 1;
}
