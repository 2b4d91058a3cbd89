// CHttpClient: one HTTP/1.1 GET over a plain TCP connection, reply kept raw.
#pragma once

#include <map>
#include <string>

#include "http/reply_reader.h"
#include "http/socket_platform.h"

class CHttpClient {
public:
    CHttpClient();
    virtual ~CHttpClient();

    // Resolves, connects, sends the GET and reads the reply to its end as its
    // framing gives it, or until the server closes, a receive fails or the
    // 5-second receive time-out runs out where the framing is the close. True
    // for a whole 2xx reply; every failure is logged once and gives false.
    bool Request(const char* url);
    // The raw reply of the latest request that got as far as reading.
    std::string GetResponse() const;
    // The message body of the reply `text`: chunks decoded, Content-Length
    // bytes exactly; empty when its head never ends.
    std::string GetBody(std::string text) const;

private:
    // The steps of Request; nothing else calls them.
    bool PrepareRequest(const char* url, sockaddr_in& address, std::string& text);
    bool SendAll(SOCKET s, std::string text);
    std::string ReceiveAll(SOCKET s, CReplyReader& reader);

    std::map<std::string, std::string> m_headers;
    std::string m_url;
    std::string m_response;
    std::string m_method;
};
