#include "files/progress.hpp"

#include <algorithm>

#include "files/bytes.hpp"

namespace tesra {

void ReadProgress::start_pass(std::uint64_t size) noexcept {
    if (++pass_ == 0) input_size_ = size;
    pass_ = std::min(pass_, passes_ - 1);
    pass_size_ = size;
    earlier_passes_ += read_;
    read_ = told_ = 0;
}

void ReadProgress::read(std::uint64_t bytes) {
    read_ = bytes;
    // Told once per chunk however the system hands the bytes over (a pipe
    // may give a few at a time).
    if (bytes - told_ < read_chunk) return;
    told_ = bytes;
    std::uint64_t done = earlier_passes_ + bytes;
    std::uint64_t total = 0;
    if (input_size_ > 0) {
        const double share =
            pass_size_ > 0 ? std::min(1.0, static_cast<double>(bytes) / static_cast<double>(pass_size_)) : 1.0;
        total = input_size_ * static_cast<std::uint64_t>(passes_);
        done = input_size_ * static_cast<std::uint64_t>(pass_) +
               static_cast<std::uint64_t>(share * static_cast<double>(input_size_));
    }
    if (!services_.keep_going(done, total)) throw JobCancelled{};
}

}  // namespace tesra
