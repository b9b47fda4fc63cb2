#include "test_support.hpp"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "grid.hpp"
#include "numtext.hpp"

namespace tesra::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tesra-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::string> TempDir::entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void write_file(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

void write_grid_files(const TempDir& dir, std::string_view m_name, std::string_view p_name, GridField field,
                      const std::vector<std::pair<int, int>>& no_data_nodes) {
    std::string m_text, p_text;
    char number[number_text_capacity];
    for (int r = 1; r <= grid_rows; ++r) {
        for (int c = 1; c <= grid_columns; ++c) {
            const double node_m = grid_west + (c - 1) * grid_spacing;
            const double node_p = grid_north - (r - 1) * grid_spacing;
            const bool missing =
                std::find(no_data_nodes.begin(), no_data_nodes.end(), std::pair{r, c}) != no_data_nodes.end();
            const double vm = missing ? grid_no_data : field.m_scale * node_m + field.m_offset;
            const double vp = missing ? grid_no_data : field.p_scale * node_p + field.p_offset;
            m_text.append(number, write_number(number, vm));
            p_text.append(number, write_number(number, vp));
            m_text += c == grid_columns ? "\r\n" : " ";
            p_text += c == grid_columns ? "\r\n" : " ";
        }
    }
    write_file(dir.file(m_name), m_text);
    write_file(dir.file(p_name), p_text);
}

}  // namespace tesra::test
