// Runs a fuzz target once on every file of a seed corpus, so that the corpora become ordinary
// tests where there is no libFuzzer.
#include <cstdint>
#include <vector>

#include "tests/support/scratch_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    int nInputs = 0;
    for (const auto& entry : velmora_test::fs::directory_iterator(argc == 2 ? argv[1] : ".")) {
        // Exactly the input's size, so that a read past its end is caught.
        const std::string bytes = velmora_test::ReadBytes(entry.path());
        std::vector<uint8_t> input(bytes.begin(), bytes.end());
        LLVMFuzzerTestOneInput(input.data(), input.size());
        ++nInputs;
    }
    return argc != 2 || nInputs == 0;
}
