// CHttpClient against the scripted loopback server, well-behaved and hostile:
// the bytes it sends, what it makes of each reply, and what it logs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/http_client.h"
#include "music/music_list.h"
#include "tests/http/log_entries.h"
#include "tests/support/loopback_server.h"

using namespace std::string_literals;
using velmora_test::ExpectLog;
using velmora_test::LoopbackServer;
using velmora_test::Options;
using velmora_test::Step;

namespace {

using Clock = std::chrono::steady_clock;
using velmora_test::MillisecondsSince;

const std::string kNoReply = "Error: failed to get the response of the HTTP request. error=";

std::string Url(const LoopbackServer& server, const std::string& path = "/") {
    return "http://" + server.HostAndPort() + path;
}

std::vector<std::string> NotPrepared(const std::string& first, const std::string& url) {
    return {first + url, "Error: failed to prepare the HTTP request for URL:" + url};
}

class HttpClient : public ::testing::Test {
protected:
    velmora_test::ScratchDir m_dir{"http"};
};

} // namespace

TEST_F(HttpClient, SendsTheFixedRequestWithHostAndPathAsWritten) {
    const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
    LoopbackServer server({Step::Send(reply), Step::Close()});
    CHttpClient client;
    ASSERT_TRUE(client.Request(("HTTP://" + server.HostAndPort() + "/a/B?c=1&d=%41#x").c_str()));
    const std::string head = "GET /a/B?c=1&d=%41#x HTTP/1.1\r\n"
                             "User-Agent: Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)\r\n";
    EXPECT_EQ(server.Received(0), head + "Host: " + server.HostAndPort() +
                                      "\r\nCache-Control: no-cache\r\nPragma: no-cache\r\n"
                                      "Connection: Keep-Alive\r\nAccept: */*\r\n\r\n");
    EXPECT_EQ(client.GetResponse(), reply);
    ExpectLog({{}}, "success");
}

TEST_F(HttpClient, RepliesAreTakenWholeAsTheyArrive) {
    // Each row's parts are sent 50 ms apart, then the peer closes (or resets
    // after 300 ms); the reply must be every byte sent. Where `fetched` is
    // given the script is played again to the music-list query, whose body
    // is cut at its first NUL.
    std::string big(100000, 'x');
    big[4095] = '\0';
    const std::string ok = "HTTP/1.1 200 OK\r\n\r\n", songs = "<minemusic><xsong_url><![CDATA[a]]>";
    const std::string page =
        "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n\r\n<h1>404</h1>";
    struct Row {
        const char* peer;
        std::vector<std::string> parts;
        bool reset;
        std::string body;
        const char* fetched;
        size_t records;
    } rows[] = {
        // clang-format off
        {"sends chunks with NUL bytes", {ok + "ab\0cd"s, "\0ef"s, big}, false,
         "ab\0cd\0ef"s + big, nullptr, 0},
        {"sends an error page", {page}, false, "<h1>404</h1>", nullptr, 0},
        {"resets mid-reply", {ok + std::string(65536, 'r')}, true, std::string(65536, 'r'),
         nullptr, 0},
        {"sends a header with no blank line",
         {"HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n" + songs}, false, "", "", 1},
        {"sends NUL bytes throughout",
         {"\0HTTP/1.1 200\0 OK\r\n\0\r\n\r\n"s + songs + "\0<minemusic>"s}, false,
         songs + "\0<minemusic>"s, songs.c_str(), 2},
        {"sends nothing but NUL bytes", {std::string(3000, '\0')}, false, "", "", 1},
        {"sends only the blank line", {"\r\n\r\n"}, false, "", "", 1},
        {"sends a blank line split by NUL bytes", {"\r\n\0\r\n\r\n\0\r\n"s}, false,
         "\0\r\n"s, "", 1},
        // clang-format on
    };
    for (const Row& r : rows) {
        std::remove("log.txt");
        std::vector<Step> script;
        std::string sent;
        for (const std::string& part : r.parts) {
            script.insert(script.end(), {Step::Send(part), Step::Pause(50)});
            sent += part;
        }
        if (r.reset)
            script.insert(script.end(), {Step::Pause(300), Step::Reset()});
        Options twice;
        twice.connections = 2;
        LoopbackServer server(script, twice);
        CHttpClient client;
        const auto start = Clock::now();
        EXPECT_TRUE(client.Request(Url(server).c_str())) << r.peer;
        EXPECT_EQ(client.GetResponse(), sent) << r.peer;
        EXPECT_EQ(client.GetBody(client.GetResponse()), r.body) << r.peer;
        if (r.fetched) {
            CString fetched;
            EXPECT_TRUE(FetchMusicListFrom(server.HostAndPort().c_str(), "10000", fetched));
            EXPECT_EQ(fetched.str(), r.fetched) << r.peer;
            EXPECT_EQ(ScanSongs(fetched).size(), r.records) << r.peer;
        }
        EXPECT_LT(MillisecondsSince(start), 2000) << r.peer;
        ExpectLog({{}}, r.peer);
    }
}

TEST_F(HttpClient, FailuresReturnFalseWithTheirLogEntries) {
    // Peers that close or reset before or after reading the request; a port
    // where nobody listens; hosts the resolver refuses without asking a name
    // server (a label longer than 63 bytes, a dotted number that is no
    // address); malformed URLs; a URL that tries to smuggle a header line.
    Options noRead;
    noRead.readRequestFirst = false;
    LoopbackServer closes({Step::Close()}), resets({Step::Reset()});
    LoopbackServer closesAtOnce({Step::Close()}, noRead), resetsAtOnce({Step::Reset()}, noRead);
    LoopbackServer smuggled({Step::Send("HTTP/1.1 200 OK\r\n\r\n")});
    const std::string refused =
        "http://127.0.0.1:" + std::to_string(velmora_test::UnusedLoopbackPort()) + "/refused";
    const std::string noName = "http://" + std::string(70, 'n') + ".invalid/x";
    const std::string noAddress = "http://999.999.999.999/x";
    const std::string injected = Url(smuggled, "/?UIN=1 HTTP/1.1\r\nX-Injected: 1\r\n\r\n");
    // The log stores each LF as CR LF.
    const std::string stored = Url(smuggled, "/?UIN=1 HTTP/1.1\r\r\nX-Injected: 1\r\r\n\r\r\n");
    const std::string unresolved = "Error: failed to resolve the IP address for the URL:";
    struct Row {
        std::string url;
        std::vector<std::vector<std::string>> entries; // any one of these lists
    } rows[] = {
        {refused, {{"Error: failed to connect to URL:" + refused}}},
        {noName, {NotPrepared(unresolved, noName)}},
        {noAddress, {NotPrepared(unresolved, noAddress)}},
        {"http://127.0.0.1", {NotPrepared("Error: Invalid URL:", "http://127.0.0.1")}},
        {" http://127.0.0.1/", {NotPrepared("Error: Invalid URL:", " http://127.0.0.1/")}},
        {injected, {NotPrepared("Error: Invalid URL:", stored)}},
        {Url(closes), {{kNoReply}}},
        {Url(resets), {{kNoReply}}},
        {Url(closesAtOnce), {{kNoReply}}},
        // The reset may reach the client before its request is out.
        {Url(resetsAtOnce), {{kNoReply}, {"Error: failed to send the HTTP request. error="}}},
    };
    for (const Row& r : rows) {
        std::remove("log.txt");
        CHttpClient client;
        const auto start = Clock::now();
        EXPECT_FALSE(client.Request(r.url.c_str())) << r.url;
        EXPECT_LT(MillisecondsSince(start), r.url == refused ? 3000 : 2000) << r.url;
        EXPECT_EQ(client.GetResponse(), "") << r.url;
        ExpectLog(r.entries, r.url);
    }
    EXPECT_EQ(smuggled.Accepted(), 0);
    for (LoopbackServer* s : {&closes, &resets, &closesAtOnce, &resetsAtOnce})
        EXPECT_EQ(s->Accepted(), 1);
}

TEST_F(HttpClient, AResetWhileSendingKeepsAPrefix) {
    // The peer hands 4 MB to its socket and resets at once, throwing away
    // whatever its send buffer still holds.
    const std::string sent = "HTTP/1.1 200 OK\r\n\r\n" + std::string(4 << 20, 's');
    LoopbackServer server({Step::Send(sent), Step::Reset()});
    CHttpClient client;
    const bool ok = client.Request(Url(server).c_str());
    const std::string got = client.GetResponse();
    EXPECT_EQ(ok, !got.empty());
    EXPECT_EQ(sent.compare(0, got.size(), got), 0) << "not a prefix of what was sent";
    ExpectLog({ok ? std::vector<std::string>{} : std::vector<std::string>{kNoReply}}, "reset");
}

TEST_F(HttpClient, AFailedRequestKeepsThePreviousReply) {
    LoopbackServer server({Step::Send("HTTP/1.1 200 OK\r\n\r\nfirst")});
    CHttpClient client;
    ASSERT_TRUE(client.Request(Url(server).c_str()));
    EXPECT_FALSE(client.Request("http://127.0.0.1"));
    EXPECT_EQ(client.GetResponse(), "HTTP/1.1 200 OK\r\n\r\nfirst");
}

TEST(HttpClientBody, IsTheTextAfterTheFirstBlankLine) {
    const std::string rows[][2] = {
        {"HTTP/1.1 200 OK\r\n\r\nbody", "body"},
        {"HTTP/1.1 200 OK\r\n\r\n", ""},
        {"HTTP/1.1 200 OK\r\nno blank line\r\n", ""},
        {"", ""},
        {"\r\n\r\n", ""},
        {"a\r\n\r\nb\r\n\r\nc", "b\r\n\r\nc"},
        {"a\n\nb\r\n\r\nc", "c"},
        {"a\r\n\r\n\0b"s, "\0b"s},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nbody\r\n0\r\n\r\n",
         "4\r\nbody\r\n0\r\n\r\n"},
    };
    CHttpClient client;
    for (const auto& r : rows)
        EXPECT_EQ(client.GetBody(r[0]), r[1]) << r[0];
}
