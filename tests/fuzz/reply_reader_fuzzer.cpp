// CReplyReader on arbitrary bytes, cut into pieces that the bytes themselves choose: the outcome
// must not depend on the cuts, and the bytes sent as chunks of a well-formed reply come out whole.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/http/reply_feed.h"

#define FUZZ_CHECK(c)                                                                              \
    ((c) ? (void)0 : (std::fprintf(stderr, "check failed: %s\n", #c), std::abort()))

using velmora_test::ReadReply;

namespace {

// Cuts of `text` into pieces of 1 to 16 bytes, as the bytes of `sizes` name them in turn.
std::vector<size_t> Cuts(const std::string& text, const std::string& sizes) {
    std::vector<size_t> cuts;
    for (size_t at = 0, i = 0; at < text.size(); ++i)
        cuts.push_back(at = std::min(text.size(), at + 1 + uint8_t(sizes[i % sizes.size()]) % 16));
    return cuts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const velmora_test::ReplyOutcome whole = ReadReply(input, {size});
    FUZZ_CHECK(ReadReply(input, Cuts(input, input)) == whole && whole.body.size() <= size &&
               whole.state != CReplyReader::kReading);

    std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    char line[32];
    for (size_t at = 0, n; at < size; at += n) {
        n = std::min<size_t>(1 + data[at] % 64, size - at);
        std::snprintf(line, sizeof line, data[at] % 2 ? "%X\r\n" : "%x ;x=\"y\"\r\n", unsigned(n));
        chunked += line + input.substr(at, n) + "\r\n";
    }
    chunked += "0\r\nTrailer: 1\r\n\r\n";
    const velmora_test::ReplyOutcome decoded = ReadReply(chunked, Cuts(chunked, input + "x"));
    FUZZ_CHECK(decoded.state == CReplyReader::kComplete && decoded.status == 200 &&
               decoded.body == input && decoded.used == chunked.size());
    return 0;
}
