// ScanSongs: the records it finds in reply bodies, hand-written cases first,
// then agreement with the plain reference scan on many generated bodies.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "music/music_list.h"
#include "tests/music/reference_scan.h"
#include "tests/music/song_body.h"

using velmora_test::SongBody;
using velmora_test::SongRecord;

namespace {

struct Song {
    std::string singer, name, url;
};

std::vector<Song> Scanned(const std::string& body) {
    std::vector<Song> songs;
    for (const CSongInfo& s : ScanSongs(CString(body)))
        songs.push_back({s.m_strSinger.str(), s.m_strSongName.str(), s.m_strSongUrl.str()});
    return songs;
}

std::vector<Song> ReferenceScanned(const std::string& body) {
    std::vector<Song> songs;
    for (const CSongInfo& s : velmora_reference::ScanSongs(CString(body)))
        songs.push_back({s.m_strSinger.str(), s.m_strSongName.str(), s.m_strSongUrl.str()});
    return songs;
}

bool operator==(const Song& a, const Song& b) {
    return a.singer == b.singer && a.name == b.name && a.url == b.url;
}

void PrintTo(const Song& s, std::ostream* os) {
    *os << "{" << s.singer << " | " << s.name << " | " << s.url << "}";
}

const Song kEmpty = {"", "", ""};
const std::string kLong(1500, 'L');

struct Case {
    const char* what;
    std::string body;
    std::vector<Song> songs;
};

std::vector<Case> HandWrittenCases() {
    return {
        {"empty body", "", {kEmpty}},
        {"no record marker", "<xsinger_name><![CDATA[a]]><xsong_url><![CDATA[u]]>", {kEmpty}},
        {"three records and the empty final one",
         SongBody(SongRecord("\xD6\xDC\xBD\xDC\xC2\xD7", "\xC7\xE7\xCC\xEC", "http://a/1.mp3") +
                  SongRecord("\xCD\xF5\xB7\xC6", "\xBA\xEC\xB6\xB9", "http://a/2.mp3") +
                  SongRecord("s3", "n3", "http://a/3.mp3")),
         {{"\xD6\xDC\xBD\xDC\xC2\xD7", "\xC7\xE7\xCC\xEC", "http://a/1.mp3"},
          {"\xCD\xF5\xB7\xC6", "\xBA\xEC\xB6\xB9", "http://a/2.mp3"},
          {"s3", "n3", "http://a/3.mp3"},
          kEmpty}},
        {"only the URL is un-escaped, left to right",
         SongRecord("a&#46;b", "c&#58;d", "http&#58;//x&#46;y&#46;com/&#58;&#46;&#&#58;58;"),
         {{"a&#46;b", "c&#58;d", "http://x.y.com/:.&#:58;"}, kEmpty}},
        {"spaces inside a value are kept",
         SongRecord(" a b ", "  ", "u v"),
         {{" a b ", "  ", "u v"}, kEmpty}},
        {"plain text after a tag gives an empty value",
         "<minemusic><xsinger_name>plain<![CDATA[x]]><xsong_name> <![CDATA[y]]>"
         "<xsong_url><![CDATA[u]]>",
         {{"", "", "u"}, kEmpty}},
        {"a value is cut at 1023 bytes",
         SongRecord(kLong.c_str(), "n", kLong.c_str()),
         {{kLong.substr(0, 1023), "n", kLong.substr(0, 1023)}, kEmpty}},
        {"a value of exactly 1023 bytes is whole",
         SongRecord(kLong.substr(0, 1023).c_str(), "", ""),
         {{kLong.substr(0, 1023), "", ""}, kEmpty}},
        {"the last record lacks its URL: it ends the list",
         SongRecord("s1", "n1", "u1") + SongRecord("s2", "n2", nullptr),
         {{"s1", "n1", "u1"}, {"s2", "n2", ""}}},
        {"a missing field is taken from a later record",
         SongRecord(nullptr, "n1", "u1") + SongRecord("s2", "n2", "u2"),
         {{"s2", "n1", "u1"}, {"s2", "n2", "u2"}, kEmpty}},
        {"a marker before the previous URL tag is not found",
         "<minemusic><xsinger_name><![CDATA[s1]]><minemusic><xsinger_name><![CDATA[s2]]>"
         "<xsong_url><![CDATA[u1]]><xsong_url><![CDATA[u2]]>",
         {{"s1", "", "u1"}, kEmpty}},
        {"the URL tag searched from the marker, not after the singer",
         "<minemusic><xsong_url><![CDATA[u]]><xsinger_name><![CDATA[s]]>",
         {{"s", "", "u"}, kEmpty}},
        {"no \"]]>\" anywhere after: the value is the rest of the text",
         "<minemusic><xsong_name><![CDATA[a]]><xsong_url><![CDATA[http&#58;//tail",
         {{"", "a", "http://tail"}, kEmpty}},
        {"no \"]]>\" after a long tail: cut at 1023 bytes",
         "<minemusic><xsinger_name><![CDATA[" + kLong,
         {{kLong.substr(0, 1023), "", ""}}},
        {"a closer before the opener does not count",
         "]]><minemusic><xsong_url><![CDATA[abc",
         {{"", "", "abc"}, kEmpty}},
        {"a tag at the very end has no value", "<minemusic><xsong_url>", {kEmpty, kEmpty}},
        {"an opener cut short at the end", "<minemusic><xsong_url><![CDAT", {kEmpty, kEmpty}},
        {"an empty value", "<minemusic><xsong_url><![CDATA[]]>", {kEmpty, kEmpty}},
        {"tags are matched case-sensitively",
         "<MINEMUSIC><xsong_url><![CDATA[u]]><minemusic><XSONG_URL><![CDATA[v]]>",
         {kEmpty}},
    };
}

} // namespace

TEST(ScanSongs, HandWrittenBodies) {
    for (const Case& c : HandWrittenCases()) {
        EXPECT_EQ(Scanned(c.body), c.songs) << c.what;
        EXPECT_EQ(ReferenceScanned(c.body), c.songs) << c.what << " (reference)";
    }
}

TEST(ScanSongs, AgreesWithTheReferenceOnGeneratedBodies) {
    // Bodies stitched together from the scanner's own literals, partial ones,
    // stray text and GBK bytes, so that tags go missing, repeat, come out of
    // order and lose their openers and closers.
    const std::vector<std::string> pieces = {
        "<minemusic>",
        "<xsinger_name>",
        "<xsong_name>",
        "<xsong_url>",
        "<![CDATA[",
        "]]>",
        "<![CDATA[",
        "]]>",
        "<minemus",
        "<![CDA",
        "]]",
        "&#58;",
        "&#46;",
        "&#",
        "a",
        "b c",
        "\xD6\xDC",
        "\r\n",
        std::string(1100, 'x'),
        "</xsong_url>",
        "<",
        "]",
    };
    uint32_t state = 12345; // a fixed LCG, so every platform sees the same bodies
    auto next = [&state](uint32_t bound) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % bound;
    };
    for (int i = 0; i < 3000; ++i) {
        std::string body;
        const uint32_t count = next(60);
        for (uint32_t k = 0; k < count; ++k)
            body += pieces[next(static_cast<uint32_t>(pieces.size()))];
        ASSERT_EQ(Scanned(body), ReferenceScanned(body)) << "body #" << i << ": " << body;
    }
}

TEST(ScanSongs, AgreesWithTheReferenceWhenFieldsAreMissingFromEveryRecord) {
    const char* singer = "\xB3\xC2\xDE\xC8\xD1\xB8";
    struct Row {
        const char* what;
        bool singer, name, url;
    } rows[] = {
        {"complete", true, true, true},   {"no singer", false, true, true},
        {"no name", true, false, true},   {"no url", true, true, false},
        {"url only", false, false, true},
    };
    for (const Row& r : rows) {
        std::string records;
        for (int i = 0; i < 200; ++i)
            records += SongRecord(r.singer ? singer : nullptr, r.name ? "n" : nullptr,
                                  r.url ? "http&#58;//u&#46;mp3" : nullptr);
        const std::string body = SongBody(records) + SongRecord("last", "late", "end");
        ASSERT_EQ(Scanned(body), ReferenceScanned(body)) << r.what;
    }
}
