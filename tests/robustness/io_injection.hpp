// System-call faults for the engine. The test program that includes this is
// linked with --wrap for open (and open64), read, write and close, so the
// engine's calls come here first; while a plan is armed, the chosen call
// fails with the chosen error, and reads and writes can be cut short.
#pragma once

#include <array>
#include <cstddef>

namespace tesra::robust::io {

enum class Call { open, read, write, close };
inline constexpr std::array<Call, 4> all_calls = {Call::open, Call::read, Call::write, Call::close};
const char* name(Call call);

struct Plan {
    Call call = Call::open;
    int fail_at = 0;  // the n-th call of that kind fails (from 1); 0: none
    int error = 0;    // errno of the failure
    std::size_t max_read = 0;   // each read returns at most this many bytes; 0: no limit
    std::size_t max_write = 0;  // each write takes at most this many bytes; 0: no limit
    unsigned cut_seed = 0;      // not 0: each read is cut to a length drawn from 1 to max_read
};

using Counts = std::array<int, 4>;  // calls made, by Call

// Calls made while unarmed pass straight through and are not counted.
void arm(const Plan& plan);
Counts disarm();

}  // namespace tesra::robust::io
