// The URL cutting of PrepareRequest on arbitrary URLs: CutUrl against a
// model written from the rules, and PrepareRequest itself wherever it can
// run without asking a name server (a refused URL, or a dotted-quad host).
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "http/http_client.h"
#include "http/url_parts.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/support/scratch_dir.h"

namespace {

// What the cutting must give, step by step as the rules say it.
struct Model {
    bool ok = false;
    UrlParts parts;
};

// atoi's reading of a port (blanks, a sign, digits), kept modulo 65536 at
// every digit so that no length of number overflows.
uint16_t ModelPort(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    const size_t digitsFrom = i;
    uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = (value * 10 + static_cast<uint64_t>(text[i] - '0')) % 65536;
    if (negative)
        value = (65536 - value) % 65536;
    // Where atoi itself is defined, the model must agree with it.
    if (i - digitsFrom <= 9)
        FUZZ_CHECK(static_cast<uint16_t>(std::atoi(text.c_str())) == value);
    return static_cast<uint16_t>(value);
}

Model Cut(const std::string& url) {
    Model m;
    for (unsigned char c : url)
        if (c < 0x20 || c == 0x7F)
            return m; // could end a line of the request
    std::string folded = url;
    for (char& c : folded)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (folded.compare(0, 7, "http://") != 0)
        return m;
    const size_t slash = folded.find('/', 7);
    if (slash == std::string::npos)
        return m;
    m.ok = true;
    m.parts.hostAndPort = url.substr(7, slash - 7);
    m.parts.path = url.substr(slash);
    const size_t colon = m.parts.hostAndPort.find(':');
    m.parts.host = m.parts.hostAndPort.substr(0, colon);
    m.parts.port =
        colon == std::string::npos ? 80 : ModelPort(m.parts.hostAndPort.substr(colon + 1));
    return m;
}

// The IPv4 address of a host written as four decimal numbers 0 to 255
// without leading zeros (which the resolver would read as octal); such a
// host resolves without a name server. False for any other host.
bool DottedQuad(const std::string& host, uint8_t (&octets)[4]) {
    size_t at = 0;
    for (int i = 0; i < 4; ++i) {
        if (i > 0 && (at >= host.size() || host[at++] != '.'))
            return false;
        size_t digits = 0;
        unsigned value = 0;
        while (at < host.size() && host[at] >= '0' && host[at] <= '9' && digits < 4) {
            value = value * 10 + static_cast<unsigned>(host[at++] - '0');
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255 || (digits > 1 && host[at - digits] == '0'))
            return false;
        octets[i] = static_cast<uint8_t>(value);
    }
    return at == host.size();
}

class ExposedClient : public CHttpClient {
public:
    using CHttpClient::PrepareRequest;
};

std::string ReadLog() {
    std::string bytes;
    if (std::FILE* f = std::fopen("log.txt", "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            bytes.append(buffer, n);
        std::fclose(f);
    }
    return bytes;
}

std::string Stored(const std::string& message) {
    std::string stored = "\r\r\n04[00:00:00 PID=00000 TID=00000 EXE=" + std::string(15, ' ') + "] ";
    for (char c : message.substr(0, 10239)) {
        if (c == '\n')
            stored += '\r';
        stored += c;
    }
    return stored;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // PrepareRequest logs a refused URL to "log.txt" in the working directory.
    static velmora_test::ScratchDir dir("cut-url-fuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A URL is a C string: it ends at its first NUL byte.
    const std::string url(reinterpret_cast<const char*>(data),
                          strnlen(reinterpret_cast<const char*>(data), size));
    const Model expected = Cut(url);

    UrlParts parts;
    parts.host = "unchanged";
    const bool ok = CutUrl(url.c_str(), parts);
    FUZZ_CHECK(ok == expected.ok);
    if (!ok) {
        FUZZ_CHECK(parts.host == "unchanged" && parts.hostAndPort.empty() && parts.path.empty());
        // A refused URL never reaches the resolver, so PrepareRequest may run.
        std::remove("log.txt");
        ExposedClient client;
        sockaddr_in address;
        std::string text = "unchanged";
        FUZZ_CHECK(!client.PrepareRequest(url.c_str(), address, text));
        FUZZ_CHECK(text == "unchanged");
        FUZZ_CHECK(ReadLog() == Stored("Error: Invalid URL:" + url));
        return 0;
    }
    FUZZ_CHECK(parts.hostAndPort == expected.parts.hostAndPort);
    FUZZ_CHECK(parts.host == expected.parts.host);
    FUZZ_CHECK(parts.port == expected.parts.port);
    FUZZ_CHECK(parts.path == expected.parts.path);
    FUZZ_CHECK(!parts.path.empty() && parts.path[0] == '/');

    uint8_t octets[4];
    if (!DottedQuad(parts.host, octets))
        return 0;
    ExposedClient client;
    sockaddr_in address;
    std::memset(&address, 0xA5, sizeof address);
    std::string text;
    FUZZ_CHECK(client.PrepareRequest(url.c_str(), address, text));
    FUZZ_CHECK(address.sin_family == AF_INET);
    FUZZ_CHECK(address.sin_port == htons(expected.parts.port));
    FUZZ_CHECK(std::memcmp(&address.sin_addr, octets, 4) == 0);
    for (unsigned char b : address.sin_zero)
        FUZZ_CHECK(b == 0);
    FUZZ_CHECK(text == "GET " + expected.parts.path +
                           " HTTP/1.1\r\n"
                           "User-Agent: Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)\r\n"
                           "Host: " +
                           expected.parts.hostAndPort +
                           "\r\n"
                           "Cache-Control: no-cache\r\n"
                           "Pragma: no-cache\r\n"
                           "Connection: Keep-Alive\r\n"
                           "Accept: */*\r\n"
                           "\r\n");
    return 0;
}
