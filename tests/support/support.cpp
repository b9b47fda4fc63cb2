#include "support.hpp"


#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "geodesy/grid.hpp"

namespace fs = std::filesystem;

namespace tesra::robust {

// A name no one has yet, made by creating it: mkdtemp's way on any system.
ScratchDir::ScratchDir() {
    const fs::path base = fs::temp_directory_path();
    std::random_device seed;
    std::mt19937_64 draw((std::uint64_t{seed()} << 32) ^ seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "tesra-robust-%012llx", static_cast<unsigned long long>(draw() >> 16));
        if (fs::create_directory(base / name)) {
            path_ = (base / name).string();
            return;
        }
    }
    throw std::runtime_error("no scratch directory under " + base.string());
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);  // removes links, never what they point to
}

void write_file(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void make_dir(const std::string& path) { fs::create_directory(path); }
void make_symlink(const std::string& target, const std::string& link) { fs::create_symlink(target, link); }
void make_hard_link(const std::string& existing, const std::string& link) { fs::create_hard_link(existing, link); }

std::vector<std::string> snapshot(const std::string& root) {
    std::vector<std::string> lines;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path& path = it->path();
        const std::string name = path.lexically_relative(root).string();  // links not followed
        const fs::file_status st = fs::symlink_status(path);
        if (fs::is_symlink(st)) {
            lines.push_back(name + ": link -> " + fs::read_symlink(path).string());
        } else if (fs::is_directory(st)) {
            lines.push_back(name + ": directory");
        } else if (fs::is_regular_file(st)) {
            const std::string bytes = read_file(path.string());
            lines.push_back(name + ": file " + std::to_string(bytes.size()) + " bytes #" +
                            std::to_string(std::hash<std::string>{}(bytes)));
        } else {
            lines.push_back(name + ": other");
        }
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

pid_t spawn_cli(const std::string& cwd, const std::vector<std::string>& args, int out_fd, int err_fd,
                const std::function<void()>& in_child) {
    return start_child(TESRA_CLI, args, {cwd, out_fd, err_fd, std::nullopt, in_child});
}

int wait_cli(pid_t pid) { return wait_child(pid); }

std::string cli_program() { return TESRA_CLI; }

CliRun run_cli(const std::string& cwd, const std::vector<std::string>& args, const CliLimits& limits) {
    return run_child(TESRA_CLI, args, {cwd, -1, -1, limits.file_size, {}});
}

void write_grid(const std::string& path, const std::function<double(int, int)>& value) {
    std::string text;
    char number[400];  // the largest double has 309 digits
    for (int r = 1; r <= grid_rows; ++r) {
        for (int c = 1; c <= grid_columns; ++c) {
            std::snprintf(number, sizeof number, c == 1 ? "%.3f" : " %.3f", value(r, c));
            text += number;
        }
        text += "\r\n";
    }
    write_file(path, text);
}

void write_shift_grids(const std::string& dir, std::string_view m_file, std::string_view p_file) {
    write_grid(dir + "/" + std::string(m_file),
               [](int, int c) { return grid_west + (c - 1) * grid_spacing + shift_m; });
    write_grid(dir + "/" + std::string(p_file),
               [](int r, int) { return grid_north - (r - 1) * grid_spacing + shift_p; });
}

std::string parameter_text(std::string_view marker, const std::vector<std::string>& numbers) {
    std::string text = "Sistema de origem\r\nSistema de destino\r\n";
    text += marker;
    text += "\r\n";
    for (const std::string& n : numbers) text += n + "\r\n";
    return text;
}

std::string identity_x_parameters() {
    return parameter_text("X", {"0", "0", "0", "0", "1", "1", "0", "1", "0", "0", "0", "0"});
}

std::string identity_y_parameters() {
    return parameter_text("Y", {"0", "0", "0", "0", "1", "1", "0", "0", "1", "0", "0", "0"});
}

}  // namespace tesra::robust
