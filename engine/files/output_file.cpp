#include "files/output_file.hpp"

#include <cstring>

#include "files/intermediate.hpp"
#include "files/temporaries.hpp"
#include "text/errors.hpp"
#include "text/numtext.hpp"

namespace tesra {

OutputFile::OutputFile(std::string path, Mode mode) : path_(std::move(path)), buf_(write_chunk) {
    // What the path leads to as the system opens it: a link to an open
    // pipe (/dev/fd/3, say) names no file whose folder could hold a
    // temporary one, and is written as the stream it is.
    const os::Kind leads_to = mode == Mode::replace ? os::status(path_).kind : os::Kind::none;
    if (mode == Mode::replace && (leads_to == os::Kind::none || leads_to == os::Kind::regular)) {
        const std::string target = os::follow_links(path_);
        const os::Status st = os::status(target);
        const bool exists = st.kind != os::Kind::none;
        if (!exists || st.kind == os::Kind::regular) {
            // A file the user has made read-only stays protected, as it
            // would be if it were written in place.
            if (exists && !os::writable(target)) throw open_error(path_, os::last_error(), true);
            const std::string base = os::name_of(target);
            for (int attempt = 0; file_ == os::no_file; ++attempt) {
                rename_from_ = os::temporary_name(os::folder_of(target), base);
                ticket_ = register_temporary(rename_from_);
                file_ = os::create_new(rename_from_, /*owner_only=*/exists);
                const os::Error error = os::last_error();
                end_creation();
                if (file_ != os::no_file) break;
                unregister_temporary(ticket_);
                ticket_ = -1;
                rename_from_.clear();
                if (os::fault_of(error) != os::Fault::exists || attempt == 100) throw open_error(path_, error, true);
            }
            rename_to_ = target;
            if (exists) (void)os::set_mode(file_, st.mode);
            regular_ = true;
            return;
        }
    }
    open_stream();
}

OutputFile::OutputFile(const PointFile& file) : path_(file.path), buf_(write_chunk) {
    if (file.stream_fd != os::no_file) {
        file_ = os::duplicate(file.stream_fd);
        if (file_ == os::no_file) throw open_error(path_, os::last_error(), true);
        return;
    }
    if (file.intermediate == nullptr) {
        open_stream();
        return;
    }
    file_ = os::duplicate(file.intermediate->file());
    if (file_ == os::no_file || !os::truncate(file_) || !os::rewind(file_)) {
        const os::Error error = os::last_error();
        if (file_ != os::no_file) os::close(file_);
        file_ = os::no_file;
        throw open_error(path_, error, true);
    }
}

void OutputFile::open_stream() {
    file_ = os::create(path_);
    if (file_ == os::no_file) throw open_error(path_, os::last_error(), true);
    const os::Status st = os::status(file_);
    if (st.kind != os::Kind::none) {
        regular_ = st.kind == os::Kind::regular;
        identity_ = st.identity;
    }
}

OutputFile::~OutputFile() {
    // Also after a failed close: what the file holds is not to be trusted.
    if (file_ != os::no_file || untrusted_) discard();
}

void OutputFile::write_all(const char* bytes, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        const std::ptrdiff_t written = os::write(file_, bytes + done, n - done);
        if (written < 0) throw write_error(path_, os::last_error());
        done += static_cast<std::size_t>(written);
    }
}

void OutputFile::flush() {
    write_all(buf_.data(), used_);
    used_ = 0;
}

void OutputFile::write_past(std::string_view bytes) {
    flush();
    // A whole chunk of records goes out as it is, not through the buffer.
    if (bytes.size() >= buf_.size()) {
        write_all(bytes.data(), bytes.size());
        return;
    }
    std::char_traits<char>::copy(buf_.data(), bytes.data(), bytes.size());
    used_ = bytes.size();
}

void OutputFile::flush_for(std::size_t n) {
    flush();
    buf_.grow(n, 0);
}

void OutputFile::close() {
    flush();
    const os::File file = file_;
    file_ = os::no_file;
    os::Error error = 0;
    if (!os::close(file)) error = os::last_error();
    if (error == 0 && !rename_from_.empty()) {
        if (os::replace(rename_from_, rename_to_)) {
            unregister_temporary(ticket_);
            rename_from_.clear();
            return;
        }
        error = os::last_error();
    }
    if (error != 0) {
        untrusted_ = true;
        throw write_error(path_, error);
    }
}

void OutputFile::discard() noexcept {
    if (file_ != os::no_file) {
        // Emptied first, so that its space comes back even while another
        // process still holds it open; a failure here changes nothing.
        if (regular_) (void)os::truncate(file_);
        os::close(file_);
    }
    file_ = os::no_file;
    untrusted_ = false;
    used_ = 0;
    if (!rename_from_.empty()) {
        os::remove(rename_from_);
        unregister_temporary(ticket_);
        rename_from_.clear();
        return;
    }
    if (!regular_) return;
    const os::Status st = os::link_status(path_);
    if (st.kind == os::Kind::regular && st.identity == identity_) os::remove(path_);
}

namespace {

template <class Out>
void put_record(Out& out, std::string_view name, double m, double p, std::span<const std::string_view> columns) {
    char* const start = out.reserve(name.size() + 2 * number_text_capacity + 6);
    char* w = start;
    *w++ = '"';
    std::memcpy(w, name.data(), name.size());
    w += name.size();
    *w++ = '"';
    *w++ = ',';
    w = write_number(w, m);
    *w++ = ',';
    w = write_number(w, p);
    if (!columns.empty()) {
        out.commit(static_cast<std::size_t>(w - start));
        for (std::string_view column : columns) {
            out.write(",\"");
            for (std::size_t quote; (quote = column.find('"')) != std::string_view::npos;) {
                out.write(column.substr(0, quote + 1));
                out.write("\"");
                column.remove_prefix(quote + 1);
            }
            out.write(column);
            out.write("\"");
        }
        out.write("\r\n");
        return;
    }
    *w++ = '\r';
    *w++ = '\n';
    out.commit(static_cast<std::size_t>(w - start));
}

}  // namespace

void write_record(OutputFile& out, std::string_view name, double m, double p,
                  std::span<const std::string_view> columns) {
    put_record(out, name, m, p, columns);
}

void write_record(ByteBlock& out, std::string_view name, double m, double p,
                  std::span<const std::string_view> columns) {
    put_record(out, name, m, p, columns);
}

}  // namespace tesra
