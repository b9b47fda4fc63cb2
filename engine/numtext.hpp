// Number text: the one numeric field grammar shared by point, parameter and
// grid files, and the three ways the program writes a double. Nothing here
// reads the locale; the decimal separator of the report is a parameter.
#pragma once

#include <cstddef>
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
[[nodiscard]] std::size_t parse_plain_decimal_prefix(std::string_view text, double& value) noexcept;

// Enough room for any text the writers below produce.
inline constexpr std::size_t number_text_capacity = 32;

// The written form of intermediate files: rounded to 15 significant digits,
// shortest plain decimal (no trailing zeros, no point for whole numbers,
// "0.5" with its leading zero, "-" for negatives, never "-0"). Values of
// magnitude 1e21 and above or below 1e-7 use exponent form ("1.5e+300"),
// which the reader accepts. Writes at most number_text_capacity characters
// at out and returns the end.
char* write_number(char* out, double value) noexcept;

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

}  // namespace tesra
