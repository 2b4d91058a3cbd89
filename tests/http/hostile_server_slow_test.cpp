// Peers whose cases take seconds by design: they wait out the 5-second
// receive time-out, or pause just short of it.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "http/http_client.h"
#include "tests/http/log_entries.h"
#include "tests/support/loopback_server.h"

using velmora_test::ExpectLog;
using velmora_test::LoopbackServer;
using velmora_test::MillisecondsSince;
using velmora_test::Step;

TEST(HostileServerSlow, TheReceiveTimeOutEndsAConnectionLeftOpen) {
    // A peer that reads the request and never answers fails; one that answers
    // and then keeps the connection open succeeds with its reply.
    velmora_test::ScratchDir dir("hostile-slow");
#ifdef _WIN32
    // Winsock keeps its errors apart from errno, so any runtime text may follow.
    const std::string error = "";
#else
    // A BSD socket's receive time-out leaves EAGAIN.
    const std::string error = std::strerror(EAGAIN);
#endif
    const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
    for (const std::string& sent : {std::string(), reply}) {
        std::remove("log.txt");
        LoopbackServer server(
            {Step::Send(sent), Step::NeverAnswer()}); // an empty Send sends nothing
        CHttpClient client;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(client.Request(("http://" + server.HostAndPort() + "/").c_str()), !sent.empty());
        EXPECT_GE(MillisecondsSince(start), 4500);
        EXPECT_LT(MillisecondsSince(start), 7000);
        EXPECT_EQ(client.GetResponse(), sent);
        EXPECT_FALSE(server.Received(0).empty()) << "the request never reached the peer";
        const std::string failed = "Error: failed to get the response of the HTTP request. error=";
        ExpectLog(
            {sent.empty() ? std::vector<std::string>{failed + error} : std::vector<std::string>{}},
            sent.empty() ? "never answers" : "answers, then keeps the connection open");
    }
}

TEST(HostileServerSlow, AReplyDrippedWithPausesUnderTheTimeOutArrivesWhole) {
    // Three bytes at a time, 100 ms apart, with one pause of 4 s in the
    // middle, then a close: no single wait reaches the 5-second time-out,
    // though the whole reply takes longer than that.
    velmora_test::ScratchDir dir("hostile-slow");
    const std::string body = "<minemusic><xsinger_name><![CDATA[a]]>";
    const std::string reply = "HTTP/1.1 200 OK\r\nServer: drip\r\n\r\n" + body;
    std::vector<Step> script;
    for (size_t at = 0; at < reply.size(); at += 3) {
        script.push_back(Step::Send(reply.substr(at, 3)));
        script.push_back(Step::Pause(at == 33 ? 4000 : 100));
    }
    LoopbackServer server(script);
    CHttpClient client;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(client.Request(("http://" + server.HostAndPort() + "/").c_str()));
    const long long took = MillisecondsSince(start);
    EXPECT_EQ(client.GetResponse(), reply);
    EXPECT_EQ(client.GetBody(client.GetResponse()), body);
    // Ended by the close, not by a time-out after it.
    EXPECT_GE(took, 4000 + 100 * 20);
    EXPECT_LT(took, 4000 + 100 * 25 + 2000);
    ExpectLog({{}}, "drip");
}
