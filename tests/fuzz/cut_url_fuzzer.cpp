// CutUrl on arbitrary URLs against a model written from the rules, the port checked against atoi
// where atoi is defined; and PrepareRequest on a refused URL, which never reaches the resolver:
// its log entry, arbitrary bytes and all.
#include <cstdint>
#include <cstring>
#include <string>
#include <strings.h>

#include "http/http_client.h"
#include "http/url_parts.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/support/scratch_dir.h"

namespace {

// atoi's reading of a port (blanks, a sign, digits), kept modulo 65536 at every digit so that no
// length of number overflows.
uint16_t ModelPort(const std::string& text) {
    size_t i = std::min(text.find_first_not_of(" \t\n\v\f\r"), text.size()), digits = 0;
    const bool negative = i < text.size() && text[i] == '-';
    i += i < text.size() && (text[i] == '+' || negative);
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits)
        value = (value * 10 + static_cast<uint32_t>(text[i] - '0')) % 65536;
    const auto port = static_cast<uint16_t>(negative ? 65536 - value : value);
    FUZZ_CHECK(digits > 9 || static_cast<uint16_t>(std::atoi(text.c_str())) == port);
    return port;
}

struct Client : CHttpClient {
    using CHttpClient::PrepareRequest;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static velmora_test::ScratchDir dir("cut-url-fuzz"); // a refused URL is logged to log.txt
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const std::string url(text, strnlen(text, size)); // a URL ends at its first NUL
    // A control byte could end a line of the request.
    const size_t slash = url.find('/', 7);
    bool ok = strncasecmp(url.c_str(), "http://", 7) == 0 && slash != std::string::npos;
    for (unsigned char c : url)
        ok = ok && c >= 0x20 && c != 0x7F;
    UrlParts got{"", "unchanged", 1234, ""};
    FUZZ_CHECK(CutUrl(url.c_str(), got) == ok);
    if (ok) {
        const std::string hostAndPort = url.substr(7, slash - 7);
        const size_t colon = hostAndPort.find(':');
        const uint16_t port =
            colon == std::string::npos ? 80 : ModelPort(hostAndPort.substr(colon + 1));
        FUZZ_CHECK(got.hostAndPort == hostAndPort && got.host == hostAndPort.substr(0, colon) &&
                   got.port == port && got.path == url.substr(slash));
        return 0;
    }
    FUZZ_CHECK(got.host == "unchanged" && got.port == 1234 && got.hostAndPort + got.path == "");
    sockaddr_in address;
    std::string request = "unchanged";
    std::remove("log.txt");
    FUZZ_CHECK(!Client().PrepareRequest(url.c_str(), address, request) && request == "unchanged");
    // The entry: the fixed stamp, then the message with each LF stored as CR LF.
    std::string entry = "\r\r\n04[00:00:00 PID=00000 TID=00000 EXE=               ] ";
    for (char c : ("Error: Invalid URL:" + url).substr(0, 10239)) // LogError keeps 10239
        entry += c == '\n' ? "\r\n" : std::string(1, c);
    FUZZ_CHECK(velmora_test::ReadBytes("log.txt") == entry);
    return 0;
}
