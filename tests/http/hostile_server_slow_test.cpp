// Peers whose cases take seconds by design: they wait out the 5-second receive time-out, or
// pause just short of it.
#include <gtest/gtest.h>

#include "http/http_client.h"
#include "tests/http/log_entries.h"
#include "tests/support/loopback_server.h"

using namespace velmora_test;

TEST(HostileServerSlow, OnlyTheFiveSecondReceiveTimeOutEndsAConnectionLeftOpen) {
    // Peers that read the request and then never answer; answer and keep the connection open;
    // drip the reply three bytes per 100 ms with one pause of 4 s, then close.
    ScratchDir dir("hostile-slow");
    const std::string reply = "HTTP/1.1 200 OK\r\nServer: drip\r\n\r\n<minemusic>";
    Script drip;
    for (size_t at = 0; at < reply.size(); at += 3)
        drip.insert(drip.end(), {Step::Send(reply.substr(at, 3)), Step::Pause(at ? 100 : 4000)});
    const std::string noReply = "Error: failed to get the response of the HTTP request. error=";
    // The script; the reply kept, which makes the request succeed; its time; the log entries.
    const std::tuple<Script, std::string, int, std::vector<std::string>> rows[] = {
        {{Step::Pause(60000)}, "", 5000, {noReply}},
        {{Step::Send(reply), Step::Pause(60000)}, reply, 5000, {}},
        {drip, reply, 4000 + 100 * 15, {}}, // ended by the close
    };
    for (const auto& [script, got, ms, log] : rows) {
        LoopbackServer server(script);
        CHttpClient client;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(client.Request(("http://" + server.HostAndPort() + "/").c_str()), got != "");
        EXPECT_NEAR(MillisecondsSince(start), ms + 500, 1000) << got;
        EXPECT_EQ(client.GetResponse(), got);
        EXPECT_NE(server.Received(0), "") << "the request never reached the peer";
        ExpectLog({log}, got);
    }
}
