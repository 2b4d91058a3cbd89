// A server that sends a 100 MB reply and closes: the client must take it all
// and return true, with its peak memory a small multiple of the reply. The
// client runs in a child process of its own, so that its peak resident size
// (getrusage's ru_maxrss) counts nothing but the request.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>

#include "http/http_client.h"
#include "music/music_list.h"
#include "tests/support/scratch_dir.h"

#ifndef _WIN32
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

namespace {

#ifndef _WIN32

constexpr size_t kChunk = 1 << 20;
constexpr size_t kReplyBody = 100 * kChunk;
const char kHead[] = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n";
constexpr size_t kHeadLength = sizeof kHead - 1;

// The body's bytes: never NUL and never CR or LF, so the body is the whole
// text after the header, whichever way it is handed on.
char BodyByte(size_t i) {
    return static_cast<char>('a' + i % 26);
}

bool IsTheReply(const std::string& reply) {
    if (reply.size() != kHeadLength + kReplyBody || reply.compare(0, kHeadLength, kHead) != 0)
        return false;
    for (size_t i = 0; i < kReplyBody; ++i)
        if (reply[kHeadLength + i] != BodyByte(i))
            return false;
    return true;
}

// A bare sender: unlike the scripted server it sends one 1 MB buffer a
// hundred times, so it holds no copy of the reply itself.
class BigReplyServer {
public:
    BigReplyServer() {
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address;
        std::memset(&address, 0, sizeof address);
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener != INVALID_SOCKET &&
            bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            listen(m_listener, 1) == 0 &&
            getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
    }
    ~BigReplyServer() {
        if (m_thread.joinable())
            m_thread.join();
        if (m_listener != INVALID_SOCKET)
            closesocket(m_listener);
    }

    uint16_t Port() const { return m_port; }

    // Serves one connection in a thread: reads the request, sends the reply,
    // closes. Every wait is bounded by the 10-second socket time-outs.
    void Start() {
        m_thread = std::thread([this] {
            fd_set ready;
            FD_ZERO(&ready);
            FD_SET(m_listener, &ready);
            timeval wait = {10, 0};
            if (select(m_listener + 1, &ready, nullptr, nullptr, &wait) != 1)
                return;
            SOCKET s = accept(m_listener, nullptr, nullptr);
            if (s == INVALID_SOCKET)
                return;
            velmora_net::SetTimeout(s, SO_RCVTIMEO, 10000);
            velmora_net::SetTimeout(s, SO_SNDTIMEO, 10000);
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = recv(s, buffer, sizeof buffer, 0);
                if (n <= 0)
                    break;
                request.append(buffer, static_cast<size_t>(n));
            }
            std::string chunk(kChunk, '\0');
            bool ok = SendAll(s, kHead, kHeadLength);
            for (size_t sent = 0; ok && sent < kReplyBody; sent += kChunk) {
                for (size_t i = 0; i < kChunk; ++i)
                    chunk[i] = BodyByte(sent + i);
                ok = SendAll(s, chunk.data(), chunk.size());
            }
            closesocket(s);
        });
    }

private:
    static bool SendAll(SOCKET s, const char* data, size_t size) {
        while (size > 0) {
            const ssize_t n = send(s, data, size, velmora_net::kSendFlags);
            if (n <= 0)
                return false;
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }

    SOCKET m_listener = INVALID_SOCKET;
    uint16_t m_port = 0;
    std::thread m_thread;
};

long MaxRssKb() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// What the child found, sent back through a pipe.
struct Outcome {
    bool ok = false;     // the call returned true and the text was the whole reply
    long baselineKb = 0; // the child's peak before the call
    long requestKb = 0;  // once Request has returned, before anything copies the reply
    long peakKb = 0;     // at the end
    long long tookMs = 0;
};

// Forks; the child runs `query` against a fresh server on the parent's side
// and reports. Bounded: a child that has not finished after 60 s is killed.
template <typename Query> bool RunInChild(Query query, Outcome& outcome) {
    BigReplyServer server;
    if (server.Port() == 0)
        return false;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return false;
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        close(pipeEnds[0]);
        Outcome mine;
        mine.baselineKb = MaxRssKb();
        const auto start = std::chrono::steady_clock::now();
        mine.ok = query(server.Port(), mine.requestKb);
        mine.tookMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count();
        mine.peakKb = MaxRssKb();
        const ssize_t written = write(pipeEnds[1], &mine, sizeof mine);
        _exit(written == sizeof mine ? 0 : 1);
    }
    close(pipeEnds[1]);
    // The server thread starts only now, on the parent's side: the child
    // must not inherit a thread, nor the parent's send buffer.
    server.Start();
    int status = 0;
    bool finished = false;
    for (int waited = 0; waited < 6000 && !finished; ++waited) {
        finished = waitpid(child, &status, WNOHANG) == child;
        if (!finished)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!finished) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    const ssize_t got = read(pipeEnds[0], &outcome, sizeof outcome);
    close(pipeEnds[0]);
    return finished && WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == sizeof outcome;
}

void Report(const char* what, const Outcome& o) {
    const double replyMb = static_cast<double>(kHeadLength + kReplyBody) / (1 << 20);
    const double growthMb = static_cast<double>(o.peakKb - o.baselineKb) / 1024;
    std::printf("%s: %.0f MB reply in %lld ms; peak RSS %.0f MB, %.0f MB above the start "
                "(%.2f x the reply)",
                what, replyMb, o.tookMs, o.peakKb / 1024.0, growthMb, growthMb / replyMb);
    if (o.requestKb)
        std::printf("; %.2f x when Request returned",
                    (o.requestKb - o.baselineKb) / 1024.0 / replyMb);
    std::printf("\n");
}

#endif // !_WIN32

class HostileReplyMemory : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        GTEST_SKIP() << "measured natively: there is no fork to give the client a process "
                        "of its own, and 100 MB read 1 KB at a time through Wine's socket "
                        "layer is slow";
#elif defined(VELMORA_ASAN)
        GTEST_SKIP() << "AddressSanitizer's shadow memory and quarantine make peak "
                        "resident size meaningless";
#endif
    }
    velmora_test::ScratchDir m_dir{"hostile-memory"};
};

} // namespace

#ifndef _WIN32

TEST_F(HostileReplyMemory, A100MegabyteReplyIsTakenWholeWithinTwoAndAHalfTimesItsSize) {
    // The peer sends a 100 MB reply as fast as it can and closes.
    Outcome o;
    ASSERT_TRUE(RunInChild(
        [](uint16_t port, long& requestKb) {
            CHttpClient client;
            const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/big";
            const bool ok = client.Request(url.c_str());
            requestKb = MaxRssKb();
            // GetResponse hands out a copy, as the callers take it.
            return ok && IsTheReply(client.GetResponse());
        },
        o));
    Report("Request", o);
    EXPECT_TRUE(o.ok);
    // The reply, the larger buffer it grew into, and the caller's copy.
    EXPECT_LT(o.peakKb - o.baselineKb,
              5 * static_cast<long>((kHeadLength + kReplyBody) / 1024) / 2);
}

TEST_F(HostileReplyMemory, TheWholeQueryOnA100MegabyteReplyStaysWithinFiveTimesItsSize) {
    // The same peer, asked through the music-list query, whose body and
    // scan come on top of the reply.
    Outcome o;
    ASSERT_TRUE(RunInChild(
        [](uint16_t port, long& requestKb) {
            requestKb = 0;
            CString body;
            const std::string host = "127.0.0.1:" + std::to_string(port);
            if (!FetchMusicListFrom(host.c_str(), "10000", body) ||
                body.GetLength() != static_cast<int>(kReplyBody))
                return false;
            return ScanSongs(body).size() == 1;
        },
        o));
    Report("FetchMusicList and ScanSongs", o);
    EXPECT_TRUE(o.ok);
    // The reply, the caller's copy of it, the body cut from that copy and the
    // body as text: four copies, each of them a step of the query.
    EXPECT_LT(o.peakKb - o.baselineKb, 5 * static_cast<long>((kHeadLength + kReplyBody) / 1024));
}

#else

TEST_F(HostileReplyMemory, A100MegabyteReplyIsTakenWholeWithinTwoAndAHalfTimesItsSize) {}

#endif
