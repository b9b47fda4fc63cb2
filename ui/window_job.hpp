// What the main window's OK does, whichever toolkit draws the window: the
// fields as typed make the job, read as --auto reads, and a refusal always
// says why in the command line's words.
#pragma once

#include <string>
#include <string_view>

#include "jobs/job.hpp"
#include "services.hpp"

namespace tesra::ui {

// The six fields: the systems as UTF-8, the paths as the file system takes
// them.
struct WindowFields {
    std::string source, target, input, output, parameters_x, parameters_y;
};

// Runs the job with job_services (messages, progress, the replace question),
// then tells through window_services why a refused job was refused.
tesra::JobOutcome run_window_job(const WindowFields& fields, Services& job_services, Services& window_services,
                                 const std::string& grid_dir, char decimal_separator);

// Asked before a report replaces an existing file (UTF-8).
std::string replace_question(std::string_view output);

}  // namespace tesra::ui
