// Number text: the one numeric field grammar shared by point, parameter and
// grid files, and the three ways the program writes a double. Nothing here
// reads the locale; the decimal separator of the report is a parameter.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tesra {

// Parses a whole field: an optional "+" or "-", digits with an optional
// period (".5" and "5." included), an optional exponent ("e" or "E", optional
// sign, digits). The whole field must be consumed and the value finite, so
// "inf", "nan", "0x1p3", "1,5", "1e999" and "" are all refused.
// Returns false (value untouched) when the field is not such a number.
[[nodiscard]] bool parse_number(std::string_view field, double& value) noexcept;

// The common case of parse_number for readers on their hot path: a plain
// decimal ("-98765.25": sign, digits, period; 19 digits at most, no
// exponent) at the start of text. Returns how many characters it took, or
// 0 (value untouched) when text does not start with one. What follows is
// the caller's to check; a field refused here may still be a number.
// Inline (below) for the usual field, so that a reader's loop has it at hand.
[[nodiscard]] inline std::size_t parse_plain_decimal_prefix(std::string_view text, double& value) noexcept;

namespace numtext_detail {

// parse_plain_decimal_prefix for any text.
[[nodiscard]] std::size_t parse_plain_decimal_any(std::string_view text, double& value) noexcept;

// Powers of ten that are exact doubles.
inline constexpr double exact_powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                          1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
inline constexpr std::uint64_t scale8[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// The lanes of a word of text (each byte xor '0') that hold no digit: their top bits.
constexpr std::uint64_t non_digit_lanes(std::uint64_t x) noexcept {
    return ((x + 0x7676767676767676ULL) | x) & 0x8080808080808080ULL;
}

// The value of the digits in the top lanes of such a word, the first in
// the lowest of them, zeros in the lanes below: combined in pairs, fours
// and eights.
constexpr std::uint64_t top_lanes_value(std::uint64_t v) noexcept {
    v = (v * 10 + (v >> 8)) & 0x00FF00FF00FF00FFULL;
    v = (v * 100 + (v >> 16)) & 0x0000FFFF0000FFFFULL;
    return (v * 10000 + (v >> 32)) & 0xFFFFFFFFULL;
}

// The value of the first n (0 to 7) digits of such a word.
constexpr std::uint64_t lane_digits_value(std::uint64_t x, int n) noexcept {
    return n == 0 ? 0 : top_lanes_value(x << (64 - 8 * n));
}

// The text at p (eight bytes) with each byte xor '0': a digit's lane holds its value.
inline std::uint64_t digit_lanes(const char* p) noexcept {
    std::uint64_t x = 0;
    std::memcpy(&x, p, 8);
    return x ^ 0x3030303030303030ULL;
}

}  // namespace numtext_detail

// Enough room for any text the writers below produce.
inline constexpr std::size_t number_text_capacity = 32;

// The written form of intermediate files: rounded to 15 significant digits,
// shortest plain decimal (no trailing zeros, no point for whole numbers,
// "0.5" with its leading zero, "-" for negatives, never "-0"). Values of
// magnitude 1e21 and above or below 1e-7 use exponent form ("1.5e+300"),
// which the reader accepts. Writes at most number_text_capacity characters
// at out and returns the end.
char* write_number(char* out, double value) noexcept;

// What the written form of a finite value reads back as, without the text:
// parse_number of write_number's output, for every value up to
// largest_written_number.
[[nodiscard]] double written_value(double value) noexcept;

// The largest magnitude whose written form reads back: the 15-digit decimal
// of anything larger rounds past the largest double (1.79769313486232e+308).
inline constexpr double largest_written_number = 1.79769313486231e308;

// Enough room for any text write_fixed3 produces (the largest double has
// 309 digits before the separator).
inline constexpr std::size_t fixed3_text_capacity = 320;

// The report's "0.000": the value's 15-significant-digit decimal rounded to
// three places with halves away from zero; "-" whenever the value is below
// zero (so -0.0004 gives "-0.000"); at least one digit before the separator.
char* write_fixed3(char* out, double value, char separator) noexcept;

// The same rounding to any number of decimals from 0 to 9 (no separator
// for 0): the tables' coordinates. Writes at most fixed_text_capacity
// characters.
inline constexpr int max_fixed_decimals = 9;
inline constexpr std::size_t fixed_text_capacity = fixed3_text_capacity + max_fixed_decimals;
char* write_fixed(char* out, double value, int decimals, char separator) noexcept;

// Numbers inside messages: the written form above with a leading blank in
// place of the sign when the value is not negative (" 185000.001").
std::string number_for_message(double value);

// The usual field has fewer than eight digits before the point, fewer
// than sixteen after it, and text after it: words of eight bytes hold
// them and their end, with no loop or bounds to mind. Anything else goes
// the long way.
inline std::size_t parse_plain_decimal_prefix(std::string_view text, double& value) noexcept {
    using namespace numtext_detail;
    if constexpr (std::endian::native == std::endian::little) {
        if (text.size() >= 25) {  // a sign, seven digits, a point, two words of decimals
            const char* const start = text.data();
            const char* p = start + ((*start == '-' || *start == '+') ? 1 : 0);
            const std::uint64_t x = digit_lanes(p);
            const std::uint64_t stops = non_digit_lanes(x);
            if (stops != 0) {
                const int whole = std::countr_zero(stops) / 8;
                std::uint64_t w = lane_digits_value(x, whole);
                p += whole;
                int decimals = 0;
                if (*p == '.') {
                    ++p;
                    std::uint64_t y = digit_lanes(p);
                    std::uint64_t fraction_stops = non_digit_lanes(y);
                    if (fraction_stops != 0) {
                        decimals = std::countr_zero(fraction_stops) / 8;
                        w = w * scale8[decimals] + lane_digits_value(y, decimals);
                        p += decimals;
                    } else {  // eight decimals, and more to come
                        w = w * scale8[8] + top_lanes_value(y);
                        p += 8;
                        y = digit_lanes(p);
                        fraction_stops = non_digit_lanes(y);
                        if (fraction_stops == 0) return parse_plain_decimal_any(text, value);
                        const int more = std::countr_zero(fraction_stops) / 8;
                        w = w * scale8[more] + lane_digits_value(y, more);
                        decimals = 8 + more;
                        p += more;
                        // As the long way: beyond 19 digits or the double's 53 bits, no plain decimal.
                        if (whole + decimals > 19 || w > (std::uint64_t{1} << 53)) return 0;
                    }
                }
                if (whole + decimals == 0) return 0;
                const double v = static_cast<double>(w) / exact_powers[decimals];
                value = *start == '-' ? -v : v;
                return static_cast<std::size_t>(p - start);
            }
        }
    }
    return parse_plain_decimal_any(text, value);
}

}  // namespace tesra
