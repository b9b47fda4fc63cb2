// Services for the command-line front end: every message goes to standard
// error, one per line, and the completion message to standard output; the
// busy pointer means nothing, and main() returns once the job has ended.
// With no stream for it (nullptr), the completion message is not shown.
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
    void end_program() override {}

private:
    std::FILE* messages_;
    std::FILE* report_;
};

}  // namespace tesra
