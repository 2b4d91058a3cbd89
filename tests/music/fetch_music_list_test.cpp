// FetchMusicList end to end, through a loopback server standing in for the
// service: the request for a typed number, and the body of the reply.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include "music/music_list.h"
#include "tests/music/song_body.h"
#include "tests/support/loopback_server.h"
#include "tests/support/scratch_dir.h"

using namespace velmora_test;

namespace {

// The host of this binary's own MusicServiceHost(), aimed at a server by the
// test; until then a name the resolver refuses without asking a name server.
std::string g_serviceHost = std::string(70, 'u') + ".invalid";

std::string Path(const std::string& number) {
    return "/fcg-bin/fcgi_agent_zhenghe.fcg?UIN=" + number +
           "&TYPE=16&PAGE_START=1&PAGE_END=10000&SELECT_FLAG=1";
}

class FetchMusicListTest : public ::testing::Test {
    ScratchDir m_dir{"music"};
};

} // namespace

const char* MusicServiceHost() {
    return g_serviceHost.c_str();
}

TEST_F(FetchMusicListTest, TheNumberIsSentAsTypedAndTheBodyComesBackUpToItsFirstNul) {
    // 周杰伦 晴天, 王菲 红豆, 陈奕迅 十年, in GBK.
    const std::string gbk =
        SongBody(SongRecord("\xD6\xDC\xBD\xDC\xC2\xD7", "\xC7\xE7\xCC\xEC", "http&#58;//s/1") +
                 SongRecord("\xCD\xF5\xB7\xC6", "\xBA\xEC\xB6\xB9", "http://s/2.mp3") +
                 SongRecord("\xB3\xC2\xDE\xC8\xD1\xB8", "\xCA\xAE\xC4\xEA", "http://s/3.wma"));
    const std::string ok = "HTTP/1.1 200 OK\r\n";
    const std::array<std::string, 3> rows[] = {
        // number, reply, body
        {"10001", ok + "Content-Type: text/xml; charset=GB2312\r\n\r\n" + gbk, gbk},
        {"", ok + "\r\n", ""},
        {"123456789", ok + std::string("\r\n<minemusic>\0<xsong_url>", 25), "<minemusic>"},
        {" 42 ", ok + "no blank line", ""},
        {"%s%d%%", ok + std::string("\0\r\n\r\nbody", 9), "body"},
        {"1&TYPE=0", ok + "\r\n", ""},
        {"\xD6\xDC", ok + "\r\n", ""}};
    for (const auto& [number, reply, want] : rows) {
        LoopbackServer server({Step::Send(reply.substr(0, reply.size() / 2)), Step::Pause(20),
                               Step::Send(reply.substr(reply.size() / 2)), Step::Close()});
        g_serviceHost = server.HostAndPort();
        CString body("stale");
        // The first row through the program's own entry, the others with the host given.
        EXPECT_TRUE(&number == &rows[0][0]
                        ? FetchMusicList(number.c_str(), body)
                        : FetchMusicListFrom(g_serviceHost.c_str(), number.c_str(), body));
        const std::string request = server.Received(0);
        EXPECT_EQ(request.substr(0, request.find("\r\n") + 2),
                  "GET " + Path(number) + " HTTP/1.1\r\n");
        EXPECT_NE(request.find("\r\nHost: " + g_serviceHost + "\r\n"), std::string::npos);
        EXPECT_EQ(body.str(), want) << number;
    }
    EXPECT_TRUE(ReadBytes("log.txt").empty());
}

TEST_F(FetchMusicListTest, AFailedRequestGivesFalseKeepsTheBodyAndIsLogged) {
    LoopbackServer server({Step::Send("HTTP/1.1 200 OK\r\n\r\n"), Step::Close()});
    const std::string refused = "127.0.0.1:" + std::to_string(UnusedLoopbackPort());
    const std::string head = "\r\r\n04[00:00:00 PID=00000 TID=00000 EXE=               ] Error: ";
    const std::string injected = "http://" + server.HostAndPort() + Path("1\r\nX-Injected: 1");
    const std::array<std::string, 3> rows[] = {
        // host, number, log
        {refused, "1", head + "failed to connect to URL:http://" + refused + Path("1")},
        // The number tries to add a header line: the request never leaves.
        {server.HostAndPort(), "1\nX-Injected: 1",
         head + "Invalid URL:" + injected + head +
             "failed to prepare the HTTP request for URL:" + injected}};
    for (const auto& [host, number, log] : rows) {
        std::remove("log.txt");
        CString body("kept");
        EXPECT_FALSE(FetchMusicListFrom(host.c_str(), number.c_str(), body));
        EXPECT_EQ(body, "kept");
        EXPECT_EQ(ReadBytes("log.txt"), log);
    }
    EXPECT_EQ(server.Accepted(), 0);
}
