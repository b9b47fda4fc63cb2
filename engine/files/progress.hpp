// How far a job has got through its reading, and the front end's cancel.
#pragma once

#include <cstdint>

#include "services.hpp"

namespace tesra {

// Thrown when the front end cancels a job (Services::keep_going answered
// false). Not a TesraError: there is nothing to report, and every file
// being written is discarded on the way out.
struct JobCancelled {};

// How far a job has got through its reading, told to the front end. A job
// reads the input, then each intermediate once (the next routine's or, when
// the last routine does not write the output itself, the output's reading):
// `passes` readings in all. Each counts as one reading of
// the input, an intermediate's progress scaled to the input's size, so the
// share moves evenly over the whole job whatever the route.
class ReadProgress {
public:
    ReadProgress(Services& services, int passes) noexcept : services_(services), passes_(passes) {}
    // A reader starts on a file of `size` bytes (0: not known).
    void start_pass(std::uint64_t size) noexcept;
    // `bytes` of the current file read so far. Throws JobCancelled.
    void read(std::uint64_t bytes);
    // The input is to be read once more than planned: the share told goes
    // on from where the readings so far leave it among all of them.
    void read_again() noexcept { ++passes_; }

private:
    Services& services_;
    int passes_;
    int pass_ = -1;
    std::uint64_t input_size_ = 0;
    std::uint64_t pass_size_ = 0;
    std::uint64_t earlier_passes_ = 0;  // bytes, while the input's size is not known
    std::uint64_t read_ = 0;            // of the current file
    std::uint64_t told_ = 0;            // of the current file, when last told
};

}  // namespace tesra
