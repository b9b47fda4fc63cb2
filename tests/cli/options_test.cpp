#include "options.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "systems.hpp"

namespace tesra::cli {
namespace {

TEST(Options, AliasesNameEveryOneOfTheFifteenSystems) {
    for (const SystemInfo& s : systems) {
        EXPECT_EQ(resolve_system(s.alias), s.name);
        for (char c : s.alias) EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) << s.alias;  // plain ASCII to type
    }
    EXPECT_EQ(resolve_system("Madeira - UTM 28 Base SE"), "Madeira - UTM 28 Base SE");
    EXPECT_EQ(resolve_system("MADEIRA"), "MADEIRA");  // no guessing: the job reports it
}

TEST(Options, ValuesTakenExactlyInBothSpellings) {
    const ParseResult r = parse_options({"--from=d73", "--to", "tm06", "--decimal-separator=,", "--grid-dir", " g ",
                                         "--", " in.txt", "--out"});
    ASSERT_TRUE(r.options) << r.error;
    EXPECT_EQ(r.options->from, "Hayford-Gauss Datum 73");
    EXPECT_EQ(r.options->to, "ETRS89 TM06");
    EXPECT_EQ(r.options->decimal_separator, ',');
    EXPECT_EQ(r.options->grid_dir, " g ");
    EXPECT_EQ(r.options->input, " in.txt");
    EXPECT_EQ(r.options->output, "--out");
}

TEST(Options, DecimalSeparatorIsOneVisibleCharacterOutsideNumbers) {
    for (std::string_view ok : {".", ",", ";", "'", "_"}) {
        EXPECT_TRUE(parse_options({"--from", "d73", "--decimal-separator", ok, "a", "b"}).options) << ok;
    }
    for (std::string_view bad : {"", "\n", "\t", " ", "\x01", "\x7f", "5", "-", "+", "e", "E", ",,", "\xc3\xa7"}) {
        EXPECT_FALSE(parse_options({"--from", "d73", "--decimal-separator", bad, "a", "b"}).options) << bad;
    }
}

}  // namespace
}  // namespace tesra::cli
