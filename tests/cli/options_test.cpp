#include "options.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "geodesy/systems.hpp"

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

TEST(Options, EpsgCodesNameTheirSystemUnlessSeveralShareThem) {
    for (const auto& [text, name] : std::initializer_list<std::pair<std::string_view, std::string_view>>{
             {"EPSG:3763", "ETRS89 TM06"}, {"epsg:27493", "Hayford-Gauss Datum 73"},
             {"20790", "Hayford-Gauss Datum Lisboa - Militar"}, {"EPSG:5015", "UTM 26 ITRF93"},
             {"EPSG:3063", "EPSG:3063"}, {"EPSG:", "EPSG:"}, {"0", "0"}, {"EPSG:3763 ", "EPSG:3763 "}}) {
        EXPECT_EQ(resolve_system(text), name) << text;
    }
    const ParseResult r = parse_options({"--from", "madeira", "--to", "3063", "a", "b"});
    EXPECT_FALSE(r.options);
    for (const SystemInfo& s : systems) EXPECT_EQ(r.error.find(s.name) != std::string::npos, s.epsg == 3063) << s.name;
}

TEST(Options, ValuesTakenExactlyInBothSpellings) {
    const ParseResult r = parse_options({"--from=d73", "--to", "tm06", "--decimal-separator=,", "--grid-dir", " g ",
                                         "--threads", "3", "--", " in.txt", "--out"});
    ASSERT_TRUE(r.options) << r.error;
    EXPECT_EQ(r.options->from, "Hayford-Gauss Datum 73");
    EXPECT_EQ(r.options->to, "ETRS89 TM06");
    EXPECT_EQ(r.options->decimal_separator, ',');
    EXPECT_EQ(r.options->grid_dir, " g ");
    EXPECT_EQ(r.options->input, " in.txt");
    EXPECT_EQ(r.options->output, "--out");
    EXPECT_EQ(r.options->threads, 3U);
    for (std::string_view bad : {"0", "-1", "65", "2x"}) {
        EXPECT_FALSE(parse_options({"--from", "d73", "--threads", bad, "a", "b"}).options) << bad;
    }
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
