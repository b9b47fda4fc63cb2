// Services for the command-line front end: every message goes to standard
// error, one per line; the busy pointer means nothing; ending the program is
// remembered so main() can return.
#pragma once

#include <cstdio>

#include "services.hpp"

namespace tesra {

class ConsoleServices final : public Services {
public:
    explicit ConsoleServices(std::FILE* messages = stderr) : messages_(messages) {}
    void message_box(std::string_view prompt, std::optional<std::string_view> title) override;
    void set_pointer(Pointer) override {}
    void end_program() override { end_requested_ = true; }
    [[nodiscard]] bool end_requested() const noexcept { return end_requested_; }

private:
    std::FILE* messages_;
    bool end_requested_ = false;
};

}  // namespace tesra
