// Helpers of the tests: a scratch directory whose whole
// contents can be compared before and after a job, tesra-cli run as a child
// process, a services fake that records what the engine shows, and the
// small files (point, parameter and grid files) the cases are made of.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "process.hpp"
#include "services.hpp"

namespace tesra::robust {

// A fresh directory under $TMPDIR (or /tmp), removed with everything in it
// when the object goes. Links inside it are removed, never followed.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    [[nodiscard]] const std::string& path() const noexcept { return path_; }
    [[nodiscard]] std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

private:
    std::string path_;
};

void write_file(const std::string& path, std::string_view bytes);
[[nodiscard]] std::string read_file(const std::string& path);
void make_dir(const std::string& path);
void make_symlink(const std::string& target, const std::string& link);
void make_hard_link(const std::string& existing, const std::string& link);

// One line per entry under root, sorted: its relative path and what it is
// (a regular file with its size and a hash of its bytes, a link with its
// target, a directory, something else). Two equal snapshots mean nothing
// was created, removed, replaced or changed.
[[nodiscard]] std::vector<std::string> snapshot(const std::string& root);

using CliRun = ChildRun;

struct CliLimits {
    std::optional<std::uint64_t> file_size;  // writes past it fail with EFBIG
};

// Where the tesra-cli under test lies.
[[nodiscard]] std::string cli_program();

// tesra-cli as a child process (see process.hpp). Starts it in cwd with its
// standard output and error on the given descriptors (-1: the null device);
// in_child runs in the child just before the program.
pid_t spawn_cli(const std::string& cwd, const std::vector<std::string>& args, int out_fd = -1, int err_fd = -1,
                const std::function<void()>& in_child = {});
// Waits for it: its exit status, or 128 + the signal that ended it.
int wait_cli(pid_t pid);

// Runs tesra-cli with args in the directory cwd; its output is captured
// outside cwd so that cwd holds only what the program itself leaves.
[[nodiscard]] CliRun run_cli(const std::string& cwd, const std::vector<std::string>& args,
                             const CliLimits& limits = {});

// A services fake: every message, completion, pointer change and request
// to end, in order.
class RecordingServices final : public Services {
public:
    void message_box(std::string_view prompt, std::optional<std::string_view>) override {
        messages.emplace_back(prompt);
    }
    void completion_message(std::string_view prompt, std::string_view) override {
        completions.emplace_back(prompt);
    }
    void set_pointer(Pointer pointer) override { pointers.push_back(pointer); }
    void end_program() override { ++end_requests; }
    bool keep_going(std::uint64_t read, std::uint64_t total) override {
        progress.emplace_back(read, total);
        return progress.size() < cancel_at;
    }

    std::vector<std::pair<std::uint64_t, std::uint64_t>> progress;  // what keep_going was told
    std::size_t cancel_at = SIZE_MAX;  // the call of keep_going (from 1) that cancels
    std::vector<std::string> messages;
    std::vector<std::string> completions;
    std::vector<Pointer> pointers;
    int end_requests = 0;
};

// Grid files of the real 123 x 66 geometry: value(row, column), both from 1.
void write_grid(const std::string& path, const std::function<double(int, int)>& value);
// The two grids of a plain shift: M + 100 and P - 50 at every node.
void write_shift_grids(const std::string& dir, std::string_view m_file, std::string_view p_file);
inline constexpr double shift_m = 100.0;
inline constexpr double shift_p = -50.0;

// A parameter file of the generic transformation: the three text items and
// the twelve numbers, one item per line, CR LF.
std::string parameter_text(std::string_view marker, const std::vector<std::string>& numbers);
// The generic transformation that gives every point back unchanged.
std::string identity_x_parameters();
std::string identity_y_parameters();

}  // namespace tesra::robust
