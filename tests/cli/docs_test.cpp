// What tesra-cli says about itself: --help and --list on an 80-column
// terminal, and the manual page and the README naming the options --help
// names, no more and no fewer.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
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

// Options as a text names them: a dash or two and a letter, after a blank
// or punctuation (not "Windows-1252" or "Hayford-Gauss"), on lines that
// show no other program's options (GDAL's and PROJ's tools). troff's
// escaped dashes and font changes are undone first.
std::set<std::string> options_named(std::string text) {
    std::string ours;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("ogrinfo") == std::string::npos && line.find("projinfo") == std::string::npos) ours += line + "\n";
    }
    text = ours;
    for (std::size_t at; (at = text.find("\\-")) != std::string::npos;) text.erase(at, 1);
    for (const char* font : {"\\fB", "\\fI", "\\fR", "\\fP"}) {
        for (std::size_t at; (at = text.find(font)) != std::string::npos;) text.erase(at, 3);
    }
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    std::set<std::string> named;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '-' || (i > 0 && (letter(text[i - 1]) || digit(text[i - 1]) || text[i - 1] == '-'))) {
            continue;
        }
        const std::size_t start = i;
        i += text[i + 1] == '-' ? 2 : 1;
        if (i >= text.size() || !letter(text[i])) continue;
        while (i < text.size() && (letter(text[i]) || text[i] == '-')) ++i;
        named.insert(text.substr(start, i - start));
    }
    return named;
}

std::string source_file(const std::string& name) { return robust::read_file(TESRA_SOURCE_DIR "/" + name); }

TEST(Docs, ManualPageAndReadmeNameTheOptionsOfHelp) {
    const std::set<std::string> help = options_named(usage_text());
    EXPECT_EQ(help.size(), 28u);  // the 25 long options and -h, -V, -q
    EXPECT_EQ(options_named(source_file("packaging/man/tesra-cli.1")), help);
    const std::string readme = source_file("README.md");
    const std::size_t start = readme.find("\n## The command line\n");
    const std::size_t end = readme.find("\n## ", start + 1);
    ASSERT_NE(start, std::string::npos);
    EXPECT_EQ(options_named(readme.substr(start, end - start)), help);
    // The exit statuses too, a filter's 141 among them.
    const std::string manual = source_file("packaging/man/tesra-cli.1");
    for (const std::string status : {"0", "1", "2", "3", "141"}) {
        EXPECT_NE(manual.find(".TP\n" + status + "\n"), std::string::npos) << status;
        EXPECT_NE(usage_text().find("\n  " + status + " "), std::string::npos) << status;
    }
}

}  // namespace
}  // namespace tesra::cli
