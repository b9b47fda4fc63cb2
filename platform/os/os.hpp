// What the engine asks of the operating system, in its own words: files
// opened, read, written, replaced and removed; what a path names; the
// process's place and the processors it may use. One implementation per
// system (posix/ and windows/), and nothing above this header knows
// which. Paths are UTF-8 byte strings, used exactly as given (Windows gets
// them as UTF-16).
//
// A call that fails returns no_file, -1 or false and leaves the reason in
// last_error(), as the system's own errno does; calls that cannot fail
// say so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tesra::os {

// ----------------------------------------------------------- failures

// A failure as the system told it (errno; GetLastError() on Windows), kept
// whole for the message.
using Error = int;

// The reason of the last failed call on this thread.
[[nodiscard]] Error last_error() noexcept;

// The causes the engine's messages tell apart; anything else is `other`,
// and described in the system's own words.
enum class Fault : unsigned char {
    other,
    missing,        // no such file or folder
    denied,         // no permission
    is_folder,      // a folder where a file was wanted
    not_folder,     // the path runs through something that is not a folder
    name_too_long,
    disk_full,
    quota_exceeded,
    read_only,      // a file system that only allows reading
    device,         // the disk failed to read or write
    too_large,      // the file would exceed the size allowed
    exists,         // a file already has the name
};
[[nodiscard]] Fault fault_of(Error error) noexcept;
// The system's own text for the error.
[[nodiscard]] std::string describe(Error error);

// -------------------------------------------------------------- files

// An open file: a descriptor (on Windows, the C runtime's, over a handle).
// Never inherited by another program the process might start.
using File = int;
inline constexpr File no_file = -1;

// A file to read from its start; a folder is refused (Fault::is_folder).
[[nodiscard]] File open_for_reading(const std::string& path);
// A file to write, created if missing (readable and writable by all the
// user's umask allows), emptied if not.
[[nodiscard]] File create(const std::string& path);
// A file to write that must not exist yet (Fault::exists if it does);
// `owner_only`: only its owner may read or write it.
[[nodiscard]] File create_new(const std::string& path, bool owner_only);
// A file to write and read back that has no name from the moment it exists,
// in `folder`: no one else can open or remove it, and it is gone with the
// last handle to it, however the process ends.
[[nodiscard]] File create_nameless(const std::string& folder);
// A second handle on the same open file, sharing its position.
[[nodiscard]] File duplicate(File file);
// Closes the file; an interrupted close counts as done (the handle is gone
// either way).
bool close(File file) noexcept;

// Up to `size` bytes from the file's position, moving it: the count, 0 at
// the end of the file, -1 on failure. An interrupted call is resumed.
[[nodiscard]] std::ptrdiff_t read(File file, char* into, std::size_t size);
// The same from `offset`, without moving the position (threads may share
// the file).
[[nodiscard]] std::ptrdiff_t read_at(File file, char* into, std::size_t size, std::uint64_t offset);
// Some of `size` bytes at the file's position: the count written, -1 on
// failure. An interrupted call is resumed.
[[nodiscard]] std::ptrdiff_t write(File file, const char* bytes, std::size_t size);
// Back to the file's start.
bool rewind(File file);
// Emptied: size 0, space given back.
bool truncate(File file);

// ------------------------------------------------------------ what a path names

enum class Kind : unsigned char {
    none,     // nothing could be found out: missing, or not to be asked (Status::error says)
    regular,  // a file
    folder,
    link,     // only from link_status()
    other,    // a device, a FIFO, a socket...
};

// Which file a path or handle leads to, however the path is spelt: device
// and inode here; volume serial and file index on Windows.
struct Identity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    friend bool operator==(const Identity&, const Identity&) = default;
};

struct Status {
    Kind kind = Kind::none;
    std::uint64_t size = 0;  // regular files only
    unsigned mode = 0;       // permissions (Windows: attributes), as set_mode() takes them back
    Identity identity;
    Error error = 0;         // Kind::none: why
};

// Of the file a path leads to, through links.
[[nodiscard]] Status status(const std::string& path);
// Of the path itself: a link is a link.
[[nodiscard]] Status link_status(const std::string& path);
// Of an open file.
[[nodiscard]] Status status(File file);

// Whether the process may write to the existing file at `path`.
[[nodiscard]] bool writable(const std::string& path);
// The permissions another file had (Status::mode), given to this one.
bool set_mode(File file, unsigned mode);

// The path a link leads to, followed to its end even when the file it
// names does not exist yet; any other path unchanged.
[[nodiscard]] std::string follow_links(std::string path);

// `from` takes the place of `to` in one step: no one sees `to` missing or
// half written. Both in the same folder.
bool replace(const std::string& from, const std::string& to);
// Removes the name. The C-string form may be called from a signal handler.
bool remove(const std::string& path) noexcept;
bool remove(const char* path) noexcept;

// ------------------------------------------------------------ paths

// The folder part of a path: "." for a bare name. Either separator the
// system knows ends it.
[[nodiscard]] std::string folder_of(const std::string& path);
// The last part of a path, after its folder ("" after a trailing separator).
[[nodiscard]] std::string name_of(const std::string& path);
// `name` in `folder` ("" for the current folder).
[[nodiscard]] std::string join(const std::string& folder, std::string_view name);

// A path as std::filesystem takes it, and back, in UTF-8 on every system
// (from a plain std::string, Windows's std::filesystem reads the ANSI code
// page, and a name in any other script is lost).
[[nodiscard]] std::filesystem::path to_fs_path(const std::string& path);
[[nodiscard]] std::string from_fs_path(const std::filesystem::path& path);

// A name for a temporary file in `folder` that is plainly one to anyone
// who finds it after a crash: ".<base>.tesra-<process>-<n>", hidden, n
// counting up within the process. No file has it yet unless one was left
// behind: create it with create_new().
[[nodiscard]] std::string temporary_name(const std::string& folder, std::string_view base);

// ------------------------------------------------------------ the process

[[nodiscard]] unsigned long process_id() noexcept;
// The folder of the running executable, resolved through links (an
// installed program is started through a link in bin/ while its grid files
// lie beside the real file). Without a trailing separator; empty if it
// cannot be found out.
[[nodiscard]] std::string executable_folder();
// Where temporary files go when no better place is known.
[[nodiscard]] std::string temporary_folder();
// How many processors this process may run on: its affinity, which a
// container or `taskset` narrows, rather than all the machine has. At least 1.
[[nodiscard]] unsigned available_cores() noexcept;

}  // namespace tesra::os
