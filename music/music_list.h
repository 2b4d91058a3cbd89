// The music-list query: fetching an account's list and scanning its records.
#pragma once

#include <vector>

#include "framework/afx_string.h"
#include "music/song_info.h"

// Host-and-port of the music-list service that the program asks ("host" or
// "host:port"). Defined in service_host.cpp, a library of its own, so that a
// test binary can link a definition that points at a loopback server instead.
const char* MusicServiceHost();

// Asks the service for `number`'s music list. True with the reply's body (up
// to its first NUL byte), or false after the HTTP client has logged the cause.
bool FetchMusicList(const CString& number, CString& body);

// The song records of a reply body, in order: one for each "<minemusic>",
// with the fields found between it and the next one. None for a body
// without a marker.
std::vector<CSongInfo> ScanSongs(const CString& body);
