// CutUrl on arbitrary URLs against a model written from the rules, and
// PrepareRequest wherever it runs without a name server: on a refused URL
// (its log entry) and on a dotted-quad host (the address and the request).
#include <algorithm>
#include <arpa/inet.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

#include "http/http_client.h"
#include "http/url_parts.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/support/scratch_dir.h"

namespace {

// atoi's reading of a port (blanks, a sign, digits), kept modulo 65536 at
// every digit so that no length of number overflows.
uint16_t ModelPort(const std::string& text) {
    size_t i = std::min(text.find_first_not_of(" \t\n\v\f\r"), text.size()), digits = 0;
    const bool negative = i < text.size() && text[i] == '-';
    i += i < text.size() && (text[i] == '+' || negative);
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits)
        value = (value * 10 + static_cast<uint32_t>(text[i] - '0')) % 65536;
    if (digits <= 9) // where atoi is defined, the model must agree with it
        FUZZ_CHECK(static_cast<uint16_t>(std::atoi(text.c_str())) ==
                   static_cast<uint16_t>(negative ? 65536 - value : value));
    return static_cast<uint16_t>(negative ? 65536 - value : value);
}

// The cut the rules give, or false when the URL must be refused.
bool Cut(const std::string& url, UrlParts& m) {
    for (unsigned char c : url)
        if (c < 0x20 || c == 0x7F)
            return false; // could end a line of the request
    const size_t slash = url.find('/', 7);
    if (strncasecmp(url.c_str(), "http://", 7) != 0 || slash == std::string::npos)
        return false;
    m.hostAndPort = url.substr(7, slash - 7);
    m.path = url.substr(slash);
    const size_t colon = m.hostAndPort.find(':');
    m.host = m.hostAndPort.substr(0, colon);
    m.port = colon == std::string::npos ? 80 : ModelPort(m.hostAndPort.substr(colon + 1));
    return true;
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
    UrlParts want, got{"", "unchanged", 1234, ""};
    const bool ok = CutUrl(url.c_str(), got);
    FUZZ_CHECK(ok == Cut(url, want));
    Client client;
    sockaddr_in address;
    std::memset(&address, 0xA5, sizeof address);
    std::string request = "unchanged";
    if (!ok) { // never reaches the resolver
        FUZZ_CHECK(got.host == "unchanged" && got.port == 1234 && got.hostAndPort.empty() &&
                   got.path.empty());
        std::remove("log.txt");
        FUZZ_CHECK(!client.PrepareRequest(url.c_str(), address, request) && request == "unchanged");
        FUZZ_CHECK(velmora_test::ReadBytes("log.txt") ==
                   LogBytes("04", ("Error: Invalid URL:" + url).substr(0, 10239)));
        return 0;
    }
    FUZZ_CHECK(got.hostAndPort == want.hostAndPort && got.host == want.host &&
               got.port == want.port && got.path == want.path);
    // Four decimal octets without leading zeros, which the resolver would read as octal.
    in_addr octets;
    if (inet_pton(AF_INET, want.host.c_str(), &octets) != 1)
        return 0;
    FUZZ_CHECK(client.PrepareRequest(url.c_str(), address, request));
    FUZZ_CHECK(address.sin_family == AF_INET && address.sin_port == htons(want.port) &&
               std::memcmp(&address.sin_addr, &octets, 4) == 0);
    for (unsigned char b : address.sin_zero)
        FUZZ_CHECK(b == 0);
    const char* agent = "User-Agent: Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)\r\nHost: ";
    const char* rest = "\r\nCache-Control: no-cache\r\nPragma: no-cache\r\nConnection: "
                       "Keep-Alive\r\nAccept: */*\r\n\r\n";
    FUZZ_CHECK(request == "GET " + want.path + " HTTP/1.1\r\n" + agent + want.hostAndPort + rest);
    return 0;
}
