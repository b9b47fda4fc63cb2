#include "jobs/skipped_ledger.hpp"

#include <algorithm>
#include <optional>

namespace tesra {

namespace {

// The points the second routine left out, renumbered as records of the
// input (the first routine's skips are not in its file), merged with the
// first routine's.
std::vector<SkippedPoints::Point> skipped_in_input(const SkippedPoints& first, const SkippedPoints& second) {
    std::vector<SkippedPoints::Point> renumbered;
    std::size_t j = 0;
    for (SkippedPoints::Point point : second.points) {
        point.ordinal += j;
        while (j < first.points.size() && first.points[j].ordinal <= point.ordinal) {
            ++point.ordinal;
            ++j;
        }
        renumbered.push_back(point);
    }
    std::vector<SkippedPoints::Point> all(first.points.size() + renumbered.size());
    std::merge(first.points.begin(), first.points.end(), renumbered.begin(), renumbered.end(), all.begin(),
               [](const auto& a, const auto& b) { return a.ordinal < b.ordinal; });
    return all;
}

const char* why(PointFault fault) noexcept {
    return fault == PointFault::outside_grid ? "está fora dos limites da grelha"
           : fault == PointFault::no_data    ? "está junto de um nó da grelha sem valor"
           : fault == PointFault::no_inverse ? "o polinómio inverso não converge para ele"
           : fault == PointFault::outside_area ? "está fora da área do Sistema 1"
           : fault == PointFault::outside_projection ? "não tem latitude e longitude válidas ou está longe demais "
                                                       "do meridiano central da projeção"
           : fault == PointFault::swapped ? "tem a latitude e a longitude trocadas"
                                             : "dá coordenadas que não são números finitos";
}

}  // namespace

std::vector<SkippedPoints::Point> SkippedLedger::in_input() const {
    // Each step's skips are numbered among the records it read.
    SkippedPoints skipped = steps_[0];
    for (std::size_t i = 1; i < steps_.size(); ++i) skipped.points = skipped_in_input(skipped, steps_[i]);
    return skipped.points;
}

void report_skipped(const PointFile& input, const std::vector<SkippedPoints::Point>& skipped, std::uint64_t lines,
                    const std::string& rejects, int rejects_stream, Services& services) {
    if (skipped.empty() && lines == 0 && rejects.empty()) return;
    FieldReader in(input);
    std::optional<OutputFile> out;
    if (rejects_stream >= 0) {
        out.emplace(PointFile::stream(rejects, rejects_stream));
    } else if (!rejects.empty()) {
        out.emplace(rejects, OutputFile::Mode::replace);
    }
    // What the input held before its first point goes before the first one left out.
    bool started = false;
    const auto start = [&] {
        if (!started) out->write(in.preamble());
        started = true;
    };
    const auto reject = [&](std::string_view text) {
        if (!out) return;
        start();
        out->write(text);
        out->write("\r\n");
    };
    std::uint64_t lines_seen = 0;
    in.leave_out_faulty_lines([&](const FieldReader::LineFault& fault) {
        ++lines_seen;
        services.message_box("Ficheiro \"" + shown_name(input.path) + "\", linha " + std::to_string(fault.line) +
                             ": a linha foi deixada de fora: " + fault.fault + ".");
        reject(fault.text);
    });
    PointRecord record;
    std::size_t next = 0;
    for (std::uint64_t ordinal = 0; (next < skipped.size() || lines_seen < lines) && in.read_record(record);
         ++ordinal) {
        if (next == skipped.size() || skipped[next].ordinal != ordinal) continue;
        const PointFault fault = skipped[next++].fault;
        services.message_box("Ficheiro \"" + shown_name(input.path) + "\", linha " + std::to_string(in.line()) +
                             ": o ponto " + quote_excerpt(record.name) + " foi deixado de fora: " + why(fault) + ".");
        if (!out) continue;
        if (record.line.data() != nullptr) {
            reject(record.line);
        } else {
            start();
            write_record(*out, record.name, record.m, record.p);
        }
    }
    if (out) out->close();
    const std::uint64_t left_out = skipped.size() + lines;
    if (left_out == 0) return;
    services.message_box("Pontos deixados de fora: " + std::to_string(left_out) +
                         (rejects.empty() ? "." : " (guardados em \"" + shown_name(rejects) + "\")."));
}

}  // namespace tesra
