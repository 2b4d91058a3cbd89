// ScanSongs, and the plain reference scan beside it, on hand-written bodies against the records
// they must give. The two are compared on arbitrary bodies by tests/fuzz/scan_songs_fuzzer: its
// seed corpus is replayed by every ctest run, and the fuzz stage explores from there.
#include <gtest/gtest.h>

#include <string>

#include "music/music_list.h"
#include "tests/music/reference_scan.h"
#include "tests/music/song_body.h"

using namespace velmora_test;

namespace {

// The records as "singer|name|URL" lines.
std::string Scan(const std::string& body, bool reference = false) {
    std::string out;
    for (const CSongInfo& s : reference ? velmora_reference::ScanSongs(body) : ScanSongs(body))
        out += s.m_strSinger + "|" + s.m_strSongName + "|" + s.m_strSongUrl + "\n";
    return out;
}

const std::string kLong(1500, 'L'), k1023(1023, 'L');

} // namespace

TEST(ScanSongs, HandWrittenBodies) {
    const std::string rows[][2] = {
        // No marker, no record: an empty body, an empty list, a page that is no list.
        {"", ""},
        {SongBody(""), ""},
        {"<html><h1>404 Not Found</h1></html>", ""},
        {"<xsinger_name><![CDATA[a]]><xsong_url><![CDATA[u]]>", ""},
        {SongBody(SongRecord("\xD6\xDC", "\xC7\xE7", "http://a/1") + SongRecord("s2", "n2", "u2") +
                  SongRecord("s3", "n3", "u3")),
         "\xD6\xDC|\xC7\xE7|http://a/1\ns2|n2|u2\ns3|n3|u3\n"},
        // Only the URL is un-escaped, left to right.
        {SongRecord("a&#46;b", "c&#58;d", "http&#58;//x&#46;y&#46;com/&#58;&#46;&#&#58;58;"),
         "a&#46;b|c&#58;d|http://x.y.com/:.&#:58;\n"},
        // No CDATA right after a tag gives an empty value; spaces are kept.
        {"<minemusic><xsinger_name>x<![CDATA[x]]><xsong_name> <![CDATA[y]]><xsong_url><![CDATA[ u "
         "v ]]>",
         "|| u v \n"},
        {SongRecord(kLong.c_str(), k1023.c_str(), kLong.c_str()),
         k1023 + "|" + k1023 + "|" + k1023 + "\n"},
        // A field missing in the middle of the list stays empty in its own record, and the
        // records after it follow.
        {SongRecord(nullptr, "n1", "u1") + SongRecord("s2", "n2", "u2"), "|n1|u1\ns2|n2|u2\n"},
        {SongRecord("s1", nullptr, "u1") + SongRecord("s2", "n2", "u2"), "s1||u1\ns2|n2|u2\n"},
        {SongRecord("s1", "n1", nullptr) + SongRecord("s2", "n2", "u2") +
             SongRecord("s3", "n3", "u3"),
         "s1|n1|\ns2|n2|u2\ns3|n3|u3\n"},
        {SongRecord("s1", "n1", "u1") + SongRecord("s2", "n2", nullptr), "s1|n1|u1\ns2|n2|\n"},
        // Markers with nothing between them are records with nothing in them.
        {"<minemusic><minemusic><minemusic><xsong_url><![CDATA[u]]>", "||\n||\n||u\n"},
        // Fields before the first marker belong to no record; each tag is searched from the
        // marker, in any order.
        {"<xsinger_name><![CDATA[s0]]><minemusic><xsong_url><![CDATA[u]]><xsong_name><![CDATA[s]]>",
         "|s|u\n"},
        // A field tag after the last marker's end tag still belongs to the last record.
        {SongRecord("s1", "n1", "u1") + SongRecord("s2", "n2", nullptr) +
             "</musiclist><xsong_url><![CDATA[tail]]>",
         "s1|n1|u1\ns2|n2|tail\n"},
        // No "]]>" after the value (only before): it runs to the end, and is cut when long.
        {"]]><minemusic><xsong_name><![CDATA[a]]><xsong_url><![CDATA[http&#58;//tail",
         "|a|http://tail\n"},
        {"<minemusic><xsinger_name><![CDATA[" + kLong, k1023 + "||\n"},
        {"<minemusic><xsong_url>", "||\n"}, // a tag at the very end
        {"<minemusic><xsong_url><![CDAT", "||\n"},
        {"<minemusic><xsong_url><![CDATA[]]>", "||\n"},
        // Tags are case-sensitive.
        {"<MINEMUSIC><xsong_url><![CDATA[u]]><minemusic><XSONG_URL><![CDATA[v]]>", "||\n"},
    };
    for (const auto& [body, songs] : rows) {
        EXPECT_EQ(Scan(body), songs) << body;
        EXPECT_EQ(Scan(body, true), songs) << body << " (reference)";
    }
}
