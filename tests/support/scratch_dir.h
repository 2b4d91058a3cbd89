// ScratchDir: a fresh working directory for one test, so that "log.txt" and
// any other relative path start out absent; the previous one is restored.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace velmora_test {

class ScratchDir {
public:
    explicit ScratchDir(const std::string& tag) : m_previous(std::filesystem::current_path()) {
        // Builds of several trees may run the same test at the same time.
        std::random_device random;
        m_dir = std::filesystem::temp_directory_path() /
                ("velmora-" + tag + "-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(m_dir);
        std::filesystem::current_path(m_dir);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::current_path(m_previous, ignored);
        std::filesystem::remove_all(m_dir, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

private:
    std::filesystem::path m_previous;
    std::filesystem::path m_dir;
};

// The whole content of a file, byte for byte; empty when it cannot be read.
inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace velmora_test
