#include "numtext.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace tesra {
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

TEST(ParseNumber, AgreesWithTheCorrectlyRoundedConversion) {
    std::vector<std::string> texts = {"9007199254740992", "9007199254740993", "-9007199254740993.5",
                                      "0.1",  "-0",    "+0.000", "1234567890123456789", "12345678901234567890",
                                      "0.0000000000000000000001", "0.00000000000000000000001", "5e-324",
                                      "1.7976931348623157e308"};
    std::mt19937_64 rnd(7);
    char text[64];
    for (int i = 0; i < 100000; ++i) {
        // The input form (three decimals) and the written form (15 digits).
        const double v = std::uniform_real_distribution<double>(-400000.0, 4400000.0)(rnd);
        texts.emplace_back(text, std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, 3).ptr);
        texts.push_back(written(v * std::pow(10.0, static_cast<int>(rnd() % 30) - 15)));
        const std::string digits = std::to_string(rnd() % 100000000000000000ULL);
        const std::size_t point = rnd() % (digits.size() + 1);
        texts.push_back(digits.substr(0, point) + "." + digits.substr(point));
    }
    for (const std::string& t : texts) {
        double expected = 0, v = 0;
        const char* begin = t.c_str() + (t[0] == '+');
        ASSERT_EQ(std::from_chars(begin, t.c_str() + t.size(), expected).ec, std::errc()) << t;
        ASSERT_TRUE(parse_number(t, v)) << t;
        ASSERT_EQ(std::signbit(v), std::signbit(expected)) << t;
        ASSERT_EQ(v, expected) << t;
    }
}

TEST(ParsePlainDecimalPrefix, TakesTheLeadingPlainDecimalAndSaysWhereItStopped) {
    struct Case {
        const char* text;
        std::size_t taken;
        double value;
    } cases[] = {
        {"310585.346,3622721.683", 10, 310585.346}, {"-98765.25\r\n", 9, -98765.25}, {"+5 ", 2, 5},
        {"5.,", 2, 5},   {".5", 2, 0.5},   {"1e3", 1, 1},   {"12.5.2", 4, 12.5},   {"9007199254740992", 16, 9007199254740992.0},
    };
    for (const Case& c : cases) {
        double v = -1;
        EXPECT_EQ(parse_plain_decimal_prefix(c.text, v), c.taken) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
    // Nothing to take, or more than it can convert exactly: 0, value untouched.
    for (const char* text : {"", "-", ".", "-.e", "abc", " 1", "9007199254740993", "12345678901234567890"}) {
        double v = 42;
        EXPECT_EQ(parse_plain_decimal_prefix(text, v), 0u) << text;
        EXPECT_EQ(v, 42) << text;
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

TEST(WriteNumber, ReadsBackToTheSameValueAtFifteenDigits) {
    for (double v : {640030.8131618912, -0.1, 1.0 / 3, 123456789.123456789, 1e-300, -7.45713596476291e-07}) {
        double back = 0;
        ASSERT_TRUE(parse_number(written(v), back)) << written(v);
        EXPECT_EQ(written(back), written(v));
    }
}

// The written form built from the library's correctly rounded 15-digit
// scientific conversion, for plain-notation magnitudes (1e-7 to 1e21).
std::string reference_written(double v) {
    char sci[40];
    char* end = std::to_chars(sci, sci + sizeof sci, std::fabs(v), std::chars_format::scientific, 14).ptr;
    std::string digits(1, sci[0]);
    digits.append(sci + 2, sci + 16);
    const int e = std::atoi(std::string(sci + 17, end).c_str());
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    std::string out = v < 0 ? "-" : "";
    if (e < 0) return out + "0." + std::string(static_cast<std::size_t>(-e - 1), '0') + digits;
    const auto whole = static_cast<std::size_t>(e + 1);
    if (digits.size() <= whole) return out + digits + std::string(whole - digits.size(), '0');
    return out + digits.substr(0, whole) + "." + digits.substr(whole);
}

TEST(WriteNumber, AgreesWithTheCorrectlyRoundedConversionEverywhere) {
    std::vector<double> values;
    std::mt19937_64 rnd(20240601);
    // Any bit pattern from 1e-7 to 1e21, and the coordinates of real files.
    for (int i = 0; i < 200000; ++i) {
        const double lo = 1e-7, hi = 1e21;
        std::uint64_t a = 0, b = 0;
        std::memcpy(&a, &lo, 8);
        std::memcpy(&b, &hi, 8);
        const std::uint64_t bits = a + rnd() % (b - a);
        double v = 0;
        std::memcpy(&v, &bits, 8);
        values.push_back(i % 2 ? v : -v);
        values.push_back(std::uniform_real_distribution<double>(-400000.0, 4400000.0)(rnd));
    }
    // Exact halves at the sixteenth digit (which round to even), powers of
    // ten and their neighbours, and values that round up to a new digit.
    for (double v : {10000000000000.25, 10000000000000.75, 1234567890123.125, 99999999999999.95,
                     999999999999999.5, 999999999999999.4, 0.30000000000000004, 1.0000000000000049}) {
        values.push_back(v);
    }
    for (double p = 1e-7; p < 1e21; p *= 10) {
        values.push_back(p);
        values.push_back(std::nextafter(p, 0.0));
        values.push_back(std::nextafter(p, 1e300));
    }
    for (double v : values) ASSERT_EQ(written(v), reference_written(v)) << std::hexfloat << v;
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

// "0.000" done by hand on the library's 15-digit decimal: cut after the
// third decimal, add one when the next digit is 5 or more.
std::string reference_fixed3(double v) {
    char sci[40];
    char* end = std::to_chars(sci, sci + sizeof sci, std::fabs(v), std::chars_format::scientific, 14).ptr;
    const std::string digits = std::string(1, sci[0]) + std::string(sci + 2, sci + 16);
    const int e = std::atoi(std::string(sci + 17, end).c_str());
    // Digit i of the decimal counts from the first significant one; the
    // thousandths digit has index e + 3.
    auto digit = [&](int i) { return i >= 0 && i < 15 ? digits[static_cast<std::size_t>(i)] : '0'; };
    std::string kept;  // every digit down to the thousandths, at least four
    for (int i = std::min(e, 0); i <= e + 3; ++i) kept += digit(i);
    if (kept.size() < 4) kept = std::string(4 - kept.size(), '0') + kept;
    if (digit(e + 4) >= '5') {
        std::size_t i = kept.size();
        while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
        if (i == 0) kept = std::string(1, '1') + kept;
        else ++kept[i - 1];
    }
    kept.erase(0, std::min(kept.find_first_not_of('0'), kept.size() - 4));
    std::string text = v < 0 ? "-" : "";
    text.append(kept, 0, kept.size() - 3).append(".").append(kept, kept.size() - 3);
    return text;
}

TEST(WriteFixed3, AgreesWithRoundingTheFifteenDigitDecimalByHand) {
    std::vector<double> values = {0.0005, 0.00049999999999999, 0.00005, 9.9995, 999999999999.9995,
                                  99999999999999.95, 1e-8, 1e-7, 123456789012.3455, -0.0625};
    std::mt19937_64 rnd(11);
    for (int i = 0; i < 200000; ++i) {
        values.push_back(std::uniform_real_distribution<double>(-400000.0, 4400000.0)(rnd));
        values.push_back((rnd() % 2 ? 1 : -1) * std::pow(10.0, std::uniform_real_distribution<double>(-9, 22)(rnd)));
        // Exact thousandths and halves of them, as in the input files.
        values.push_back(static_cast<double>(rnd() % 10000000000) / 2000.0);
    }
    for (double v : values) ASSERT_EQ(fixed3(v), reference_fixed3(v)) << std::hexfloat << v;
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
