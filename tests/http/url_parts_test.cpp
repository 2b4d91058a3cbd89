// Cutting URLs: which ones are refused, and what host, port and path the accepted ones give,
// without any name resolution.
#include <gtest/gtest.h>

#include "http/url_parts.h"

TEST(CutUrl, PartsOfAcceptedUrlsAndRefusedOnesLeftAlone) {
    // host-and-port|host|port|path, or "" where the URL is refused and the parts stay as they were.
    const char* rows[][2] = {
        {"http://a.example/x", "a.example|a.example|80|/x"},
        {"hTtP://Host.Example:8080/P?q=1", "Host.Example:8080|Host.Example|8080|/P?q=1"},
        {"http://h/a%20b/%s/../c?d=2#f", "h|h|80|/a%20b/%s/../c?d=2#f"},
        {"http://h:/", "h:|h|0|/"},
        {"http://h:65616/", "h:65616|h|80|/"},
        {"http://h:99999999999999999999/", "h:99999999999999999999|h|65535|/"},
        {"http://h: 81/", "h: 81|h|81|/"},
        {"http://h:+82x/", "h:+82x|h|82|/"},
        {"http://h:-1/", "h:-1|h|65535|/"},
        {"http://h:010/", "h:010|h|10|/"}, // decimal, as atoi reads it
        {"http://h:1:2/", "h:1:2|h|1|/"},
        {"http:///p", "||80|/p"},
        {"http://h//", "h|h|80|//"},
        {"http://h/\xD6\xDC\xBD\xDC", "h|h|80|/\xD6\xDC\xBD\xDC"}, // GBK bytes are no control bytes
        // clang-format off
        {nullptr, ""}, {"", ""}, {"http://", ""}, {"http://host", ""}, {" http://h/", ""},
        {"xhttp://h/", ""}, {"http:/h/", ""}, {"https://h/", ""}, {"http://h/a\nb", ""},
        {"http://h/\r\nX-Injected: 1", ""}, {"http://h/\x7F", ""}, {"http://h/\x1F", ""},
        {"http://h\x01/", ""},
        // clang-format on
    };
    for (const auto& [url, want] : rows) {
        UrlParts p{"-", "-", 1, "-"};
        const std::string refused = CutUrl(url, p) ? "" : "refused ";
        EXPECT_EQ(refused + p.hostAndPort + "|" + p.host + "|" + std::to_string(p.port) + "|" +
                      p.path,
                  *want ? want : "refused -|-|1|-")
            << url;
    }
}
