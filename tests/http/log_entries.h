// LogEntries and IsRuntimeErrorText: reading back what the error log holds,
// for the tests that check the exact entries a failure leaves.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/scratch_dir.h"

namespace velmora_test {

// What every level-4 entry starts with as stored: CR CR LF, the level, the
// fixed stamp and the empty program name padded to 15 blanks.
inline const std::string& EntryHead() {
    static const std::string head =
        "\r\r\n04[00:00:00 PID=00000 TID=00000 EXE=" + std::string(15, ' ') + "] ";
    return head;
}

// The messages of the entries in "log.txt", in order; one empty message if
// the file holds anything before its first entry, so that a stray byte
// cannot pass unnoticed.
inline std::vector<std::string> LogEntries() {
    const std::string log = ReadBytes("log.txt");
    std::vector<std::string> messages;
    size_t at = log.find(EntryHead());
    if (!log.empty() && at != 0)
        messages.push_back("<bytes before the first entry>");
    while (at != std::string::npos) {
        const size_t start = at + EntryHead().size();
        const size_t next = log.find(EntryHead(), start);
        messages.push_back(
            log.substr(start, next == std::string::npos ? std::string::npos : next - start));
        at = next;
    }
    return messages;
}

// Whether `text` is what the runtime library's strerror says for some error
// number: the client fills "error=%s" from errno, whose value after a failed
// socket call is the platform's matter.
inline bool IsRuntimeErrorText(const std::string& text) {
    for (int n = 0; n < 256; ++n)
        if (text == std::strerror(n))
            return true;
    return false;
}

// Whether `message` is `prefix` (ending in "error=") followed by such a text.
inline bool IsErrnoMessage(const std::string& message, const std::string& prefix) {
    return message.compare(0, prefix.size(), prefix) == 0 &&
           IsRuntimeErrorText(message.substr(prefix.size()));
}

} // namespace velmora_test
