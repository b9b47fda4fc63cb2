// Number text against slow references that are plainly right:
// - parse_number accepts exactly [+-] digits [. digits] [e [+-] digits] with
//   a digit in the mantissa and a finite value, and gives strtod's value;
// - write_number reads back to the same 15-significant-digit decimal (as
//   printf's %.14e gives it), in plain form with nothing superfluous, and
//   written_value gives what it reads back as;
// - write_fixed3 rounds that decimal to three places, halves away from
//   zero, as integer arithmetic on its digits does.
// The input is tried as a field of text, and its first eight bytes as a double.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_support.hpp"
#include "text/numtext.hpp"

using namespace tesra;
using namespace tesra::fuzz;

namespace {

bool all_digits(std::string_view s) { return s.find_first_not_of("0123456789") == std::string_view::npos; }

bool without_sign(std::string_view& s) {
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) s.remove_prefix(1);
    return true;
}

// The grammar, said the other way round: split at the exponent letter, then
// look at each part.
bool reference_grammar(std::string_view s) {
    const std::size_t e = s.find_first_of("eE");
    std::string_view mantissa = s.substr(0, e);
    without_sign(mantissa);
    const std::size_t point = mantissa.find('.');
    if (point != std::string_view::npos && mantissa.find('.', point + 1) != std::string_view::npos) return false;
    std::string digits(mantissa);
    if (point != std::string_view::npos) digits.erase(point, 1);
    if (digits.empty() || !all_digits(digits)) return false;
    if (e == std::string_view::npos) return true;
    std::string_view exponent = s.substr(e + 1);
    without_sign(exponent);
    return !exponent.empty() && all_digits(exponent);
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string decimal15(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.14e", v);
    return text;
}

void check_parse(std::string_view field) {
    double value = 12345;
    const bool accepted = parse_number(field, value);
    bool expected = reference_grammar(field) && field.find('\0') == std::string_view::npos;
    double reference = 0;
    if (expected) {
        const std::string copy(field);
        char* end = nullptr;
        reference = std::strtod(copy.c_str(), &end);
        require(end == copy.c_str() + copy.size(), "strtod stopped early on a field of the grammar");
        expected = std::isfinite(reference);
    }
    require(accepted == expected, "parse_number accepts what it should refuse, or refuses what it should accept");
    if (accepted) {
        require(same_bits(value, reference), "parse_number and strtod disagree");
    } else {
        require(value == 12345, "a refused field changed the value");
    }
}

void check_write_number(double v) {
    char text[number_text_capacity + 8];
    std::memset(text, 'Z', sizeof text);
    char* end = write_number(text, v);
    const std::string s(text, end);
    require(s.size() <= number_text_capacity, "write_number wrote past its capacity");
    double back = 0;
    // The point loop refuses larger values before writing them: their
    // 15-digit decimal may round past the largest double.
    if (std::fabs(v) > largest_written_number) return;
    require(parse_number(s, back), "write_number wrote what parse_number refuses");
    require(decimal15(std::fabs(back)) == decimal15(std::fabs(v)), "write_number lost the 15-digit decimal");
    require((back < 0) == (v < 0), "write_number lost the sign");
    require(same_bits(written_value(v), back), "written_value is not the written form read back");
    char again[number_text_capacity];
    require(std::string(again, write_number(again, back)) == s, "writing the value read back changes the text");

    // The plain form: "-" only for a negative value, never "-0", no "+",
    // no needless zeros or point.
    require(s[0] != '+', "a plus sign");
    require((s[0] == '-') == (v < 0 && s != "0"), "the minus sign does not follow the value");
    require(s != "-0", "minus zero");
    const std::size_t exp = s.find('e');
    const std::string mantissa = s.substr(0, exp);
    std::string_view unsigned_part = mantissa;
    if (!unsigned_part.empty() && unsigned_part[0] == '-') unsigned_part.remove_prefix(1);
    if (mantissa.find('.') != std::string::npos) {
        require(mantissa.back() != '0' && mantissa.back() != '.', "trailing zeros after the point");
    }
    require(unsigned_part.size() < 2 || unsigned_part[0] != '0' || unsigned_part[1] == '.', "a leading zero");
    std::size_t significant = 0;
    for (std::size_t i = unsigned_part.find_first_not_of("0."); i < unsigned_part.size(); ++i) {
        if (unsigned_part[i] != '.') ++significant;
    }
    if (exp == std::string::npos && mantissa.find('.') != std::string::npos) {
        require(significant <= 15, "more than 15 significant digits");
    }
    // Exponent form exactly when the decimal's exponent is 21 or more, or below -7.
    const int decimal_exponent = std::atoi(decimal15(std::fabs(v)).c_str() + 17);
    const bool far = v != 0 && (decimal_exponent >= 21 || decimal_exponent < -7);
    require((exp != std::string::npos) == far, "exponent form outside the far ranges, or plain form inside them");

    const std::string message = number_for_message(v);
    std::string expected_message = v < 0 ? "" : " ";
    expected_message += s;
    require(message == expected_message, "number_for_message is not the written form with its blank");
}

// The 15-digit decimal D x 10^(e-14), times 1000, rounded half away from zero.
std::string reference_fixed3(double v, char separator) {
    char text[64];
    std::snprintf(text, sizeof text, "%.14e", std::fabs(v));  // d.dddddddddddddde+XX
    std::string digits(1, text[0]);
    digits.append(text + 2, 14);
    const int e = std::atoi(text + 17);
    std::string thousandths;
    if (e >= 11) {
        thousandths = digits + std::string(static_cast<std::size_t>(e - 11), '0');
    } else if (11 - e > 15) {
        thousandths = "0";  // below 10^15 / 10^16: less than a tenth of a thousandth
    } else {
        std::uint64_t divisor = 1;
        for (int i = 0; i < 11 - e; ++i) divisor *= 10;
        const std::uint64_t d = std::strtoull(digits.c_str(), nullptr, 10);
        std::uint64_t q = d / divisor;
        if (2 * (d % divisor) >= divisor) ++q;
        thousandths = std::to_string(q);
    }
    while (thousandths.size() > 1 && thousandths[0] == '0') thousandths.erase(0, 1);
    if (thousandths.size() < 4) thousandths = std::string(4 - thousandths.size(), '0') + thousandths;
    const std::size_t split = thousandths.size() - 3;
    std::string text_out = v < 0 ? "-" : "";
    text_out.append(thousandths, 0, split);
    text_out += separator;
    text_out.append(thousandths, split);
    return text_out;
}

void check_fixed3(double v, char separator) {
    char text[fixed3_text_capacity + 8];
    char* end = write_fixed3(text, v, separator);
    const std::string s(text, end);
    require(s.size() <= fixed3_text_capacity, "write_fixed3 wrote past its capacity");
    if (s != reference_fixed3(v, separator)) {
        std::fprintf(stderr, "value %.17g: write_fixed3 \"%s\", reference \"%s\"\n", v, s.c_str(),
                     reference_fixed3(v, separator).c_str());
        require(false, "write_fixed3 disagrees with the reference");
    }
}

void check_writers(double v, char separator) {
    if (!std::isfinite(v)) return;
    check_write_number(v);
    check_fixed3(v, separator);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view field(reinterpret_cast<const char*>(data), size);
    check_parse(field);
    const char separator = size > 0 && (data[0] & 1) ? '.' : ',';
    double parsed = 0;
    if (parse_number(field, parsed)) check_writers(parsed, separator);
    if (size >= 8) {
        double raw = 0;
        std::memcpy(&raw, data, 8);
        check_writers(raw, separator);
    }
    return 0;
}
