// CHttpClient against the scripted loopback server: the bytes it sends,
// what it makes of each reply, and what it logs when something fails.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "http/http_client.h"
#include "tests/support/loopback_server.h"
#include "tests/support/scratch_dir.h"

using velmora_test::LoopbackServer;
using velmora_test::Options;
using velmora_test::Step;

namespace {

const std::string kHead =
    "\r\r\n04[00:00:00 PID=00000 TID=00000 EXE=" + std::string(15, ' ') + "] ";

// The messages of the log's entries, in order.
std::vector<std::string> LogMessages() {
    const std::string log = velmora_test::ReadBytes("log.txt");
    std::vector<std::string> messages;
    size_t at = log.find(kHead);
    EXPECT_TRUE(log.empty() || at == 0) << "log does not start with an entry";
    while (at != std::string::npos) {
        const size_t start = at + kHead.size();
        const size_t next = log.find(kHead, start);
        messages.push_back(
            log.substr(start, next == std::string::npos ? std::string::npos : next - start));
        at = next;
    }
    return messages;
}

// A message as the log stores it: each LF as CR LF.
std::string AsStored(const std::string& message) {
    std::string stored;
    for (char c : message)
        stored += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return stored;
}

std::string Url(const LoopbackServer& server, const std::string& path) {
    return "http://" + server.HostAndPort() + path;
}

std::string ExpectedRequest(const std::string& path, const std::string& hostAndPort) {
    return "GET " + path +
           " HTTP/1.1\r\n"
           "User-Agent: Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)\r\n"
           "Host: " +
           hostAndPort +
           "\r\n"
           "Cache-Control: no-cache\r\n"
           "Pragma: no-cache\r\n"
           "Connection: Keep-Alive\r\n"
           "Accept: */*\r\n"
           "\r\n";
}

// The steps of a request, for the cases a whole request cannot reach.
class ExposedClient : public CHttpClient {
public:
    using CHttpClient::PrepareRequest;
    using CHttpClient::SendAll;
};

class HttpClient : public ::testing::Test {
protected:
    velmora_test::ScratchDir m_dir{"http"};
};

} // namespace

TEST_F(HttpClient, SendsTheFixedRequestWithHostAndPathAsWritten) {
    const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
    LoopbackServer server({Step::Send(reply), Step::Close()});
    const std::string port = std::to_string(server.Port());
    CHttpClient client;
    ASSERT_TRUE(client.Request(("HTTP://127.0.0.1:" + port + "/a/B?c=1&d=%41#x").c_str()));
    EXPECT_EQ(server.Received(0), ExpectedRequest("/a/B?c=1&d=%41#x", "127.0.0.1:" + port));
    EXPECT_EQ(client.GetResponse(), reply);
    EXPECT_EQ(client.GetBody(client.GetResponse()), "ok");
    EXPECT_TRUE(LogMessages().empty());
}

TEST_F(HttpClient, KeepsEveryByteOfTheReplyAcrossChunksAndNulBytes) {
    // One chunk with a NUL in its middle, a second that starts with one, and
    // a reply large enough to need many reads.
    const std::string head = "HTTP/1.1 200 OK\r\n\r\n";
    const std::string first("ab\0cd", 5), second("\0ef", 3);
    std::string big(100000, 'x');
    big[4095] = '\0';
    LoopbackServer server({Step::Send(head + first), Step::Pause(50), Step::Send(second),
                           Step::Pause(50), Step::Send(big), Step::Close()});
    CHttpClient client;
    ASSERT_TRUE(client.Request(Url(server, "/").c_str()));
    EXPECT_EQ(client.GetResponse(), head + first + second + big);
    EXPECT_EQ(client.GetBody(client.GetResponse()), first + second + big);
}

TEST_F(HttpClient, AnErrorPageIsAReplyLikeAnyOther) {
    const std::string page =
        "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n\r\n<h1>404</h1>";
    LoopbackServer server({Step::Send(page), Step::Close()});
    CHttpClient client;
    EXPECT_TRUE(client.Request(Url(server, "/missing").c_str()));
    EXPECT_EQ(client.GetBody(client.GetResponse()), "<h1>404</h1>");
    EXPECT_TRUE(LogMessages().empty());
}

TEST_F(HttpClient, AReplyCutShortByAResetKeepsWhatArrived) {
    // The server sends part of a reply, then resets the connection.
    LoopbackServer server(
        {Step::Send("HTTP/1.1 200 OK\r\n\r\npart"), Step::Pause(200), Step::Reset()});
    CHttpClient client;
    EXPECT_TRUE(client.Request(Url(server, "/").c_str()));
    EXPECT_EQ(client.GetResponse(), "HTTP/1.1 200 OK\r\n\r\npart");
}

TEST_F(HttpClient, FailuresReturnFalseWithTheirLogEntries) {
    const std::string kNoSuchHost = "http://" + std::string(70, 'n') + ".invalid/x";
    // Servers that accept and then close or reset without sending a byte;
    // the refused port has nobody listening at all.
    LoopbackServer closes({Step::Close()});
    LoopbackServer resets({Step::Reset()});
    const std::string refused =
        "http://127.0.0.1:" + std::to_string(velmora_test::UnusedLoopbackPort()) + "/x";
    const std::string noReply = "Error: failed to get the response of the HTTP request. error=";
    struct Row {
        std::string url;
        std::vector<std::string> messages; // an entry ending in "error=" is matched as a prefix
    } rows[] = {
        {refused, {"Error: failed to connect to URL:" + refused}},
        // A label longer than DNS allows fails in the resolver itself, so the
        // test sends no query off this machine.
        {kNoSuchHost,
         {"Error: failed to resolve the IP address for the URL:" + kNoSuchHost,
          "Error: failed to prepare the HTTP request for URL:" + kNoSuchHost}},
        {"http://127.0.0.1",
         {"Error: Invalid URL:http://127.0.0.1",
          "Error: failed to prepare the HTTP request for URL:http://127.0.0.1"}},
        {" http://127.0.0.1/",
         {"Error: Invalid URL: http://127.0.0.1/",
          "Error: failed to prepare the HTTP request for URL: http://127.0.0.1/"}},
        {Url(closes, "/x"), {noReply}},
        {Url(resets, "/x"), {noReply}},
    };
    for (const Row& r : rows) {
        std::remove("log.txt");
        CHttpClient client;
        EXPECT_FALSE(client.Request(r.url.c_str())) << r.url;
        EXPECT_EQ(client.GetResponse(), "") << r.url;
        const std::vector<std::string> messages = LogMessages();
        ASSERT_EQ(messages.size(), r.messages.size()) << r.url;
        for (size_t i = 0; i < messages.size(); ++i) {
            if (r.messages[i].back() == '=')
                EXPECT_EQ(messages[i].substr(0, r.messages[i].size()), r.messages[i]) << r.url;
            else
                EXPECT_EQ(messages[i], r.messages[i]) << r.url;
        }
    }
}

TEST_F(HttpClient, AControlByteInTheUrlIsRefusedBeforeAnythingIsSent) {
    // The URL tries to smuggle a header line into the request.
    LoopbackServer server({Step::Send("HTTP/1.1 200 OK\r\n\r\n"), Step::Close()});
    const std::string url = Url(server, "/?UIN=1 HTTP/1.1\r\nX-Injected: 1\r\n\r\n");
    CHttpClient client;
    EXPECT_FALSE(client.Request(url.c_str()));
    EXPECT_EQ(LogMessages(),
              (std::vector<std::string>{
                  AsStored("Error: Invalid URL:" + url),
                  AsStored("Error: failed to prepare the HTTP request for URL:" + url)}));
    EXPECT_EQ(server.Accepted(), 0);
}

TEST_F(HttpClient, AFailedRequestKeepsThePreviousReply) {
    LoopbackServer server({Step::Send("HTTP/1.1 200 OK\r\n\r\nfirst"), Step::Close()});
    CHttpClient client;
    ASSERT_TRUE(client.Request(Url(server, "/").c_str()));
    EXPECT_FALSE(client.Request("http://127.0.0.1"));
    EXPECT_EQ(client.GetResponse(), "HTTP/1.1 200 OK\r\n\r\nfirst");
}

TEST(HttpClientBody, IsTheTextAfterTheFirstBlankLine) {
    struct Row {
        std::string reply, body;
    } rows[] = {
        {"HTTP/1.1 200 OK\r\n\r\nbody", "body"},
        {"HTTP/1.1 200 OK\r\n\r\n", ""},
        {"HTTP/1.1 200 OK\r\nno blank line\r\n", ""},
        {"", ""},
        {"\r\n\r\n", ""},
        {"a\r\n\r\nb\r\n\r\nc", "b\r\n\r\nc"},
        {"a\n\nb\r\n\r\nc", "c"},
        {std::string("a\r\n\r\n\0b", 7), std::string("\0b", 2)},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nbody\r\n0\r\n\r\n",
         "4\r\nbody\r\n0\r\n\r\n"},
    };
    CHttpClient client;
    for (const Row& r : rows)
        EXPECT_EQ(client.GetBody(r.reply), r.body) << r.reply;
}

TEST(HttpClientSend, AnEmptyTextIsSentWithoutCallingSend) {
    // On an invalid socket any send fails, so only a text that needs no
    // send at all can succeed.
    ExposedClient client;
    EXPECT_TRUE(client.SendAll(INVALID_SOCKET, ""));
    EXPECT_FALSE(client.SendAll(INVALID_SOCKET, "x"));
}
