// The error log on arbitrary message bytes: log.txt must hold the entry with
// every LF stored as CR LF and every other byte as it was, whatever the
// level, the message cut only where the buffers end; a second entry follows.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "log/error_log.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/support/scratch_dir.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static velmora_test::ScratchDir dir("log-fuzz");
    return 0;
}

// Input: a control byte (bit 0: LogError, else WriteLogLine; bits 1-3: how
// many more times the message repeats, so that short inputs reach both
// buffer limits), four bytes of level for WriteLogLine, then the message.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5)
        return 0;
    int32_t level;
    std::memcpy(&level, data + 1, sizeof level);
    const char* text = reinterpret_cast<const char*>(data + 5);
    std::string message;
    for (int i = 0; i <= (data[0] >> 1 & 7); ++i)
        message.append(text, strnlen(text, size - 5)); // a message ends at its NUL
    std::remove("log.txt");
    if (data[0] & 1) {
        LogError("%s", message.c_str());
        message.resize(std::min<size_t>(message.size(), 10239)); // LogError's buffer, less its NUL
        level = 4;
    } else {
        WriteLogLine(level, message.c_str());
    }
    const std::string digits = (level >= 0 && level < 10 ? "0" : "") + std::to_string(level);
    const std::string first = velmora_test::ReadBytes("log.txt");
    FUZZ_CHECK(first == LogBytes(digits, message));
    WriteLogLine(4, "next");
    FUZZ_CHECK(velmora_test::ReadBytes("log.txt") == first + LogBytes("04", "next"));
    return 0;
}
