#include "tests/support/loopback_server.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace velmora_test {

namespace {

using Clock = std::chrono::steady_clock;

// Every blocking wait of the server is cut into slices of this length, so
// that the destructor's stop request is seen quickly.
constexpr int kSliceMs = 10;

sockaddr_in LoopbackAddress(uint16_t port) {
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// 1 when `s` is readable (or writable) within `ms`, 0 on time-out, -1 on error.
int WaitFor(SOCKET s, bool write, int ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv;
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    int n = select(static_cast<int>(s) + 1, write ? nullptr : &set, write ? &set : nullptr, nullptr,
                   &tv);
    return n > 0 ? 1 : n;
}

void SetTimeouts(SOCKET s, int ms) {
    velmora_net::SetTimeout(s, SO_RCVTIMEO, ms);
    velmora_net::SetTimeout(s, SO_SNDTIMEO, ms);
}

} // namespace

Step Step::Send(std::string bytes) {
    Step s;
    s.kind = Kind::Send;
    s.bytes = std::move(bytes);
    return s;
}
Step Step::Pause(int ms) {
    Step s;
    s.kind = Kind::Pause;
    s.ms = ms;
    return s;
}
Step Step::Close() {
    Step s;
    s.kind = Kind::Close;
    return s;
}
Step Step::Reset() {
    Step s;
    s.kind = Kind::Reset;
    return s;
}
Step Step::HoldOpen(int ms) {
    Step s;
    s.kind = Kind::HoldOpen;
    s.ms = ms;
    return s;
}
Step Step::NeverAnswer() {
    Step s;
    s.kind = Kind::NeverAnswer;
    return s;
}
Step Step::ReadRequest() {
    Step s;
    s.kind = Kind::ReadRequest;
    return s;
}

LoopbackServer::LoopbackServer(std::vector<Step> script, Options options)
    : m_script(std::move(script)), m_options(options), m_total(options.connections) {
    Listen();
    m_thread = std::thread([this] { Run(); });
}

LoopbackServer::LoopbackServer(std::vector<Script> scripts, Options options)
    : m_scripts(std::move(scripts)), m_options(options),
      m_total(static_cast<int>(m_scripts.size())) {
    Listen();
    m_thread = std::thread([this] { Run(); });
}

LoopbackServer::~LoopbackServer() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    if (m_listener != INVALID_SOCKET)
        closesocket(m_listener);
}

void LoopbackServer::Listen() {
    velmora_net::StartSockets();
    m_listener = socket(AF_INET, SOCK_STREAM, 0);
    if (m_listener == INVALID_SOCKET)
        return;
    SetTimeouts(m_listener, m_options.ioTimeoutMs);
    sockaddr_in address = LoopbackAddress(0);
    if (bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listener, 16) != 0) {
        closesocket(m_listener);
        m_listener = INVALID_SOCKET;
        return;
    }
    socklen_t length = sizeof address;
    if (getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        m_port = ntohs(address.sin_port);
}

std::string LoopbackServer::HostAndPort() const {
    return "127.0.0.1:" + std::to_string(m_port);
}

bool LoopbackServer::Stopping() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stop;
}

void LoopbackServer::Sleep(int ms) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stop; });
}

void LoopbackServer::Append(size_t index, const char* data, size_t n) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_records[index].bytes.append(data, n);
}

void LoopbackServer::Mark(size_t index, bool requestRead, bool finished) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (requestRead)
            m_records[index].requestRead = true;
        if (finished)
            m_records[index].finished = true;
    }
    m_changed.notify_all();
}

void LoopbackServer::Run() {
    if (m_listener != INVALID_SOCKET) {
        for (int served = 0; m_total == Options::kEveryConnection || served < m_total; ++served) {
            SOCKET s = INVALID_SOCKET;
            while (!Stopping()) {
                int ready = WaitFor(m_listener, false, kSliceMs);
                if (ready < 0)
                    break;
                if (ready == 0)
                    continue;
                s = accept(m_listener, nullptr, nullptr);
                break;
            }
            if (s == INVALID_SOCKET)
                break;
            SetTimeouts(s, m_options.ioTimeoutMs);
            size_t index;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                index = m_records.size();
                m_records.emplace_back();
            }
            m_changed.notify_all();
            const std::vector<Step>& steps = m_scripts.empty() ? m_script : m_scripts[index].steps;
            Serve(s, steps, index);
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_done = true;
    }
    m_changed.notify_all();
}

bool LoopbackServer::ReadRequest(SOCKET s, size_t index) {
    // Reads until the blank line, the client's close, an error or a silence.
    std::string seen;
    char buffer[4096];
    auto lastByte = Clock::now();
    while (!Stopping()) {
        int ready = WaitFor(s, false, kSliceMs);
        if (ready < 0)
            return false;
        if (ready == 0) {
            if (Clock::now() - lastByte > std::chrono::milliseconds(m_options.ioTimeoutMs))
                return true;
            continue;
        }
        int n = recv(s, buffer, sizeof buffer, 0);
        if (n <= 0)
            return false; // the client closed or failed: it has stopped
        lastByte = Clock::now();
        Append(index, buffer, static_cast<size_t>(n));
        seen.append(buffer, static_cast<size_t>(n));
        if (seen.find("\r\n\r\n") != std::string::npos)
            return true;
    }
    return false;
}

void LoopbackServer::Hold(SOCKET s, size_t index, int ms, bool untilClientCloses) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    char buffer[4096];
    bool open = true;
    while (!Stopping() && Clock::now() < end) {
        if (!open) {
            Sleep(kSliceMs);
            continue;
        }
        int ready = WaitFor(s, false, kSliceMs);
        if (ready == 0)
            continue;
        int n = ready < 0 ? -1 : recv(s, buffer, sizeof buffer, 0);
        if (n > 0) {
            Append(index, buffer, static_cast<size_t>(n));
            continue;
        }
        if (untilClientCloses)
            return;
        open = false; // the client is gone; keep our end open all the same
    }
}

bool LoopbackServer::SendBytes(SOCKET s, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        if (Stopping())
            return false;
        int ready = WaitFor(s, true, kSliceMs);
        if (ready < 0)
            return false;
        if (ready == 0)
            continue;
        const size_t chunk = std::min<size_t>(bytes.size() - sent, 1 << 16);
        int n = send(s, bytes.data() + sent, static_cast<int>(chunk), velmora_net::kSendFlags);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

void LoopbackServer::Serve(SOCKET s, const std::vector<Step>& steps, size_t index) {
    bool requestMarked = false;
    auto markRequest = [&] {
        if (!requestMarked)
            Mark(index, true, false);
        requestMarked = true;
    };
    if (m_options.readRequestFirst) {
        ReadRequest(s, index);
        markRequest();
    }
    bool closed = false;
    for (const Step& step : steps) {
        if (Stopping() || closed)
            break;
        switch (step.kind) {
        case Step::Kind::ReadRequest:
            ReadRequest(s, index);
            markRequest();
            break;
        case Step::Kind::Send:
            SendBytes(s, step.bytes);
            break;
        case Step::Kind::Pause:
            Sleep(step.ms);
            break;
        case Step::Kind::HoldOpen:
            Hold(s, index, step.ms, false);
            break;
        case Step::Kind::NeverAnswer:
            Hold(s, index, m_options.neverAnswerLimitMs, true);
            closed = true;
            break;
        case Step::Kind::Reset: {
            linger hard;
            hard.l_onoff = 1;
            hard.l_linger = 0;
            setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
            closesocket(s);
            s = INVALID_SOCKET;
            closed = true;
            break;
        }
        case Step::Kind::Close:
            closed = true;
            break;
        }
    }
    if (s != INVALID_SOCKET) {
        // Orderly close. Unread bytes in our receive buffer would turn the
        // close into a reset, so take whatever is already there first.
#ifdef _WIN32
        shutdown(s, SD_SEND);
#else
        shutdown(s, SHUT_WR);
#endif
        char buffer[4096];
        while (WaitFor(s, false, 0) > 0) {
            int n = recv(s, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            Append(index, buffer, static_cast<size_t>(n));
        }
        closesocket(s);
    }
    markRequest();
    Mark(index, true, true);
}

std::string LoopbackServer::Received(int index) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto limit = std::chrono::milliseconds(m_options.ioTimeoutMs + 1000);
    m_changed.wait_for(lock, limit, [&] {
        return m_done || (static_cast<size_t>(index) < m_records.size() &&
                          m_records[static_cast<size_t>(index)].requestRead);
    });
    if (index < 0 || static_cast<size_t>(index) >= m_records.size())
        return std::string();
    return m_records[static_cast<size_t>(index)].bytes;
}

std::string LoopbackServer::ReceivedAll(int index) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto limit = std::chrono::milliseconds(m_options.ioTimeoutMs + 1000);
    m_changed.wait_for(lock, limit, [&] {
        return m_done || (static_cast<size_t>(index) < m_records.size() &&
                          m_records[static_cast<size_t>(index)].finished);
    });
    if (index < 0 || static_cast<size_t>(index) >= m_records.size())
        return std::string();
    return m_records[static_cast<size_t>(index)].bytes;
}

int LoopbackServer::Accepted() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_records.size());
}

bool LoopbackServer::WaitDone(int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [this] { return m_done; });
}

uint16_t UnusedLoopbackPort() {
    velmora_net::StartSockets();
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET)
        return 0;
    sockaddr_in address = LoopbackAddress(0);
    uint16_t port = 0;
    socklen_t length = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    closesocket(s);
    return port;
}

} // namespace velmora_test
