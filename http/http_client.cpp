#include "http/http_client.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "http/url_parts.h"
#include "log/error_log.h"

namespace {

constexpr int kTimeoutMs = 5000;
constexpr int kReceiveChunk = 1024;

} // namespace

CHttpClient::CHttpClient() : m_method("GET") {}

CHttpClient::~CHttpClient() = default;

std::string CHttpClient::GetResponse() const {
    return m_response;
}

std::string CHttpClient::GetBody(std::string text) const {
    std::string body;
    CReplyReader reader(&body);
    reader.Feed(text.data(), text.size());
    return body;
}

bool CHttpClient::PrepareRequest(const char* url, sockaddr_in& address, std::string& text) {
    UrlParts parts;
    if (!CutUrl(url, parts)) {
        LogError("Error: Invalid URL:%s", url ? url : "");
        return false;
    }
    const hostent* answer = gethostbyname(parts.host.c_str());
    if (!answer || !answer->h_addr_list || !answer->h_addr_list[0] ||
        answer->h_addrtype != AF_INET) {
        LogError("Error: failed to resolve the IP address for the URL:%s", url);
        return false;
    }
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(parts.port);
    std::memcpy(&address.sin_addr, answer->h_addr_list[0],
                std::min<size_t>(static_cast<size_t>(answer->h_length), sizeof address.sin_addr));

    std::string request = m_method + " " + parts.path + " HTTP/1.1\r\n";
    request += "User-Agent: Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)\r\n";
    request += "Host: " + parts.hostAndPort + "\r\n";
    request += "Cache-Control: no-cache\r\n";
    request += "Pragma: no-cache\r\n";
    request += "Connection: Keep-Alive\r\n";
    request += "Accept: */*\r\n";
    for (const auto& header : m_headers)
        request += header.first + ": " + header.second + "\r\n";
    request += "\r\n";
    text = request;
    return true;
}

bool CHttpClient::Request(const char* url) {
    m_url = url ? url : "";
    const char* shown = m_url.c_str();

    sockaddr_in address;
    std::string request;
    if (!PrepareRequest(shown, address, request)) {
        LogError("Error: failed to prepare the HTTP request for URL:%s", shown);
        return false;
    }
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) {
        LogError("Error: socket failed. error=%s", std::strerror(errno));
        return false;
    }
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        LogError("Error: failed to connect to URL:%s", shown);
        return false;
    }
    if (velmora_net::SetTimeout(s, SO_RCVTIMEO, kTimeoutMs) != 0) {
        closesocket(s);
        LogError("Error: setsockopt failed(3). error=%s", std::strerror(errno));
        return false;
    }
    if (velmora_net::SetTimeout(s, SO_SNDTIMEO, kTimeoutMs) != 0) {
        closesocket(s);
        LogError("Error: setsockopt failed(4). error=%s", std::strerror(errno));
        return false;
    }
    if (!SendAll(s, request)) {
        closesocket(s);
        LogError("Error: failed to send the HTTP request. error=%s", std::strerror(errno));
        return false;
    }
    CReplyReader reader;
    m_response = ReceiveAll(s, reader);
    closesocket(s);
    if (m_response.empty()) {
        LogError("Error: failed to get the response of the HTTP request. error=%s",
                 std::strerror(errno));
        return false;
    }
    switch (reader.GetState()) {
    case CReplyReader::kComplete:
        if (reader.Status() / 100 == 2)
            return true;
        LogError("Error: the server answered HTTP status %d for URL:%s", reader.Status(), shown);
        return false;
    case CReplyReader::kMalformed:
        LogError("Error: the HTTP response is malformed for URL:%s", shown);
        return false;
    case CReplyReader::kTooLarge:
        LogError("Error: the HTTP response is larger than 64 MiB for URL:%s", shown);
        return false;
    default:
        LogError("Error: the HTTP response was cut short. error=%s", std::strerror(errno));
        return false;
    }
}

bool CHttpClient::SendAll(SOCKET s, std::string text) {
    size_t sent = 0;
    while (sent < text.size()) {
        const int n = send(s, text.data() + sent, static_cast<int>(text.size() - sent),
                           velmora_net::kSendFlags);
        // A send that takes nothing would only be repeated for ever.
        if (n <= 0)
            break;
        sent += static_cast<size_t>(n);
    }
    return sent == text.size();
}

// Reads until the reply is complete by its own framing, then stops: a server that keeps the
// connection open is never waited for. The reader ends on the close, a failed receive or the
// time-out.
std::string CHttpClient::ReceiveAll(SOCKET s, CReplyReader& reader) {
    std::string reply;
    char buffer[kReceiveChunk];
    while (reader.GetState() == CReplyReader::kReading) {
        const int n = recv(s, buffer, kReceiveChunk, 0);
        if (n <= 0) {
            reader.End();
            break;
        }
        // Every byte of the reply counts, NUL bytes included: the reply is cut at a NUL only
        // where it is handed on as text.
        const size_t used = reader.Feed(buffer, static_cast<size_t>(n));
        // Doubling as std::string does would reach twice the limit; this stays within it.
        if (reply.size() + used > reply.capacity())
            reply.reserve(static_cast<size_t>(std::min<uint64_t>(
                std::max(reply.size() + used, 2 * reply.capacity()), CReplyReader::kMaxReply)));
        reply.append(buffer, used);
    }
    return reply;
}
