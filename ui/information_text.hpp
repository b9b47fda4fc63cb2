// The information window's text, the same in every front end.
#pragma once

#include <array>
#include <string_view>

namespace tesra::ui {

// The list's lines in order (UTF-8); blanks at either end belong to them.
extern const std::array<std::string_view, 67> information_lines;

}  // namespace tesra::ui
