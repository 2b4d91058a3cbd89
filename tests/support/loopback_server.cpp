#include "tests/support/loopback_server.h"

#include <algorithm>
#include <chrono>

namespace velmora_test {

namespace {

constexpr int kIoTimeoutMs = 10000;

// A socket bound to 127.0.0.1:0 and the port the system gave it (0 on failure).
SOCKET BoundSocket(uint16_t& port) {
    velmora_net::StartSockets();
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    port = 0;
    if (s != INVALID_SOCKET &&
        bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    return s;
}

} // namespace

LoopbackServer::LoopbackServer(std::vector<Step> script, Options options)
    : m_scripts{Script(std::move(script))}, m_options(options), m_total(options.connections) {
    Start();
}

LoopbackServer::LoopbackServer(std::vector<Script> scripts, Options options)
    : m_scripts(std::move(scripts)), m_options(options),
      m_total(static_cast<int>(m_scripts.size())) {
    Start();
}

void LoopbackServer::Start() {
    m_listener = BoundSocket(m_port);
    if (m_listener != INVALID_SOCKET && (m_port == 0 || listen(m_listener, 16) != 0)) {
        closesocket(m_listener);
        m_listener = INVALID_SOCKET;
    }
    m_thread = std::thread([this] { Run(); });
}

LoopbackServer::~LoopbackServer() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
    if (m_listener != INVALID_SOCKET)
        closesocket(m_listener);
}

bool LoopbackServer::Stopping() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stop;
}

int LoopbackServer::Readable(SOCKET s, int ms) {
    // In slices of at most 10 ms, so that the destructor's stop is seen quickly.
    for (int waited = 0;; waited += 10) {
        if (Stopping())
            return -1;
        fd_set set;
        FD_ZERO(&set);
        FD_SET(s, &set);
        timeval tv = {0, 1000 * std::min(ms, 10)};
        const int n = select(static_cast<int>(s) + 1, &set, nullptr, nullptr, &tv);
        if (n != 0)
            return n > 0 ? 1 : -1;
        if (waited + 10 >= ms)
            return 0;
    }
}

void LoopbackServer::Run() {
    for (int served = 0;
         m_listener != INVALID_SOCKET && (m_total == Options::kEveryConnection || served < m_total);
         ++served) {
        int ready;
        while ((ready = Readable(m_listener, 1000)) == 0) {
        }
        SOCKET s = ready > 0 ? accept(m_listener, nullptr, nullptr) : INVALID_SOCKET;
        if (s == INVALID_SOCKET)
            break;
        velmora_net::SetTimeout(s, SO_RCVTIMEO, kIoTimeoutMs);
        velmora_net::SetTimeout(s, SO_SNDTIMEO, kIoTimeoutMs);
        size_t index;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            index = m_received.size();
            m_received.emplace_back();
            m_requestRead.push_back(false);
        }
        Serve(s, m_scripts[std::min(index, m_scripts.size() - 1)].steps, index);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_done = true;
    m_changed.notify_all();
}

void LoopbackServer::Serve(SOCKET s, const std::vector<Step>& steps, size_t index) {
    char buffer[4096];
    // Records what arrives within `ms`: 1 bytes came, 0 silence, -1 closed, failed or stopped.
    auto take = [&](int ms) {
        const int ready = Readable(s, ms);
        const int n = ready > 0 ? recv(s, buffer, sizeof buffer, 0) : ready;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (n > 0)
            m_received[index].append(buffer, static_cast<size_t>(n));
        return n > 0 ? 1 : ready == 0 ? 0 : -1;
    };
    auto markRead = [&] {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requestRead[index] = true;
        m_changed.notify_all();
    };
    if (m_options.readRequestFirst) {
        // Only this thread writes the record, so it reads it without the lock.
        while (m_received[index].find("\r\n\r\n") == std::string::npos && take(kIoTimeoutMs) > 0) {
        }
        markRead();
    }
    bool reset = false;
    for (const Step& step : steps) {
        if (Stopping() || step.kind == Step::Kind::Close)
            break;
        if (step.kind == Step::Kind::Send) {
            for (size_t sent = 0; sent < step.bytes.size() && !Stopping();) {
                const size_t chunk = std::min<size_t>(step.bytes.size() - sent, 1 << 20);
                const int n = send(s, step.bytes.data() + sent, static_cast<int>(chunk),
                                   velmora_net::kSendFlags);
                if (n <= 0)
                    break;
                sent += static_cast<size_t>(n);
            }
        } else if (step.kind == Step::Kind::Pause) {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait_for(lock, std::chrono::milliseconds(step.ms), [this] { return m_stop; });
        } else if (step.kind == Step::Kind::NeverAnswer) {
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (std::chrono::steady_clock::now() < end && take(10) >= 0) {
            }
            break;
        } else {
            linger hard = {1, 0};
            setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
            reset = true;
            break;
        }
    }
    if (!reset) {
        // Orderly close; unread bytes would turn it into a reset, so take them first.
        shutdown(s, 1); // SD_SEND, SHUT_WR
        while (take(0) > 0) {
        }
    }
    closesocket(s);
    markRead();
}

std::string LoopbackServer::Received(int index) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const size_t i = static_cast<size_t>(index);
    m_changed.wait_for(lock, std::chrono::milliseconds(kIoTimeoutMs + 1000),
                       [&] { return m_done || (i < m_received.size() && m_requestRead[i]); });
    return i < m_received.size() ? m_received[i] : std::string();
}

int LoopbackServer::Accepted() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_received.size());
}

bool LoopbackServer::WaitDone(int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [this] { return m_done; });
}

uint16_t UnusedLoopbackPort() {
    uint16_t port;
    SOCKET s = BoundSocket(port);
    if (s != INVALID_SOCKET)
        closesocket(s);
    return port;
}

} // namespace velmora_test
