// The console of tesra-cli on Windows, shared by its start and its Ctrl-C.
#pragma once

#include <string_view>

namespace tesra::windows {

// A last message on standard error, written before the process ends on the
// spot: straight to the console, past the text still on its way there.
void write_final_message(std::string_view text) noexcept;

}  // namespace tesra::windows
