// A scripted raw-socket server on 127.0.0.1 for tests, in a thread of its own.
//
//   LoopbackServer server({Step::Send(reply), Step::Close()});
//   std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/x";
//   ... the code under test connects ...
//   EXPECT_EQ(server.Received(0), "GET /x HTTP/1.1\r\n...");
//
// It listens on a port chosen by the system (bound to port 0, read back with
// getsockname), so tests can run in parallel. For each connection it accepts,
// in order, it first reads what the client sends up to and including the
// blank line that ends a request header ("\r\n\r\n"), or until the client
// stops sending (closes, fails, or is silent for Options::ioTimeoutMs), and
// records it; then it plays that connection's script of steps. A connection
// whose script ends without Close() or Reset() is closed as Close() does.
//
// Every socket has send and receive time-outs, every wait is bounded, and
// the destructor stops whatever is still going on (a pause, a connection
// held open, an accept that no client answers) and joins the thread.
// Builds natively (BSD sockets) and under MinGW (Winsock).
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
    enum class Kind {
        ReadRequest, // read and record up to the blank line (or until the client stops)
        Send,        // send `bytes`, all of them
        Pause,       // wait `ms` milliseconds, sending nothing and not closing
        Close,       // orderly close (FIN); ends the connection
        Reset,       // abortive close: SO_LINGER 0, so the client sees a reset (RST)
        HoldOpen,    // keep the connection open for `ms`, recording what arrives
        NeverAnswer, // keep it open, answering nothing, until the client closes
                     // (or the server is destroyed); ends the connection
    };

    Kind kind = Kind::Close;
    std::string bytes;
    int ms = 0;

    // Sends the bytes as given, NUL bytes included: build them with
    // std::string(data, size) or a std::string literal ("a\0b"s).
    static Step Send(std::string bytes);
    static Step Pause(int ms);
    static Step Close();
    static Step Reset();
    static Step HoldOpen(int ms);
    static Step NeverAnswer();
    // Reading happens before the script by default; this reads again (or,
    // with Options::readRequestFirst false, for the first time).
    static Step ReadRequest();
};

// The steps for one connection.
struct Script {
    Script(std::initializer_list<Step> steps) : steps(steps) {}
    Script(std::vector<Step> steps) : steps(std::move(steps)) {}
    std::vector<Step> steps;
};

struct Options {
    // How many connections the single-script constructor serves, one after
    // another, each with the same script; kEveryConnection serves every
    // connection until the server is destroyed.
    static constexpr int kEveryConnection = -1;
    int connections = 1;
    // Read and record the request before playing a connection's script.
    bool readRequestFirst = true;
    // Time-out of every single receive and send on the server's sockets,
    // and how long a request read waits for the client's next byte.
    int ioTimeoutMs = 10000;
    // Longest time NeverAnswer waits for the client to close.
    int neverAnswerLimitMs = 60000;
};

class LoopbackServer {
public:
    // The same script for each of options.connections connections.
    explicit LoopbackServer(std::vector<Step> script, Options options = Options());
    // scripts[i] for the i-th connection accepted; options.connections is ignored.
    explicit LoopbackServer(std::vector<Script> scripts, Options options = Options());
    ~LoopbackServer();

    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // The port it listens on, in host byte order.
    uint16_t Port() const { return m_port; }
    // "127.0.0.1:<port>", the host-and-port of a URL aimed at this server.
    std::string HostAndPort() const;

    // Every byte the client sent on connection `index` (0 = first accepted),
    // once its (first) request read has finished: waits for that, at most
    // ioTimeoutMs plus a second. Empty when no such connection came.
    std::string Received(int index = 0);
    // Everything received on that connection once its whole script has been
    // played (it waits for that, bounded as above), including bytes that
    // arrived during HoldOpen or NeverAnswer.
    std::string ReceivedAll(int index = 0);

    // How many connections have been accepted so far.
    int Accepted();

    // Waits until every scripted connection has been served (or until
    // `timeoutMs` has passed); true when they all have.
    bool WaitDone(int timeoutMs = 20000);

private:
    struct Record {
        std::string bytes;
        bool requestRead = false;
        bool finished = false;
    };

    void Listen();
    void Run();
    void Serve(SOCKET s, const std::vector<Step>& steps, size_t index);
    bool ReadRequest(SOCKET s, size_t index);
    void Hold(SOCKET s, size_t index, int ms, bool untilClientCloses);
    bool SendBytes(SOCKET s, const std::string& bytes);
    void Sleep(int ms);
    bool Stopping();
    void Append(size_t index, const char* data, size_t n);
    void Mark(size_t index, bool requestRead, bool finished);

    std::vector<Script> m_scripts; // empty: m_script for every connection
    std::vector<Step> m_script;
    Options m_options;
    int m_total = 0; // connections to serve, or kEveryConnection

    SOCKET m_listener = INVALID_SOCKET;
    uint16_t m_port = 0;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Record> m_records;
    bool m_stop = false;
    bool m_done = false;

    std::thread m_thread;
};

// A loopback port with nothing listening on it (bound, read back and closed
// again), so that a connection to it is refused.
uint16_t UnusedLoopbackPort();

} // namespace velmora_test
