// CHttpClient and the music-list query against the scripted loopback server, well-behaved and
// hostile: the bytes sent, what is made of each reply, and what is logged.
#include <gtest/gtest.h>

#include "http/http_client.h"
#include "music/music_list.h"
#include "tests/http/log_entries.h"
#include "tests/music/song_body.h"
#include "tests/support/loopback_server.h"

using namespace std::string_literals;
using namespace velmora_test;
using Logs = std::vector<std::vector<std::string>>; // any one of these lists of entries

namespace {

std::string g_serviceHost; // where this binary's own MusicServiceHost() points

std::string Url(const LoopbackServer& server, const std::string& path = "/") {
    return "http://" + server.HostAndPort() + path;
}

std::string Query(const std::string& number) {
    return "/fcg-bin/fcgi_agent_zhenghe.fcg?UIN=" + number +
           "&TYPE=16&PAGE_START=1&PAGE_END=10000&SELECT_FLAG=1";
}

Logs NotPrepared(const std::string& first, const std::string& url) {
    return {{first + url, "Error: failed to prepare the HTTP request for URL:" + url}};
}

} // namespace

const char* MusicServiceHost() {
    return g_serviceHost.c_str();
}

TEST(HttpClient, RepliesAreTakenWholeAndTheQueryBodyEndsAtItsFirstNul) {
    ScratchDir dir("http");
    // Each row's parts go 50 ms apart, then the peer closes, or resets 300 ms later. The client
    // must keep every byte sent, and the music-list query for the row's number, given the same
    // script, the body up to its first NUL.
    std::string big(100000, 'x'), r(65536, 'r'), page = "<h1>404</h1>\r\n\r\n";
    big[4095] = '\0';
    const std::string ok = "HTTP/1.1 200 OK\r\n", songs = "<minemusic><xsong_url><![CDATA[a]]>";
    // 周杰伦 晴天, 王菲 红豆, in GBK.
    const std::string gbk =
        SongBody(SongRecord("\xD6\xDC\xBD\xDC\xC2\xD7", "\xC7\xE7\xCC\xEC", "http&#58;//s/1") +
                 SongRecord("\xCD\xF5\xB7\xC6", "\xBA\xEC\xB6\xB9", "http://s/2.mp3"));
    // number, parts, reset, body, query body
    const std::tuple<std::string, std::vector<std::string>, bool, std::string, std::string> rows[] =
        {
            // clang-format off
        {"10001", {ok + "Content-Type: text/xml\r\n\r\n" + gbk.substr(0, 99), gbk.substr(99)}, false,
         gbk, gbk},
        {"", {ok + "\r\nab\0cd"s, "\0"s, "ef", big}, false, "ab\0cd\0ef"s + big, "ab"}, // a 1-byte part
        // An error page is a reply like any other; the first CR LF CR LF ends the head.
        {" 42 ", {"HTTP/1.1 404 Not Found\r\nX: a\n\nb\r\n\r\n" + page}, false, page, page},
        {"%s%d%%", {ok + "\r\n" + r}, true, r, r},
        {"1&TYPE=0", {ok + "Content-Type: text/xml\r\n" + songs}, false, "", ""},
        {"\xD6\xDC", {"\0HTTP/1.1 200\0 OK\r\n\0\r\n\r\n"s + songs + "\0<minemusic>"s}, false,
         songs + "\0<minemusic>"s, songs},
        {"123456789", {std::string(3000, '\0')}, false, "", ""},
        {"0", {"\r\n\r\n"}, false, "", ""},
        {"00", {"\r\n\0\r\n\r\n\0\r\n"s}, false, "\0\r\n"s, ""},
            // clang-format on
        };
    for (const auto& [number, parts, reset, body, fetched] : rows) {
        Script script;
        std::string sent;
        for (const std::string& part : parts) {
            script.insert(script.end(), {Step::Send(part), Step::Pause(50)});
            sent += part;
        }
        if (reset)
            script.insert(script.end(), {Step::Pause(300), Step::Reset()});
        LoopbackServer server(script, Options{2}); // the client's request, then the query's
        g_serviceHost = server.HostAndPort();
        CHttpClient client;
        CString query("stale");
        EXPECT_TRUE(client.Request(("HTTP://" + g_serviceHost + "/a/B?c=1&d=%41#x").c_str()));
        EXPECT_TRUE(FetchMusicList(number.c_str(), query));
        EXPECT_EQ(client.GetResponse(), sent) << number;
        EXPECT_EQ(client.GetBody(client.GetResponse()), body) << number;
        EXPECT_EQ(query.str(), fetched) << number;
        for (const std::string& path : {"/a/B?c=1&d=%41#x"s, Query(number)})
            EXPECT_EQ(server.Received(path != "/a/B?c=1&d=%41#x"),
                      "GET " + path + " HTTP/1.1\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE " +
                          "5.00; Windows 98)\r\nHost: " + g_serviceHost + "\r\nCache-Control: " +
                          "no-cache\r\nPragma: no-cache\r\nConnection: Keep-Alive\r\nAccept: " +
                          "*/*\r\n\r\n");
        ExpectLog({{}}, number);
    }
}

TEST(HttpClient, FailuresReturnFalseWithTheirLogEntries) {
    ScratchDir dir("http");
    // After a good reply: a port where nobody listens; hosts the resolver refuses without asking
    // a name server (a label longer than 63 bytes, a dotted number that is no address); malformed
    // URLs; a URL that tries to smuggle a header line; then peers that close or reset after or
    // before reading the request. Only those last replace the good reply, with an empty one.
    const Options noRead{1, false}, noReadTwice{2, false};
    LoopbackServer good({Step::Send("HTTP/1.1 200 OK\r\n\r\nfirst")}), smuggled({Step::Close()});
    LoopbackServer closes({Step::Close()}), resets({Step::Reset()});
    LoopbackServer closesAtOnce({Step::Close()}, noRead),
        resetsAtOnce({Step::Reset()}, noReadTwice);
    // A port held for this case and never listened on: refused, and no other case can take it.
    const LoopbackServer held(Script(), Options{0});
    const std::string refused = Url(held);
    const std::string noName = "http://" + std::string(70, 'n') + ".invalid/x";
    const std::string injected = Url(smuggled, "/?UIN=1 HTTP/1.1\r\nX-Injected: 1\r\n\r\n");
    const std::string invalid = "Error: Invalid URL:";
    const std::string noReply = "Error: failed to get the response of the HTTP request. error=";
    const std::string unresolved = "Error: failed to resolve the IP address for the URL:";
    const std::string unsent = "Error: failed to send the HTTP request. error=";
    const std::pair<std::string, Logs> rows[] = {
        {refused, {{"Error: failed to connect to URL:" + refused}}},
        {noName, NotPrepared(unresolved, noName)},
        {"http://999.999.999.999/x", NotPrepared(unresolved, "http://999.999.999.999/x")},
        {"http://127.0.0.1", NotPrepared(invalid, "http://127.0.0.1")},
        {" http://127.0.0.1/", NotPrepared(invalid, " http://127.0.0.1/")},
        // The log stores each LF as CR LF.
        {injected,
         NotPrepared(invalid, Url(smuggled, "/?UIN=1 HTTP/1.1\r\r\nX-Injected: 1\r\r\n\r\r\n"))},
        {Url(closes), {{noReply}}},
        {Url(resets), {{noReply}}},
        {Url(closesAtOnce), {{noReply}}},
        // The reset may reach the client before its request is out.
        {Url(resetsAtOnce), {{noReply}, {unsent}}},
        // A request larger than the sockets' buffers both ways cannot all go before the reset.
        {Url(resetsAtOnce, "/" + std::string(32 << 20, 'x')), {{unsent}}}};
    CHttpClient client;
    ASSERT_TRUE(client.Request(Url(good).c_str()));
    for (const auto& [url, logs] : rows) {
        const std::string what = url.substr(0, 100);
        EXPECT_FALSE(client.Request(url.c_str())) << what;
        EXPECT_EQ(client.GetResponse(), &url < &rows[6].first ? "HTTP/1.1 200 OK\r\n\r\nfirst" : "")
            << what;
        ExpectLog(logs, what);
    }
    // The query fails the same way and leaves the body it was given alone.
    CString body("kept");
    g_serviceHost = smuggled.HostAndPort();
    EXPECT_FALSE(FetchMusicList("1\nX-Injected: 1", body));
    EXPECT_EQ(body.str(), "kept");
    ExpectLog(NotPrepared(invalid, Url(smuggled, Query("1\r\nX-Injected: 1"))), "query");
}
