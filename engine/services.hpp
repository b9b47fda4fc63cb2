// What the engine needs from whoever runs it: a way to tell the user something,
// a busy pointer, word of a long job's progress with a way to cancel it, and
// a way to ask for the program to end. The engine never
// exits the process itself; the front end decides what "ending" means.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tesra {

// Shown by message boxes that carry no title of their own.
inline constexpr std::string_view application_title = "Tesra_ascii";
// The completion message and the parameter-file messages carry this one.
inline constexpr std::string_view program_title = "Velmar - Tesra_ascii";

enum class Pointer { normal, busy };

class Services {
public:
    virtual ~Services() = default;

    // Modal, OK button only, no icon. Without a title the front end shows
    // application_title. Texts are UTF-8; returns when dismissed.
    virtual void message_box(std::string_view prompt,
                             std::optional<std::string_view> title = std::nullopt) = 0;

    // The message that closes a successful job ("Criado o ficheiro: ...").
    // A message box like any other unless the front end has a better place.
    virtual void completion_message(std::string_view prompt, std::string_view title) {
        message_box(prompt, title);
    }

    virtual void set_pointer(Pointer pointer) = 0;

    // Told while a job reads its points, at most once per 64 KiB read:
    // bytes_read of bytes_total (0 when the total cannot be known, as for a
    // pipe). False cancels the job, which then unwinds and leaves nothing.
    // A front end without a way to cancel keeps going.
    virtual bool keep_going(std::uint64_t /*bytes_read*/, std::uint64_t /*bytes_total*/) { return true; }

    // Asked once a job has been accepted, before it writes anything, when a
    // file already stands at its output path. False refuses the job and
    // leaves the file. Command lines overwrite, as command-line tools do.
    virtual bool replace_existing(std::string_view /*path*/) { return true; }

    // Asks the front end to close the main window, which ends the program.
    // Must return: the engine finishes its own clean-up after calling it.
    virtual void end_program() = 0;
};

// The busy pointer for as long as the guard lives; release() keeps it on
// past the guard's end (the official routines leave it to the job).
class BusyPointer {
public:
    explicit BusyPointer(Services& services) : services_(&services) { services.set_pointer(Pointer::busy); }
    ~BusyPointer() {
        if (services_ != nullptr) services_->set_pointer(Pointer::normal);
    }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
    void release() noexcept { services_ = nullptr; }

private:
    Services* services_;
};

}  // namespace tesra
