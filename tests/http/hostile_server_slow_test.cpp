// Peers whose cases take seconds by design: they wait out the 5-second receive time-out, or
// pause 2 s short of it.
#include <gtest/gtest.h>

#include "http/http_client.h"
#include "tests/http/log_entries.h"
#include "tests/support/loopback_server.h"

using namespace velmora_test;

TEST(HostileServerSlow, OnlyTheFiveSecondReceiveTimeOutEndsAConnectionLeftOpen) {
    // Peers that read the request and then never answer; answer without any framing but the
    // close, and keep the connection open; drip such a reply three bytes per 200 ms after one
    // pause of 3 s, which must not end it, then close: almost 6 s in all, so only a wait per
    // receive lets it through; stall short of their Content-Length. Each request is bounded
    // generously: it is to end, not to end in time.
    ScratchDir dir("hostile-slow");
    const std::string reply = "HTTP/1.1 200 OK\r\nServer: drip\r\n\r\n<minemusic>";
    Script drip;
    for (size_t at = 0; at < reply.size(); at += 3)
        drip.insert(drip.end(), {Step::Send(reply.substr(at, 3)), Step::Pause(at ? 200 : 3000)});
    const std::string noReply = "Error: failed to get the response of the HTTP request. error=";
    const std::string cut = "HTTP/1.1 200 OK\r\nContent-Length: 12\r\n\r\n<minemusic>";
    // The script; the reply kept; what ends it; the log entries, none when the request succeeds.
    const std::tuple<Script, std::string, const char*, std::vector<std::string>> rows[] = {
        {{Step::Pause(60000)}, "", "the 5-s receive time-out", {noReply}},
        {{Step::Send(reply), Step::Pause(60000)}, reply, "the 5-s receive time-out", {}},
        {drip, reply, "the close after a 3-s pause", {}},
        {{Step::Send(cut), Step::Pause(60000)},
         cut,
         "the 5-s receive time-out",
         {"Error: the HTTP response was cut short. error="}},
    };
    for (const auto& [script, got, end, log] : rows) {
        LoopbackServer server(script);
        CHttpClient client;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(client.Request(("http://" + server.HostAndPort() + "/").c_str()), log.empty());
        EXPECT_LT(MillisecondsSince(start), 20000) << "waited 20 s for " << end;
        EXPECT_EQ(client.GetResponse(), got) << end;
        EXPECT_NE(server.Received(0), "") << "the request never reached the peer";
        ExpectLog({log}, got);
    }
}
