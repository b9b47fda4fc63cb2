#include "jobs/output_plan.hpp"

#include "os.hpp"

namespace tesra {

namespace {

// Where the intermediates go: beside the output, which the job may write,
// unless the output is a stream (a device, a pipe); "" for the system's
// temporary folder.
std::string intermediate_dir(const JobRequest& request, const JobPaths& paths) {
    const std::string& output = request.output;
    if (!paths.output || (paths.output->exists() && !paths.output->regular())) return "";
    return os::folder_of(output);
}

// Whether the output is a file that appears whole or not at all (a regular
// file, or none yet), so that the last step may write it as it goes: a
// failing step then leaves nothing. A stream, a device or a FIFO gets it
// only once every step has succeeded.
bool output_appears_whole(const JobPaths& paths) {
    if (!paths.output) return false;
    if (paths.output->exists()) return paths.output->regular();
    return paths.output->missing();
}

// Whether a route's steps may run as one pass: more than one step, an
// output written by the last step, and nothing that needs the steps one by
// one (points left out and named, an input that cannot be read twice, an
// encoding settled only at the input's end, a line dialect), on an
// input large enough for the saving to matter.
bool steps_in_one_pass(const JobRequest& request, std::size_t steps, const JobOptions& options,
                       const JobPaths& paths, bool last_step_writes) {
    const PointFileDialect& d = request.dialect;
    if (steps < 2 || !last_step_writes || options.skip_faulty_points || !options.rejects.empty() || !paths.input ||
        d.separator != PointFileDialect::Separator::comma || d.encoding == PointFileDialect::Encoding::automatic) {
        return false;
    }
    return paths.input->regular() && paths.input->size() >= options.one_pass_route_bytes;
}

}  // namespace

OutputPlan plan_output(const JobRequest& request, const JobOptions& options, const JobPaths& paths,
                       std::size_t steps) {
    OutputPlan plan;
    plan.intermediate_dir = intermediate_dir(request, paths);
    // The last step writes the output itself, unless the output is a table
    // whose header names the input's further columns, or the output cannot
    // be taken back. Else it writes one more intermediate, which the output
    // is made from after the steps. When the output's encoding waits on the
    // whole input being read (encoding detection on a one-step route), the
    // step guesses it if the input can be read again for a wrong guess.
    const OutputFormat format = options.output_options.format;
    const bool guess = steps == 1 && request.dialect.encoding == PointFileDialect::Encoding::automatic;
    plan.last_step_writes = output_appears_whole(paths) &&
                            (format == OutputFormat::report || format == OutputFormat::points) &&
                            (!guess || (options.input_stream < 0 && paths.input && paths.input->regular()));
    plan.encoding_guessed = plan.last_step_writes && guess;
    plan.one_pass = steps_in_one_pass(request, steps, options, paths, plan.last_step_writes);
    plan.intermediates = plan.last_step_writes ? steps - 1 : steps;
    return plan;
}

}  // namespace tesra
