// CHttpClient: one HTTP/1.1 GET over a plain TCP connection, reply kept raw.
#pragma once

#include <map>
#include <string>

#include "http/socket_platform.h"

class CHttpClient {
public:
    CHttpClient();
    virtual ~CHttpClient();

    // Resolves, connects, sends the GET and reads until the server closes, a
    // receive fails or the 5-second receive time-out runs out. True when a
    // non-empty reply arrived; every failure is logged and gives false.
    bool Request(const char* url);
    // The raw reply of the latest request that got as far as reading.
    std::string GetResponse() const;
    // The text after the first "\r\n\r\n" of `text`; empty when there is none.
    std::string GetBody(std::string text) const;

private:
    // The steps of Request; nothing else calls them.
    bool PrepareRequest(const char* url, sockaddr_in& address, std::string& text);
    bool SendAll(SOCKET s, std::string text);
    std::string ReceiveAll(SOCKET s);

    std::map<std::string, std::string> m_headers;
    std::string m_url;
    std::string m_response;
    std::string m_method;
};
