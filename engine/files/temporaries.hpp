// Files this process has created under a temporary name and must remove if
// a signal stops it before it renames or removes them. The table is fixed
// and lock-free, so that the clean-up on a signal may walk it. A stop is
// atomic: once the clean-up has begun, no thread creates a temporary file,
// and every one that exists is removed.
#pragma once

#include <string>

namespace tesra {

// Registers a temporary file about to be created, before it exists, so
// that no signal finds it there and unknown; end_creation() follows the
// attempt to create it, whatever came of it. Returns a ticket for
// unregister_temporary, or -1 when the table is full or the path too long
// (the file then merely lacks that last clean-up). Once a stop has begun,
// never returns: the process is ending, and no new file may appear.
int register_temporary(const std::string& path) noexcept;
void end_creation() noexcept;
void unregister_temporary(int ticket) noexcept;

// Removes every registered file, once every creation under way elsewhere
// has ended, and lets no other begin. Async-signal-safe: only reads atomics
// and the table and calls os::remove() on C strings; the process must end
// after it.
void remove_temporaries() noexcept;

}  // namespace tesra
