#include "numtext.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace tesra {
// Cases chosen by hand; the fuzz target numtext checks the same functions
// against slow references on any input.
namespace {

std::string written(double v) {
    char text[number_text_capacity];
    return std::string(text, write_number(text, v));
}

std::string fixed3(double v, char separator = '.') {
    char text[fixed3_text_capacity];
    return std::string(text, write_fixed3(text, v, separator));
}

TEST(ParseNumber, AcceptsTheFileGrammarWholeField) {
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"100.5", 100.5},   {"-98765.25", -98765.25}, {"+12", 12},     {"5.", 5},        {".5", 0.5},
        {"-.5", -0.5},      {"1e3", 1000},            {"1E+3", 1000},  {"2.5e-2", 0.025}, {"0", 0},
        {"007", 7},         {"640030.813161891", 640030.813161891},
    };
    for (const Case& c : cases) {
        double v = -1;
        EXPECT_TRUE(parse_number(c.text, v)) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
}

TEST(ParseNumber, RefusesWhatIsNotAFiniteDecimal) {
    for (const char* text : {"", "+", "-", ".", "e5", "1e", "1e+", "inf", "-inf", "nan", "NaN", "infinity",
                             "0x1p3", "0x10", "1,5", "1.5.2", " 1", "1 ", "1e999", "-1e999", "12abc", "--1",
                             "+-1", "1_000"}) {
        double v = 42;
        EXPECT_FALSE(parse_number(text, v)) << '"' << text << '"';
        EXPECT_EQ(v, 42) << "value touched by a refused field: " << text;
    }
}

TEST(WriteNumber, FifteenSignificantDigitsShortestPlainDecimal) {
    EXPECT_EQ(written(640030.8131618912), "640030.813161891");
    EXPECT_EQ(written(1234.5), "1234.5");
    EXPECT_EQ(written(-98765.25), "-98765.25");
    EXPECT_EQ(written(200000), "200000");
    EXPECT_EQ(written(0.5), "0.5");
    EXPECT_EQ(written(-0.0), "0");
    EXPECT_EQ(written(0.0), "0");
    EXPECT_EQ(written(0.1 + 0.2), "0.3");
    EXPECT_EQ(written(4200321.091790115), "4200321.09179012");
    EXPECT_EQ(written(999999999999999.9), "1000000000000000");
    EXPECT_EQ(written(1e20), "100000000000000000000");
    EXPECT_EQ(written(0.000001), "0.000001");
    EXPECT_EQ(written(1.5e300), "1.5e+300");
    EXPECT_EQ(written(-2.5e-12), "-2.5e-12");
    EXPECT_EQ(written(std::numeric_limits<double>::max()), "1.79769313486232e+308");
}

TEST(WriteFixed3, RoundsTheFifteenDigitDecimalHalvesAwayFromZero) {
    EXPECT_EQ(fixed3(0.0005), "0.001");
    EXPECT_EQ(fixed3(-0.0005), "-0.001");
    EXPECT_EQ(fixed3(1.0005), "1.001");  // the binary value is just below the half
    EXPECT_EQ(fixed3(0.0625), "0.063");
    EXPECT_EQ(fixed3(2.5), "2.500");
    EXPECT_EQ(fixed3(0), "0.000");
    EXPECT_EQ(fixed3(-0.0), "0.000");
    EXPECT_EQ(fixed3(-0.0004), "-0.000");
    EXPECT_EQ(fixed3(0.0004), "0.000");
    EXPECT_EQ(fixed3(9.9995), "10.000");
    EXPECT_EQ(fixed3(-999.9999), "-1000.000");
    EXPECT_EQ(fixed3(1e-20), "0.000");
    EXPECT_EQ(fixed3(640030.8131618912), "640030.813");
    EXPECT_EQ(fixed3(1e20), "100000000000000000000.000");
    EXPECT_EQ(fixed3(-12345.6784, ','), "-12345,678");
    EXPECT_EQ(fixed3(98765.4321, ','), "98765,432");
}

TEST(WriteFixed3, LargestMagnitudeFitsTheBuffer) {
    const std::string text = fixed3(-std::numeric_limits<double>::max());
    EXPECT_EQ(text.size(), 1 + 309 + 4u);
    EXPECT_EQ(text.substr(0, 16), "-179769313486232");
    EXPECT_EQ(text.substr(text.size() - 4), ".000");
}

TEST(NumberForMessage, BlankInPlaceOfTheSign) {
    EXPECT_EQ(number_for_message(185000.001), " 185000.001");
    EXPECT_EQ(number_for_message(-320000.5), "-320000.5");
    EXPECT_EQ(number_for_message(0), " 0");
}

}  // namespace
}  // namespace tesra
