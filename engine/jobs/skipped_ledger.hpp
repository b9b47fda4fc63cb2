// Which points a job's steps left out. Each step numbers its skips among
// the records it read, which lack the points the steps before it skipped;
// the ledger renumbers them all as records of the input, which is what the
// messages and the rejects file are made from.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "jobs/steps.hpp"

namespace tesra {

class SkippedLedger {
public:
    // Where step i (from 0) notes the points it leaves out.
    [[nodiscard]] SkippedPoints* step(std::size_t i) { return &steps_.at(i); }

    // Every point left out, by its place among the input's records (from
    // 0), in the input's order.
    [[nodiscard]] std::vector<SkippedPoints::Point> in_input() const;
    // The input's lines the reader passed over (the intermediates have none).
    [[nodiscard]] std::uint64_t lines() const noexcept { return steps_[0].lines; }

private:
    std::array<SkippedPoints, max_route_steps> steps_;
};

// Names every point left out, and each of the `lines` the reader passed
// over, by its line in the input read again, and writes them as read to
// the rejects file when there is one (an empty one when there are none:
// one left by an earlier run would mislead): a line dialect's own line,
// else a record that reads back to the same name and numbers. A rejects
// file that is a stream the front end holds open (`rejects_stream`) is
// written there. Then tells how many there were, if any. Without skips or
// a rejects file, does nothing.
void report_skipped(const PointFile& input, const std::vector<SkippedPoints::Point>& skipped, std::uint64_t lines,
                    const std::string& rejects, int rejects_stream, Services& services);

}  // namespace tesra
