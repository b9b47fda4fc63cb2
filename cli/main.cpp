// tesra-cli: the transformation job from the command line, for scripts and
// batch use. Exit status 0 when the output was written, 1 when the job was
// refused or failed (in a batch: any of its files), 2 for a usage error, 3
// when it was written with faulty points left out.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "console_services.hpp"
#include "files/output_file.hpp"
#include "geodesy/systems.hpp"
#include "console_start.hpp"
#include "jobs/extended_routes.hpp"
#include "jobs/job.hpp"
#include "jobs/refusals.hpp"
#include "locale_separator.hpp"
#include "options.hpp"
#include "os.hpp"
#include "jobs/routes.hpp"
#include "signals.hpp"
#include "standard_streams.hpp"
#include "text/errors.hpp"

namespace {

void print_route(int number, std::string_view source, std::string_view target,
                 std::span<const tesra::RouteStep> steps, std::string_view accuracy) {
    std::string names, methods;
    for (const tesra::RouteStep& step : steps) {
        names += (names.empty() ? "" : ", ") + tesra::step_name(step);
        const std::string_view method = tesra::step_method(step);
        if (methods.find(method) == std::string::npos) methods += (methods.empty() ? "" : ", depois ") + std::string(method);
    }
    const std::string head = std::to_string(number) + ". " + std::string(source) + " --> " + std::string(target) + ": ";
    std::fputs(tesra::cli::wrap(head + names, "  ", "      ").c_str(), stdout);
    std::fputs(tesra::cli::wrap(methods, "      ", "      ").c_str(), stdout);
    std::fputs(tesra::cli::wrap("exatidão: " + std::string(accuracy), "      ", "      ").c_str(), stdout);
}

void print_list() {
    std::puts("Sistemas (abreviatura, código EPSG: nome; área de uso, com 10 km à volta):");
    for (const tesra::SystemInfo& s : tesra::systems) {
        const std::string code = s.epsg ? "EPSG:" + std::to_string(s.epsg) : "-";
        std::printf("  %-13.*s %-11s %.*s\n", static_cast<int>(s.alias.size()), s.alias.data(), code.c_str(),
                    static_cast<int>(s.name.size()), s.name.data());
        if (s.area && s.geographic) {
            std::printf("%28s área: lat. %.2f a %.2f, long. %.2f a %.2f\n", "", s.area->m_min,
                        s.area->m_max, s.area->p_min, s.area->p_max);
        } else if (s.area) {
            std::printf("%28s área: M %.0f a %.0f, P %.0f a %.0f\n", "", s.area->m_min, s.area->m_max, s.area->p_min,
                        s.area->p_max);
        } else if (s.system == tesra::System::wgs84) {
            std::printf("%28s área: a de etrs89geo ou ptra08geo (o destino diz)\n", "");
        }
    }
    std::puts("\nTransformações (origem --> destino: rotinas; método; exatidão medida contra o\nPROJ):");
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
    std::puts("\nLatitude e longitude (graus), UTM 29 e WGS 84, também só na linha de comandos:");
    for (const tesra::ExtendedRoute& r : tesra::geographic_routes) {
        print_route(number++, tesra::system_name(r.source), tesra::system_name(r.target),
                    std::span(r.steps).first(r.step_count), r.accuracy);
    }
}

// The services of one file of a batch: every message is a whole line that
// names the file, written at once, so that jobs running side by side never
// mix inside a line.
class BatchServices final : public tesra::Services {
public:
    BatchServices(std::string_view input, std::mutex& lock, bool quiet)
        : input_(tesra::shown_name(input)), lock_(lock), quiet_(quiet) {}
    void message_box(std::string_view prompt, std::optional<std::string_view>) override {
        put(stderr, input_ + ": " + std::string(prompt) + "\n");
    }
    void completion_message(std::string_view prompt, std::string_view) override {
        if (!quiet_) put(stdout, std::string(prompt) + "\n");
    }
    void set_pointer(tesra::Pointer) override {}
    void end_program() override {}

private:
    void put(std::FILE* stream, const std::string& line) {
        const std::lock_guard<std::mutex> hold(lock_);
        std::fwrite(line.data(), 1, line.size(), stream);
        std::fflush(stream);
    }
    std::string input_;
    std::mutex& lock_;
    bool quiet_;
};

// Beside a csv written to a file, the target system's definition as a
// .prj, which GIS programs read to place the table. A generic route's
// target is whatever its parameters make it: it has none, and an older
// one there would claim a system the points are not in.
bool write_projection(const tesra::cli::Options& o, const std::string& output, tesra::Services& services) {
    std::error_code ec;
    if (o.format != tesra::OutputFormat::csv || !std::filesystem::is_regular_file(output, ec)) return true;
    const std::string prj = tesra::cli::projection_path(output);
    // A file the user gave the job (an input of the batch, a parameter
    // file, the rejects) that happens to bear the .prj's name is theirs:
    // neither replaced nor removed.
    const tesra::os::Status prj_status = tesra::os::status(prj);
    if (prj_status.kind != tesra::os::Kind::none) {
        std::vector<std::string> theirs = o.inputs;
        for (const std::string* path : {&o.input, &o.param_x, &o.param_y, &o.rejects}) {
            if (!path->empty()) theirs.push_back(*path);
        }
        for (const std::string& path : theirs) {
            const tesra::os::Status st = tesra::os::status(path);
            if (st.kind != tesra::os::Kind::none && st.identity == prj_status.identity) return true;
        }
    }
    const std::optional<tesra::System> to = tesra::find_system(o.to);
    const tesra::SystemInfo* target = to ? &tesra::systems[static_cast<std::size_t>(*to)] : nullptr;
    if (o.from == tesra::system_name(tesra::System::qualquer) || target == nullptr || target->wkt.empty()) {
        if (tesra::os::link_status(prj).kind == tesra::os::Kind::regular) tesra::os::remove(prj);
        return true;
    }
    try {
        tesra::OutputFile file(prj, tesra::OutputFile::Mode::replace);
        file.write(target->wkt);
        file.close();
        return true;
    } catch (const tesra::TesraError& e) {
        services.message_box(e.what(), {});
        return false;
    }
}

// The routes of the command line alone are resolved before the job; every
// other pair goes to the job as the window would send it.
tesra::JobOutcome run_one(const tesra::cli::Options& o, const tesra::JobRequest& request, tesra::Environment& env,
                          const tesra::JobOptions& options) {
    const std::optional<tesra::System> from = tesra::find_system(o.from), to = tesra::find_system(o.to);
    const tesra::ExtendedRoute* extended = from && to ? tesra::find_extended_route(*from, *to) : nullptr;
    return extended ? tesra::run_extended_job(request, *extended, env, options) : tesra::run_job(request, env, options);
}

// The request of one input: every file of a batch is read as the options say.
tesra::JobRequest request_for(const tesra::cli::Options& o, std::string input, std::string output) {
    return {o.from, o.to, std::move(input), std::move(output), o.param_x, o.param_y, o.dialect};
}

// `files_at_once`: files of a batch transformed side by side, which share
// the processors between them.
tesra::JobOptions job_options(const tesra::cli::Options& o, std::size_t files_at_once = 1) {
    tesra::JobOptions options;
    options.chunks.threads = o.threads != 0 ? o.threads : files_at_once > 1 ? 1 : tesra::os::available_cores();
    options.output_options.format = o.format;
    options.output_options.precision = o.precision;
    options.output_options.angles = o.angles;
    options.skip_faulty_points = o.skip_faulty_points;
    options.stop_outside_area = o.stop_outside_area;
    options.rejects = o.rejects;
    return options;
}

// Every input of the batch into the output folder, some at a time. Each
// job is the single job's, with its messages naming its file.
int run_batch(const tesra::cli::Options& o, const std::string& grid_dir, char separator) {
    // An output that is, through links, an input of the batch would be
    // overwritten before it is read, or read half made: the whole batch is
    // refused before any file is written.
    std::vector<std::pair<tesra::os::Identity, const std::string*>> inputs;
    for (const std::string& input : o.inputs) {
        if (const tesra::os::Status st = tesra::os::status(input); st.kind == tesra::os::Kind::regular) {
            inputs.emplace_back(st.identity, &input);
        }
    }
    for (const std::string& input : o.inputs) {
        const std::string output = tesra::cli::batch_output_path(*o.output_dir, input, o.format);
        const tesra::os::Status st = tesra::os::status(output);
        if (st.kind != tesra::os::Kind::regular) continue;
        const auto same =
            std::find_if(inputs.begin(), inputs.end(), [&](const auto& i) { return i.first == st.identity; });
        if (same == inputs.end()) continue;
        const std::string& other = *same->second;
        std::fprintf(stderr, "tesra-cli: a saída \"%s\" é, por ligações, o ficheiro de entrada \"%s\" do lote; "
                     "escolha outra pasta\n", tesra::shown_name(output).c_str(), tesra::shown_name(other).c_str());
        return 2;
    }
    std::error_code ec;
    std::filesystem::create_directories(tesra::os::to_fs_path(*o.output_dir), ec);
    if (ec) {
        std::fprintf(stderr, "Não foi possível criar a pasta \"%s\": %s\n", tesra::shown_name(*o.output_dir).c_str(),
                     ec.message().c_str());
        return 1;
    }
    // The table of temporary names a signal clears holds 64 at a time.
    const unsigned cores = tesra::os::available_cores();
    const std::size_t workers = std::min<std::size_t>({o.jobs != 0 ? o.jobs : cores, o.inputs.size(), 64});
    std::mutex lock;
    std::atomic<std::size_t> next{0}, written{0}, with_skips{0};
    auto work = [&] {
        for (std::size_t i = next++; i < o.inputs.size(); i = next++) {
            const std::string& input = o.inputs[i];
            BatchServices services(input, lock, o.quiet);
            tesra::Environment env{services, grid_dir, separator};
            const tesra::JobRequest request =
                request_for(o, input, tesra::cli::batch_output_path(*o.output_dir, input, o.format));
            const tesra::JobOutcome outcome = run_one(o, request, env, job_options(o, workers));
            if (outcome == tesra::JobOutcome::target_not_served) {
                services.message_box(tesra::no_route_message(o.from, o.to), {});
            }
            const bool done = outcome == tesra::JobOutcome::completed || outcome == tesra::JobOutcome::completed_with_skips;
            if (done && write_projection(o, request.output, services)) ++written;
            if (done && outcome == tesra::JobOutcome::completed_with_skips) ++with_skips;
        }
    };
    std::vector<std::thread> threads;
    for (std::size_t t = 1; t < workers; ++t) threads.emplace_back(work);
    work();
    for (std::thread& t : threads) t.join();
    const std::size_t failed = o.inputs.size() - written;
    std::string summary = "Ficheiros criados: " + std::to_string(written.load());
    if (with_skips != 0) summary += " (" + std::to_string(with_skips.load()) + " com pontos deixados de fora)";
    summary += "; com falha: " + std::to_string(failed) + ".\n";
    if (!o.quiet || failed != 0 || with_skips != 0) std::fputs(summary.c_str(), stderr);
    return failed != 0 ? 1 : with_skips != 0 ? 3 : 0;
}

// A rejects file that would take the output's or the input's place, or be
// written into the same file or stream as the output: the usage error, or
// nothing.
std::string rejects_error(const tesra::cli::Options& o) {
    if (o.rejects.empty()) return {};
    const bool input_is_stream = o.input == "-";
    if (o.rejects == o.output || tesra::same_destination(o.rejects, o.output)) {
        return "--rejects leva ao mesmo ficheiro ou canal que a SAÍDA (\"" + tesra::shown_name(o.rejects) +
               "\"); escolha outro";
    }
    if (input_is_stream ? tesra::standard_stream_of(o.rejects) == STDIN_FILENO
                        : o.rejects == o.input || tesra::same_destination(o.rejects, o.input)) {
        return "--rejects é o próprio ficheiro de ENTRADA (\"" + tesra::shown_name(o.rejects) + "\"); escolha outro";
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    // Before any file is opened, so that none takes the place of a closed
    // standard stream.
    tesra::keep_standard_streams_taken();
    tesra::clean_up_on_signals();
    const std::vector<std::string> command_line = tesra::start_console(argc, argv);
    std::vector<std::string_view> args(command_line.begin() + (command_line.empty() ? 0 : 1), command_line.end());
    const tesra::cli::ParseResult parsed = tesra::cli::parse_options(args);
    if (!parsed.options) {
        std::fprintf(stderr, "tesra-cli: %s\nVer tesra-cli --help.\n", parsed.error.c_str());
        return 2;
    }
    const tesra::cli::Options& o = *parsed.options;
    if (o.help || o.version || o.list) tesra::stop_when_standard_output_closes();
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

    const std::string grid_dir = o.grid_dir ? *o.grid_dir : tesra::os::executable_folder();
    const char separator = o.decimal_separator ? *o.decimal_separator : tesra::locale_decimal_separator();
    if (o.output_dir) return run_batch(o, grid_dir, separator);

    if (const std::string error = rejects_error(o); !error.empty()) {
        std::fprintf(stderr, "tesra-cli: %s\nVer tesra-cli --help.\n", error.c_str());
        return 2;
    }
    // Standard output carries the output alone; the completion message
    // then goes with the others.
    const bool to_stdout = tesra::leads_to_standard_output(o.output);
    // A filter ends when its reader goes; a completion line alone on a
    // closed standard output is lost as a message to a closed standard
    // error would be, and the file is there all the same.
    if (to_stdout) tesra::stop_when_standard_output_closes();
    tesra::ConsoleServices services(stderr, o.quiet ? nullptr : to_stdout ? stderr : stdout);
    tesra::Environment env{services, grid_dir, separator};
    const tesra::JobRequest request = request_for(o, o.input == "-" ? "entrada padrão" : o.input,
                                                  o.output == "-" ? "saída padrão" : o.output);
    tesra::JobOptions options = job_options(o);
    if (o.input == "-") options.input_stream = STDIN_FILENO;
    if (to_stdout) options.output_stream = STDOUT_FILENO;
    // Rejected points sent to standard output or error go onto the stream
    // the shell set up, after what it already holds.
    if (const int stream = o.rejects.empty() ? -1 : tesra::standard_stream_of(o.rejects);
        stream == STDOUT_FILENO || stream == STDERR_FILENO) {
        options.rejects_stream = stream;
    }
    tesra::JobOutcome outcome = run_one(o, request, env, options);
    const bool written = outcome == tesra::JobOutcome::completed || outcome == tesra::JobOutcome::completed_with_skips;
    if (written && !to_stdout && !write_projection(o, o.output, services)) outcome = tesra::JobOutcome::failed;
    for (const std::string& line : tesra::refusal_lines(o.from, o.to, tesra::refusal_notes(o.from, o.to, outcome, true),
                                                        true, " Ver tesra-cli --list.")) {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    switch (outcome) {
    case tesra::JobOutcome::completed: return 0;
    case tesra::JobOutcome::completed_with_skips: return 3;
    case tesra::JobOutcome::target_not_served: return 1;
    case tesra::JobOutcome::refused:
    case tesra::JobOutcome::failed:
    case tesra::JobOutcome::stopped:
    case tesra::JobOutcome::cancelled: return 1;
    }
    return 1;
}
