#include "jobs/job.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "jobs/extended_routes.hpp"
#include "files/point_file.hpp"
#include "geodesy/grid_file.hpp"
#include "jobs/report.hpp"
#include "jobs/routes.hpp"

namespace tesra {

namespace {

// A path as the checks below compare it: what stat says of it, asked once,
// and its normalised absolute form, worked out only if a comparison needs it.
class PathIdentity {
public:
    explicit PathIdentity(const std::string& path) : path_(path) {
        exists_ = ::stat(path.c_str(), &st_) == 0;
        missing_ = !exists_ && errno == ENOENT;
    }
    PathIdentity(const PathIdentity&) = delete;
    PathIdentity& operator=(const PathIdentity&) = delete;

    // Whether two path texts name the same file, however spelt: the same
    // inode when both exist, else the same normalised absolute path. A path
    // that leads nowhere is not a file that exists (writing through it would
    // create a new one).
    bool same_file(PathIdentity& other) {
        if (exists_ && other.exists_) return st_.st_dev == other.st_.st_dev && st_.st_ino == other.st_.st_ino;
        if ((missing_ && other.exists_) || (exists_ && other.missing_)) return false;
        const std::filesystem::path* a = canonical();
        const std::filesystem::path* b = other.canonical();
        return a != nullptr && b != nullptr && *a == *b;
    }

private:
    const std::filesystem::path* canonical() {
        if (!canonical_done_) {
            canonical_done_ = true;
            std::error_code ec;
            canonical_ = std::filesystem::weakly_canonical(std::filesystem::absolute(follow_links(path_), ec), ec);
            canonical_ok_ = !ec;
        }
        return canonical_ok_ ? &canonical_ : nullptr;
    }

    std::string path_;
    struct stat st_ {};
    bool exists_ = false;
    bool missing_ = false;
    bool canonical_done_ = false;
    bool canonical_ok_ = false;
    std::filesystem::path canonical_;
};

// Refuses, before any file is touched, an output that would take the place
// of the user's input or parameters or of the program's grids.
bool path_is_safe(const JobRequest& request, const JobOptions& options, PathIdentity& fich3_id,
                  const std::string& fich3, const std::string& what, bool generic, const std::string& grid_dir,
                  Services& services) {
    auto refuse = [&](const std::string& message) {
        services.message_box(message);
        return false;
    };
    const std::string output = what + " (\"" + fich3 + "\") ";
    if (options.input_stream < 0) {
        PathIdentity input_id(request.input);
        if (fich3_id.same_file(input_id)) {
            return refuse(output + "é o próprio ficheiro de entrada. Escolha outro nome.");
        }
    }
    if (generic) {
        for (const std::string* parameters : {&request.param_x, &request.param_y}) {
            PathIdentity parameter_id(*parameters);
            if (fich3_id.same_file(parameter_id)) {
                return refuse(output + "é um dos ficheiros de parâmetros. Escolha outro nome.");
            }
        }
    }
    // The grids serve every later run: a report must never take their place.
    for (const RoutineInfo& routine : routines) {
        if (routine.grid == nullptr) continue;
        for (std::string_view name : {routine.grid->m_file, routine.grid->p_file}) {
            PathIdentity grid_id(grid_file_path(grid_dir, name));
            if (fich3_id.same_file(grid_id)) {
                return refuse(output + "é um dos ficheiros de grelha do programa. Escolha outro nome.");
            }
        }
    }
    return true;
}

// The same holds for the file of rejected points, which also must not be
// the output.
bool paths_are_safe(const JobRequest& request, const JobOptions& options, bool generic, const std::string& grid_dir, Services& services) {
    PathIdentity output_id(request.output);
    if (options.output_stream < 0 && !path_is_safe(request, options, output_id, request.output,
                                                   "O ficheiro ASCII no Sistema 2", generic, grid_dir, services)) {
        return false;
    }
    if (options.rejects.empty()) return true;
    const std::string rejects = "O ficheiro dos pontos deixados de fora";
    PathIdentity rejects_id(options.rejects);
    if (options.output_stream < 0 && rejects_id.same_file(output_id)) {
        services.message_box(rejects + " (\"" + options.rejects + "\") é o próprio ficheiro de saída. Escolha outro nome.");
        return false;
    }
    return path_is_safe(request, options, rejects_id, options.rejects, rejects, generic, grid_dir, services);
}

// Where the intermediates go: beside the output, which the job may write,
// unless the output is a stream (a device, a pipe); "" for the system's
// temporary folder.
std::string intermediate_dir(const JobRequest& request, const JobOptions& options) {
    const std::string& output = request.output;
    struct stat st {};
    if (options.output_stream >= 0 || (::stat(output.c_str(), &st) == 0 && !S_ISREG(st.st_mode))) return "";
    const std::size_t slash = output.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : output.substr(0, slash);
}

// Whether the output is a file that appears whole or not at all (a regular
// file, or none yet), so that the last step may write it as it goes: a
// failing step then leaves nothing. A stream, a device or a FIFO gets it
// only once every step has succeeded.
bool output_appears_whole(const JobRequest& request, const JobOptions& options) {
    if (options.output_stream >= 0) return false;
    struct stat st {};
    if (::stat(request.output.c_str(), &st) == 0) return S_ISREG(st.st_mode);
    return errno == ENOENT;
}

// The job's output as the last step's records arrive. A fault in creating
// it waits until close(), so that a fault in the points, found later in the
// step, is the one reported, as it is when the output is written after the
// steps.
class OutputSink final : public RecordSink {
public:
    OutputSink(const PointFile& output, const OutputOptions& options, std::string_view source,
               std::string_view target, bool utf8) {
        try {
            writer_.emplace(output, options, source, target, utf8);
        } catch (const TesraError& e) {
            fault_.emplace(e);
        }
    }
    void write(const PointRecord& record) override {
        if (writer_) writer_->write(record);
    }
    [[nodiscard]] bool formats_apart() const noexcept override { return writer_ && writer_->formats_apart(); }
    void format(const PointRecord& record, ByteBlock& block) const override { writer_->format(record, block); }
    void write_bytes(std::string_view bytes) override { writer_->write_bytes(bytes); }
    void close() {
        if (fault_) throw *fault_;
        writer_->close();
    }

private:
    std::optional<OutputWriter> writer_;  // destroyed unclosed: the output is discarded
    std::optional<TesraError> fault_;
};

// What an intermediate file gives back for x: its written form, read.
// False for what the file could not carry.
bool carry(double x, double& back) noexcept {
    if (!(std::fabs(x) <= largest_written_number)) return false;
    back = written_value(x);
    return true;
}

// Whether a route's steps may run as one pass: more than one step, an
// output written by the last step, and nothing that needs the steps one by
// one (points left out and named, an input that cannot be read twice, an
// encoding settled only at the input's end, a spreadsheet dialect), on an
// input large enough for the saving to matter.
bool steps_in_one_pass(const JobRequest& request, std::size_t steps, const JobOptions& options, bool one_pass) {
    const PointFileDialect& d = request.dialect;
    if (steps < 2 || !one_pass || options.skip_faulty_points || !options.rejects.empty() || options.input_stream >= 0 ||
        d.separator != PointFileDialect::Separator::comma || d.encoding == PointFileDialect::Encoding::automatic) {
        return false;
    }
    struct stat st {};
    return ::stat(request.input.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           static_cast<std::uint64_t>(st.st_size) >= options.one_pass_route_bytes;
}

// The steps as one pass over the input: each point carried from step to
// step in memory as an intermediate file carries it (its written form read
// back), the output written by the last step. Dropped, leaving nothing and
// showing nothing, at the first thing out of the ordinary (a fault, a point
// a step refuses): the steps then run one by one and report it as they
// always do. True when the output is complete.
bool run_in_one_pass(const JobRequest& request, std::span<const RouteStep> steps, Environment& env,
                     const JobOptions& options, const OutputOptions& form) {
    TransformationJob job;
    job.fich_par_m = request.param_x;
    job.fich_par_p = request.param_y;
    std::vector<PointStep> ready;
    try {
        for (const RouteStep& step : steps) ready.emplace_back(step, job, env);
    } catch (const TesraError&) {
        return false;
    }
    const BusyPointer busy(env.services);
    ReadProgress progress(env.services, 1);
    PointFileDialect dialect = request.dialect;
    PointFile input(request.input, nullptr, &progress, &dialect);
    input.chunks = options.chunks;
    OutputSink sink(PointFile(request.output), form, request.source, request.target,
                    dialect.encoding == PointFileDialect::Encoding::utf8);
    PointFile output(request.output);
    output.sink = &sink;
    try {
        const LoopEnd end = transform_point_file(input, output, [&ready](double m, double p, double& m_out, double& p_out) {
            for (std::size_t i = 0;; ++i) {
                if (!ready[i].apply(m, p, m_out, p_out)) return false;
                if (i + 1 == ready.size()) return true;
                if (!carry(m_out, m) || !carry(p_out, p)) return false;
            }
        });
        if (end.stopped) return false;
        sink.close();
        return true;
    } catch (const TesraError&) {
        return false;
    }
}

// Standard input read whole into `copy`, so that it can be read again.
void copy_stream(const PointFile& from, const PointFile& copy) {
    OutputFile out(copy);
    std::vector<char> buffer(std::size_t{64} << 10);
    for (;;) {
        const ssize_t n = ::read(from.stream_fd, buffer.data(), buffer.size());
        if (n > 0) {
            out.write({buffer.data(), static_cast<std::size_t>(n)});
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            throw file_error(from.path, 1, std::string("erro de leitura (") + std::strerror(errno) + ")");
        }
    }
    out.close();
}

// The points the second routine left out, renumbered as records of the
// input (the first routine's skips are not in its file), merged with the
// first routine's.
std::vector<SkippedPoints::Point> skipped_in_input(const SkippedPoints& first, const SkippedPoints& second) {
    std::vector<SkippedPoints::Point> renumbered;
    std::size_t j = 0;
    for (SkippedPoints::Point point : second.points) {
        point.ordinal += j;
        while (j < first.points.size() && first.points[j].ordinal <= point.ordinal) {
            ++point.ordinal;
            ++j;
        }
        renumbered.push_back(point);
    }
    std::vector<SkippedPoints::Point> all(first.points.size() + renumbered.size());
    std::merge(first.points.begin(), first.points.end(), renumbered.begin(), renumbered.end(), all.begin(),
               [](const auto& a, const auto& b) { return a.ordinal < b.ordinal; });
    return all;
}

// Names every point left out, by its line in the input, and writes them,
// as read, to the rejects file when there is one.
void report_skipped(const PointFile& input, const std::vector<SkippedPoints::Point>& skipped,
                    const std::string& rejects, Services& services) {
    FieldReader in(input);
    std::optional<OutputFile> out;
    if (!rejects.empty()) out.emplace(rejects, OutputFile::Mode::replace);
    PointRecord record;
    std::size_t next = 0;
    for (std::uint64_t ordinal = 0; next < skipped.size() && in.read_record(record); ++ordinal) {
        if (skipped[next].ordinal != ordinal) continue;
        const PointFault fault = skipped[next++].fault;
        const char* why = fault == PointFault::outside_grid ? "está fora dos limites da grelha"
                          : fault == PointFault::no_data    ? "está junto de um nó da grelha sem valor"
                          : fault == PointFault::no_inverse ? "o polinómio inverso não converge para ele"
                                                            : "dá coordenadas que não são números finitos";
        services.message_box("Ficheiro \"" + input.path + "\", linha " + std::to_string(in.line()) + ": o ponto " +
                             quote_excerpt(record.name) + " foi deixado de fora: " + why + ".");
        if (out) write_record(*out, record.name, record.m, record.p);
    }
    if (out) out->close();
    if (skipped.empty()) return;
    services.message_box("Pontos deixados de fora: " + std::to_string(skipped.size()) +
                         (rejects.empty() ? "." : " (guardados em \"" + rejects + "\")."));
}

// The checks every job makes before anything else: up to four messages.
bool request_is_complete(const JobRequest& request, bool generic, Services& services) {
    bool refused = false;
    auto check = [&](bool holds, std::string_view message) {
        if (!holds) return;
        services.message_box(message);
        refused = true;
    };
    const std::string& source = request.source;
    check(!source.empty() && request.input.empty(), "Escolher o ficheiro ASCII no Sistema 1!!");
    check(!source.empty() && request.output.empty(), "Definir o ficheiro ASCII no Sistema 2!!");
    check(generic && request.param_x.empty(), "Definir o ficheiro de parâmetros em X!!");
    check(generic && request.param_y.empty(), "Definir o ficheiro de parâmetros em Y!!");
    return !refused;
}

// Runs the steps in turn, each reading what the one before wrote, and
// writes the output of the last.
JobOutcome run_steps(const JobRequest& request, std::span<const RouteStep> steps, bool generic, Environment& env,
                     const JobOptions& options) {
    Services& services = env.services;
    if (!paths_are_safe(request, options, generic, env.grid_dir, services)) return JobOutcome::refused;
    if (struct stat st {}; options.output_stream < 0 && ::stat(request.output.c_str(), &st) == 0 &&
                           S_ISREG(st.st_mode) && !services.replace_existing(request.output)) {
        return JobOutcome::refused;
    }

    RoutineStatus status = RoutineStatus::failed;
    std::size_t skips = 0;
    bool cancelled = false;
    {
        // The official routines leave the busy pointer on; this restores it.
        BusyPointer busy(services);
        try {
            // The intermediates are the job's own and nameless: nothing of
            // them outlives the job, whatever way it ends.
            const std::string dir = intermediate_dir(request, options);
            const std::string name = request.input + " (intermédio)";
            // The last step writes the output itself, unless the output's
            // encoding waits on the whole input being read (encoding
            // detection on a one-step route), the output is a table whose
            // header names the input's further columns, or the output cannot
            // be taken back. Else it writes one more intermediate, which the
            // output is made from after the steps.
            const OutputFormat format = options.output_options.format;
            const bool one_pass =
                output_appears_whole(request, options) &&
                (format == OutputFormat::report || format == OutputFormat::points) &&
                (steps.size() > 1 || request.dialect.encoding != PointFileDialect::Encoding::automatic);
            OutputOptions form = options.output_options;
            form.decimal_separator = env.decimal_separator;
            if (steps_in_one_pass(request, steps.size(), options, one_pass) &&
                run_in_one_pass(request, steps, env, options, form)) {
                status = RoutineStatus::done;
            } else {
                const std::size_t intermediates = one_pass ? steps.size() - 1 : steps.size();
                std::array<std::optional<Intermediate>, max_route_steps> files;
                for (std::size_t i = 0; i < intermediates; ++i) files.at(i).emplace(dir, name);
                // The input, then each intermediate, is read once.
                ReadProgress progress(services, static_cast<int>(intermediates) + 1);
                // The intermediates carry the input's text in its encoding,
                // which the first step settles.
                PointFileDialect input_dialect = request.dialect;
                PointFileDialect carried;
                TransformationJob job;
                job.fich1 = options.input_stream >= 0 ? PointFile::stream(request.input, options.input_stream)
                                                      : PointFile(request.input);
                // Skipped points are named from the input read again.
                std::optional<Intermediate> input_copy;
                if (options.skip_faulty_points && options.input_stream >= 0) {
                    input_copy.emplace(dir, request.input);
                    PointFile copy(request.input, &*input_copy);
                    copy_stream(job.fich1, copy);
                    copy.holds_input = true;
                    job.fich1 = copy;
                }
                job.fich1.progress = &progress;
                job.fich1.dialect = &input_dialect;
                PointFile input = job.fich1;
                input.progress = nullptr;  // read again only to name the skipped points
                job.fich3 = request.output;
                job.fich_par_m = request.param_x;
                job.fich_par_p = request.param_y;
                const PointFile output = options.output_stream >= 0
                                             ? PointFile::stream(request.output, options.output_stream)
                                             : PointFile(request.output);
                std::optional<OutputSink> sink;
                std::array<SkippedPoints, max_route_steps> step_skips;
                for (std::size_t i = 0; i < steps.size(); ++i) {
                    if (i > 0) job.fich1 = job.fich2;
                    if (i < intermediates) {
                        job.fich2 = {name, &*files[i], &progress, &carried};
                    } else {
                        // The names are in the encoding the input was read in.
                        const PointFileDialect::Encoding encoding = i == 0 ? input_dialect.encoding : carried.encoding;
                        sink.emplace(output, form, request.source, request.target,
                                     encoding == PointFileDialect::Encoding::utf8);
                        job.fich2 = PointFile(request.output);
                        job.fich2.sink = &*sink;
                    }
                    job.fich1.chunks = options.chunks;
                    if (options.skip_faulty_points) job.skipped = &step_skips[i];
                    status = run_step(steps[i], job, env);
                    if (i == 0) {
                        carried.encoding = input_dialect.encoding;
                        carried.columns = input_dialect.columns;
                    }
                    if (status != RoutineStatus::done) break;
                }
                if (status == RoutineStatus::done) {
                    // Each step's skips are numbered among the records it read.
                    SkippedPoints skipped = step_skips[0];
                    for (std::size_t i = 1; i < steps.size(); ++i) skipped.points = skipped_in_input(skipped, step_skips[i]);
                    // An empty rejects file too: one left by an earlier run would mislead.
                    if (!skipped.points.empty() || !options.rejects.empty()) {
                        report_skipped(input, skipped.points, options.rejects, services);
                    }
                    skips = skipped.points.size();
                    if (sink) {
                        sink->close();
                    } else {
                        // The tables name the input's further columns, known
                        // once it has been read.
                        form.dialect = table_dialect(input_dialect);
                        PointFile points = job.fich2;
                        points.chunks = options.chunks;
                        write_output(points, output, form, request.source, request.target);
                    }
                }
            }
        } catch (const JobCancelled&) {
            // The files being written were discarded on the way here.
            cancelled = true;
        } catch (const std::exception& e) {
            // No room for an intermediate, a report that cannot be written,
            // or the memory running out.
            services.message_box(e.what());
            status = RoutineStatus::failed;
        }
    }
    if (cancelled) return JobOutcome::cancelled;
    if (status == RoutineStatus::out_of_limits) {
        services.end_program();
        return JobOutcome::stopped;
    }
    if (status == RoutineStatus::failed) return JobOutcome::failed;
    services.completion_message("Criado o ficheiro: " + request.output, program_title);
    services.end_program();
    return skips == 0 ? JobOutcome::completed : JobOutcome::completed_with_skips;
}

}  // namespace

JobOutcome run_job(const JobRequest& request, Environment& env, const JobOptions& options) {
    Services& services = env.services;
    const std::string& source = request.source;
    const std::string& target = request.target;

    // Every check runs, so one press may show up to four messages.
    const bool generic = source == system_name(System::qualquer);
    if (!request_is_complete(request, generic, services)) return JobOutcome::refused;

    const RouteLookup lookup = find_route(source, target);
    if (lookup.kind != RouteLookup::Kind::found) {
        if (lookup.kind == RouteLookup::Kind::source_not_recognised) services.message_box("Definir o Sistema 1 !!");
        if (target.empty()) {
            services.message_box("Definir o Sistema 2 !!");
            return JobOutcome::refused;
        }
        return lookup.kind == RouteLookup::Kind::source_not_recognised ? JobOutcome::refused
                                                                        : JobOutcome::target_not_served;
    }
    const TransformationRoute& route = *lookup.route;
    const std::array<RouteStep, 2> steps = {route_steps::run(route.first),
                                            route_steps::run(route.second.value_or(route.first))};
    return run_steps(request, std::span(steps).first(route.second ? 2 : 1), generic, env, options);
}

JobOutcome run_extended_job(const JobRequest& request, const ExtendedRoute& route, Environment& env,
                            const JobOptions& options) {
    if (!request_is_complete(request, false, env.services)) return JobOutcome::refused;
    return run_steps(request, std::span(route.steps).first(route.step_count), false, env, options);
}

}  // namespace tesra
