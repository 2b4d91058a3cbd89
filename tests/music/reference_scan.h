// ReferenceScanSongs: the reply scan written out step by step, as plainly as
// possible and with no regard for speed, to check the real scanner against
// (by the tests here and by fuzz targets).
#pragma once

#include <cstring>
#include <vector>

#include "framework/afx_string.h"
#include "music/song_info.h"

namespace velmora_reference {

// The value at a tag found at `t`: the tag must be followed at once by
// "<![CDATA["; the value runs to the next "]]>", or to the end of the text
// when none follows, and is cut to its first 1023 bytes.
inline CString ValueAt(const CString& text, int t, const char* tag) {
    const int opener = t + static_cast<int>(std::strlen(tag));
    if (text.Mid(opener, 9) != "<![CDATA[")
        return CString();
    const int start = opener + 9;
    const int end = text.Find("]]>", start);
    const CString value = end < 0 ? text.Mid(start) : text.Mid(start, end - start);
    return value.Left(1023);
}

inline std::vector<CSongInfo> ScanSongs(const CString& body) {
    std::vector<CSongInfo> songs;
    int p = 0;
    for (;;) {
        CSongInfo song;
        int u = -1;
        // A negative start would count as 0 in Find: a missing marker must
        // make every search of the pass find nothing, so test it first.
        p = body.Find("<minemusic>", p);
        if (p >= 0) {
            const int s = body.Find("<xsinger_name>", p);
            if (s >= 0)
                song.m_strSinger = ValueAt(body, s, "<xsinger_name>");
            const int n = body.Find("<xsong_name>", p);
            if (n >= 0)
                song.m_strSongName = ValueAt(body, n, "<xsong_name>");
            u = body.Find("<xsong_url>", p);
            if (u >= 0) {
                CString url = ValueAt(body, u, "<xsong_url>");
                url.Replace("&#58;", ":");
                url.Replace("&#46;", ".");
                song.m_strSongUrl = url;
                p = u;
            }
        }
        songs.push_back(song);
        if (u < 0)
            return songs;
    }
}

} // namespace velmora_reference
