// GetBody on arbitrary replies: the body is what follows the first
// "\r\n\r\n", found here by a plain walk over the bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "http/http_client.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string reply(reinterpret_cast<const char*>(data), size);
    size_t end = std::string::npos;
    for (size_t i = 0; i + 4 <= size && end == std::string::npos; ++i)
        if (reply[i] == '\r' && reply[i + 1] == '\n' && reply[i + 2] == '\r' &&
            reply[i + 3] == '\n')
            end = i + 4;
    const std::string expected = end == std::string::npos ? std::string() : reply.substr(end);

    const CHttpClient client;
    FUZZ_CHECK(client.GetBody(reply) == expected);
    return 0;
}
