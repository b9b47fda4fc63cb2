// Fuzz builds only. The engine's readers and writers allocate buffers of
// 64 KiB and more; under AddressSanitizer each such allocation is a fresh
// mapping, and the page faults on it cost far more than the work done on a
// small input. Blocks of that size are kept for reuse instead: they stay
// allocated as far as AddressSanitizer knows, so its redzones still guard
// both ends, and a kept block is poisoned until it is handed out again, so
// a use after delete is still reported.
#include <sanitizer/asan_interface.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t large = std::size_t{1} << 16;
constexpr int slots = 32;

struct Slot {
    void* block = nullptr;
    std::size_t size = 0;
    bool in_use = false;
};
Slot cache[slots];

void* allocate(std::size_t size) {
    if (size >= large) {
        for (Slot& s : cache) {
            if (s.block != nullptr && !s.in_use && s.size == size) {
                s.in_use = true;
                ASAN_UNPOISON_MEMORY_REGION(s.block, size);
                return s.block;
            }
        }
    }
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    if (size >= large) {
        for (Slot& s : cache) {
            if (s.block == nullptr) {
                s = {block, size, true};
                break;
            }
        }
    }
    return block;
}

void release(void* block) noexcept {
    if (block == nullptr) return;
    for (Slot& s : cache) {
        if (s.block == block) {
            s.in_use = false;
            ASAN_POISON_MEMORY_REGION(block, s.size);
            return;
        }
    }
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, std::size_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t) noexcept { release(block); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* block, const std::nothrow_t&) noexcept { release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { release(block); }
