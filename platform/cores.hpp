// How many processors this process may run on: its affinity, which a
// container or `taskset` narrows, rather than all the machine has.
#pragma once

namespace tesra {

// At least 1.
unsigned available_cores() noexcept;

}  // namespace tesra
