#include "executable_dir.hpp"

#include <filesystem>
#include <system_error>

namespace tesra {

std::string executable_dir() {
    std::error_code ec;
    // /proc/self/exe is the real file, whatever link the program was started through.
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return exe.parent_path().string();
}

}  // namespace tesra
