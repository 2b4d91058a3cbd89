// A peer that sends a 100 MB reply and closes: the client must take it whole, its peak memory a
// small multiple of the reply.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include "http/http_client.h"
#include "tests/support/loopback_server.h"

long MaxRssKb() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST(HostileReplyMemory, A100MegabyteReplyIsTakenWholeWithinTwoAndAHalfTimesItsSize) {
    std::string reply(100u << 20, 'a');
    reply.replace(0, 19, "HTTP/1.1 200 OK\r\n\r\n");
    velmora_test::Script script;
    script.push_back(velmora_test::Step::Send(reply)); // one copy, with no passing peak above it
    velmora_test::LoopbackServer server(std::move(script));
    const long before = MaxRssKb();
    CHttpClient client;
    // GetResponse hands out a copy, as the callers take it.
    EXPECT_TRUE(client.Request(("http://" + server.HostAndPort() + "/big").c_str()) &&
                client.GetResponse() == reply);
    // The reply, the larger buffer it grew into, and the caller's copy.
    EXPECT_LT(MaxRssKb() - before, 5 * static_cast<long>(reply.size() / 1024) / 2);
}
