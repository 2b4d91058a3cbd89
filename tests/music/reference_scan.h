// The reply scan written out as plainly as possible, with no regard for speed, for the tests,
// the fuzz target and the benchmark to check against.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "music/song_info.h"

namespace velmora_reference {

// The value of the first `tag` in `record`, if any: "<![CDATA[" must follow the tag at once; the
// value runs to the next "]]>" in the whole text, or to its end when none follows, and keeps its
// first 1023 bytes.
inline std::string Value(const std::string& text, size_t begin, size_t end, const std::string& tag) {
    const size_t at = text.substr(begin, end - begin).find(tag);
    if (at == std::string::npos || text.compare(begin + at + tag.size(), 9, "<![CDATA[") != 0)
        return std::string();
    const size_t start = begin + at + tag.size() + 9;
    return text.substr(start, std::min(text.find("]]>", start), text.size()) - start)
        .substr(0, 1023);
}

// One record per "<minemusic>", its fields taken from the text up to the next one.
inline std::vector<CSongInfo> ScanSongs(const CString& body) {
    const std::string& text = body.str();
    std::vector<CSongInfo> songs;
    for (size_t p = text.find("<minemusic>"); p != std::string::npos;) {
        const size_t next = text.find("<minemusic>", p + 1);
        const size_t end = next == std::string::npos ? text.size() : next;
        CSongInfo song;
        song.m_strSinger = Value(text, p, end, "<xsinger_name>");
        song.m_strSongName = Value(text, p, end, "<xsong_name>");
        song.m_strSongUrl = Value(text, p, end, "<xsong_url>");
        song.m_strSongUrl.Replace("&#58;", ":");
        song.m_strSongUrl.Replace("&#46;", ".");
        songs.push_back(song);
        p = next;
    }
    return songs;
}

} // namespace velmora_reference
