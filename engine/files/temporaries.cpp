#include "files/temporaries.hpp"

#include <array>
#include <atomic>
#include <cstring>

#include "os.hpp"

namespace tesra {

namespace {

struct Slot {
    std::atomic<bool> claimed{false};  // owned by a registration
    std::atomic<bool> ready{false};    // path complete: a handler may use it
    char path[4096];
};

// Enough for every job a batch runs at once, each with one report.
std::array<Slot, 64> slots;

}  // namespace

int register_temporary(const std::string& path) noexcept {
    if (path.size() >= sizeof(Slot::path)) return -1;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        bool expected = false;
        if (!slots[i].claimed.compare_exchange_strong(expected, true)) continue;
        std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
        slots[i].ready.store(true, std::memory_order_release);
        return static_cast<int>(i);
    }
    return -1;
}

void unregister_temporary(int ticket) noexcept {
    if (ticket < 0) return;
    Slot& slot = slots[static_cast<std::size_t>(ticket)];
    slot.ready.store(false, std::memory_order_release);
    slot.claimed.store(false, std::memory_order_release);
}

void remove_temporaries() noexcept {
    for (Slot& slot : slots) {
        if (slot.ready.load(std::memory_order_acquire)) os::remove(slot.path);
    }
}

}  // namespace tesra
