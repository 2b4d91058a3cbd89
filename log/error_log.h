// The error log: entries appended to "log.txt" in the current directory.
#pragma once

// Formats the message printf-style (at most 10239 characters of it are kept)
// and appends it as an entry of level 4. Never fails the caller.
void LogError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Appends one entry: the fixed stamp with `level`, then `message` verbatim.
// When "log.txt" cannot be opened nothing is written and nothing is said.
void WriteLogLine(int level, const char* message);
