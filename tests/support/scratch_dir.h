// ScratchDir: a fresh working directory for one test, so that "log.txt" and any other relative
// path start out absent; the previous one is restored. ReadBytes: a whole file, byte for byte.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace velmora_test {

namespace fs = std::filesystem;

class ScratchDir {
public:
    // Random, as builds of several trees may run the same test at the same time.
    explicit ScratchDir(const std::string& tag)
        : m_dir(fs::temp_directory_path() /
                ("velmora-" + tag + std::to_string(std::random_device()()))) {
        fs::create_directories(m_dir);
        fs::current_path(m_dir);
    }
    ~ScratchDir() {
        std::error_code ignored;
        fs::current_path(m_previous, ignored);
        fs::remove_all(m_dir, ignored);
    }

private:
    fs::path m_previous = fs::current_path(), m_dir;
};

// Empty when the file cannot be read.
inline std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace velmora_test
