// CHttpClient and the music-list query against servers that misbehave: each
// case says what the peer does, and checks what Request returns, the exact
// log entries, and that the call came back within its bound. The cases that
// take seconds by design are in hostile_server_slow_test.cpp.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "http/http_client.h"
#include "music/music_list.h"
#include "tests/http/log_entries.h"
#include "tests/support/loopback_server.h"
#include "tests/support/scratch_dir.h"

using velmora_test::IsErrnoMessage;
using velmora_test::LogEntries;
using velmora_test::LoopbackServer;
using velmora_test::Options;
using velmora_test::Step;

namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

const std::string kNoReply = "Error: failed to get the response of the HTTP request. error=";

const std::string kSendFailed = "Error: failed to send the HTTP request. error=";

// Whether the log holds exactly these messages; one that ends in "error="
// stands for that prefix followed by a strerror text.
bool LogIs(const std::vector<std::string>& expected) {
    const std::vector<std::string> entries = LogEntries();
    if (entries.size() != expected.size())
        return false;
    for (size_t i = 0; i < entries.size(); ++i) {
        const bool errnoText = !expected[i].empty() && expected[i].back() == '=';
        if (errnoText ? !IsErrnoMessage(entries[i], expected[i]) : entries[i] != expected[i])
            return false;
    }
    return true;
}

std::string Shown(const std::vector<std::string>& messages) {
    std::string text;
    for (const std::string& m : messages)
        text += "\n  " + m;
    return text.empty() ? "\n  (no entries)" : text;
}

// Checks the log against one or more accepted lists of entries: where the
// peer races the client, which of its steps fails first is up to timing.
void ExpectEntries(const std::vector<std::vector<std::string>>& accepted, const std::string& what) {
    for (const std::vector<std::string>& expected : accepted)
        if (LogIs(expected))
            return;
    ADD_FAILURE() << what << ": the log holds" << Shown(LogEntries()) << "\nexpected"
                  << Shown(accepted.front());
}

Options NoRequestRead() {
    Options options;
    options.readRequestFirst = false;
    return options;
}

class HostileServer : public ::testing::Test {
protected:
    velmora_test::ScratchDir m_dir{"hostile"};
};

} // namespace

TEST_F(HostileServer, PeersThatNeverReplyFailWithTheirEntries) {
    // Peers that close or reset the moment they accept, before the request
    // is read; a port where nobody listens; hosts that resolve to nothing
    // (a dotted number that is no address, and a name with a label longer
    // than DNS allows, neither of which reaches a name server).
    LoopbackServer closesAtOnce({Step::Close()}, NoRequestRead());
    LoopbackServer resetsAtOnce({Step::Reset()}, NoRequestRead());
    const std::string refused =
        "http://127.0.0.1:" + std::to_string(velmora_test::UnusedLoopbackPort()) + "/refused";
    const std::string noAddress = "http://999.999.999.999/x";
    const std::string noName = "http://" + std::string(70, 'a') + ".invalid/x";
    struct Row {
        const char* peer;
        std::string url;
        std::vector<std::vector<std::string>> entries; // any one of these lists
        long long boundMs;
    } rows[] = {
        {"closes at once", "http://" + closesAtOnce.HostAndPort() + "/", {{kNoReply}}, 2000},
        // The reset may reach the client before its request is out.
        {"resets at once",
         "http://" + resetsAtOnce.HostAndPort() + "/",
         {{kNoReply}, {kSendFailed}},
         2000},
        {"refuses", refused, {{"Error: failed to connect to URL:" + refused}}, 3000},
        {"resolves to nothing (number)",
         noAddress,
         {{"Error: failed to resolve the IP address for the URL:" + noAddress,
           "Error: failed to prepare the HTTP request for URL:" + noAddress}},
         2000},
        {"resolves to nothing (name)",
         noName,
         {{"Error: failed to resolve the IP address for the URL:" + noName,
           "Error: failed to prepare the HTTP request for URL:" + noName}},
         2000},
    };
    for (const Row& r : rows) {
        std::remove("log.txt");
        CHttpClient client;
        const auto start = Clock::now();
        EXPECT_FALSE(client.Request(r.url.c_str())) << r.peer;
        EXPECT_LT(MillisecondsSince(start), r.boundMs) << r.peer;
        EXPECT_EQ(client.GetResponse(), "") << r.peer;
        ExpectEntries(r.entries, r.peer);
    }
    EXPECT_EQ(closesAtOnce.Accepted(), 1);
    EXPECT_EQ(resetsAtOnce.Accepted(), 1);
}

TEST_F(HostileServer, AResetMidReplyKeepsWhatArrived) {
    // The peer sends a header and 64 KB of body, lets it arrive, then resets
    // the connection (SO_LINGER 0) instead of closing it.
    const std::string sent = "HTTP/1.1 200 OK\r\n\r\n" + std::string(65536, 'r');
    LoopbackServer server({Step::Send(sent), Step::Pause(300), Step::Reset()});
    CHttpClient client;
    const auto start = Clock::now();
    EXPECT_TRUE(client.Request(("http://" + server.HostAndPort() + "/").c_str()));
    EXPECT_LT(MillisecondsSince(start), 2000);
    EXPECT_EQ(client.GetResponse(), sent);
    ExpectEntries({{}}, "reset");
}

TEST_F(HostileServer, AResetWhileSendingKeepsAPrefix) {
    // The peer hands 4 MB to its socket and resets at once, throwing away
    // whatever its send buffer still holds.
    const std::string sent = "HTTP/1.1 200 OK\r\n\r\n" + std::string(4 << 20, 's');
    LoopbackServer server({Step::Send(sent), Step::Reset()});
    CHttpClient client;
    const auto start = Clock::now();
    const bool ok = client.Request(("http://" + server.HostAndPort() + "/").c_str());
    EXPECT_LT(MillisecondsSince(start), 2000);
    const std::string got = client.GetResponse();
    EXPECT_EQ(ok, !got.empty());
    EXPECT_EQ(sent.compare(0, got.size(), got), 0) << "not a prefix of what was sent";
    if (ok)
        ExpectEntries({{}}, "reset");
    else
        ExpectEntries({{kNoReply}}, "reset");
}

TEST_F(HostileServer, MalformedRepliesKeepTheBodyRules) {
    using namespace std::string_literals;
    // Each peer sends its reply whole and closes; the client is asked once
    // directly and once through the music-list query.
    struct Row {
        const char* peer;
        std::string reply;
        std::string body;    // GetBody of the reply
        std::string fetched; // the query's body: cut at its first NUL
        size_t records;      // what ScanSongs makes of that
    } rows[] = {
        {"sends a header with no blank line",
         "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n<minemusic><xsong_url><![CDATA[u]]>", "", "",
         1},
        {"sends NUL bytes throughout",
         "\0HTTP/1.1 200\0 OK\r\n\0\r\n\r\n<minemusic><xsong_url><![CDATA[a]]>\0<minemusic>"s,
         "<minemusic><xsong_url><![CDATA[a]]>\0<minemusic>"s, "<minemusic><xsong_url><![CDATA[a]]>",
         2},
        {"sends nothing but NUL bytes", std::string(3000, '\0'), "", "", 1},
        {"sends only the blank line", "\r\n\r\n", "", "", 1},
        {"sends a blank line split by NUL bytes", "\r\n\0\r\n\r\n\0\r\n"s, "\0\r\n"s, "", 1},
    };
    for (const Row& r : rows) {
        std::remove("log.txt");
        Options twice;
        twice.connections = 2;
        LoopbackServer server({Step::Send(r.reply), Step::Close()}, twice);
        CHttpClient client;
        const auto start = Clock::now();
        EXPECT_TRUE(client.Request(("http://" + server.HostAndPort() + "/").c_str())) << r.peer;
        EXPECT_EQ(client.GetResponse(), r.reply) << r.peer;
        EXPECT_EQ(client.GetBody(client.GetResponse()), r.body) << r.peer;

        CString fetched;
        EXPECT_TRUE(FetchMusicListFrom(server.HostAndPort().c_str(), "10000", fetched)) << r.peer;
        EXPECT_EQ(fetched.str(), r.fetched) << r.peer;
        EXPECT_EQ(ScanSongs(fetched).size(), r.records) << r.peer;
        EXPECT_LT(MillisecondsSince(start), 2000) << r.peer;
        ExpectEntries({{}}, r.peer);
    }
}
