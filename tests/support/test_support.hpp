// Shared by the engine and CLI tests: a temporary directory that cleans up
// after itself, whole-file helpers, and a Services fake that records what
// the engine shows.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "services.hpp"

namespace tesra::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    [[nodiscard]] const std::filesystem::path& path() const { return path_; }
    // The path of a file in the directory, as the byte string the engine takes.
    [[nodiscard]] std::string file(std::string_view name) const { return (path_ / name).string(); }
    // Names of the entries in the directory, sorted.
    [[nodiscard]] std::vector<std::string> entries() const;

private:
    std::filesystem::path path_;
};

void write_file(const std::string& path, std::string_view bytes);
std::string read_file(const std::string& path);
bool exists(const std::string& path);

struct Shown {
    std::string prompt;
    std::optional<std::string> title;
};

class RecordingServices final : public Services {
public:
    void message_box(std::string_view prompt, std::optional<std::string_view> title) override {
        shown.push_back({std::string(prompt), title ? std::optional<std::string>(title) : std::nullopt});
    }
    void set_pointer(Pointer p) override { pointer = p; }
    void end_program() override { ended = true; }

    [[nodiscard]] std::vector<std::string> prompts() const {
        std::vector<std::string> out;
        for (const Shown& s : shown) out.push_back(s.prompt);
        return out;
    }

    std::vector<Shown> shown;
    Pointer pointer = Pointer::normal;
    bool ended = false;
};

// Four grid files of the real 123 x 66 geometry whose node values are a
// simple function of the node's position, written into dir.
struct GridField {
    double m_scale = 1.0, m_offset = 0.0;  // M value = m_scale * M + m_offset
    double p_scale = 1.0, p_offset = 0.0;  // P value = p_scale * P + p_offset
};
void write_grid_files(const TempDir& dir, std::string_view m_name, std::string_view p_name, GridField field,
                      const std::vector<std::pair<int, int>>& no_data_nodes = {});

}  // namespace tesra::test
