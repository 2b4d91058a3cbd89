#include "http/url_parts.h"

#include <cstring>

namespace {

const char kScheme[] = "http://";
constexpr size_t kSchemeLength = sizeof kScheme - 1;

bool IsControlByte(char c) {
    const unsigned char b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7F;
}

// Only A to Z fold; GBK lead bytes and everything else stay as they are.
char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

uint16_t PortNumber(const char* text) {
    const char* p = text;
    while (IsBlank(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    // Unsigned arithmetic wraps, so the low 16 bits come out right however
    // long the number is, where atoi itself would overflow.
    uint32_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        value = value * 10u + static_cast<uint32_t>(*p - '0');
    if (negative)
        value = 0u - value;
    return static_cast<uint16_t>(value & 0xFFFFu);
}

bool CutUrl(const char* url, UrlParts& parts) {
    if (!url)
        return false;
    const size_t length = std::strlen(url);
    for (size_t i = 0; i < length; ++i)
        if (IsControlByte(url[i]))
            return false;
    if (length < kSchemeLength)
        return false;
    for (size_t i = 0; i < kSchemeLength; ++i)
        if (FoldAscii(url[i]) != kScheme[i])
            return false;
    const char* slash = std::strchr(url + kSchemeLength, '/');
    if (!slash)
        return false;

    UrlParts cut;
    cut.hostAndPort.assign(url + kSchemeLength, slash);
    cut.path.assign(slash);
    const size_t colon = cut.hostAndPort.find(':');
    if (colon == std::string::npos) {
        cut.host = cut.hostAndPort;
        cut.port = 80;
    } else {
        cut.host = cut.hostAndPort.substr(0, colon);
        cut.port = PortNumber(cut.hostAndPort.c_str() + colon + 1);
    }
    parts = cut;
    return true;
}
