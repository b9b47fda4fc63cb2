// Angles as people write them in point files: latitude and longitude in
// decimal degrees ("38.70925", "-9.137417") or in degrees, minutes and
// seconds ("38°42'33.3\"N", "9 08 14.7 O"), read into degrees, and written
// back in either form. Numbers go through numtext; nothing here reads the
// locale or allocates, but for the text of a refusal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/codepage.hpp"
#include "text/numtext.hpp"

namespace tesra {

enum class AngleKind : char { latitude, longitude };

// Why a field is not an angle of its kind.
enum class AngleFault : char {
    none,
    not_angle,          // not one of the forms below (or empty)
    exponent,           // "1e2": no one writes degrees so
    sign_and_letter,    // "-38.7N", "S+38.7": the hemisphere said twice
    two_letters,        // "N38.7N"
    wrong_letter,       // E, W or O on a latitude, N or S on a longitude
    degrees_not_whole,  // "38.5°30'": decimals on the degrees, then minutes
    minutes_not_whole,  // "38°42.5'30\"": decimals on the minutes, then seconds
    minutes_too_large,  // 60 or more
    seconds_too_large,  // 60 or more
    out_of_range,       // |latitude| above 90, |longitude| above 180
};

struct AngleReading {
    AngleFault fault = AngleFault::none;
    double degrees = 0;  // without a fault: north and east positive
    char letter = 0;     // the field's hemisphere letter, upper case ('N', 'S', 'E', 'W', 'O'); 0 if none
};

// Reads one field as an angle of the given kind, with '.' or ',' (as
// given) for the decimal separator. The whole field must be one of:
//   decimal degrees  "38.70925", "-9.137417", "+38.7", "38,70925", "38.70925°"
//   degrees and minutes, the minutes possibly decimal  "38°42.555'", "38 42.555"
//   degrees, minutes and seconds, the seconds possibly decimal
//                    "38°42'33.3\"", "38:42:33.3", "38 42 33.3"
// with blanks (spaces, tabs) allowed around each part and at either end.
// Each number is what parse_number takes, the separator aside, without an
// exponent. The parts end in their marks, a colon or blanks; the last
// part's mark may be left out. Marks, in UTF-8 or in Windows-1252 alike
// (the byte sequences do not clash):
//   degrees  ° º (C2 B0, C2 BA; B0, BA)
//   minutes  ' ′ ’ (E2 80 B2, E2 80 99; 92)
//   seconds  " ″ ” (E2 80 B3, E2 80 9D; 94), or two minute marks ('')
// The degrees are whole when minutes follow, the minutes whole when
// seconds follow; minutes and seconds below 60.
// The hemisphere is a sign before the number, or a letter, upper or lower
// case, first or last in the field: N or S on a latitude, E, W or O
// (oeste) on a longitude; S, W and O negate; a letter and a sign together
// are refused. A letter at the end is only ever a letter: "38.5E" is 38.5
// east, "38.5e" in a latitude is an east in the wrong place, and "1e2",
// "1E+2" are refused as exponents.
// The value is degrees + minutes / 60 + seconds / 3600, in that order,
// negated for the south and west; |latitude| at most 90, |longitude| at
// most 180. With a fault, degrees is 0.
[[nodiscard]] AngleReading parse_angle(std::string_view field, AngleKind kind, char decimal_separator) noexcept;

// What is wrong with a refused field, for the caller's message
// ("os minutos chegam a 60", "a letra O não serve a uma latitude"), in UTF-8.
[[nodiscard]] std::string angle_fault_text(const AngleReading& reading, AngleKind kind);

inline constexpr int default_degree_decimals = 9;  // about 0.1 mm
inline constexpr int default_second_decimals = 5;  // about 0.3 mm

// Decimal degrees as write_fixed writes them (decimals 0 to 9, the
// value's 15-significant-digit decimal rounded, halves away from zero),
// except that a negative value that rounds to zero has no sign:
// "0.000000000", never "-0.000000000", which would name a hemisphere for a
// point on the equator or the meridian. (write_fixed keeps the sign, as
// the report's "-0.000" does.) Writes at most fixed_text_capacity
// characters and returns the end.
char* write_degrees(char* out, double degrees, int decimals = default_degree_decimals,
                    char decimal_separator = '.') noexcept;

// Enough room for any text write_sexagesimal produces.
inline constexpr std::size_t sexagesimal_text_capacity = 40;

// Degrees, minutes and seconds: "38°42'33.30000\"N", "9°08'14.70000\"W",
// with `decimals` (0 to 9; no separator for 0) on the seconds, the degree
// sign in the given encoding, minutes and whole seconds of two digits, and
// the letter N or S, E or W (an angle that rounds to zero is N or E).
// The value is rounded once, as a whole, from the double's exact value to
// the last decimal of the seconds (halves away from zero), so a carry goes
// through: 59.9999999" gives the next minute, 89°59'59.999999"N gives
// 90°00'00.00000"N. parse_angle reads the text back to within half a
// unit of that decimal (and the double's own rounding). For finite values
// below 10^6 in magnitude; anything else is written as write_number writes
// it ("nan", "2000000"), which parse_angle refuses.
char* write_sexagesimal(char* out, double degrees, AngleKind kind, TextEncoding encoding,
                        int decimals = default_second_decimals, char decimal_separator = '.') noexcept;

}  // namespace tesra
