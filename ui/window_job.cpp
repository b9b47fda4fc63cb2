#include "window_job.hpp"

#include "jobs/refusals.hpp"
#include "os.hpp"

namespace tesra::ui {

tesra::JobOutcome run_window_job(const WindowFields& fields, Services& job_services, Services& window_services,
                                 const std::string& grid_dir, char decimal_separator) {
    const tesra::JobRequest request{
        fields.source, fields.target, fields.input, fields.output, fields.parameters_x, fields.parameters_y,
        // Spreadsheet and UTF-8 files read as well; point files as always.
        tesra::PointFileDialect::window(),
    };
    Environment environment{job_services, grid_dir, decimal_separator};
    // Large files are shared out among the processors, with the same report
    // and messages as read by one.
    tesra::JobOptions options;
    options.chunks.threads = tesra::os::available_cores();
    // The job ends the program itself when it completes or stops; in every
    // other outcome, a cancel included, the window stays as it is for
    // another attempt.
    const tesra::JobOutcome outcome = tesra::run_job(request, environment, options);
    // A target no route serves gets no message of the job's own.
    const tesra::RefusalNotes notes = tesra::refusal_notes(request.source, request.target, outcome, false);
    for (const std::string& line : tesra::refusal_lines(request.source, request.target, notes, false))
        window_services.message_box(line);
    return outcome;
}

std::string replace_question(std::string_view output) {
    return "O ficheiro " + std::string(output) + " já existe. Substituir?";
}

}  // namespace tesra::ui
