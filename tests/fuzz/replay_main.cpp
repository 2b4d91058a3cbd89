// Runs a fuzz target once on every file named on the command line, or found
// in a directory named there: the seed corpora become ordinary tests.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg = fs::absolute(argv[i]);
        if (!fs::is_directory(arg))
            inputs.push_back(arg);
        else
            for (const auto& entry : fs::directory_iterator(arg))
                if (entry.is_regular_file())
                    inputs.push_back(entry.path());
    }
    if (inputs.empty())
        return std::fprintf(stderr, "no inputs\n"), 1;
    // Only now that the paths are absolute: a target may change directory.
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    for (const fs::path& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return std::fprintf(stderr, "cannot read %s\n", path.c_str()), 1;
        const std::string bytes(std::istreambuf_iterator<char>(in), {});
        // Exactly the input's size, so that a read past its end is caught.
        std::vector<uint8_t> input(bytes.begin(), bytes.end());
        LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
    }
}
