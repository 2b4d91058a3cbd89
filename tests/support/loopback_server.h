// A scripted raw-socket server on 127.0.0.1 for tests, in a thread of its own.
//
//   LoopbackServer server({Step::Send(reply), Step::Close()});
//   ... the code under test connects to server.HostAndPort() ...
//   EXPECT_EQ(server.Received(0), "GET /x HTTP/1.1\r\n...");
//
// For each connection in turn it reads the request up to its blank line (or until the client
// closes or is silent for 10 s), then plays the script; a script ends as Close() does. Every wait
// is bounded, and the destructor stops whatever is still going on. The test program has started
// Windows Sockets, as the program's start-up does.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex> // std::lock_guard
#include <string>
#include <thread>
#include <vector>

#include "http/socket_platform.h"
#include "tests/support/test_thread.h"

namespace velmora_test {

struct Step {
    enum Kind { kSend, kPause, kHold, kClose, kReset } kind;
    std::string bytes; // sent as given, NUL bytes included
    int ms;

    static Step Send(std::string bytes) { return {kSend, std::move(bytes), 0}; }
    // Waits, sending nothing and not closing; the destructor cuts it short.
    static Step Pause(int ms) { return {kPause, "", ms}; }
    // Keeps the connection open as a kept-alive server does, until the client closes it or `ms`
    // pass; ClosedByClient says which came first.
    static Step Hold(int ms) { return {kHold, "", ms}; }
    static Step Close() { return {kClose, "", 0}; }
    // An abortive close (SO_LINGER 0): the client sees a reset.
    static Step Reset() { return {kReset, "", 0}; }
};
using Script = std::vector<Step>;

struct Options {
    int connections = 1; // each served with the same script; 0: the port held, never listened on
    bool readRequestFirst = true;
};

class LoopbackServer {
public:
    // The script is moved in: a benchmark reply may be megabytes long.
    explicit LoopbackServer(Script script, Options options = Options())
        : m_script(std::move(script)), m_options(options), m_port(Listen()), m_thread([this] {
              for (int i = 0; i < m_options.connections && m_port && Readable(m_listener, 1 << 30);
                   ++i)
                  Serve(accept(m_listener, nullptr, nullptr), i);
          }) {}
    ~LoopbackServer() {
        m_stop = true;
        m_thread.Join();
        closesocket(m_listener);
    }

    std::string HostAndPort() const { return "127.0.0.1:" + std::to_string(m_port); }
    // What the client has sent so far on connection `index`: its request, once it has a reply.
    std::string Received(size_t index = 0) {
        std::lock_guard<SpinLock> lock(m_lock);
        return index < m_received.size() ? m_received[index] : "";
    }
    // Whether the client closed connection `index` while a Hold kept it open; waits (boundedly)
    // for the server to be done with that connection.
    bool ClosedByClient(size_t index = 0) {
        for (int ms = 0; m_served <= index && ms < 20000; ms += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::lock_guard<SpinLock> lock(m_lock);
        return index < m_closedByClient.size() && m_closedByClient[index];
    }

private:
    // Opens the listener on a free port; the port, or 0 when that failed.
    uint16_t Listen() {
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        const bool ok =
            bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
            (m_options.connections == 0 || listen(m_listener, 16) == 0);
        return ok ? ntohs(address.sin_port) : 0;
    }

    // Whether `s` turns readable within `ms`, looking in slices of 10 ms so that a stop is seen.
    bool Readable(SOCKET s, int ms) {
        for (; ms > 0 && !m_stop; ms -= 10) {
            fd_set set;
            FD_ZERO(&set);
            FD_SET(s, &set);
            timeval slice = {0, 10000};
            if (const int n = select(static_cast<int>(s) + 1, &set, nullptr, nullptr, &slice))
                return n > 0;
        }
        return false;
    }

    // Appends to the record of connection `index`, starting it when `index` is the next one.
    void Record(size_t index, const char* bytes, int n) {
        std::lock_guard<SpinLock> lock(m_lock);
        if (index == m_received.size())
            m_received.emplace_back();
        m_received[index].append(bytes, std::max(n, 0));
    }

    void Serve(SOCKET s, size_t index) {
        Record(index, "", 0);
        velmora_net::SetTimeout(s, SO_SNDTIMEO, 10000); // a client that stops reading
        char buffer[4096];
        auto take = [&](int ms) { // records what arrives within `ms`; false when nothing did
            const int n = Readable(s, ms) ? recv(s, buffer, sizeof buffer, 0) : 0;
            Record(index, buffer, n);
            return n > 0;
        };
        // Only this thread writes the record, so it reads it without the lock.
        while (m_options.readRequestFirst &&
               m_received[index].find("\r\n\r\n") == std::string::npos && take(10000)) {
        }
        bool reset = false;
        for (const Step& step : m_script) {
            if (m_stop || step.kind == Step::kClose || (reset = step.kind == Step::kReset))
                break;
            for (int n = 0, sent = 0; sent < static_cast<int>(step.bytes.size()); sent += n)
                if (m_stop || (n = send(s, step.bytes.data() + sent,
                                        std::min<int>(step.bytes.size() - sent, 1 << 20),
                                        velmora_net::kSendFlags)) <= 0)
                    break;
            for (int ms = step.ms; step.kind == Step::kPause && ms > 0 && !m_stop; ms -= 10)
                std::this_thread::sleep_for(std::chrono::milliseconds(10)); // a stop cuts it short
            if (step.kind == Step::kHold && Readable(s, step.ms)) {
                const int n = recv(s, buffer, sizeof buffer, 0);
                if (n > 0) { // another request: it ends the hold
                    Record(index, buffer, n);
                    continue;
                }
                std::lock_guard<SpinLock> lock(m_lock);
                m_closedByClient.resize(index + 1);
                m_closedByClient[index] = true;
                break;
            }
        }
        linger hard = {1, 0};
        if (reset)
            setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
        // An orderly close; unread bytes would turn it into a reset, so take them first.
        else if (shutdown(s, 1) == 0) // SD_SEND, SHUT_WR
            while (take(10)) {
            }
        closesocket(s);
        ++m_served;
    }

    const Script m_script;
    const Options m_options;
    SOCKET m_listener = INVALID_SOCKET;
    uint16_t m_port = 0;
    // The record's lock: std::mutex is missing from the Windows compiler, and waits are short.
    struct SpinLock {
        std::atomic_flag busy = ATOMIC_FLAG_INIT;
        void lock() {
            while (busy.test_and_set())
                std::this_thread::yield();
        }
        void unlock() { busy.clear(); }
    } m_lock;
    std::vector<std::string> m_received;
    std::vector<bool> m_closedByClient;
    std::atomic<bool> m_stop{false};
    std::atomic<size_t> m_served{0};
    TestThread m_thread; // last: it starts at once
};

} // namespace velmora_test
