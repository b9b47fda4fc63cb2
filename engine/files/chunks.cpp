#include "files/chunks.hpp"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "files/progress.hpp"

namespace tesra {

namespace {

// The offset just after the first line feed in [at, at + 64 KiB), or 0
// when there is none there. A chunk starts only after a line feed, so a CR
// LF is never cut in two.
std::uint64_t line_start_after(os::File file, std::uint64_t at, std::uint64_t size) {
    char block[4096];
    for (const std::uint64_t stop = std::min(size, at + (std::uint64_t{64} << 10)); at < stop;) {
        const std::ptrdiff_t n = os::read_at(file, block, std::min<std::uint64_t>(sizeof block, stop - at), at);
        if (n <= 0) return 0;
        if (const void* lf = std::memchr(block, '\n', static_cast<std::size_t>(n)); lf != nullptr) {
            return at + static_cast<std::uint64_t>(static_cast<const char*>(lf) - block) + 1;
        }
        at += static_cast<std::uint64_t>(n);
    }
    return 0;
}

}  // namespace

// The reader's friend: what is done here reaches into the readers' state.
class ChunkedReading {
public:
    static ChunkedRead run(FieldReader& in, const ChunkPlan& plan, const ChunkBody& body, const ChunkOut& write_out);
};

ChunkedRead read_in_chunks(FieldReader& in, const ChunkPlan& plan, const ChunkBody& body, const ChunkOut& write_out) {
    return ChunkedReading::run(in, plan, body, write_out);
}

ChunkedRead ChunkedReading::run(FieldReader& in, const ChunkPlan& plan, const ChunkBody& body,
                                const ChunkOut& write_out) {
    // Only the point-file format: the one-record-per-line dialects carry
    // state from line to line (the width of the first, the widest record).
    if (plan.threads < 2 || !in.from_start_ || in.line_separator_ != 0 || in.held_end_mark_) return {};
    const os::Status st = os::status(in.file_);
    if (st.kind != os::Kind::regular) return {};
    const std::uint64_t size = st.size;
    if (size < in.offset() + plan.min_bytes) return {};
    const std::size_t chunk = std::max<std::size_t>(plan.chunk_bytes, 1);
    std::vector<std::uint64_t> bounds{in.offset()};
    // Where the chunks end: the file's end, or the start of the last chunk
    // when no line feed lies near a cut. A stretch without line feeds (CR
    // line ends, records on one long line) would be a chunk as long as it,
    // held whole in memory while the chunks before it go out: the reading
    // in order takes it and the rest of the file on one thread, as one
    // thread would.
    std::uint64_t end = UINT64_MAX;
    for (std::uint64_t at = bounds.back() + chunk; at < size;) {
        const std::uint64_t bound = line_start_after(in.file_, at, size);
        if (bound == 0) {
            end = bounds.back();
            bounds.pop_back();
            break;
        }
        if (bound >= size) break;
        bounds.push_back(bound);
        at = bound + chunk;
    }
    if (bounds.size() < 2) return {};
    const std::size_t count = bounds.size();  // chunk k runs from bounds[k] to bounds[k + 1] or `end`
    const auto threads = static_cast<std::size_t>(std::min<std::size_t>(plan.threads, count));

    // Each chunk's bytes wait in a slot until the ones before are out; a
    // thread takes a chunk only when a slot is free, so memory stays bounded:
    // a chunk for each thread, and two done while an earlier one is not.
    struct Slot {
        ByteBlock block;
        bool ready = false;
        bool clean = false;
        long lines = 0;  // line ends read
        FieldReader::TextState text{};
    };
    const std::size_t ring = threads + 2;
    std::vector<Slot> slots(ring);
    std::mutex mutex;
    std::condition_variable work, done;
    std::size_t handed = 0, emitted = 0;
    bool stop = false;
    const FieldReader::TextState initial = in.text_state();

    auto run_chunk = [&](std::size_t k, Slot& slot) {
        slot.block.clear();
        try {
            FieldReader reader(in, bounds[k], k + 1 < count ? bounds[k + 1] : end, 1, initial);
            // A record long enough to grow the buffer could meet the reader's
            // length limit at another place than in the whole file's reading.
            slot.clean = body(reader, slot.block) && reader.at_eof_ && reader.buf_.size() == 2 * read_chunk;
            slot.lines = reader.line_ - 1;
            slot.text = reader.text_state();
        } catch (...) {
            slot.clean = false;
        }
    };
    auto worker = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            work.wait(lock, [&] { return stop || handed == count || handed < emitted + ring; });
            if (stop || handed == count) return;
            const std::size_t k = handed++;
            Slot& slot = slots[k % ring];
            lock.unlock();
            run_chunk(k, slot);
            lock.lock();
            slot.ready = true;
            done.notify_one();
        }
    };
    std::vector<std::thread> pool;
    auto stop_pool = [&]() noexcept {
        {
            const std::lock_guard lock(mutex);
            stop = true;
        }
        work.notify_all();
        for (std::thread& thread : pool) thread.join();
        pool.clear();
    };
    struct Joiner {
        decltype(stop_pool)& stop;
        ~Joiner() { stop(); }
    } joiner{stop_pool};
    try {
        for (std::size_t i = 0; i < threads; ++i) pool.emplace_back(worker);
    } catch (const std::system_error&) {
        if (pool.empty()) return {};  // no thread to be had: read as one
    }

    long line = in.line_;
    FieldReader::TextState text = initial;
    // The reading in order from `start`, where the reading of the whole
    // file would be at `line` with the state `text`.
    auto rest_from = [&in](std::uint64_t start, long at_line, FieldReader::TextState state) {
        ChunkedRead rest{true, std::unique_ptr<FieldReader>(new FieldReader(in, start, UINT64_MAX, at_line, state))};
        rest.rest->progress_ = in.progress_;
        rest.rest->dialect_ = in.dialect_;
        return rest;
    };
    for (std::size_t k = 0; k < count; ++k) {
        Slot& slot = slots[k % ring];
        {
            std::unique_lock lock(mutex);
            done.wait(lock, [&] { return slot.ready; });
        }
        if (!slot.clean) {
            stop_pool();
            return rest_from(bounds[k], line, text);
        }
        write_out(slot.block.bytes());
        line += slot.lines;
        // Under detection, one name that is not UTF-8 settles the file as
        // Windows-1252, wherever it comes.
        if (text.check != FieldReader::TextCheck::none) {
            text = slot.text.check == FieldReader::TextCheck::none
                       ? slot.text
                       : FieldReader::TextState{text.check, text.seen_utf8 || slot.text.seen_utf8, text.encoding};
        }
        if (in.progress_ != nullptr) in.progress_->read(k + 1 < count ? bounds[k + 1] : std::min(end, size));
        {
            const std::lock_guard lock(mutex);
            slot.ready = false;
            emitted = k + 1;
        }
        work.notify_all();
    }
    stop_pool();
    if (end != UINT64_MAX) return rest_from(end, line, text);
    // The whole file has been read: `in` takes the state its reading reached.
    in.text_check_ = text.check;
    in.seen_utf8_ = text.seen_utf8;
    in.encoding_ = text.encoding;
    in.settle_encoding();
    return {true, nullptr};
}

}  // namespace tesra
