// A scripted raw-socket server on 127.0.0.1 for tests, in a thread of its own.
//
//   LoopbackServer server({Step::Send(reply), Step::Close()});
//   ... the code under test connects to server.HostAndPort() ...
//   EXPECT_EQ(server.Received(0), "GET /x HTTP/1.1\r\n...");
//
// It listens on a port the system picks. For each connection, in order, it
// first reads and records the request up to its blank line (or until the
// client closes or is silent for 10 s), then plays that connection's steps;
// a script that ends without Reset() ends as Close() does. Every wait is
// bounded, and the destructor stops whatever is still going on.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "http/socket_platform.h"

namespace velmora_test {

struct Step {
    enum class Kind { Send, Pause, Close, Reset, NeverAnswer };
    Kind kind = Kind::Close;
    std::string bytes;
    int ms = 0;

    // Sends the bytes as given, NUL bytes included.
    static Step Send(std::string bytes) { return {Kind::Send, std::move(bytes), 0}; }
    // Waits, sending nothing and not closing.
    static Step Pause(int ms) { return {Kind::Pause, "", ms}; }
    static Step Close() { return {Kind::Close, "", 0}; }
    // Abortive close (SO_LINGER 0): the client sees a reset.
    static Step Reset() { return {Kind::Reset, "", 0}; }
    // Keeps the connection open, answering nothing, until the client closes.
    static Step NeverAnswer() { return {Kind::NeverAnswer, "", 0}; }
};

// The steps for one connection.
struct Script {
    Script(std::initializer_list<Step> steps) : steps(steps) {}
    Script(std::vector<Step> steps) : steps(std::move(steps)) {}
    std::vector<Step> steps;
};

struct Options {
    static constexpr int kEveryConnection = -1;
    // How many connections the single-script constructor serves.
    int connections = 1;
    // Read and record the request before playing a connection's script.
    bool readRequestFirst = true;
};

class LoopbackServer {
public:
    // The same script for each of options.connections connections.
    explicit LoopbackServer(std::vector<Step> script, Options options = Options());
    // scripts[i] for the i-th connection accepted.
    explicit LoopbackServer(std::vector<Script> scripts, Options options = Options());
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    uint16_t Port() const { return m_port; }
    // "127.0.0.1:<port>".
    std::string HostAndPort() const { return "127.0.0.1:" + std::to_string(m_port); }
    // What the client sent on connection `index` once its request was read
    // (waits up to 11 s for that); empty when no such connection came.
    std::string Received(int index = 0);
    int Accepted();
    // Waits until every scripted connection has been served; true if it was.
    bool WaitDone(int timeoutMs = 20000);

private:
    void Start();
    void Run();
    void Serve(SOCKET s, const std::vector<Step>& steps, size_t index);
    int Readable(SOCKET s, int ms); // 1, 0 on time-out or stop, -1 on error
    bool Stopping();

    std::vector<Script> m_scripts;
    Options m_options;
    int m_total;
    SOCKET m_listener = INVALID_SOCKET;
    uint16_t m_port = 0;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_received;
    std::vector<bool> m_requestRead;
    bool m_stop = false;
    bool m_done = false;
    std::thread m_thread;
};

// A loopback port with nothing listening on it, so a connection is refused.
uint16_t UnusedLoopbackPort();

} // namespace velmora_test
