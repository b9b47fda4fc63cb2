#include "report.hpp"

#include <algorithm>

#include "codepage.hpp"
#include "numtext.hpp"
#include "point_file.hpp"

namespace tesra {

namespace {

constexpr std::size_t zone = 14;

// The start of the print zone after `used` columns: fields are never cut.
constexpr std::size_t next_zone(std::size_t used) noexcept { return (used / zone + 1) * zone; }

}  // namespace

void write_report(const PointFile& points, const std::string& output, std::string_view source,
                  std::string_view target, char decimal_separator) {
    FieldReader in(points);
    OutputFile out(output, OutputFile::Mode::replace);
    // In the encoding of the names below it.
    const bool utf8 = in.encoding() == TextEncoding::utf8;
    const auto text = [utf8](const std::string& own) { return utf8 ? own : utf8_to_cp1252(own); };
    std::string header = text("Transformação : " + std::string(source) + " --> " + std::string(target));
    header += "\r\n\r\n" + std::string(62, '-') + "\r\n\r\n";
    header += text("Coordenadas : " + std::string(target)) + "\r\n\r\n";
    std::string titles = "Nome";
    for (const char* title : {"   M", "   P"}) titles.append(next_zone(titles.size()) - titles.size(), ' ') += title;
    header += titles + "\r\n\r\n";
    out.write(header);

    PointRecord record;
    char m_text[fixed3_text_capacity];
    char p_text[fixed3_text_capacity];
    while (in.read_record(record)) {
        const auto m_length = static_cast<std::size_t>(write_fixed3(m_text, record.m, decimal_separator) - m_text);
        const auto p_length = static_cast<std::size_t>(write_fixed3(p_text, record.p, decimal_separator) - p_text);
        const std::size_t n = record.name.size();
        // Zones count characters: a UTF-8 name has bytes beyond its width.
        const std::size_t extra = utf8 ? static_cast<std::size_t>(std::count_if(
                                             record.name.begin(), record.name.end(),
                                             [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }))
                                       : 0;
        const std::size_t m_at = next_zone(n - extra) + extra;
        const std::size_t p_at = next_zone(m_at - extra + m_length) + extra;
        const std::size_t total = p_at + p_length + 2;
        char* const line = out.reserve(total);
        std::char_traits<char>::copy(line, record.name.data(), n);
        std::char_traits<char>::assign(line + n, m_at - n, ' ');
        std::char_traits<char>::copy(line + m_at, m_text, m_length);
        std::char_traits<char>::assign(line + m_at + m_length, p_at - m_at - m_length, ' ');
        std::char_traits<char>::copy(line + p_at, p_text, p_length);
        line[total - 2] = '\r';
        line[total - 1] = '\n';
        out.commit(total);
    }
    out.close();
}

}  // namespace tesra
