#include "console_services.hpp"

namespace tesra {

void ConsoleServices::message_box(std::string_view prompt, std::optional<std::string_view>) {
    std::fwrite(prompt.data(), 1, prompt.size(), messages_);
    std::fputc('\n', messages_);
    std::fflush(messages_);
}

void ConsoleServices::completion_message(std::string_view prompt, std::string_view) {
    if (report_ == nullptr) return;
    std::fwrite(prompt.data(), 1, prompt.size(), report_);
    std::fputc('\n', report_);
    std::fflush(report_);
}

}  // namespace tesra
