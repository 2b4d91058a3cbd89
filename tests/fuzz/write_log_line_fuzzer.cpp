// The error log on arbitrary message bytes: the file must hold the entry
// with every LF stored as CR LF and every other byte as it was, whatever the
// level, and a message cut only where the buffers end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "log/error_log.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/support/scratch_dir.h"

namespace {

constexpr size_t kMessageMax = 10239; // LogError's buffer, less its NUL
constexpr size_t kEntryMax = 20479;   // WriteLogLine's buffer, less its NUL

// "%02d" without printf: the sign, then at least two characters in all.
std::string Level(int32_t level) {
    std::string digits = std::to_string(level);
    if (digits.size() < 2)
        digits.insert(0, "0");
    return digits;
}

std::string ReadLog() {
    std::string bytes;
    if (std::FILE* f = std::fopen("log.txt", "rb")) {
        char buffer[8192];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            bytes.append(buffer, n);
        std::fclose(f);
    }
    return bytes;
}

// Walks the file against the entry: each LF of the entry must be CR LF in
// the file, every other byte itself. True when the file is exactly that.
bool StoredAsCrLf(const std::string& entry, const std::string& file) {
    size_t f = 0;
    for (char c : entry) {
        if (c == '\n') {
            if (f + 1 >= file.size() || file[f] != '\r' || file[f + 1] != '\n')
                return false;
            f += 2;
        } else {
            if (f >= file.size() || file[f] != c)
                return false;
            ++f;
        }
    }
    return f == file.size();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static velmora_test::ScratchDir dir("log-fuzz");
    return 0;
}

// Input: one control byte (bit 0: LogError or WriteLogLine; bits 1-3: how
// many times the message repeats, so that short inputs reach both buffer
// limits), four bytes of level for WriteLogLine, then the message.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5)
        return 0;
    const bool viaLogError = data[0] & 1;
    const int repeats = 1 + ((data[0] >> 1) & 7);
    int32_t level;
    std::memcpy(&level, data + 1, sizeof level);
    const char* text = reinterpret_cast<const char*>(data + 5);
    std::string message;
    for (int i = 0; i < repeats; ++i)
        message.append(text, strnlen(text, size - 5)); // a message ends at its NUL

    std::remove("log.txt");
    std::string entry;
    if (viaLogError) {
        LogError("%s", message.c_str());
        message.resize(std::min(message.size(), kMessageMax));
        level = 4;
    } else {
        WriteLogLine(level, message.c_str());
    }
    entry = "\r\n" + Level(level) + "[00:00:00 PID=00000 TID=00000 EXE=" + std::string(15, ' ') +
            "] " + message;
    entry.resize(std::min(entry.size(), kEntryMax));

    const std::string first = ReadLog();
    FUZZ_CHECK(StoredAsCrLf(entry, first));
    // A second entry is appended after the first, which stays as it was.
    WriteLogLine(4, "next");
    const std::string both = ReadLog();
    FUZZ_CHECK(both.compare(0, first.size(), first) == 0);
    FUZZ_CHECK(
        StoredAsCrLf("\r\n04[00:00:00 PID=00000 TID=00000 EXE=" + std::string(15, ' ') + "] next",
                     both.substr(first.size())));
    return 0;
}
