// The paths a job names, each asked of the system once, before any file is
// touched: what each one is (the output plan reads that, and asks nothing
// again), and whether two of them name the same file however spelt, so that
// neither the output nor the rejects file takes the place of the user's
// input or parameters or of the program's grids.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jobs/job_request.hpp"
#include "os.hpp"

namespace tesra {

// A path as the checks compare it: what the system says of it, asked once,
// and its normalised absolute form, worked out only if a comparison needs it.
class PathIdentity {
public:
    explicit PathIdentity(std::string path);
    PathIdentity(PathIdentity&&) = default;
    PathIdentity& operator=(PathIdentity&&) = default;

    [[nodiscard]] const std::string& path() const noexcept { return path_; }
    [[nodiscard]] bool exists() const noexcept { return exists_; }
    [[nodiscard]] bool missing() const noexcept { return missing_; }  // nothing there at all
    [[nodiscard]] bool regular() const noexcept { return exists_ && regular_; }
    [[nodiscard]] std::uint64_t size() const noexcept { return size_; }  // of a regular file

    // Whether two path texts name the same file, however spelt: the same
    // file when both exist, else the same normalised absolute path. A path
    // that leads nowhere is not a file that exists (writing through it would
    // create a new one).
    [[nodiscard]] bool same_file(PathIdentity& other);

private:
    const std::filesystem::path* canonical();

    std::string path_;
    bool exists_ = false;
    bool missing_ = false;
    bool regular_ = false;
    std::uint64_t size_ = 0;
    os::Identity identity_;
    bool canonical_done_ = false;
    bool canonical_ok_ = false;
    std::filesystem::path canonical_;
};

// Every path of a job that a check or the output plan needs.
struct JobPaths {
    // `generic`: the route runs the generic routine, which reads the two
    // parameter files.
    JobPaths(const JobRequest& request, const JobOptions& options, bool generic, std::string_view grid_dir);

    std::optional<PathIdentity> output;   // none: the output is a stream
    std::optional<PathIdentity> input;    // none: the input is a stream
    std::optional<PathIdentity> rejects;  // none: no rejects file
    std::vector<PathIdentity> parameters;  // the generic routine's
    std::vector<PathIdentity> grids;       // the program's, in the grids' folder
};

// Refuses an output or rejects file that would take the place of the
// input, a parameter file or a grid, or a rejects file that is the output:
// the first such fault is shown, and the answer is false.
[[nodiscard]] bool paths_are_safe(JobPaths& paths, Services& services);

}  // namespace tesra
