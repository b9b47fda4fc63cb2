// Shared by the fuzz targets: a private scratch directory for the files a
// target writes from its input, and a check that stops the run (a crash to
// libFuzzer, a failure to the replay test) with the reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <unistd.h>

namespace tesra::fuzz {

inline void require(bool holds, std::string_view what) {
    if (holds) return;
    std::fprintf(stderr, "fuzz check failed: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

// One directory per process, removed at exit.
class Scratch {
public:
    Scratch() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tesra-fuzz-XXXXXX";
        require(::mkdtemp(pattern.data()) != nullptr, "mkdtemp");
        dir_ = pattern;
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    [[nodiscard]] std::string path(std::string_view name) const { return dir_ + "/" + std::string(name); }

    // Writes the fuzz input to a file of the directory and returns its path.
    std::string write(std::string_view name, const std::uint8_t* data, std::size_t size) const {
        const std::string p = path(name);
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        out.close();
        require(static_cast<bool>(out), "cannot write the input file");
        return p;
    }

private:
    std::string dir_;
};

inline const Scratch& scratch() {
    static const Scratch s;
    return s;
}

inline bool exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found;
}

}  // namespace tesra::fuzz
