// The music-list query end to end: the request the service gets for a typed
// number, and the records that come out of a GBK reply, through a loopback
// server standing in for the service.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "music/music_list.h"
#include "tests/music/song_body.h"
#include "tests/support/loopback_server.h"
#include "tests/support/scratch_dir.h"

using velmora_test::LoopbackServer;
using velmora_test::Step;

namespace {

// This binary's own service host, so that the one-argument FetchMusicList,
// the program's own entry, can be aimed at a loopback server as well.
// Until a test sets it: a name the resolver refuses without asking a name server.
std::string g_serviceHost = std::string(70, 'u') + ".invalid";

const std::string kQuery = "/fcg-bin/fcgi_agent_zhenghe.fcg?UIN=";
const std::string kQueryTail = "&TYPE=16&PAGE_START=1&PAGE_END=10000&SELECT_FLAG=1";

std::string RequestLine(const std::string& number) {
    return "GET " + kQuery + number + kQueryTail + " HTTP/1.1\r\n";
}

std::string FirstLine(const std::string& request) {
    return request.substr(0, request.find("\r\n") + 2);
}

class FetchMusicListTest : public ::testing::Test {
protected:
    velmora_test::ScratchDir m_dir{"music"};
};

} // namespace

const char* MusicServiceHost() {
    return g_serviceHost.c_str();
}

TEST_F(FetchMusicListTest, AGbkReplyBecomesItsRecords) {
    // 周杰伦 / 晴天, 王菲 / 红豆, 陈奕迅 / 十年, as GBK bytes.
    const std::string body = velmora_test::SongBody(
        velmora_test::SongRecord("\xD6\xDC\xBD\xDC\xC2\xD7", "\xC7\xE7\xCC\xEC",
                                 "http&#58;//stream&#46;example&#46;com/qingtian&#46;mp3") +
        velmora_test::SongRecord("\xCD\xF5\xB7\xC6", "\xBA\xEC\xB6\xB9",
                                 "http&#58;//stream&#46;example&#46;com/hongdou&#46;mp3") +
        velmora_test::SongRecord("\xB3\xC2\xDE\xC8\xD1\xB8", "\xCA\xAE\xC4\xEA",
                                 "http://stream.example.com/shinian.wma"));
    const std::string reply = "HTTP/1.1 200 OK\r\nServer: qzone\r\n"
                              "Content-Type: text/xml; charset=GB2312\r\n"
                              "Content-Length: " +
                              std::to_string(body.size()) + "\r\n\r\n" + body;
    LoopbackServer server({Step::Send(reply.substr(0, 100)), Step::Pause(20),
                           Step::Send(reply.substr(100)), Step::Close()});
    g_serviceHost = server.HostAndPort();

    CString got;
    ASSERT_TRUE(FetchMusicList("10001", got));
    EXPECT_EQ(got.str(), body);
    const std::string request = server.Received(0);
    EXPECT_EQ(FirstLine(request), RequestLine("10001"));
    EXPECT_NE(request.find("\r\nHost: " + server.HostAndPort() + "\r\n"), std::string::npos);

    const std::vector<CSongInfo> songs = ScanSongs(got);
    ASSERT_EQ(songs.size(), 4u);
    EXPECT_EQ(songs[0].m_strSinger, "\xD6\xDC\xBD\xDC\xC2\xD7");
    EXPECT_EQ(songs[0].m_strSongName, "\xC7\xE7\xCC\xEC");
    EXPECT_EQ(songs[0].m_strSongUrl, "http://stream.example.com/qingtian.mp3");
    EXPECT_EQ(songs[1].m_strSinger, "\xCD\xF5\xB7\xC6");
    EXPECT_EQ(songs[1].m_strSongName, "\xBA\xEC\xB6\xB9");
    EXPECT_EQ(songs[1].m_strSongUrl, "http://stream.example.com/hongdou.mp3");
    EXPECT_EQ(songs[2].m_strSinger, "\xB3\xC2\xDE\xC8\xD1\xB8");
    EXPECT_EQ(songs[2].m_strSongUrl, "http://stream.example.com/shinian.wma");
    EXPECT_TRUE(songs[3].m_strSinger.IsEmpty() && songs[3].m_strSongName.IsEmpty() &&
                songs[3].m_strSongUrl.IsEmpty());
    EXPECT_TRUE(velmora_test::ReadBytes("log.txt").empty());
}

TEST_F(FetchMusicListTest, TheNumberIsSentExactlyAsTyped) {
    const char* numbers[] = {"", "123456789", " 42 ", "%s%d%%", "1&TYPE=0", "\xD6\xDC"};
    for (const char* number : numbers) {
        LoopbackServer server({Step::Send("HTTP/1.1 200 OK\r\n\r\n"), Step::Close()});
        CString body("stale");
        EXPECT_TRUE(FetchMusicListFrom(server.HostAndPort().c_str(), number, body)) << number;
        EXPECT_EQ(FirstLine(server.Received(0)), RequestLine(number));
        EXPECT_TRUE(body.IsEmpty()) << number;
    }
}

TEST_F(FetchMusicListTest, TheBodyIsHandedOnUpToItsFirstNul) {
    struct Row {
        std::string reply, body;
    } rows[] = {
        {std::string("HTTP/1.1 200 OK\r\n\r\n<minemusic>\0<xsong_url>", 42), "<minemusic>"},
        {"HTTP/1.1 200 OK\r\nno blank line", ""},
        {std::string("HTTP/1.1 200 OK\r\n\0\r\n\r\nbody", 26), "body"},
    };
    for (const Row& r : rows) {
        LoopbackServer server({Step::Send(r.reply), Step::Close()});
        CString body;
        EXPECT_TRUE(FetchMusicListFrom(server.HostAndPort().c_str(), "1", body));
        EXPECT_EQ(body.str(), r.body);
    }
}

TEST_F(FetchMusicListTest, AFailedRequestGivesFalseAndLeavesTheBody) {
    const std::string head =
        "\r\r\n04[00:00:00 PID=00000 TID=00000 EXE=" + std::string(15, ' ') + "] ";
    const std::string refused = "127.0.0.1:" + std::to_string(velmora_test::UnusedLoopbackPort());
    const std::string url = "http://" + refused + kQuery + "1" + kQueryTail;
    CString body("kept");
    EXPECT_FALSE(FetchMusicListFrom(refused.c_str(), "1", body));
    EXPECT_EQ(body, "kept");
    EXPECT_EQ(velmora_test::ReadBytes("log.txt"), head + "Error: failed to connect to URL:" + url);
}

TEST_F(FetchMusicListTest, ANumberWithALineBreakNeverReachesTheService) {
    // The typed number tries to add a header line to the request.
    LoopbackServer server({Step::Send("HTTP/1.1 200 OK\r\n\r\n"), Step::Close()});
    CString body;
    EXPECT_FALSE(FetchMusicListFrom(server.HostAndPort().c_str(), "1\nX-Injected: 1", body));
    const std::string log = velmora_test::ReadBytes("log.txt");
    EXPECT_NE(log.find("] Error: Invalid URL:http://"), std::string::npos);
    EXPECT_NE(log.find("] Error: failed to prepare the HTTP request for URL:http://"),
              std::string::npos);
    EXPECT_EQ(server.Accepted(), 0);
}
