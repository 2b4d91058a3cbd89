// CReplyReader on arbitrary bytes, cut into pieces that the bytes themselves choose: the outcome
// must not depend on the cuts, and the bytes sent as chunks of a well-formed reply come out whole.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "http/reply_reader.h"

#define FUZZ_CHECK(c)                                                                              \
    ((c) ? (void)0 : (std::fprintf(stderr, "check failed: %s\n", #c), std::abort()))

namespace {

struct Outcome {
    CReplyReader::State state;
    int status;
    std::string body;
    size_t used;
};

// `text` fed in pieces of 1 to 16 bytes as `sizes` names them in turn (whole when it is empty),
// then the close of the connection.
Outcome Read(const std::string& text, const std::string& sizes) {
    Outcome out{};
    CReplyReader reader(&out.body);
    for (size_t at = 0, i = 0, n; at < text.size(); at += n, ++i) {
        n = sizes.empty()
                ? text.size()
                : std::min<size_t>(1 + uint8_t(sizes[i % sizes.size()]) % 16, text.size() - at);
        const size_t used = reader.Feed(text.data() + at, n);
        FUZZ_CHECK(used <= n && (used == n || reader.GetState() != CReplyReader::kReading));
        out.used += used;
    }
    out.state = reader.End();
    out.status = reader.Status();
    FUZZ_CHECK(out.state != CReplyReader::kReading && out.body.size() <= out.used);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const Outcome whole = Read(input, ""), cut = Read(input, input);
    FUZZ_CHECK(whole.state == cut.state && whole.status == cut.status && whole.body == cut.body &&
               whole.used == cut.used);

    std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    char line[32];
    for (size_t at = 0, n; at < size; at += n) {
        n = std::min<size_t>(1 + data[at] % 64, size - at);
        std::snprintf(line, sizeof line, data[at] % 2 ? "%X\r\n" : "%x ;x=\"y\"\r\n", unsigned(n));
        chunked += line + input.substr(at, n) + "\r\n";
    }
    const Outcome decoded = Read(chunked + "0\r\nTrailer: 1\r\n\r\n", input);
    FUZZ_CHECK(decoded.state == CReplyReader::kComplete && decoded.status == 200 &&
               decoded.body == input);
    return 0;
}
