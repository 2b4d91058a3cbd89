// The reply scan written out as plainly as possible, with no regard for speed, for the tests,
// the fuzz target and the benchmark to check against.
#pragma once

#include <vector>

#include "framework/afx_string.h"
#include "music/song_info.h"

namespace velmora_reference {

// The value of the first `tag` at or after `from`, if any: "<![CDATA[" must follow the tag at
// once; the value runs to the next "]]>", or to the end of the text when none follows, and keeps
// its first 1023 bytes. `at` is where the tag is, or -1.
inline CString ValueAfter(const CString& text, int from, const CString& tag, int& at) {
    at = text.Find(tag, from);
    const int start = at + tag.GetLength() + 9;
    if (at < 0 || text.Mid(start - 9, 9) != "<![CDATA[")
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
            song.m_strSinger = ValueAfter(body, p, "<xsinger_name>", u);
            song.m_strSongName = ValueAfter(body, p, "<xsong_name>", u);
            song.m_strSongUrl = ValueAfter(body, p, "<xsong_url>", u);
            song.m_strSongUrl.Replace("&#58;", ":");
            song.m_strSongUrl.Replace("&#46;", ".");
            p = u;
        }
        songs.push_back(song);
    }
    return songs;
}

} // namespace velmora_reference
