// A peer that sends a 100 MB reply and closes: the client must take it whole
// and return true, its peak memory a small multiple of the reply. The client
// runs in a forked child, so that the child's peak resident size counts
// nothing but the request.
#include <gtest/gtest.h>

#include "http/http_client.h"
#include "tests/support/loopback_server.h"

#ifndef _WIN32
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define VELMORA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORA_ASAN 1
#endif
#endif

using velmora_test::Step;

TEST(HostileReplyMemory, A100MegabyteReplyIsTakenWholeWithinTwoAndAHalfTimesItsSize) {
#if defined(_WIN32)
    GTEST_SKIP() << "measured natively: there is no fork to give the client a process of its "
                    "own, and 100 MB through Wine's socket layer is slow";
#elif defined(VELMORA_ASAN)
    GTEST_SKIP() << "AddressSanitizer's shadow memory and quarantine make peak resident size "
                    "meaningless";
#else
    std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n";
    for (size_t i = 0; i < (100u << 20); ++i)
        reply += static_cast<char>('a' + i % 26);
    velmora_test::LoopbackServer server({Step::Send(reply), Step::Close()});
    auto maxRssKb = [] {
        rusage u;
        getrusage(RUSAGE_SELF, &u);
        return u.ru_maxrss;
    };
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Writes into nothing the parent made, so the inherited pages stay shared.
        const long before = maxRssKb();
        CHttpClient client;
        const bool ok = client.Request(("http://" + server.HostAndPort() + "/big").c_str());
        // GetResponse hands out a copy, as the callers take it.
        const long outcome[2] = {ok && client.GetResponse() == reply, maxRssKb() - before};
        _exit(write(ends[1], outcome, sizeof outcome) == sizeof outcome ? 0 : 1);
    }
    close(ends[1]);
    pollfd done = {ends[0], POLLIN, 0};
    if (poll(&done, 1, 60000) != 1)
        kill(child, SIGKILL);
    long outcome[2] = {0, 0};
    EXPECT_EQ(read(ends[0], outcome, sizeof outcome), static_cast<ssize_t>(sizeof outcome));
    close(ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(outcome[0]) << "the reply did not arrive whole";
    // The reply, the larger buffer it grew into, and the caller's copy.
    EXPECT_LT(outcome[1], 5 * static_cast<long>(reply.size() / 1024) / 2) << outcome[1] << " KB";
#endif
}
