// Reading back the error log, for the tests that check the exact entries a
// failure leaves; and timing a call.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/scratch_dir.h"

namespace velmora_test {

inline long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
    const auto took = std::chrono::steady_clock::now() - start;
    return std::chrono::duration_cast<std::chrono::milliseconds>(took).count();
}

// The messages of the entries in "log.txt", in order; a marker first if the
// file holds anything before its first entry.
inline std::vector<std::string> LogEntries() {
    // Every level-4 entry starts with CR CR LF, the level, the fixed stamp
    // and the empty program name padded to 15 blanks.
    const std::string head =
        "\r\r\n04[00:00:00 PID=00000 TID=00000 EXE=" + std::string(15, ' ') + "] ";
    const std::string log = ReadBytes("log.txt");
    std::vector<std::string> messages;
    size_t at = log.find(head);
    if (!log.empty() && at != 0)
        messages.push_back("<bytes before the first entry>");
    while (at != std::string::npos) {
        const size_t next = log.find(head, at + head.size());
        messages.push_back(log.substr(at + head.size(), next - std::min(next, at + head.size())));
        at = next;
    }
    return messages;
}

// Whether the log holds one of the `accepted` lists of messages (where a peer
// races the client, which step fails first is up to timing). A message that
// ends in "error=" stands for itself followed by some strerror text.
inline void ExpectLog(const std::vector<std::vector<std::string>>& accepted,
                      const std::string& what) {
    auto matches = [](const std::string& got, const std::string& want) {
        if (want.empty() || want.back() != '=')
            return got == want;
        for (int n = 0; n < 256; ++n)
            if (got == want + std::strerror(n))
                return true;
        return false;
    };
    const std::vector<std::string> got = LogEntries();
    for (const std::vector<std::string>& want : accepted)
        if (got.size() == want.size() && std::equal(got.begin(), got.end(), want.begin(), matches))
            return;
    ADD_FAILURE() << what << ": the log holds " << ::testing::PrintToString(got);
}

} // namespace velmora_test
