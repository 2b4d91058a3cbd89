// Cutting URLs: which ones are refused, and what host, port and path the
// accepted ones give, without any name resolution.
#include <gtest/gtest.h>

#include "http/url_parts.h"

TEST(CutUrl, AcceptedUrlsAndTheirParts) {
    struct Row {
        const char* url;
        const char* hostAndPort;
        const char* host;
        uint16_t port;
        const char* path;
    } rows[] = {
        {"http://a.example/x", "a.example", "a.example", 80, "/x"},
        {"HTTP://Host.Example:8080/P?q=1", "Host.Example:8080", "Host.Example", 8080, "/P?q=1"},
        {"hTtP://h/", "h", "h", 80, "/"},
        {"http://a/b?c=1&d=2#f", "a", "a", 80, "/b?c=1&d=2#f"},
        {"http://h/a%20b/%s/../c", "h", "h", 80, "/a%20b/%s/../c"},
        {"http://h:/", "h:", "h", 0, "/"},
        {"http://h:65616/", "h:65616", "h", 80, "/"},
        {"http://h:99999999999999999999/", "h:99999999999999999999", "h", 65535, "/"},
        {"http://h: 81/", "h: 81", "h", 81, "/"},
        {"http://h:+82x/", "h:+82x", "h", 82, "/"},
        {"http://h:-1/", "h:-1", "h", 65535, "/"},
        {"http://h:abc/", "h:abc", "h", 0, "/"},
        {"http://h:1:2/", "h:1:2", "h", 1, "/"},
        {"http:///p", "", "", 80, "/p"},
        {"http://h//", "h", "h", 80, "//"},
        {"http://h/\xD6\xDC\xBD\xDC", "h", "h", 80,
         "/\xD6\xDC\xBD\xDC"}, // GBK bytes are not control bytes
    };
    for (const Row& r : rows) {
        UrlParts parts;
        ASSERT_TRUE(CutUrl(r.url, parts)) << r.url;
        EXPECT_EQ(parts.hostAndPort, r.hostAndPort) << r.url;
        EXPECT_EQ(parts.host, r.host) << r.url;
        EXPECT_EQ(parts.port, r.port) << r.url;
        EXPECT_EQ(parts.path, r.path) << r.url;
    }
}

TEST(CutUrl, RefusedUrlsLeaveThePartsAlone) {
    // clang-format off
    const char* rows[] = {
        "", "http://", "http://host", "http://host:80", " http://h/", "xhttp://h/", "ftp://h/",
        "http:/h/", "https://h/", "h/http://h/", "http://h/\r\nX-Injected: 1", "http://h/a\nb",
        "http://h/\t", "http://h/\x7F", "http://h/\x1F", "\x01http://h/", "http://h\x01/"};
    // clang-format on
    for (const char* url : rows) {
        UrlParts parts;
        parts.host = "unchanged";
        EXPECT_FALSE(CutUrl(url, parts)) << url;
        EXPECT_EQ(parts.host, "unchanged") << url;
    }
    UrlParts parts;
    EXPECT_FALSE(CutUrl(nullptr, parts));
}
