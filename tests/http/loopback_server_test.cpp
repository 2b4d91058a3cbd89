// The loopback server itself, driven by a bare socket client: what it
// records, what it plays, and that it never holds a test up.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "tests/support/loopback_server.h"

using velmora_test::LoopbackServer;
using velmora_test::Options;
using velmora_test::Script;
using velmora_test::Step;

namespace {

SOCKET Connect(uint16_t port) {
    velmora_net::StartSockets();
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    velmora_net::SetTimeout(s, SO_RCVTIMEO, 5000);
    velmora_net::SetTimeout(s, SO_SNDTIMEO, 5000);
    sockaddr_in a;
    std::memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

// Sends `request`, then reads until the server closes; false when the read
// ended in an error (a reset) instead.
bool Exchange(uint16_t port, const std::string& request, std::string& reply) {
    SOCKET s = Connect(port);
    if (s == INVALID_SOCKET)
        return false;
    send(s, request.data(), static_cast<int>(request.size()), velmora_net::kSendFlags);
    char buffer[1024];
    int n;
    while ((n = recv(s, buffer, sizeof buffer, 0)) > 0)
        reply.append(buffer, static_cast<size_t>(n));
    closesocket(s);
    return n == 0;
}

} // namespace

TEST(LoopbackServer, RecordsTheRequestAndPlaysItsSteps) {
    const std::string reply("HTTP/1.1 200 OK\r\n\r\nab\0cd", 24);
    LoopbackServer server({Step::Send(reply.substr(0, 10)), Step::Pause(20),
                           Step::Send(reply.substr(10)), Step::Close()});
    ASSERT_NE(server.Port(), 0);
    std::string got;
    EXPECT_TRUE(Exchange(server.Port(), "GET / HTTP/1.1\r\nHost: x\r\n\r\n", got));
    EXPECT_EQ(got, reply);
    EXPECT_EQ(server.Received(0), "GET / HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_TRUE(server.WaitDone());
    EXPECT_EQ(server.Accepted(), 1);
}

TEST(LoopbackServer, ResetEndsTheClientsReadInAnError) {
    LoopbackServer server({Step::Reset()});
    std::string got;
    EXPECT_FALSE(Exchange(server.Port(), "GET / HTTP/1.1\r\n\r\n", got));
    EXPECT_EQ(got, "");
}

TEST(LoopbackServer, OneScriptPerConnectionInAcceptOrder) {
    LoopbackServer server(std::vector<Script>{Script{Step::Send("first")},
                                              Script{Step::Send("second"), Step::Close()}});
    std::string a, b;
    EXPECT_TRUE(Exchange(server.Port(), "A\r\n\r\n", a));
    EXPECT_TRUE(Exchange(server.Port(), "B\r\n\r\n", b));
    EXPECT_EQ(a, "first");
    EXPECT_EQ(b, "second");
    EXPECT_EQ(server.Received(1), "B\r\n\r\n");
    EXPECT_EQ(server.Received(2), "");
}

TEST(LoopbackServer, NeverAnswerWaitsForTheClientToClose) {
    LoopbackServer server({Step::NeverAnswer()});
    SOCKET s = Connect(server.Port());
    ASSERT_NE(s, INVALID_SOCKET);
    send(s, "GET", 3, velmora_net::kSendFlags);
    velmora_net::SetTimeout(s, SO_RCVTIMEO, 200);
    char c;
    EXPECT_LT(recv(s, &c, 1, 0), 0); // nothing ever comes: the read times out
    send(s, "\r\n\r\nmore", 8, velmora_net::kSendFlags);
    closesocket(s);
    EXPECT_TRUE(server.WaitDone());
    EXPECT_EQ(server.ReceivedAll(0), "GET\r\n\r\nmore");
}

TEST(LoopbackServer, DestructorStopsAWaitThatNoClientEnds) {
    const auto start = std::chrono::steady_clock::now();
    {
        LoopbackServer idle({Step::Send("never sent")});
        LoopbackServer held({Step::HoldOpen(60000)});
        SOCKET s = Connect(held.Port());
        ASSERT_NE(s, INVALID_SOCKET);
        send(s, "\r\n\r\n", 4, velmora_net::kSendFlags);
        EXPECT_EQ(held.Received(0), "\r\n\r\n");
        closesocket(s);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(LoopbackServer, UnusedPortRefusesConnections) {
    const uint16_t port = velmora_test::UnusedLoopbackPort();
    ASSERT_NE(port, 0);
    EXPECT_EQ(Connect(port), INVALID_SOCKET);
}
