// UrlParts and CutUrl: an "http://" URL cut into host-and-port, host, port and path.
#pragma once

#include <cstdint>
#include <string>

// The pieces of a URL, each cut from the URL as written (its own letter case).
struct UrlParts {
    std::string hostAndPort; // after "http://", up to the first '/' that follows
    std::string host;        // host-and-port up to its first ':'
    uint16_t port = 80;      // the number after that ':', modulo 65536; 80 without ':'
    std::string path;        // from that '/' to the end, query included, never empty
};

// Cuts `url`. False, with `parts` unchanged, when the URL does not begin with
// "http://" in some letter case, has no '/' after it, or holds a control byte
// (below 0x20, or 0x7F), which could otherwise end a line of the request.
// Pure: no name resolution, no socket.
bool CutUrl(const char* url, UrlParts& parts);

// The port number after a host's ':' as atoi reads it (leading blanks, a
// sign, digits up to the first non-digit, 0 without digits), reduced to its
// low 16 bits. Unlike atoi, any number of digits is well defined.
uint16_t PortNumber(const char* text);
