#include "text/codepage.hpp"

#include <array>
#include <cstdint>

namespace tesra {

namespace {

// Windows-1252 bytes 0x80 to 0x9F; zero where the code page has no character.
constexpr std::array<std::uint16_t, 32> cp1252_high = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
};
static_assert(cp1252_high.size() == 0xA0 - 0x80);

char to_cp1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (std::size_t i = 0; i < cp1252_high.size(); ++i)
        if (cp1252_high[i] != 0 && cp1252_high[i] == c) return static_cast<char>(0x80 + i);
    return '?';
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string utf8_to_cp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || (extra > 0 && i + static_cast<std::size_t>(extra) >= utf8.size())) {
            out += '?';
            ++i;
            continue;
        }
        char32_t c = extra == 0 ? b : (b & (0x3F >> extra));
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            const auto cont = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
            if ((cont & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (cont & 0x3F);
        }
        if (!ok) {
            out += '?';
            ++i;
            continue;
        }
        out += to_cp1252(c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string cp1252_to_utf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) {
            out += ch;
        } else if (b < 0xA0) {
            const char32_t c = cp1252_high[b - 0x80];
            append_utf8(out, c != 0 ? c : U'?');
        } else {
            append_utf8(out, b);
        }
    }
    return out;
}

std::size_t utf8_char_length(std::string_view text) noexcept {
    if (text.empty()) return 0;
    const auto b = static_cast<unsigned char>(text[0]);
    if (b < 0x80) return 1;
    const std::size_t length = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
    if (length == 0 || text.size() < length) return 0;
    const auto second = static_cast<unsigned char>(text[1]);
    // The second byte's range shuts out overlong forms, surrogates and values past U+10FFFF.
    const unsigned char low = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
    if (second < low || second > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 0;
    }
    return length;
}

bool valid_utf8(std::string_view text) noexcept {
    while (!text.empty()) {
        const std::size_t length = utf8_char_length(text);
        if (length == 0) return false;
        text.remove_prefix(length);
    }
    return true;
}

std::string plain_lower(std::string_view text) {
    static constexpr std::string_view plain = "aaaaaaeceeeeiiiidnoooooxouuuuyts";  // U+00C0 to U+00DF, and +0x20
    const auto continuation = [&](std::size_t i) {
        return i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 0xC3 && continuation(i + 1)) {
            out += plain[static_cast<unsigned char>(text[++i]) & 0x1F];  // UTF-8's two bytes
        } else if (c >= 0xC0 && !continuation(i + 1)) {
            out += plain[c & 0x1F];  // Windows-1252's one
        } else {
            out += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
    }
    return out;
}

}  // namespace tesra
