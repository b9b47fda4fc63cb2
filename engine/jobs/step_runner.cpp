#include "jobs/step_runner.hpp"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "jobs/skipped_ledger.hpp"
#include "os.hpp"

namespace tesra {

namespace {

// What an intermediate file gives back for x: its written form, read.
// False for what the file could not carry.
bool carry(double x, double& back) noexcept {
    if (!(std::fabs(x) <= largest_written_number)) return false;
    back = written_value(x);
    return true;
}

// The steps as one pass over the input: each point carried from step to
// step in memory as an intermediate file carries it (its written form read
// back), the output written by the last step. Dropped, leaving nothing and
// showing nothing, at the first thing out of the ordinary (a fault, a point
// a step refuses): the steps then run one by one and report it as they
// always do. True when the output is complete.
bool run_in_one_pass(const JobRequest& request, std::span<const RouteStep> steps, Environment& env,
                     const JobOptions& options, const OutputOptions& form, AreaCheck* area) {
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
    input.area = area;
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

// The steps one by one, each reading what the one before wrote, and the
// files they read and write: the input, read once by the first step and
// again to name the points left out; the job's nameless intermediates,
// which nothing outlives whatever way the job ends; the output, written by
// the last step or made from one more intermediate after the steps.
class StepsOneByOne {
public:
    StepsOneByOne(const JobRequest& request, const OutputPlan& plan, Environment& env, const JobOptions& options,
                  const OutputOptions& form, ReadProgress& progress, AreaCheck* area);

    RoutineStatus run(std::span<const RouteStep> steps);
    // Once every step is done: whether the output was written in an encoding
    // the input then proved not to have (OutputPlan::encoding_guessed), and
    // the encoding it has.
    [[nodiscard]] bool guessed_wrong() const noexcept { return sink_ && sink_utf8_ != settled_utf8(); }
    [[nodiscard]] PointFileDialect::Encoding settled_encoding() const noexcept { return input_dialect_.encoding; }
    // Once every step is done: names the points left out and finishes the
    // output. Returns how many were left out.
    std::size_t finish();

private:
    void open_input(const std::string& dir);
    void set_files(std::size_t step);
    // The encoding the last step's input was read in, once read.
    [[nodiscard]] bool settled_utf8() const noexcept {
        return (intermediates_ == 0 ? input_dialect_.encoding : carried_.encoding) == PointFileDialect::Encoding::utf8;
    }

    const JobRequest& request_;
    const JobOptions& options_;
    Environment& env_;
    OutputOptions form_;
    std::string name_;  // of every intermediate, in messages
    std::array<std::optional<Intermediate>, max_route_steps> files_;
    std::size_t intermediates_;
    // The input, then each intermediate, is read once.
    ReadProgress& progress_;
    // The intermediates carry the input's text in its encoding, which the
    // first step settles.
    PointFileDialect input_dialect_;
    PointFileDialect carried_;
    TransformationJob job_;
    std::optional<Intermediate> input_copy_;
    PointFile input_;  // read again only to name the skipped points
    PointFile output_;
    std::optional<OutputSink> sink_;
    bool sink_utf8_ = false;  // the encoding the sink writes the names' texts in
    SkippedLedger ledger_;
};

StepsOneByOne::StepsOneByOne(const JobRequest& request, const OutputPlan& plan, Environment& env,
                             const JobOptions& options, const OutputOptions& form, ReadProgress& progress,
                             AreaCheck* area)
    : request_(request),
      options_(options),
      env_(env),
      form_(form),
      name_(request.input + " (intermédio)"),
      intermediates_(plan.intermediates),
      progress_(progress),
      input_dialect_(request.dialect) {
    for (std::size_t i = 0; i < intermediates_; ++i) files_.at(i).emplace(plan.intermediate_dir, name_);
    open_input(plan.intermediate_dir);
    job_.fich1.area = area;  // the first step's input only
    job_.fich3 = request.output;
    job_.fich_par_m = request.param_x;
    job_.fich_par_p = request.param_y;
    output_ = options.output_stream >= 0 ? PointFile::stream(request.output, options.output_stream)
                                         : PointFile(request.output);
}

void StepsOneByOne::open_input(const std::string& dir) {
    job_.fich1 = options_.input_stream >= 0 ? PointFile::stream(request_.input, options_.input_stream)
                                            : PointFile(request_.input);
    job_.fich1.progress = &progress_;
    job_.fich1.dialect = &input_dialect_;
    input_ = job_.fich1;
    input_.progress = nullptr;
    // Skipped points are named from the input read again: a stream is
    // copied as the first step reads it, which bounds it as it reads.
    if (options_.skip_faulty_points && options_.input_stream >= 0) {
        input_copy_.emplace(dir, request_.input);
        job_.fich1.copy_to = &*input_copy_;
        input_ = PointFile(request_.input, &*input_copy_, nullptr, &input_dialect_);
        input_.holds_input = true;
    }
}

// What step i reads (the input, or the intermediate the step before wrote)
// and writes (an intermediate, or the output through its sink).
void StepsOneByOne::set_files(std::size_t i) {
    if (i > 0) job_.fich1 = job_.fich2;
    if (i < intermediates_) {
        job_.fich2 = {name_, &*files_[i], &progress_, &carried_};
    } else {
        // The names are in the encoding the input was read in; one still
        // to be detected is guessed (OutputPlan::encoding_guessed).
        const PointFileDialect::Encoding encoding = i == 0 ? input_dialect_.encoding : carried_.encoding;
        sink_utf8_ = encoding == PointFileDialect::Encoding::utf8;
        sink_.emplace(output_, form_, request_.source, request_.target, sink_utf8_);
        job_.fich2 = PointFile(request_.output);
        job_.fich2.sink = &*sink_;
    }
    job_.fich1.chunks = options_.chunks;
    if (options_.skip_faulty_points) job_.skipped = ledger_.step(i);
}

RoutineStatus StepsOneByOne::run(std::span<const RouteStep> steps) {
    RoutineStatus status = RoutineStatus::failed;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        set_files(i);
        status = run_step(steps[i], job_, env_);
        if (i == 0) {
            carried_.encoding = input_dialect_.encoding;
            carried_.columns = input_dialect_.columns;
        }
        if (status != RoutineStatus::done) break;
    }
    return status;
}

std::size_t StepsOneByOne::finish() {
    const std::vector<SkippedPoints::Point> skipped = ledger_.in_input();
    report_skipped(input_, skipped, ledger_.lines(), options_.rejects, options_.rejects_stream, env_.services);
    if (sink_) {
        sink_->close();
    } else {
        // The tables name the input's further columns, known once it has
        // been read.
        form_.dialect = table_dialect(input_dialect_);
        PointFile points = job_.fich2;
        points.chunks = options_.chunks;
        write_output(points, output_, form_, request_.source, request_.target);
    }
    return skipped.size() + ledger_.lines();
}

}  // namespace

StepsEnd run_route_steps(const JobRequest& request, std::span<const RouteStep> steps, const OutputPlan& plan,
                         Environment& env, const JobOptions& options, AreaCheck* area) {
    OutputOptions form = options.output_options;
    form.decimal_separator = env.decimal_separator;
    if (plan.one_pass && run_in_one_pass(request, steps, env, options, form, area)) return {RoutineStatus::done, 0};
    if (area != nullptr) area->outside = 0;  // the one pass, if dropped, is read again
    JobRequest settled = request;  // outlives the steps that read it
    ReadProgress progress(env.services, static_cast<int>(plan.intermediates) + 1);
    std::optional<StepsOneByOne> one_by_one;
    one_by_one.emplace(request, plan, env, options, form, progress, area);
    StepsEnd end{one_by_one->run(steps)};
    if (end.status == RoutineStatus::done && one_by_one->guessed_wrong()) {
        // Its output is discarded unfinished; the step runs again on the
        // input, read in the encoding it proved to have.
        settled.dialect.encoding = one_by_one->settled_encoding();
        one_by_one.reset();
        progress.read_again();
        if (area != nullptr) area->outside = 0;
        one_by_one.emplace(settled, plan, env, options, form, progress, area);
        end.status = one_by_one->run(steps);
    }
    if (end.status == RoutineStatus::done) end.skipped = one_by_one->finish();
    return end;
}

}  // namespace tesra
