// Checking the error log's entries after a request, and timing a call.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "tests/support/scratch_dir.h"

namespace velmora_test {

inline long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return (std::chrono::steady_clock::now() - start) / std::chrono::milliseconds(1);
}

// Whether "log.txt" holds, byte for byte, the level-4 entries of one of the `accepted` lists of
// messages (where a peer races the client, which step fails first is up to timing), then removes
// it for the next check. A message that ends in "error=" stands for itself and strerror text.
inline void ExpectLog(const std::vector<std::vector<std::string>>& accepted,
                      const std::string& what) {
    const std::string log = ReadBytes("log.txt");
    std::remove("log.txt");
    for (const std::vector<std::string>& messages : accepted)
        for (int n = 0; n < 256; ++n) {
            std::string entries;
            for (const std::string& m : messages)
                entries += "\r\r\n04[00:00:00 PID=00000 TID=00000 EXE=               ] " + m +
                           (m.back() == '=' ? std::strerror(n) : "");
            if (entries == log)
                return;
        }
    ADD_FAILURE() << what << ": the log holds " << ::testing::PrintToString(log);
}

} // namespace velmora_test
