#include "text/numtext.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace tesra {

namespace {

bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }

// True when the field is [+-] digits [. digits] [(e|E) [+-] digits] with at
// least one mantissa digit. std::from_chars alone would also take "inf",
// "nan" and stop early on hex floats.
bool has_number_grammar(std::string_view s) noexcept {
    std::size_t i = 0;
    const std::size_t n = s.size();
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < n && is_digit(s[i])) ++i, ++digits;
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && is_digit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
        std::size_t exp_digits = 0;
        while (i < n && is_digit(s[i])) ++i, ++exp_digits;
        if (exp_digits == 0) return false;
    }
    return i == n;
}

// The value rounded to 15 significant digits: the digits (trailing zeros
// dropped, at least one) and the decimal exponent of the first one.
struct Decimal15 {
    char digits[16];
    int count;
    int exponent;
};

// Every coordinate goes through here twice per routine, so the common
// magnitudes, from 1e-7 to 1e15, take exact paths of their own instead of
// the library's general conversion; outside that range: false.
__extension__ typedef unsigned __int128 uint128;

constexpr int max_scale = 22;

constexpr std::array<uint128, max_scale + 1> powers_of_ten = [] {
    std::array<uint128, max_scale + 1> p{};
    p[0] = 1;
    for (int i = 1; i <= max_scale; ++i) p[static_cast<std::size_t>(i)] = p[static_cast<std::size_t>(i) - 1] * 10;
    return p;
}();

using numtext_detail::exact_powers;

constexpr std::uint64_t low15 = 100'000'000'000'000;  // 10^14: the smallest 15-digit integer

// The 15-digit integer q (10^14 <= q < 10^15) and the decimal exponent of
// its first digit: the value rounded is q * 10^(exponent - 14).
struct Rounded15 {
    std::uint64_t q;
    int exponent;
};

// The integer way, for any magnitude in range: the double is m / 2^s (m
// below 2^53) and m * 10^k (k at most 22) stays below 2^128, so the 15-digit
// quotient and its remainder are exact, and an exact half rounds to even as
// the library does. `exponent` is a guess, put right here.
[[gnu::always_inline]] inline bool round15_integer(double magnitude, int exponent, Rounded15& r) noexcept {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &magnitude, sizeof bits);
    const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    const int s = 1075 - static_cast<int>(bits >> 52);  // magnitude = m / 2^s, 3 <= s <= 76
    uint128 scaled = 0;
    std::uint64_t q = 0;
    for (;;) {
        const int k = 14 - exponent;
        if (k < 0 || k > max_scale) return false;
        scaled = static_cast<uint128>(m) * powers_of_ten[static_cast<std::size_t>(k)];
        const uint128 quotient = scaled >> s;
        if (quotient < low15) {
            --exponent;
        } else if (quotient >= uint128{low15} * 10) {
            ++exponent;
        } else {
            q = static_cast<std::uint64_t>(quotient);
            break;
        }
    }
    const uint128 remainder = scaled & ((uint128{1} << s) - 1);
    const uint128 half = uint128{1} << (s - 1);
    if (remainder > half || (remainder == half && (q & 1) != 0)) ++q;
    if (q == low15 * 10) {
        q = low15;
        ++exponent;
    }
    r = {q, exponent};
    return true;
}

[[gnu::always_inline]] inline bool round15_exact(double magnitude, Rounded15& r) noexcept {
    if (!(magnitude >= 1e-7 && magnitude < 1e15)) return false;
    std::uint64_t bits = 0;
    std::memcpy(&bits, &magnitude, sizeof bits);
    // The decimal exponent from the binary one (1233 / 4096 is just below
    // log10 2; the shift floors): right or one short. From 1 up the powers
    // of ten are exact doubles, and one comparison settles it.
    int exponent = ((static_cast<int>(bits >> 52) - 1023) * 1233) >> 12;
    if (exponent >= 0 && magnitude >= exact_powers[exponent + 1]) ++exponent;
    return round15_integer(magnitude, exponent, r);
}

// Two decimal digits at a time: "00" to "99".
constexpr std::array<char, 200> digit_pairs = [] {
    std::array<char, 200> t{};
    for (int i = 0; i < 100; ++i) {
        t[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
        t[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
    }
    return t;
}();

// Three decimal digits at a time, each group padded to four bytes: "000" to "999".
constexpr std::array<char, 4000> digit_triples = [] {
    std::array<char, 4000> t{};
    for (int i = 0; i < 1000; ++i) {
        t[static_cast<std::size_t>(4 * i)] = static_cast<char>('0' + i / 100);
        t[static_cast<std::size_t>(4 * i + 1)] = static_cast<char>('0' + i / 10 % 10);
        t[static_cast<std::size_t>(4 * i + 2)] = static_cast<char>('0' + i % 10);
    }
    return t;
}();

// Exactly `width` digits of v (the leading ones zeros if v is short),
// written backwards from out + width.
[[maybe_unused]] void put_digits(char* out, std::uint64_t v, int width) noexcept {
    char* p = out + width;
    while (p - out >= 2) {
        p -= 2;
        std::memcpy(p, &digit_pairs[static_cast<std::size_t>(2 * (v % 100))], 2);
        v /= 100;
    }
    if (p > out) *--p = static_cast<char>('0' + v % 10);
}

// The eight digits of x < 10^8 (leading zeros included) as the values 0
// to 9 in the bytes of one word, the first digit in the lowest byte: its
// quarters, pairs and single digits are split in the lanes of the word,
// with no loop or table. Add 0x30 to each byte for the text.
constexpr std::uint64_t eight_digits(std::uint64_t x) noexcept {
    const std::uint64_t quarters = (x / 10000) | ((x % 10000) << 32);
    const std::uint64_t hundreds = ((quarters * 10486) >> 20) & 0x0000007F0000007FULL;
    const std::uint64_t pairs = hundreds | ((quarters - hundreds * 100) << 16);
    const std::uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000FULL;
    return tens | ((pairs - tens * 10) << 8);
}

constexpr std::uint64_t ascii_zeros = 0x3030303030303030ULL;

// Sixteen digits of v < 10^16 (leading zeros included) in one go, as two
// words of eight. On a machine that is not little-endian the digits come
// from put_digits instead.
void put_sixteen(char* out, std::uint64_t v) noexcept {
    if constexpr (std::endian::native == std::endian::little) {
        const std::uint64_t high = eight_digits(v / 100000000) + ascii_zeros;
        const std::uint64_t low = eight_digits(v % 100000000) + ascii_zeros;
        std::memcpy(out, &high, 8);
        std::memcpy(out + 8, &low, 8);
    } else {
        put_digits(out, v, 16);
    }
}

// How many of the 16 digits at text are zeros at its end (all 16 if so).
int trailing_zeros16(const char* text) noexcept {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t high = 0, low = 0;
        std::memcpy(&high, text, 8);
        std::memcpy(&low, text + 8, 8);
        high ^= 0x3030303030303030ULL;  // a zero digit becomes a zero byte
        low ^= 0x3030303030303030ULL;
        if (low != 0) return std::countl_zero(low) / 8;
        return high != 0 ? 8 + std::countl_zero(high) / 8 : 16;
    } else {
        int n = 0;
        while (n < 16 && text[15 - n] == '0') ++n;
        return n;
    }
}

// Digits of v (one for zero), without a loop whose end the processor
// would have to guess: the bit width gives the count or one more.
int digit_count(std::uint64_t v) noexcept {
    static constexpr std::uint64_t powers[] = {
        1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000, 10000000000,
        100000000000, 1000000000000, 10000000000000, 100000000000000, 1000000000000000,
        10000000000000000, 100000000000000000, 1000000000000000000, 10000000000000000000u};
    const int t = ((64 - std::countl_zero(v | 1)) * 1233) >> 12;
    return t + 1 - ((v | 1) < powers[t]);
}

// The report's thousandths straight from the double, for the magnitudes
// of coordinates (from 2^-11 up to 10^8 before the separator): with
// magnitude = m / 2^s, m * 1000 >> s is the floor of magnitude * 1000 and
// the bits shifted out are its fraction. Rounding to 15 significant digits
// first moves magnitude * 1000 by at most half a unit in its 15th digit,
// below m * 5e-12 in those bits, so outside a band that wide around the
// half the fraction rounds the same way as the 15-digit decimal's. Inside
// it (fields such as "1.0005", whose double lies a hair below the half),
// or out of range: false, and the exact way decides.
[[gnu::always_inline]] inline bool thousandths_direct(double magnitude, std::uint64_t& thousandths) noexcept {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &magnitude, sizeof bits);
    const int s = 1075 - static_cast<int>(bits >> 52);
    if (s < 1 || s > 63) return false;
    const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    const std::uint64_t scaled = m * 1000;  // below 2^63
    const std::uint64_t fraction = scaled & ((std::uint64_t{1} << s) - 1);
    const std::uint64_t half = std::uint64_t{1} << (s - 1);
    const std::uint64_t from_half = fraction > half ? fraction - half : half - fraction;
    if (from_half <= (m >> 37) + 1) return false;  // m >> 37 is above m * 7e-12
    thousandths = (scaled >> s) + (fraction > half ? 1 : 0);
    return thousandths < 100'000'000'000;
}

// The general way, for the magnitudes round15_exact leaves out.
Decimal15 to_decimal15(double magnitude) noexcept {
    Decimal15 d{};
    // "d.dddddddddddddde+XXX": 15 significant digits, correctly rounded.
    char text[40];
    auto res = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific, 14);
    const char* p = text;
    d.digits[d.count++] = *p++;
    if (*p == '.') ++p;
    while (p < res.ptr && *p != 'e') d.digits[d.count++] = *p++;
    ++p;  // 'e'
    bool negative = *p == '-';
    ++p;  // sign
    int e = 0;
    while (p < res.ptr) e = e * 10 + (*p++ - '0');
    d.exponent = negative ? -e : e;
    while (d.count > 1 && d.digits[d.count - 1] == '0') --d.count;
    return d;
}

// The run of digits at p (up to end) appended to w, w * 10^n + digits;
// returns where the run stops. Eight bytes at a time while eight remain,
// where the machine is little-endian: the lowest lane that is not a digit
// ends the run (lanes above it may be misjudged, which does not matter),
// and the digits before it are combined in pairs, fours and eights.
[[gnu::always_inline]] inline const char* add_digits(const char* p, const char* end, std::uint64_t& w) noexcept {
    if constexpr (std::endian::native == std::endian::little) {
        while (end - p >= 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, p, 8);
            const std::uint64_t x = word ^ 0x3030303030303030ULL;  // a digit's lane holds its value
            const std::uint64_t stops = numtext_detail::non_digit_lanes(x);
            const int n = stops == 0 ? 8 : std::countr_zero(stops) / 8;
            if (n == 0) return p;
            // The n digits moved to the top lanes, zeros below them leading.
            std::uint64_t v = x << (8 * (8 - n));
            v = (v * 10 + (v >> 8)) & 0x00FF00FF00FF00FFULL;
            v = (v * 100 + (v >> 16)) & 0x0000FFFF0000FFFFULL;
            v = (v * 10000 + (v >> 32)) & 0xFFFFFFFFULL;
            w = w * numtext_detail::scale8[n] + v;
            p += n;
            if (n < 8) return p;
        }
    }
    while (p < end && is_digit(*p)) w = w * 10 + static_cast<std::uint64_t>(*p++ - '0');
    return p;
}

}  // namespace

// The fields of point files are plain decimals of at most 15 or 16 digits:
// "-98765.25", "640030.813161891". Their digits as an integer w below 2^53
// and their f decimals (f at most 22) give w / 10^f, one correctly rounded
// division of two exact doubles: the same value as the general conversion.
std::size_t numtext_detail::parse_plain_decimal_any(std::string_view text, double& value) noexcept {
    const char* p = text.data();
    const char* const end = p + text.size();
    const bool negative = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+')) ++p;
    // More than 19 digits wrap w around; the count below refuses them.
    std::uint64_t w = 0;
    const char* const whole = p;
    p = add_digits(p, end, w);
    std::ptrdiff_t digits = p - whole;
    std::ptrdiff_t decimals = 0;
    if (p < end && *p == '.') {
        const char* const fraction = ++p;
        p = add_digits(p, end, w);
        decimals = p - fraction;
        digits += decimals;
    }
    if (digits == 0 || digits > 19 || w > (std::uint64_t{1} << 53)) return 0;
    const double v = static_cast<double>(w) / exact_powers[decimals];
    value = negative ? -v : v;
    return static_cast<std::size_t>(p - text.data());
}

bool parse_number(std::string_view field, double& value) noexcept {
    // The common plain decimal first; anything else (an exponent, more
    // digits, a stray character) goes the general way, which alone decides
    // what is refused.
    if (double v = 0; parse_plain_decimal_prefix(field, v) == field.size() && !field.empty()) {
        value = v;
        return true;
    }
    if (!has_number_grammar(field)) return false;
    if (field.front() == '+') field.remove_prefix(1);
    double v = 0;
    auto res = std::from_chars(field.data(), field.data() + field.size(), v, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Overflow is refused below; an underflow is a value that rounds to
        // zero (or a subnormal), which the reader keeps as such.
        char* end = nullptr;
        std::string copy(field);
        v = std::strtod(copy.c_str(), &end);
    } else if (res.ec != std::errc() || res.ptr != field.data() + field.size()) {
        return false;
    }
    if (!std::isfinite(v)) return false;
    value = v;
    return true;
}

double written_value(double value) noexcept {
    if (Rounded15 r{}; value != 0 && round15_exact(std::fabs(value), r)) {
        // q * 10^(exponent - 14), q below 2^53 and the power of ten exact:
        // one correctly rounded division (or, where rounding carried up to
        // 10^15, multiplication), which is what a correct parse of the
        // written digits gives.
        const double q = static_cast<double>(r.q);
        const double magnitude = r.exponent >= 14 ? q * exact_powers[r.exponent - 14] : q / exact_powers[14 - r.exponent];
        return value < 0 ? -magnitude : magnitude;
    }
    char text[number_text_capacity];
    double back = 0;
    (void)parse_number(std::string_view(text, static_cast<std::size_t>(write_number(text, value) - text)), back);
    return back;
}

char* write_number(char* out, double value) noexcept {
    if (value == 0 || !std::isfinite(value)) {
        // Zero of either sign is "0"; non-finite values never reach a file,
        // but write something the reader refuses rather than a number.
        if (value == 0) {
            *out++ = '0';
        } else {
            const char* text = std::isnan(value) ? "nan" : (value > 0 ? "inf" : "-inf");
            std::size_t n = std::strlen(text);
            std::memcpy(out, text, n);
            out += n;
        }
        return out;
    }
    if (value < 0) *out++ = '-';
    if (Rounded15 r{}; round15_exact(std::fabs(value), r)) {
        // Whole blocks of 16 digits are copied and the end is set after
        // them; what lies past the end is scratch within the capacity.
        char text[32];
        put_sixteen(text, r.q);  // "0" and the 15 digits
        std::memcpy(text + 16, "0000000000000000", 16);
        const char* const digits = text + 1;
        const int count = 15 - trailing_zeros16(text);
        const int e = r.exponent;  // -8 <= e <= 14
        if (e < 0) {
            std::memcpy(out, "0.000000", 8);
            std::memcpy(out + 1 - e, digits, 16);
            return out + 1 - e + count;
        }
        std::memcpy(out, digits, 16);
        if (count <= e + 1) return out + e + 1;
        out[e + 1] = '.';
        std::memcpy(out + e + 2, digits + e + 1, 16);
        return out + count + 1;
    }
    const Decimal15 d = to_decimal15(std::fabs(value));
    const int e = d.exponent;
    if (e >= 21 || e < -7) {
        *out++ = d.digits[0];
        if (d.count > 1) {
            *out++ = '.';
            std::memcpy(out, d.digits + 1, static_cast<std::size_t>(d.count - 1));
            out += d.count - 1;
        }
        *out++ = 'e';
        *out++ = e < 0 ? '-' : '+';
        return std::to_chars(out, out + 4, e < 0 ? -e : e).ptr;
    }
    if (e < 0) {
        *out++ = '0';
        *out++ = '.';
        for (int i = 0; i < -e - 1; ++i) *out++ = '0';
        std::memcpy(out, d.digits, static_cast<std::size_t>(d.count));
        return out + d.count;
    }
    // e + 1 digits before the point, padded with zeros past the 15th.
    for (int i = 0; i <= e; ++i) *out++ = i < d.count ? d.digits[i] : '0';
    if (d.count > e + 1) {
        *out++ = '.';
        std::memcpy(out, d.digits + e + 1, static_cast<std::size_t>(d.count - e - 1));
        out += d.count - e - 1;
    }
    return out;
}

namespace {

// Every value the quick path in write_fixed3 leaves out, kept apart so
// that the quick path needs no stack frame.
[[gnu::noinline]] char* write_fixed3_exact(char* out, double value, char separator) noexcept {
    if (!std::isfinite(value)) return write_number(out, value);
    if (value < 0) *out++ = '-';
    if (value == 0) {
        *out++ = '0';
        *out++ = separator;
        *out++ = '0';
        *out++ = '0';
        *out++ = '0';
        return out;
    }
    if (Rounded15 r{}; round15_exact(std::fabs(value), r) && r.exponent < 13) {
        // q has k decimals; keep three, and the rest decides the rounding
        // (halves, and above, away from zero). Below 10^13 the thousandths
        // have at most 16 digits.
        static constexpr std::uint64_t powers[] = {
            1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000, 10000000000,
            100000000000, 1000000000000, 10000000000000, 100000000000000, 1000000000000000,
            10000000000000000, 100000000000000000, 1000000000000000000, 10000000000000000000u};
        const int k = 14 - r.exponent;  // 2 <= k <= 22
        std::uint64_t thousandths = 0;
        if (k >= 3) {
            const std::uint64_t unit = powers[k - 3];
            thousandths = r.q / unit;
            const std::uint64_t rest = r.q % unit;
            if (rest >= unit - rest) ++thousandths;
        } else {
            thousandths = r.q * 10;
        }
        // All 16 digits at once; the n that count (at least "0" and three
        // decimals) are copied as a block and the decimals moved past the
        // separator. Past the end is scratch within the capacity.
        char text[32];
        put_sixteen(text, thousandths);
        std::memcpy(text + 16, "0000000000000000", 16);
        const int n = std::max(digit_count(thousandths), 4);
        std::memcpy(out, text + 16 - n, 16);
        out[n - 3] = separator;
        std::memcpy(out + n - 2, text + 13, 3);
        return out + n + 1;
    }
    // Beyond the integer path (10^13 and above, or outside its exact range):
    // the tables' general form, three decimals; the sign is written already.
    return write_fixed(out, std::fabs(value), 3, separator);
}

}  // namespace

char* write_fixed3(char* out, double value, char separator) noexcept {
    if constexpr (std::endian::native == std::endian::little) {
        // The usual coordinate: at most eight digits before the separator,
        // laid out by one word of eight and the three decimals after it.
        if (std::uint64_t thousandths = 0; thousandths_direct(std::fabs(value), thousandths)) {
            *out = '-';
            out += value < 0 ? 1 : 0;
            const std::uint64_t whole = thousandths / 1000;
            const auto decimals = static_cast<std::size_t>(thousandths % 1000);
            const std::uint64_t digits = eight_digits(whole);
            // Leading zeros are the lowest lanes; "0" keeps one.
            const int leading = digits == 0 ? 7 : std::countr_zero(digits) / 8;
            const std::uint64_t text = (digits + ascii_zeros) >> (8 * leading);
            const int n = 8 - leading;
            std::memcpy(out, &text, 8);
            out[n] = separator;
            std::memcpy(out + n + 1, &digit_triples[4 * decimals], 4);  // the fourth byte is scratch
            return out + n + 4;
        }
    }
    return write_fixed3_exact(out, value, separator);
}

char* write_fixed(char* out, double value, int decimals, char separator) noexcept {
    if (!std::isfinite(value)) return write_number(out, value);
    decimals = std::clamp(decimals, 0, max_fixed_decimals);
    if (value < 0) *out++ = '-';
    const Decimal15 d = to_decimal15(std::fabs(value));
    auto digit = [&](int index) -> int {
        return value != 0 && index >= 0 && index < d.count ? d.digits[index] - '0' : 0;
    };
    // The digits of floor(|value| * 10^decimals), then the next digit
    // decides the rounding (halves, and above, away from zero).
    const int last = value == 0 ? decimals : d.exponent + decimals;
    char scaled[fixed_text_capacity];
    int n = 0;
    for (int i = 0; i <= last; ++i) scaled[n++] = static_cast<char>('0' + digit(i));
    if (digit(last + 1) >= 5) {
        int i = n - 1;
        while (i >= 0 && scaled[i] == '9') scaled[i--] = '0';
        if (i >= 0) {
            ++scaled[i];
        } else {
            std::memmove(scaled + 1, scaled, static_cast<std::size_t>(n));
            scaled[0] = '1';
            ++n;
        }
    }
    const int least = decimals + 1;  // "0" before the separator
    if (n < least) {
        std::memmove(scaled + (least - n), scaled, static_cast<std::size_t>(n));
        std::memset(scaled, '0', static_cast<std::size_t>(least - n));
        n = least;
    }
    std::memcpy(out, scaled, static_cast<std::size_t>(n - decimals));
    out += n - decimals;
    if (decimals == 0) return out;
    *out++ = separator;
    std::memcpy(out, scaled + n - decimals, static_cast<std::size_t>(decimals));
    return out + decimals;
}

std::string number_for_message(double value) {
    char text[number_text_capacity + 1];
    char* p = text;
    if (!(value < 0)) *p++ = ' ';
    p = write_number(p, value);
    return std::string(text, p);
}

}  // namespace tesra
