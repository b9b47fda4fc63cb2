// Angles as fields: each form people type read to its value, each
// refusal with its reason, the writers' exact texts (carries, marks in
// both encodings, the sign of zero), and whatever they write read back.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "text/angles.hpp"

namespace tesra {
namespace {

constexpr AngleKind lat = AngleKind::latitude;
constexpr AngleKind lon = AngleKind::longitude;

TEST(Angles, EachFormReadsToItsValue) {
    const double dms = 38 + 42 / 60.0 + 33.3 / 3600;
    const double west = -(9 + 8 / 60.0 + 14.7 / 3600);
    const struct {
        const char* field;
        AngleKind kind;
        char separator;
        double degrees;
    } cases[] = {
        {"38.7092500", lat, '.', 38.70925},
        {"-9.137417", lon, '.', -9.137417},
        {"+38.7", lat, '.', 38.7},
        {"38,70925", lat, ',', 38.70925},
        {" 38.70925\xC2\xB0 N ", lat, '.', 38.70925},
        {"38\xC2\xB0" "42'33.3\"N", lat, '.', dms},
        {"38\xB0" "42'33.3\"", lat, '.', dms},
        {"38\xC2\xBA" "42\xE2\x80\xB2" "33.3\xE2\x80\xB3", lat, '.', dms},  // º ′ ″
        {"38\xC2\xBA" "42\xE2\x80\x99" "33.3\xE2\x80\x9D", lat, '.', dms},  // º ’ ” in UTF-8
        {"38\xBA" "42\x92" "33,3\x94", lat, ',', dms},                      // and in Windows-1252
        {"38\xB0 42' 33.3'' n", lat, '.', dms},
        {"38 42 33.3 N", lat, '.', dms},
        {"N38\xB0" "42'33.3\"", lat, '.', dms},
        {"38:42:33.3", lat, '.', dms},
        {"38\xB0" "42'33.3\"S", lat, '.', -dms},
        {"38\xB0" "42.555'N", lat, '.', 38 + 42.555 / 60},
        {"38 42,555", lat, ',', 38 + 42.555 / 60},
        {"-9\xB0" "08'14.7\"", lon, '.', west},
        {"9\xB0" "08'14.7\"W", lon, '.', west},
        {"9\xB0" "08'14.7\"O", lon, '.', west},
        {"o 9 08 14.7", lon, '.', west},
        {"-0\xB0" "30'", lat, '.', -0.5},  // the sign is the whole angle's
        {"38.5E", lon, '.', 38.5},
        {"e 38.5", lon, '.', 38.5},
        {"90\xB0" "00'00\"S", lat, '.', -90},
        {"-180", lon, '.', -180},
    };
    for (const auto& c : cases) {
        const AngleReading r = parse_angle(c.field, c.kind, c.separator);
        EXPECT_EQ(r.fault, AngleFault::none) << c.field << ": " << angle_fault_text(r, c.kind);
        EXPECT_EQ(r.degrees, c.degrees) << c.field;
    }
}

TEST(Angles, EachRefusalGivesItsReason) {
    const std::string huge = "1" + std::string(400, '0');
    const struct {
        std::string field;
        AngleKind kind;
        char separator;
        const char* reason;
    } cases[] = {
        {"", lat, '.', "não é uma latitude em graus"},
        {"38,7", lon, '.', "não é uma longitude em graus"},
        {"38.7", lat, ',', "não é uma latitude em graus"},
        {"inf", lat, '.', "não é uma latitude em graus"},
        {"38\xB0" "33.3\"", lat, '.', "não é uma latitude em graus"},  // seconds in the minutes' place
        {"38\xB0" "42'33\"12", lat, '.', "não é uma latitude em graus"},
        {"38:42:33:", lat, '.', "não é uma latitude em graus"},
        {"38 N 42", lat, '.', "não é uma latitude em graus"},
        {"38\xC3\x82\xC2\xB0" "42'", lat, '.', "não é uma latitude em graus"},  // ° as "Â°"
        {"1e2", lat, '.', "os graus não se escrevem com expoente"},
        {"1E+2", lon, '.', "os graus não se escrevem com expoente"},
        {"-38.7N", lat, '.', "tem sinal e letra de hemisfério"},
        {"N +38.7", lat, '.', "tem sinal e letra de hemisfério"},
        {"N38.7s", lat, '.', "tem duas letras de hemisfério"},
        {"38.5E", lat, '.', "a letra E não serve a uma latitude"},
        {"9 08 14.7 o", lat, '.', "a letra O não serve a uma latitude"},
        {"N9.1", lon, '.', "a letra N não serve a uma longitude"},
        {"38.5\xB0" "30'", lat, '.', "os graus têm decimais e há minutos"},
        {"38:42,5:30", lat, ',', "os minutos têm decimais e há segundos"},
        {"38\xB0" "60'", lat, '.', "os minutos chegam a 60"},
        {"38 42 60", lat, '.', "os segundos chegam a 60"},
        {"90 00 00.001", lat, '.', "a latitude passa de 90°"},
        {"-180.0000001", lon, '.', "a longitude passa de 180°"},
        {huge, lon, '.', "a longitude passa de 180°"},
    };
    for (const auto& c : cases) {
        const AngleReading r = parse_angle(c.field, c.kind, c.separator);
        EXPECT_NE(r.fault, AngleFault::none) << c.field;
        EXPECT_EQ(angle_fault_text(r, c.kind), c.reason) << c.field;
    }
}

std::string sexagesimal(double degrees, AngleKind kind, TextEncoding encoding, int decimals, char separator = '.') {
    char text[sexagesimal_text_capacity];
    return {text, write_sexagesimal(text, degrees, kind, encoding, decimals, separator)};
}

std::string decimal(double degrees, int decimals, char separator = '.') {
    char text[fixed_text_capacity];
    return {text, write_degrees(text, degrees, decimals, separator)};
}

TEST(Angles, WritersRoundOnceWithCarriesAndNoSignedZero) {
    constexpr TextEncoding utf8 = TextEncoding::utf8, cp1252 = TextEncoding::cp1252;
    const double dms = 38 + 42 / 60.0 + 33.3 / 3600;
    EXPECT_EQ(sexagesimal(dms, lat, utf8, 5), "38\xC2\xB0" "42'33.30000\"N");
    EXPECT_EQ(sexagesimal(-dms, lat, cp1252, 5, ','), "38\xB0" "42'33,30000\"S");
    EXPECT_EQ(sexagesimal(-(9 + 8 / 60.0 + 14.7 / 3600), lon, utf8, 5), "9\xC2\xB0" "08'14.70000\"W");
    EXPECT_EQ(sexagesimal(-179.5, lon, cp1252, 0), "179\xB0" "30'00\"W");
    // Carries into the minutes and the degrees.
    EXPECT_EQ(sexagesimal(59.999999 / 3600, lat, cp1252, 5), "0\xB0" "01'00.00000\"N");
    EXPECT_EQ(sexagesimal(1 + 59 / 60.0 + 59.6 / 3600, lon, cp1252, 0), "2\xB0" "00'00\"E");
    EXPECT_EQ(sexagesimal(89 + 59 / 60.0 + 59.999999 / 3600, lat, cp1252, 5), "90\xB0" "00'00.00000\"N");
    // 2^-11 degrees is 1.7578125" exactly: halves away from zero.
    EXPECT_EQ(sexagesimal(-0x1p-11, lon, cp1252, 6), "0\xB0" "00'01.757813\"W");
    EXPECT_EQ(sexagesimal(-1e-12, lat, cp1252, 9), "0\xB0" "00'00.000000004\"S");
    EXPECT_EQ(sexagesimal(-1e-12, lat, cp1252, 5), "0\xB0" "00'00.00000\"N");
    EXPECT_EQ(sexagesimal(NAN, lat, cp1252, 5), "nan");

    EXPECT_EQ(decimal(-9.137417, 9), "-9.137417000");
    EXPECT_EQ(decimal(38.70925, 4, ','), "38,7093");
    EXPECT_EQ(decimal(-1e-12, 9), "0.000000000");
    EXPECT_EQ(decimal(-1e-12, 0), "0");
    EXPECT_EQ(decimal(-5e-10, 9), "-0.000000001");
}

// Every number of decimals, both kinds, both encodings and separators,
// over the whole range: the text reads back within half a unit of its
// last decimal, give or take the double's own rounding in the reading (two
// units in its last place) and, in decimal degrees, write_fixed's rounding
// to 15 significant digits first (half a unit in the 15th).
TEST(Angles, WrittenAnglesReadBackWithinHalfTheLastDecimal) {
    constexpr int steps = 100003;
    for (const AngleKind kind : {lat, lon}) {
        const double limit = kind == lat ? 90 : 180;
        for (int decimals = 0; decimals <= 9; ++decimals) {
            for (int i = 0; i <= steps; ++i) {
                const double v = limit * (2.0 * i / steps - 1) * (i % 3 == 0 ? 1 : 0.999999937);
                const bool odd = i % 2 != 0;
                const char separator = odd ? ',' : '.';
                const double slack = 2 * (std::nextafter(std::fabs(v), 1e9) - std::fabs(v));
                char text[fixed_text_capacity];
                const TextEncoding encoding = odd ? TextEncoding::utf8 : TextEncoding::cp1252;
                const std::string s(text, write_sexagesimal(text, v, kind, encoding, decimals, separator));
                const AngleReading back = parse_angle(s, kind, separator);
                ASSERT_EQ(back.fault, AngleFault::none) << s;
                ASSERT_LE(std::fabs(back.degrees - v), 0.5 / 3600 * std::pow(10.0, -decimals) + slack) << s;
                const std::string d(text, write_degrees(text, v, decimals, separator));
                const AngleReading back_d = parse_angle(d, kind, separator);
                ASSERT_EQ(back_d.fault, AngleFault::none) << d;
                ASSERT_LE(std::fabs(back_d.degrees - v), 0.5 * std::pow(10.0, -decimals) + 5e-15 * std::fabs(v) + slack)
                    << d;
            }
        }
    }
}

}  // namespace
}  // namespace tesra
