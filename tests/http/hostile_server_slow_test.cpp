// Hostile servers whose cases take seconds by design: they wait out the
// 5-second receive time-out, or pause just short of it.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "http/http_client.h"
#include "tests/http/log_entries.h"
#include "tests/support/loopback_server.h"
#include "tests/support/scratch_dir.h"

using velmora_test::LogEntries;
using velmora_test::LoopbackServer;
using velmora_test::Step;

namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

} // namespace

TEST(HostileServerSlow, APeerThatNeverAnswersFailsAtTheReceiveTimeout) {
    // The peer accepts, reads the request and then sends nothing, holding
    // the connection open until the client gives up.
    velmora_test::ScratchDir dir("hostile-slow");
    LoopbackServer server({Step::NeverAnswer()});
    CHttpClient client;
    const auto start = Clock::now();
    EXPECT_FALSE(client.Request(("http://" + server.HostAndPort() + "/").c_str()));
    const long long took = MillisecondsSince(start);
    EXPECT_GE(took, 4500);
    EXPECT_LT(took, 7000);
    EXPECT_EQ(client.GetResponse(), "");
    const std::string prefix = "Error: failed to get the response of the HTTP request. error=";
    const std::vector<std::string> entries = LogEntries();
    ASSERT_EQ(entries.size(), 1u);
#ifdef _WIN32
    // Winsock keeps its errors apart from errno, so any runtime text may follow.
    EXPECT_TRUE(velmora_test::IsErrnoMessage(entries[0], prefix)) << entries[0];
#else
    // A BSD socket's receive time-out leaves EAGAIN.
    EXPECT_EQ(entries[0], prefix + std::strerror(EAGAIN));
#endif
    EXPECT_FALSE(server.Received(0).empty()) << "the request never reached the peer";
}

TEST(HostileServerSlow, AReplyDrippedWithPausesUnderTheTimeOutArrivesWhole) {
    // The peer sends its reply three bytes at a time, 100 ms apart, with one
    // pause of 4 s in the middle, then closes: no single wait reaches the
    // 5-second time-out, though the whole reply takes longer than that.
    velmora_test::ScratchDir dir("hostile-slow");
    const std::string reply = "HTTP/1.1 200 OK\r\nServer: drip\r\n\r\n"
                              "<minemusic><xsinger_name><![CDATA[a]]>";
    std::vector<Step> script;
    for (size_t at = 0; at < reply.size(); at += 3) {
        script.push_back(Step::Send(reply.substr(at, 3)));
        script.push_back(Step::Pause(at == 33 ? 4000 : 100));
    }
    script.push_back(Step::Close());
    LoopbackServer server(script);
    CHttpClient client;
    const auto start = Clock::now();
    EXPECT_TRUE(client.Request(("http://" + server.HostAndPort() + "/").c_str()));
    const long long took = MillisecondsSince(start);
    EXPECT_EQ(client.GetResponse(), reply);
    EXPECT_EQ(client.GetBody(client.GetResponse()), "<minemusic><xsinger_name><![CDATA[a]]>");
    // Ended by the close, not by a time-out after it.
    EXPECT_GE(took, 4000 + 100 * 20);
    EXPECT_LT(took, 4000 + 100 * 25 + 2000);
    EXPECT_TRUE(LogEntries().empty());
}
