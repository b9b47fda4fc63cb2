#include "report.hpp"

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
    std::string header = utf8_to_cp1252("Transformação : " + std::string(source) + " --> " + std::string(target));
    header += "\r\n\r\n" + std::string(62, '-') + "\r\n\r\n";
    header += utf8_to_cp1252("Coordenadas : " + std::string(target)) + "\r\n\r\n";
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
        const std::size_t m_at = next_zone(n);
        const std::size_t p_at = next_zone(m_at + m_length);
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
