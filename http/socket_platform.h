// The one place where Winsock and BSD sockets differ for this project: the
// SOCKET type and its invalid value, closesocket, the form of SO_RCVTIMEO /
// SO_SNDTIMEO, the flag that keeps a send to a closed peer from raising
// SIGPIPE. Winsock itself is started by the program's start-up alone, so a
// failed start shows as failed queries.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#endif

#ifndef _WIN32
typedef int SOCKET;
#ifndef INVALID_SOCKET
#define INVALID_SOCKET (-1)
#endif
#ifndef SOCKET_ERROR
#define SOCKET_ERROR (-1)
#endif
inline int closesocket(SOCKET s) {
    return ::close(s);
}
#endif

namespace velmora_net {

#ifdef _WIN32
// Winsock sends take no such flag: a send to a closed peer just fails.
constexpr int kSendFlags = 0;
#else
// A send to a peer that has gone fails with EPIPE instead of killing the
// process, which is what Winsock does anyway.
constexpr int kSendFlags = MSG_NOSIGNAL;
#endif

// setsockopt(SOL_SOCKET, option, ...) for SO_RCVTIMEO or SO_SNDTIMEO, in the
// form the platform takes: a DWORD of milliseconds on Winsock, a timeval on
// BSD sockets. The setsockopt result: 0, or SOCKET_ERROR.
inline int SetTimeout(SOCKET s, int option, int milliseconds) {
#ifdef _WIN32
    DWORD value = static_cast<DWORD>(milliseconds);
    return setsockopt(s, SOL_SOCKET, option, reinterpret_cast<const char*>(&value), sizeof value);
#else
    timeval value;
    value.tv_sec = milliseconds / 1000;
    value.tv_usec = (milliseconds % 1000) * 1000;
    return setsockopt(s, SOL_SOCKET, option, &value, sizeof value);
#endif
}

} // namespace velmora_net
