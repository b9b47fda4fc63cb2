// Files written: the user's outputs, with the atomic replace of a report,
// the job's intermediates and the front end's streams; and the written
// form of a record.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "files/bytes.hpp"
#include "files/records.hpp"
#include "os.hpp"

namespace tesra {

// A buffered output file. Either close() (which reports a failed flush,
// close or rename) or discard(); destroying an open file discards it.
//  - OutputFile(path): created or emptied at once, as a stream; discard()
//    empties and removes it while the path still names the regular file it
//    created (never a device, a directory or the target of a link).
//  - OutputFile(path, Mode::replace): a report that appears whole or not at all.
//    It is written beside its final place under a temporary name and renamed
//    over it by close(); until then a file at the path is untouched. A link
//    keeps pointing where it did and its target is replaced; a file keeps its
//    permissions. A path that names something other than a regular file (a
//    device, a FIFO, a terminal) is written as a stream.
//  - OutputFile(intermediate): into one of the job's intermediates.
//  - OutputFile(stream): onto the front end's stream, never truncated,
//    renamed or removed (what was written cannot be taken back).
class OutputFile {
public:
    enum class Mode { stream, replace };
    explicit OutputFile(std::string path, Mode mode = Mode::stream);
    explicit OutputFile(const PointFile& file);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(std::string_view bytes) {
        if (bytes.size() > buf_.size() - used_) {
            write_past(bytes);
            return;
        }
        std::char_traits<char>::copy(buf_.data() + used_, bytes.data(), bytes.size());
        used_ += bytes.size();
    }
    // Room for at least n more bytes at the returned pointer; commit(k) after.
    char* reserve(std::size_t n) {
        if (n > buf_.size() - used_) flush_for(n);
        return buf_.data() + used_;
    }
    void commit(std::size_t n) noexcept { used_ += n; }

    void close();
    void discard() noexcept;
    [[nodiscard]] const std::string& path() const noexcept { return path_; }

private:
    void open_stream();
    void flush_for(std::size_t n);
    void flush();
    void write_past(std::string_view bytes);  // more than the buffer has room for
    void write_all(const char* bytes, std::size_t n);

    std::string path_;     // what messages name
    std::string rename_from_;  // Mode::replace: the temporary name, renamed over rename_to_
    std::string rename_to_;
    int ticket_ = -1;  // of the temporary name, for a signal's clean-up
    os::File file_ = os::no_file;
    bool untrusted_ = false;  // closed, but a failed close leaves what it holds in doubt
    ByteBuffer buf_;
    std::size_t used_ = 0;
    os::Identity identity_;
    bool regular_ = false;
};

// The written form of one record: "name",M,P then CR LF. Further columns
// go after P, each quoted with its quotes doubled; a reader reads such
// records one per line.
void write_record(OutputFile& out, std::string_view name, double m, double p,
                  std::span<const std::string_view> columns = {});
void write_record(ByteBlock& out, std::string_view name, double m, double p,
                  std::span<const std::string_view> columns = {});

}  // namespace tesra
