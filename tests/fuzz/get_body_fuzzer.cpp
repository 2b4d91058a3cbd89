// GetBody on arbitrary replies: what follows the first "\r\n\r\n", or nothing.
#include <cstdint>
#include <string>

#include "http/http_client.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string reply(reinterpret_cast<const char*>(data), size);
    const size_t end = reply.find("\r\n\r\n");
    FUZZ_CHECK(CHttpClient().GetBody(reply) ==
               (end == std::string::npos ? std::string() : reply.substr(end + 4)));
    return 0;
}
