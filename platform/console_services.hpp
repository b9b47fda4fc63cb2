// Services for the command-line front end: every message goes to standard
// error, one per line, and the completion message to standard output; the
// busy pointer means nothing; ending the program is remembered so main() can
// return.
#pragma once

#include <cstdio>

#include "services.hpp"

namespace tesra {

class ConsoleServices final : public Services {
public:
    explicit ConsoleServices(std::FILE* messages = stderr, std::FILE* report = stdout)
        : messages_(messages), report_(report) {}
    void message_box(std::string_view prompt, std::optional<std::string_view> title) override;
    void completion_message(std::string_view prompt, std::string_view title) override;
    void set_pointer(Pointer) override {}
    void end_program() override { end_requested_ = true; }
    [[nodiscard]] bool end_requested() const noexcept { return end_requested_; }

private:
    std::FILE* messages_;
    std::FILE* report_;
    bool end_requested_ = false;
};

}  // namespace tesra
