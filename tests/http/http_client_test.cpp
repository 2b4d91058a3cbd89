// CHttpClient and the music-list query against the scripted loopback server, well-behaved and
// hostile: the bytes sent, what is made of each reply, and what is logged.
#include <gtest/gtest.h>

#include <cstdio>

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

// `body` chunked in pieces of 1 to 13 bytes, so that chunk boundaries fall inside tags, values and
// two-byte characters; sizes in either case, some with an extension; a trailer field at the end.
std::string Chunked(const std::string& body) {
    std::string chunked;
    char size[16];
    for (size_t at = 0, n = 1; at < body.size(); at += n, n = n % 13 + 1) {
        n = std::min(n, body.size() - at);
        std::snprintf(size, sizeof size, at % 2 ? "%X\r\n" : "%x;at=1\r\n", unsigned(n));
        chunked += size + body.substr(at, n) + "\r\n";
    }
    return chunked + "0\r\nX-Trailer: 1\r\n\r\n";
}

TEST(HttpClient, RepliesEndWhereTheirFramingSaysAndTheQueryBodyEndsAtItsFirstNul) {
    ScratchDir dir("http");
    // Each row's parts go 50 ms apart; then the peer keeps the connection open for 4 s, less than
    // the client's receive time-out, so only a client that saw the reply end closes it first; or
    // it closes, or resets 300 ms later. The client must keep every byte of the reply, and the
    // music-list query for the row's number, given the same script, the body up to its first NUL.
    std::string big(100000, 'x'), r(65536, 'r');
    big[4095] = '\0';
    const std::string ok = "HTTP/1.1 200 OK\r\n", nul = "\0<minemusic>"s;
    // 周杰伦 晴天, 王菲 红豆, in GBK.
    const std::string gbk =
        SongBody(SongRecord("\xD6\xDC\xBD\xDC\xC2\xD7", "\xC7\xE7\xCC\xEC", "http&#58;//s/1") +
                 SongRecord("\xCD\xF5\xB7\xC6", "\xBA\xEC\xB6\xB9", "http://s/2.mp3"));
    const std::string length = "Content-Length: " + std::to_string(gbk.size()) + "\r\n\r\n";
    const std::string chunked = ok + "Transfer-Encoding: chunked\r\n\r\n" + Chunked(gbk + nul);
    const Script held = {Step::Hold(4000)}, closed = {Step::Close()};
    const struct {
        std::string number;
        std::vector<std::string> parts;
        Script end;
        std::string body, fetched;
    } rows[] = {
        {"10001",
         {ok + "Content-Type: text/xml\r\n" + length + gbk.substr(0, 99), gbk.substr(99)},
         held,
         gbk,
         gbk},
        {"\xD6\xDC", {chunked.substr(0, 700), chunked.substr(700)}, held, gbk + nul, gbk},
        {"1&TYPE=0", {"HTTP/1.1 204 No Content\r\n\r\n"}, held, "", ""},
        // Framed by the close alone.
        {"",
         {ok + "\r\nab\0cd"s, "\0"s, "ef", big},
         closed,
         "ab\0cd\0ef"s + big,
         "ab"}, // a 1-byte part
        {"%s%d%%", {ok + "\r\n" + r}, {Step::Pause(300), Step::Reset()}, r, r},
    };
    for (const auto& row : rows) {
        Script script;
        std::string sent;
        for (const std::string& part : row.parts) {
            script.insert(script.end(), {Step::Send(part), Step::Pause(50)});
            sent += part;
        }
        script.insert(script.end(), row.end.begin(), row.end.end());
        LoopbackServer server(script, Options{2}); // the client's request, then the query's
        g_serviceHost = server.HostAndPort();
        CHttpClient client;
        CString query("stale");
        EXPECT_TRUE(client.Request(("HTTP://" + g_serviceHost + "/a/B?c=1&d=%41#x").c_str()));
        EXPECT_TRUE(FetchMusicList(row.number.c_str(), query));
        EXPECT_EQ(client.GetResponse(), sent) << row.number;
        EXPECT_EQ(client.GetBody(client.GetResponse()), row.body) << row.number;
        EXPECT_EQ(query.str(), row.fetched) << row.number;
        for (const std::string& path : {"/a/B?c=1&d=%41#x"s, Query(row.number)}) {
            const bool second = path != "/a/B?c=1&d=%41#x";
            EXPECT_EQ(server.Received(second),
                      "GET " + path + " HTTP/1.1\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE " +
                          "5.00; Windows 98)\r\nHost: " + g_serviceHost + "\r\nCache-Control: " +
                          "no-cache\r\nPragma: no-cache\r\nConnection: Keep-Alive\r\nAccept: " +
                          "*/*\r\n\r\n");
            EXPECT_EQ(server.ClosedByClient(second), row.end[0].kind == Step::kHold) << row.number;
        }
        ExpectLog({{}}, row.number);
    }
}

TEST(HttpClient, FailuresReturnFalseWithTheirLogEntries) {
    ScratchDir dir("http");
    // After a good reply: a port where nobody listens; hosts the resolver refuses without asking
    // a name server (a label longer than 63 bytes, a dotted number that is no address); malformed
    // URLs; a URL that tries to smuggle a header line; then peers that close or reset after or
    // before reading the request. Only those last replace the good reply, with an empty one. Then
    // replies that fail: error pages, one kept alive; replies cut short of their head, their
    // Content-Length or their last chunk; framing that cannot be read; more than 64 MiB.
    const Options noRead{1, false}, noReadTwice{2, false};
    const std::string ok = "HTTP/1.1 200 OK\r\n", chunked = "Transfer-Encoding: chunked\r\n\r\n";
    LoopbackServer good({Step::Send(ok + "Content-Length: 5\r\n\r\nfirst")}),
        smuggled({Step::Close()});
    LoopbackServer closes({Step::Close()}), resets({Step::Reset()});
    // Its reset waits 100 ms after the accept: one that came sooner could beat the client's
    // connect() itself.
    LoopbackServer closesAtOnce({Step::Close()}, noRead),
        resetsAtOnce({Step::Pause(100), Step::Reset()}, noReadTwice);
    LoopbackServer notFound(
        {Step::Send("HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\nno"), Step::Hold(10000)}),
        serverError({Step::Send("HTTP/1.1 500 Internal Server Error\r\n\r\n<h1>500</h1>")});
    LoopbackServer noHeadEnd({Step::Send(ok + "Content-Type: text/xml\r\n<minemusic>")}),
        shortLength({Step::Send(ok + "Content-Length: 100\r\n\r\n<minemusic>")}),
        noLastChunk({Step::Send(ok + chunked + "b\r\n<minemusic>\r\n"), Step::Reset()});
    LoopbackServer nulFirst({Step::Send("\0HTTP/1.1 200 OK\r\n\r\n<minemusic>"s)}),
        nuls({Step::Send(std::string(3000, '\0'))}), noStatus({Step::Send("\r\n\r\n")}),
        badChunk({Step::Send(ok + chunked + "b-\r\n<minemusic>\r\n0\r\n\r\n")});
    LoopbackServer huge({Step::Send(ok + "\r\n" + std::string(65 << 20, 'x'))});
    // A port held for this case and never listened on: refused, and no other case can take it.
    const LoopbackServer held(Script(), Options{0});
    const std::string refused = Url(held);
    const std::string noName = "http://" + std::string(70, 'n') + ".invalid/x";
    const std::string injected = Url(smuggled, "/?UIN=1 HTTP/1.1\r\nX-Injected: 1\r\n\r\n");
    const std::string invalid = "Error: Invalid URL:";
    const std::string noReply = "Error: failed to get the response of the HTTP request. error=";
    const std::string unresolved = "Error: failed to resolve the IP address for the URL:";
    const std::string unsent = "Error: failed to send the HTTP request. error=";
    const std::string cut = "Error: the HTTP response was cut short. error=";
    const std::string malformed = "Error: the HTTP response is malformed for URL:";
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
        {Url(resetsAtOnce, "/" + std::string(32 << 20, 'x')), {{unsent}}},
        {Url(notFound), {{"Error: the server answered HTTP status 404 for URL:" + Url(notFound)}}},
        {Url(serverError),
         {{"Error: the server answered HTTP status 500 for URL:" + Url(serverError)}}},
        {Url(noHeadEnd), {{cut}}},
        {Url(shortLength), {{cut}}},
        {Url(noLastChunk), {{cut}}},
        {Url(nulFirst), {{malformed + Url(nulFirst)}}},
        {Url(nuls), {{malformed + Url(nuls)}}},
        {Url(noStatus), {{malformed + Url(noStatus)}}},
        {Url(badChunk), {{malformed + Url(badChunk)}}},
        {Url(huge), {{"Error: the HTTP response is larger than 64 MiB for URL:" + Url(huge)}}}};
    CHttpClient client;
    ASSERT_TRUE(client.Request(Url(good).c_str()));
    for (const auto& [url, logs] : rows) {
        const std::string what = url.substr(0, 100);
        EXPECT_FALSE(client.Request(url.c_str())) << what;
        // What arrived of a failed reply is kept too; at most 64 MiB of it.
        if (&url < &rows[11].first)
            EXPECT_EQ(client.GetResponse(),
                      &url < &rows[6].first ? ok + "Content-Length: 5\r\n\r\nfirst" : "")
                << what;
        else
            EXPECT_LE(client.GetResponse().size(), CReplyReader::kMaxReply) << what;
        ExpectLog(logs, what);
    }
    EXPECT_TRUE(notFound.ClosedByClient());
    // The query fails the same way and leaves the body it was given alone.
    CString body("kept");
    g_serviceHost = smuggled.HostAndPort();
    EXPECT_FALSE(FetchMusicList("1\nX-Injected: 1", body));
    EXPECT_EQ(body.str(), "kept");
    ExpectLog(NotPrepared(invalid, Url(smuggled, Query("1\r\nX-Injected: 1"))), "query");
}
