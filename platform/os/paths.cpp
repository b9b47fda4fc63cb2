// Paths split and joined by std::filesystem, which knows the system's
// separators (and, on Windows, both of them and the drive letters). The
// text goes in and out as UTF-8 on every system: a plain std::string would
// be read in Windows's ANSI code page there.
#include "os.hpp"

#include <atomic>
#include <filesystem>

namespace tesra::os {

std::filesystem::path to_fs_path(const std::string& text) {
    try {
        return std::filesystem::path(std::u8string_view(reinterpret_cast<const char8_t*>(text.data()), text.size()));
    } catch (const std::exception&) {
        return std::filesystem::path(text);  // no UTF-8: it names no file there anyway
    }
}

std::string from_fs_path(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string folder_of(const std::string& path) {
    const std::filesystem::path folder = to_fs_path(path).parent_path();
    return folder.empty() ? "." : from_fs_path(folder);
}

std::string name_of(const std::string& path) { return from_fs_path(to_fs_path(path).filename()); }

std::string join(const std::string& folder, std::string_view name) {
    return from_fs_path(to_fs_path(folder) / to_fs_path(std::string(name)));
}

std::string temporary_name(const std::string& folder, std::string_view base) {
    static std::atomic<unsigned> counter{0};
    std::string name = ".";
    name += base;
    name += ".tesra-" + std::to_string(process_id()) + "-" + std::to_string(counter.fetch_add(1));
    return join(folder, name);
}

}  // namespace tesra::os
