// The reply scan written out as plainly as possible, with no regard for speed, for the tests,
// the fuzz target and the benchmark to check against.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "music/song_info.h"

namespace velmora_reference {

// The value of the first `tag` at or after `from`, if any: "<![CDATA[" must follow the tag at
// once; the value runs to the next "]]>", or to the end of the text when none follows, and keeps
// its first 1023 bytes. `at` is where the tag is, or npos.
inline std::string ValueAfter(const std::string& text, size_t from, const std::string& tag,
                              size_t& at) {
    at = text.find(tag, from);
    if (at == std::string::npos || text.compare(at + tag.size(), 9, "<![CDATA[") != 0)
        return std::string();
    const size_t start = at + tag.size() + 9;
    return text.substr(start, std::min(text.find("]]>", start), text.size()) - start)
        .substr(0, 1023);
}

inline std::vector<CSongInfo> ScanSongs(const CString& body) {
    const std::string& text = body.str();
    std::vector<CSongInfo> songs;
    for (size_t p = 0, u = 0; u != std::string::npos;) {
        CSongInfo song;
        u = std::string::npos;
        if ((p = text.find("<minemusic>", p)) != std::string::npos) {
            song.m_strSinger = ValueAfter(text, p, "<xsinger_name>", u);
            song.m_strSongName = ValueAfter(text, p, "<xsong_name>", u);
            song.m_strSongUrl = ValueAfter(text, p, "<xsong_url>", u);
            song.m_strSongUrl.Replace("&#58;", ":");
            song.m_strSongUrl.Replace("&#46;", ".");
            p = u;
        }
        songs.push_back(song);
    }
    return songs;
}

} // namespace velmora_reference
