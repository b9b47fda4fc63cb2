#include "win32_services.hpp"

#include <cstdio>

#include "text.hpp"

namespace tesra::ui::win {

void Win32Services::record(std::string_view title, std::string_view text) {
    if (FILE* file = _wfopen(record_.c_str(), L"ab")) {
        std::fprintf(file, "%.*s: %.*s\n", static_cast<int>(title.size()), title.data(),
                     static_cast<int>(text.size()), text.data());
        std::fclose(file);
    }
}

void Win32Services::message_box(std::string_view prompt, std::optional<std::string_view> title) {
    const std::string_view caption = title.value_or(application_title);
    if (recording()) return record(caption, prompt);
    MessageBoxW(main_window_, wide(prompt).c_str(), wide(caption).c_str(), MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
}

bool Win32Services::ask(std::string_view question) {
    if (recording()) {
        record(application_title, question);
        return true;
    }
    return MessageBoxW(main_window_, wide(question).c_str(), wide(application_title).c_str(),
                       MB_YESNO | MB_DEFBUTTON2 | MB_TASKMODAL) == IDYES;
}

void Win32Services::set_pointer(Pointer pointer) {
    busy_ = pointer == Pointer::busy;
    SetCursor(LoadCursorW(nullptr, busy_ ? IDC_WAIT : IDC_ARROW));
}

void Win32Services::end_program() {
    if (main_window_ != nullptr) DestroyWindow(main_window_);
}

}  // namespace tesra::ui::win
