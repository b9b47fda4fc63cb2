#include "text/angles.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace tesra {

namespace {

bool is_blank(char c) noexcept { return c == ' ' || c == '\t'; }
bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }

void skip_blanks(std::string_view& s) noexcept {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
}

// The hemisphere a character names, upper case, or 0.
char hemisphere_letter(char c) noexcept {
    switch (c) {
        case 'N': case 'n': return 'N';
        case 'S': case 's': return 'S';
        case 'E': case 'e': return 'E';
        case 'W': case 'w': return 'W';
        case 'O': case 'o': return 'O';
        default: return 0;
    }
}

// Which part a mark ends; the value counts the parts up to it.
enum class Mark : char { none = 0, degrees = 1, minutes = 2, seconds = 3 };

// ' ′ ’, and ’ of Windows-1252: the bytes it takes at the start of s, or 0.
std::size_t minute_mark_length(std::string_view s) noexcept {
    if (s.starts_with('\'') || s.starts_with('\x92')) return 1;
    if (s.starts_with("\xE2\x80\xB2") || s.starts_with("\xE2\x80\x99")) return 3;
    return 0;
}

// The mark at the start of s, and the bytes it takes. A UTF-8 sequence
// read as Windows-1252 would be letters such as "Â°" or "â€²", which no
// one types after a number, so both encodings are read at once.
struct MarkAt {
    Mark mark = Mark::none;
    std::size_t length = 0;
};

MarkAt mark_at(std::string_view s) noexcept {
    if (s.starts_with("\xC2\xB0") || s.starts_with("\xC2\xBA")) return {Mark::degrees, 2};
    if (s.starts_with('\xB0') || s.starts_with('\xBA')) return {Mark::degrees, 1};
    if (s.starts_with('"') || s.starts_with('\x94')) return {Mark::seconds, 1};
    if (s.starts_with("\xE2\x80\xB3") || s.starts_with("\xE2\x80\x9D")) return {Mark::seconds, 3};
    if (const std::size_t first = minute_mark_length(s); first != 0) {
        const std::size_t second = minute_mark_length(s.substr(first));  // '' for seconds
        return {second != 0 ? Mark::seconds : Mark::minutes, first + second};
    }
    return {};
}

AngleReading refused(AngleFault fault, char letter = 0) noexcept { return {fault, 0, letter}; }

// The value of one part (digits, the separator, digits), or false where it
// overflows. parse_number reads a period: a comma is put in its place.
bool part_value(std::string_view text, char separator, double& value) noexcept {
    if (separator == '.') return parse_number(text, value);
    char copy[128];
    if (text.size() > sizeof copy) return false;
    std::replace_copy(text.begin(), text.end(), copy, separator, '.');
    return parse_number(std::string_view(copy, text.size()), value);
}

}  // namespace

AngleReading parse_angle(std::string_view field, AngleKind kind, char decimal_separator) noexcept {
    skip_blanks(field);
    while (!field.empty() && is_blank(field.back())) field.remove_suffix(1);
    if (field.empty()) return refused(AngleFault::not_angle);

    // The letter, first or last. Last, it is a letter even where it could
    // start an exponent: "1e2" ends in a digit, "38.5E" in the letter.
    char letter = hemisphere_letter(field.front());
    if (letter != 0) {
        field.remove_prefix(1);
        skip_blanks(field);
    }
    if (const char last = field.empty() ? 0 : hemisphere_letter(field.back()); last != 0) {
        if (letter != 0) return refused(AngleFault::two_letters, letter);
        letter = last;
        field.remove_suffix(1);
        while (!field.empty() && is_blank(field.back())) field.remove_suffix(1);
    }
    const bool letter_fits = kind == AngleKind::latitude ? (letter == 'N' || letter == 'S')
                                                         : (letter == 'E' || letter == 'W' || letter == 'O');
    if (letter != 0 && !letter_fits) return refused(AngleFault::wrong_letter, letter);

    bool negative = false;
    if (!field.empty() && (field.front() == '-' || field.front() == '+')) {
        if (letter != 0) return refused(AngleFault::sign_and_letter, letter);
        negative = field.front() == '-';
        field.remove_prefix(1);
    }

    // Up to three parts, each digits with perhaps a separator and decimals,
    // ended by its own mark, a colon or blanks (the last by its mark or
    // the end).
    struct Part {
        std::string_view text;
        bool has_decimals = false;
    } parts[3];
    int count = 0;
    for (;;) {
        std::size_t i = 0, digits = 0;
        for (; i < field.size() && is_digit(field[i]); ++i) ++digits;
        const bool has_decimals = i < field.size() && field[i] == decimal_separator;
        if (has_decimals) {
            for (++i; i < field.size() && is_digit(field[i]); ++i) ++digits;
        }
        if (digits == 0) return refused(AngleFault::not_angle, letter);
        if (i < field.size() && (field[i] == 'e' || field[i] == 'E')) {
            std::size_t j = i + 1;
            if (j < field.size() && (field[j] == '+' || field[j] == '-')) ++j;
            if (j < field.size() && is_digit(field[j])) return refused(AngleFault::exponent, letter);
        }
        parts[count++] = {field.substr(0, i), has_decimals};
        field.remove_prefix(i);

        const std::size_t before_blanks = field.size();
        skip_blanks(field);
        if (field.empty()) break;
        if (const MarkAt at = mark_at(field); at.mark != Mark::none) {
            if (static_cast<int>(at.mark) != count) return refused(AngleFault::not_angle, letter);
            field.remove_prefix(at.length);
            skip_blanks(field);
            if (field.empty()) break;
        } else if (field.front() == ':') {
            field.remove_prefix(1);
            skip_blanks(field);
        } else if (field.size() == before_blanks) {
            return refused(AngleFault::not_angle, letter);
        }
        if (count == 3) return refused(AngleFault::not_angle, letter);
    }

    if (parts[0].has_decimals && count > 1) return refused(AngleFault::degrees_not_whole, letter);
    if (parts[1].has_decimals && count > 2) return refused(AngleFault::minutes_not_whole, letter);
    double values[3] = {0, 0, 0};
    for (int k = 0; k < count; ++k) {
        // Digits alone fail only by overflowing, which no angle in range does.
        if (!part_value(parts[k].text, decimal_separator, values[k])) return refused(AngleFault::out_of_range, letter);
    }
    if (values[1] >= 60) return refused(AngleFault::minutes_too_large, letter);
    if (values[2] >= 60) return refused(AngleFault::seconds_too_large, letter);
    const double magnitude = values[0] + values[1] / 60 + values[2] / 3600;
    if (magnitude > (kind == AngleKind::latitude ? 90 : 180)) return refused(AngleFault::out_of_range, letter);
    negative = negative || letter == 'S' || letter == 'W' || letter == 'O';
    return {AngleFault::none, negative ? -magnitude : magnitude, letter};
}

std::string angle_fault_text(const AngleReading& reading, AngleKind kind) {
    const bool latitude = kind == AngleKind::latitude;
    switch (reading.fault) {
        case AngleFault::none: return {};
        case AngleFault::not_angle:
            return latitude ? "não é uma latitude em graus" : "não é uma longitude em graus";
        case AngleFault::exponent: return "os graus não se escrevem com expoente";
        case AngleFault::sign_and_letter: return "tem sinal e letra de hemisfério";
        case AngleFault::two_letters: return "tem duas letras de hemisfério";
        case AngleFault::wrong_letter:
            return std::string("a letra ") + reading.letter + (latitude ? " não serve a uma latitude"
                                                                        : " não serve a uma longitude");
        case AngleFault::degrees_not_whole: return "os graus têm decimais e há minutos";
        case AngleFault::minutes_not_whole: return "os minutos têm decimais e há segundos";
        case AngleFault::minutes_too_large: return "os minutos chegam a 60";
        case AngleFault::seconds_too_large: return "os segundos chegam a 60";
        case AngleFault::out_of_range: return latitude ? "a latitude passa de 90°" : "a longitude passa de 180°";
    }
    return {};
}

char* write_degrees(char* out, double degrees, int decimals, char decimal_separator) noexcept {
    char* const end = write_fixed(out, degrees, decimals, decimal_separator);
    if (*out == '-' && std::all_of(out + 1, end, [&](char c) { return c == '0' || c == decimal_separator; })) {
        std::memmove(out, out + 1, static_cast<std::size_t>(end - out - 1));
        return end - 1;
    }
    return end;
}

namespace {

__extension__ typedef unsigned __int128 uint128;

// magnitude * scale rounded to a whole number, halves up, from the exact
// value of the double: magnitude is m / 2^s (m below 2^53, s at least 33
// below 10^6), and m * scale (scale below 2^42) fits in 128 bits.
std::uint64_t rounded_units(double magnitude, std::uint64_t scale) noexcept {
    int e = 0;
    const double f = std::frexp(magnitude, &e);
    const auto m = static_cast<std::uint64_t>(std::ldexp(f, 53));
    const int s = 53 - e;
    if (s >= 128) return 0;  // m * scale / 2^s below a half
    const uint128 half = uint128{1} << (s - 1);
    return static_cast<std::uint64_t>((uint128{m} * scale + half) >> s);
}

char* put_two_digits(char* out, std::uint64_t v) noexcept {
    *out++ = static_cast<char>('0' + v / 10);
    *out++ = static_cast<char>('0' + v % 10);
    return out;
}

}  // namespace

char* write_sexagesimal(char* out, double degrees, AngleKind kind, TextEncoding encoding, int decimals,
                        char decimal_separator) noexcept {
    if (!(std::fabs(degrees) < 1e6)) return write_number(out, degrees);
    decimals = std::clamp(decimals, 0, 9);
    const auto unit = static_cast<std::uint64_t>(numtext_detail::exact_powers[decimals]);  // per second
    // One rounding of the whole angle: the carries into the seconds,
    // minutes and degrees are the integer division's.
    const std::uint64_t units = rounded_units(std::fabs(degrees), 3600 * unit);
    const std::uint64_t seconds = units / unit;
    out = std::to_chars(out, out + 8, seconds / 3600).ptr;
    if (encoding == TextEncoding::utf8) *out++ = '\xC2';
    *out++ = '\xB0';
    out = put_two_digits(out, seconds / 60 % 60);
    *out++ = '\'';
    out = put_two_digits(out, seconds % 60);
    if (decimals > 0) {
        *out++ = decimal_separator;
        std::uint64_t fraction = units % unit;
        for (int i = decimals - 1; i >= 0; --i, fraction /= 10) out[i] = static_cast<char>('0' + fraction % 10);
        out += decimals;
    }
    *out++ = '"';
    const bool negative = units != 0 && degrees < 0;
    if (kind == AngleKind::latitude) {
        *out++ = negative ? 'S' : 'N';
    } else {
        *out++ = negative ? 'W' : 'E';
    }
    return out;
}

}  // namespace tesra
