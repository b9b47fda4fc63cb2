// Files this process has created under a temporary name and must remove if
// a signal stops it before it renames or removes them. The table is fixed
// and lock-free, so that the clean-up on a signal may walk it.
#pragma once

#include <string>

namespace tesra {

// Returns a ticket for unregister_temporary, or -1 when the table is full or
// the path too long (the file then merely lacks that last clean-up).
int register_temporary(const std::string& path) noexcept;
void unregister_temporary(int ticket) noexcept;

// Removes every registered file. Async-signal-safe: only reads the table
// and calls os::remove() on C strings.
void remove_temporaries() noexcept;

}  // namespace tesra
