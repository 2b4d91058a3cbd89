// A server that keeps the connection open after its reply: only the 5-second
// receive time-out ends the read.
#include <gtest/gtest.h>

#include <chrono>

#include "http/http_client.h"
#include "tests/support/loopback_server.h"
#include "tests/support/scratch_dir.h"

using velmora_test::LoopbackServer;
using velmora_test::Step;

TEST(HttpClientTimeout, AKeptAliveConnectionEndsAtTheReceiveTimeout) {
    // The server answers, then holds the connection open and says nothing more.
    velmora_test::ScratchDir dir("http-timeout");
    const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
    LoopbackServer server({Step::Send(reply), Step::HoldOpen(15000)});
    CHttpClient client;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(client.Request(("http://" + server.HostAndPort() + "/").c_str()));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(client.GetResponse(), reply);
    EXPECT_GE(took, std::chrono::milliseconds(4500));
    EXPECT_LT(took, std::chrono::milliseconds(8000));
}
