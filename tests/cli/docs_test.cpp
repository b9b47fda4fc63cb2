// What tesra-cli says about itself: --help and --list on an 80-column
// terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "options.hpp"
#include "support.hpp"

namespace tesra::cli {
namespace {

std::size_t widest_line(const std::string& text) {
    std::size_t widest = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        widest = std::max<std::size_t>(widest, std::count_if(line.begin(), line.end(), [](char c) {
                                           return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
                                       }));
    }
    return widest;
}

TEST(Docs, HelpAndListFitEightyColumns) {
    robust::ScratchDir dir;
    const robust::CliRun help = robust::run_cli(dir.path(), {"--help"});
    EXPECT_EQ(help.out, usage_text());
    EXPECT_EQ(robust::run_cli(dir.path(), {"-h"}).out, help.out);
    EXPECT_EQ(robust::run_cli(dir.path(), {"-V"}).out, robust::run_cli(dir.path(), {"--version"}).out);
    EXPECT_LE(widest_line(help.out), 80u);
    const robust::CliRun list = robust::run_cli(dir.path(), {"--list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_LE(widest_line(list.out), 80u);
    EXPECT_GT(widest_line(list.out), 70u);  // it is the list, not an error
    // Wrapping breaks at blanks only and keeps every word.
    EXPECT_EQ(wrap("um dois três", "  ", "    ", 9), "  um dois\n    três\n");
    EXPECT_EQ(wrap("palavra-longa x", "", " ", 5), "palavra-longa\n x\n");
}

}  // namespace
}  // namespace tesra::cli
