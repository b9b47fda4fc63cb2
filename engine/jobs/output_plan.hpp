// Where and how a job's output is written, decided from what the paths are
// (path_safety.hpp) before the first step: by the last step as its records
// come, or after the steps from one more intermediate; the steps as one
// pass over the input or one by one; the intermediates beside the output or
// in the system's temporary folder. A file at the output path is replaced
// whole or not at all (OutputFile::Mode::replace); a stream gets the output
// only once every step has succeeded, since what it was given cannot be
// taken back.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "jobs/path_safety.hpp"

namespace tesra {

struct OutputPlan {
    // The last step writes the output itself. Else it writes one more
    // intermediate, and the output is made from it after the steps.
    bool last_step_writes = false;
    // It does so before the input's encoding is settled (detection on a
    // one-step route), guessing Windows-1252, the verdict on every file whose
    // names are ASCII. A file that proves UTF-8 has its output thrown away
    // and the step run again, the encoding then known.
    bool encoding_guessed = false;
    // The steps are tried first as one pass over the input, each point
    // carried from step to step in memory.
    bool one_pass = false;
    // Intermediates written when the steps run one by one.
    std::size_t intermediates = 0;
    // Where they go: beside the output, which the job may write; "" for the
    // system's temporary folder.
    std::string intermediate_dir;
};

[[nodiscard]] OutputPlan plan_output(const JobRequest& request, const JobOptions& options, const JobPaths& paths,
                                     std::size_t steps);

// The job's output as the last step's records arrive. A fault in creating
// it waits until close(), so that a fault in the points, found later in the
// step, is the one reported, as it is when the output is written after the
// steps.
class OutputSink final : public RecordSink {
public:
    OutputSink(const PointFile& output, const OutputOptions& options, std::string_view source,
               std::string_view target, bool utf8) {
        try {
            writer_.emplace(output, options, source, target, utf8);
        } catch (const TesraError& e) {
            fault_.emplace(e);
        }
    }
    void write(const PointRecord& record) override {
        if (writer_) writer_->write(record);
    }
    [[nodiscard]] bool formats_apart() const noexcept override { return writer_ && writer_->formats_apart(); }
    void format(const PointRecord& record, ByteBlock& block) const override { writer_->format(record, block); }
    void write_bytes(std::string_view bytes) override { writer_->write_bytes(bytes); }
    void close() {
        if (fault_) throw *fault_;
        writer_->close();
    }

private:
    std::optional<OutputWriter> writer_;  // destroyed unclosed: the output is discarded
    std::optional<TesraError> fault_;
};

}  // namespace tesra
