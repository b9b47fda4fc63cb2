// The buffers point files are read and written through.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tesra {

// Chunks small enough to stay in the processor's cache between the
// system's copy and our parsing or formatting; the reader's buffer grows
// beyond two chunks only for a field that needs it.
inline constexpr std::size_t read_chunk = std::size_t{64} << 10;
inline constexpr std::size_t write_chunk = std::size_t{64} << 10;

// Bytes that are written before they are read, so they are never cleared:
// the reader's and writer's buffers, which a small file barely touches.
class ByteBuffer {
public:
    explicit ByteBuffer(std::size_t size) : data_(std::make_unique_for_overwrite<char[]>(size)), size_(size) {}
    [[nodiscard]] char* data() noexcept { return data_.get(); }
    [[nodiscard]] const char* data() const noexcept { return data_.get(); }
    [[nodiscard]] std::size_t size() const noexcept { return size_; }
    char& operator[](std::size_t i) noexcept { return data_[i]; }
    const char& operator[](std::size_t i) const noexcept { return data_[i]; }
    // Grows to `size`, keeping the first `kept` bytes.
    void grow(std::size_t size, std::size_t kept) {
        if (size <= size_) return;
        auto bigger = std::make_unique_for_overwrite<char[]>(size);
        std::char_traits<char>::copy(bigger.get(), data_.get(), kept);
        data_ = std::move(bigger);
        size_ = size;
    }

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_;
};

// Bytes laid down in memory the way an OutputFile takes them: the records
// of one chunk, formatted by one thread and written in order by another.
class ByteBlock {
public:
    ByteBlock() : buf_(std::size_t{64} << 10) {}
    void write(std::string_view bytes) {
        std::char_traits<char>::copy(reserve(bytes.size()), bytes.data(), bytes.size());
        used_ += bytes.size();
    }
    char* reserve(std::size_t n) {
        if (n > buf_.size() - used_) buf_.grow(std::max(2 * buf_.size(), used_ + n), used_);
        return buf_.data() + used_;
    }
    void commit(std::size_t n) noexcept { used_ += n; }
    [[nodiscard]] std::string_view bytes() const noexcept { return {buf_.data(), used_}; }
    void clear() noexcept { used_ = 0; }

private:
    ByteBuffer buf_;
    std::size_t used_ = 0;
};

}  // namespace tesra
