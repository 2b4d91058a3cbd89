#include "log/error_log.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

constexpr size_t kMessageBuffer = 10240;
constexpr size_t kEntryBuffer = 20480;

} // namespace

void LogError(const char* format, ...) {
    char message[kMessageBuffer] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    // An older C library may fill the whole buffer without a terminator when
    // it truncates; either way the message keeps its first 10239 characters.
    message[sizeof message - 1] = '\0';
    WriteLogLine(4, message);
}

void WriteLogLine(int level, const char* message) {
    // Binary mode, with a CR written by hand before every LF as Windows' text
    // mode would (the entry's leading CR LF is stored as CR CR LF), so that
    // every platform stores the same bytes.
    std::FILE* file = std::fopen("log.txt", "ab");
    if (!file)
        return;
    char entry[kEntryBuffer] = {};
    std::snprintf(entry, sizeof entry, "\r\n%02d[%02d:%02d:%02d PID=%05d TID=%05ld EXE=%-15s] %s",
                  level, 0, 0, 0, 0, 0L, "", message ? message : "");
    entry[sizeof entry - 1] = '\0';

    std::string stored;
    stored.reserve(sizeof entry);
    for (const char* p = entry; *p; ++p) {
        if (*p == '\n')
            stored += '\r';
        stored += *p;
    }
    std::fwrite(stored.data(), 1, stored.size(), file);
    std::fflush(file);
    std::fclose(file);
}
