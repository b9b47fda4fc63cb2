#include "files/temporaries.hpp"

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

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

// A stop has begun: no registration may start.
std::atomic<bool> stopping{false};
// Registrations between their look at `stopping` and the end of the
// creation that follows: the clean-up waits for them, but for one on the
// thread it interrupted, which will not resume.
std::atomic<int> creating{0};
thread_local bool creating_here = false;

}  // namespace

int register_temporary(const std::string& path) noexcept {
    creating_here = true;
    creating.fetch_add(1);
    if (stopping.load()) {
        creating.fetch_sub(1);
        creating_here = false;
        for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
    }
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

void end_creation() noexcept {
    if (!creating_here) return;
    creating_here = false;
    creating.fetch_sub(1);
}

void unregister_temporary(int ticket) noexcept {
    if (ticket < 0) return;
    Slot& slot = slots[static_cast<std::size_t>(ticket)];
    slot.ready.store(false, std::memory_order_release);
    slot.claimed.store(false, std::memory_order_release);
}

void remove_temporaries() noexcept {
    stopping.store(true);
    // A creation takes one system call; a file system that hangs is given
    // a few seconds, and its file is removed if it is there by then.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (creating.load() > (creating_here ? 1 : 0) && std::chrono::steady_clock::now() < give_up) {
        std::this_thread::yield();
    }
    for (Slot& slot : slots) {
        if (slot.ready.load(std::memory_order_acquire)) os::remove(slot.path);
    }
}

}  // namespace tesra
