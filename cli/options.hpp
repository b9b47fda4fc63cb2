// Command-line options of tesra-cli, parsed without touching any file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dialect.hpp"

namespace tesra::cli {

struct Options {
    std::string from;  // exact system name (aliases already resolved)
    std::string to;
    std::string param_x;
    std::string param_y;
    std::optional<char> decimal_separator;
    std::optional<std::string> grid_dir;
    PointFileDialect dialect;  // how the input is written
    std::string input;
    std::string output;
    bool help = false;
    bool version = false;
    bool list = false;
};

struct ParseResult {
    std::optional<Options> options;  // empty on a usage error
    std::string error;
};

ParseResult parse_options(const std::vector<std::string_view>& args);

// The system name an alias (or the name itself) stands for; the text
// unchanged when it is neither, so the job reports it as it would a typed one.
std::string resolve_system(std::string_view text);

std::string usage_text();

}  // namespace tesra::cli
