// Services for the Windows desktop program: MessageBoxW, the busy pointer
// over the main window, and closing it.
#pragma once

#include <string>

#include <windows.h>

#include "services.hpp"

namespace tesra::ui::win {

class Win32Services final : public Services {
public:
    // The window that owns the messages and whose closing ends the program.
    void attach(HWND main_window) { main_window_ = main_window; }

    // A scripted run writes each message, title first, to this UTF-8 file
    // instead of waiting for a click, and answers every question "Sim".
    void record_messages_to(std::wstring path) { record_ = std::move(path); }
    [[nodiscard]] bool recording() const { return !record_.empty(); }

    // Modal to the program, one OK button, no icon.
    void message_box(std::string_view prompt, std::optional<std::string_view> title) override;
    void set_pointer(Pointer pointer) override;
    void end_program() override;

    // "Sim" or "Não", "Não" the default.
    bool ask(std::string_view question);

    // For WM_SETCURSOR: true when the busy pointer is on.
    [[nodiscard]] bool busy() const { return busy_; }

private:
    void record(std::string_view title, std::string_view text);

    HWND main_window_ = nullptr;
    std::wstring record_;
    bool busy_ = false;
};

}  // namespace tesra::ui::win
