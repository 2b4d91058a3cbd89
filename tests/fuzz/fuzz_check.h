// FUZZ_CHECK: a failed check aborts, which libFuzzer and the replay driver
// both report as a crash with its input. LogBytes: what log.txt holds for one
// entry of the error log.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(c)                                                                              \
    ((c) ? (void)0                                                                                 \
         : (std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #c),             \
            std::abort()))

// The entry cut to WriteLogLine's buffer (20479 bytes), each LF stored as CR LF.
inline std::string LogBytes(const std::string& level, const std::string& message) {
    std::string stored,
        head = "\r\n" + level + "[00:00:00 PID=00000 TID=00000 EXE=               ] ";
    for (char c : (head + message).substr(0, 20479))
        stored += c == '\n' ? "\r\n" : std::string(1, c);
    return stored;
}
