// The loop every transformation routine runs over a point file, and the
// points it leaves out.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/chunks.hpp"
#include "files/output_file.hpp"
#include "files/reader.hpp"
#include "files/records.hpp"
#include "text/errors.hpp"
#include "text/numtext.hpp"

namespace tesra {

// How a routine's loop ended: every record went through, or compute
// refused the point at (m, p), as read.
struct LoopEnd {
    bool stopped = false;
    double m = 0;
    double p = 0;
};

// Why a point was left out when faulty points are skipped rather than
// stopping the job.
enum class PointFault { outside_grid, no_data, not_finite, no_inverse, outside_area, outside_projection, swapped };

// The points one loop left out: each by its place among the records it
// read (from 0), in order. compute sets `fault` before it refuses a point.
struct SkippedPoints {
    struct Point {
        std::uint64_t ordinal;
        PointFault fault;
    };
    std::vector<Point> points;
    PointFault fault = PointFault::outside_grid;
    std::uint64_t lines = 0;  // lines the reader passed over for what they hold
};

// Where the points of a user's file should lie (the source system's area
// of use, as M and P bounds): the points transformed outside it are counted
// and the first one kept, to be told once the job is done.
struct AreaCheck {
    double m_min = 0, m_max = 0, p_min = 0, p_max = 0;
    bool stop = false;  // a point outside stops the loop as compute's refusal would
    // Latitude and longitude: a point that lies inside once the two are
    // swapped is refused, whatever `stop` says.
    bool geographic = false;
    std::uint64_t outside = 0;
    long line = 0;
    std::string name;  // quoted, in UTF-8
    double m = 0, p = 0;

    [[nodiscard]] bool holds(double m_, double p_) const noexcept {
        return m_ >= m_min && m_ <= m_max && p_ >= p_min && p_ <= p_max;
    }
};

// The faults the loop finds in a point, at the reader's file and line.
[[nodiscard]] TesraError not_finite_error(const FieldReader& in, std::string_view name);
[[nodiscard]] TesraError quoted_name_error(const FieldReader& in, std::string_view name);
[[nodiscard]] TesraError swapped_error(const FieldReader& in, const PointRecord& record);

// The loop of every routine: opens fich1 for reading, then fich2 for
// writing (or hands the records to its sink), and writes one record per
// named input record with the coordinates that compute(m, p, m_out, p_out)
// gives. compute returns false to stop the loop early; the output is then
// closed and left to the caller. Any read or write fault, or a coordinate
// that is not finite, throws TesraError after discarding fich2.
// Given `skipped`, a point compute refuses or whose result is not finite is
// left out and noted there instead, and the loop goes on; so is a line the
// reader refuses for what it holds (counted there).
// Without `skipped`, compute may run on several threads at once (fich1's
// ChunkPlan), so it must change nothing shared.
template <class Compute>
LoopEnd transform_point_file(const PointFile& fich1, const PointFile& fich2, Compute&& compute,
                             SkippedPoints* skipped = nullptr) {
    FieldReader first(fich1);
    if (skipped != nullptr) first.leave_out_faulty_lines([skipped](const FieldReader::LineFault&) { ++skipped->lines; });
    std::optional<OutputFile> out;
    if (fich2.sink == nullptr) out.emplace(fich2);
    ChunkedRead chunked;
    if (skipped == nullptr && fich1.chunks.threads > 1 && (out || fich2.sink->formats_apart())) {
        const ChunkBody body = [&](FieldReader& reader, ByteBlock& block) {
            PointRecord record;
            while (reader.read_record(record)) {
                double m = 0, p = 0;
                // Whatever would stop the loop or throw is left to the
                // reading in order, which reports it as it comes.
                if ((fich1.area != nullptr && !fich1.area->holds(record.m, record.p)) ||
                    !compute(record.m, record.p, m, p) || !(std::fabs(m) <= largest_written_number) ||
                    !(std::fabs(p) <= largest_written_number) || record.name.find('"') != std::string_view::npos) {
                    return false;
                }
                if (out) {
                    write_record(block, record.name, m, p, record.columns);
                } else {
                    fich2.sink->format(PointRecord{record.name, m, p, record.columns, {}}, block);
                }
            }
            return true;
        };
        const ChunkOut write_out = [&](std::string_view bytes) {
            if (out) {
                out->write(bytes);
            } else {
                fich2.sink->write_bytes(bytes);
            }
        };
        chunked = read_in_chunks(first, fich1.chunks, body, write_out);
        if (chunked.taken && !chunked.rest) {
            if (out) out->close();
            return {};
        }
    }
    FieldReader& in = chunked.rest ? *chunked.rest : first;
    PointRecord record;
    for (std::uint64_t ordinal = 0; in.read_record(record); ++ordinal) {
        // The written form has no escape for a quote: such a name would come
        // back cut short from the intermediate file, or from a rejects file
        // were the point left out, so it is refused wherever the point lies.
        if (record.name.find('"') != std::string_view::npos) throw quoted_name_error(in, record.name);
        double m = 0, p = 0;
        const bool outside = fich1.area != nullptr && !fich1.area->holds(record.m, record.p);
        if (outside && fich1.area->geographic && fich1.area->holds(record.p, record.m)) {
            if (skipped != nullptr) {
                skipped->points.push_back({ordinal, PointFault::swapped});
                continue;
            }
            throw swapped_error(in, record);
        }
        if ((outside && fich1.area->stop) || !compute(record.m, record.p, m, p)) {
            if (skipped != nullptr) {
                skipped->points.push_back({ordinal, outside && fich1.area->stop ? PointFault::outside_area
                                                                                : skipped->fault});
                continue;
            }
            if (out) out->close();
            return {true, record.m, record.p};
        }
        // Also refuses what the intermediate file could not carry (NaN fails both tests).
        if (!(std::fabs(m) <= largest_written_number) || !(std::fabs(p) <= largest_written_number)) {
            if (skipped != nullptr) {
                skipped->points.push_back({ordinal, PointFault::not_finite});
                continue;
            }
            throw not_finite_error(in, record.name);
        }
        if (outside && fich1.area->outside++ == 0) {
            AreaCheck& a = *fich1.area;
            a.line = in.line();
            a.name = quote_excerpt(record.name, in.encoding());
            a.m = record.m;
            a.p = record.p;
        }
        if (out) {
            write_record(*out, record.name, m, p, record.columns);
        } else {
            fich2.sink->write(PointRecord{record.name, m, p, record.columns, {}});
        }
    }
    if (out) out->close();
    return {};
}


}  // namespace tesra
