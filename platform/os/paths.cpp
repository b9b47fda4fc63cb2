// Paths split and joined by std::filesystem, which knows the system's
// separators (and, on Windows, both of them and the drive letters).
#include "os.hpp"

#include <atomic>
#include <filesystem>

namespace tesra::os {

std::string folder_of(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return folder.empty() ? "." : folder.string();
}

std::string name_of(const std::string& path) { return std::filesystem::path(path).filename().string(); }

std::string join(const std::string& folder, std::string_view name) {
    return (std::filesystem::path(folder) / name).string();
}

std::string temporary_name(const std::string& folder, std::string_view base) {
    static std::atomic<unsigned> counter{0};
    std::string name = ".";
    name += base;
    name += ".tesra-" + std::to_string(process_id()) + "-" + std::to_string(counter.fetch_add(1));
    return join(folder, name);
}

}  // namespace tesra::os
