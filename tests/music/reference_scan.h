// The reply scan written out as plainly as possible, with no regard for
// speed, for the tests, the fuzz target and the benchmark to check against.
#pragma once

#include <cstring>
#include <vector>

#include "framework/afx_string.h"
#include "music/song_info.h"

namespace velmora_reference {

// The value of the tag found at `t` (none when t < 0): "<![CDATA[" must follow
// it at once; the value runs to the next "]]>", or to the end of the text when
// none follows, and keeps its first 1023 bytes.
inline CString ValueAt(const CString& text, int t, const char* tag) {
    const int start = t + static_cast<int>(std::strlen(tag)) + 9;
    if (t < 0 || text.Mid(start - 9, 9) != "<![CDATA[")
        return CString();
    const int end = text.Find("]]>", start);
    return (end < 0 ? text.Mid(start) : text.Mid(start, end - start)).Left(1023);
}

inline std::vector<CSongInfo> ScanSongs(const CString& body) {
    std::vector<CSongInfo> songs;
    for (int p = 0, u = 0; u >= 0;) {
        CSongInfo song;
        u = -1;
        // Find reads a negative start as 0: a missing marker must end the scan.
        if ((p = body.Find("<minemusic>", p)) >= 0) {
            song.m_strSinger = ValueAt(body, body.Find("<xsinger_name>", p), "<xsinger_name>");
            song.m_strSongName = ValueAt(body, body.Find("<xsong_name>", p), "<xsong_name>");
            if ((u = body.Find("<xsong_url>", p)) >= 0) {
                song.m_strSongUrl = ValueAt(body, u, "<xsong_url>");
                song.m_strSongUrl.Replace("&#58;", ":");
                song.m_strSongUrl.Replace("&#46;", ".");
                p = u;
            }
        }
        songs.push_back(song);
    }
    return songs;
}

} // namespace velmora_reference
