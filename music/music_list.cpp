#include "music/music_list.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "http/http_client.h"

namespace {

const char kRecordMarker[] = "<minemusic>";
const char kSingerTag[] = "<xsinger_name>";
const char kSongNameTag[] = "<xsong_name>";
const char kSongUrlTag[] = "<xsong_url>";
const char kValueOpener[] = "<![CDATA[";
const char kValueCloser[] = "]]>";
constexpr size_t kMaxValue = 1023;

template <size_t N> constexpr size_t Length(const char (&)[N]) {
    return N - 1;
}

// The first occurrence of one literal at or after a position, for positions
// that never go backwards. It remembers the last answer and searches again
// only once the position has passed it, so a literal that is missing from
// the rest of the text costs one search to the end, not one per record.
class ForwardFinder {
public:
    ForwardFinder(const std::string& text, const char* literal, size_t length)
        : m_text(text), m_literal(literal), m_length(length) {
        // Horspool's skips: the body is mostly markup, so looking at every
        // '<' (as a first-byte search does) costs far more than jumping
        // ahead by up to the literal's length.
        for (size_t& skip : m_skip)
            skip = length;
        for (size_t i = 0; i + 1 < length; ++i)
            m_skip[static_cast<unsigned char>(literal[i])] = length - 1 - i;
    }

    size_t Find(size_t from) {
        if (m_searched && from <= m_found) // m_found may be npos: nothing more
            return m_found;
        m_searched = true;
        m_found = Search(from);
        return m_found;
    }

private:
    size_t Search(size_t from) const {
        const char* text = m_text.data();
        const size_t size = m_text.size();
        const unsigned char last = static_cast<unsigned char>(m_literal[m_length - 1]);
        for (size_t i = from; size >= m_length && i <= size - m_length;) {
            const unsigned char c = static_cast<unsigned char>(text[i + m_length - 1]);
            if (c == last && text[i] == m_literal[0] &&
                std::memcmp(text + i + 1, m_literal + 1, m_length - 2) == 0)
                return i;
            i += m_skip[c];
        }
        return std::string::npos;
    }

    const std::string& m_text;
    const char* m_literal;
    size_t m_length; // at least 2: the literals are the fixed tags and "]]>"
    size_t m_skip[256];
    bool m_searched = false;
    size_t m_found = std::string::npos;
};

// One tag with its value: the tag's own finder, a finder for the "]]>" that
// closes its values, and the value of the tag occurrence read last. A tag
// occurrence that several passes find (a field missing from the records in
// between) is read once.
class Field {
public:
    Field(const std::string& text, const char* tag, size_t length)
        : m_text(text), m_tagLength(length), m_tag(text, tag, length),
          m_closer(text, kValueCloser, Length(kValueCloser)) {}

    // The value at the first occurrence of the tag at or after `from`, its
    // position in `at` (npos when there is none; the value is then empty).
    const std::string& ValueAfter(size_t from, size_t& at) {
        static const std::string kEmpty;
        at = m_tag.Find(from);
        if (at == std::string::npos)
            return kEmpty;
        if (at != m_valueAt) {
            m_valueAt = at;
            m_value = ReadValue(at);
        }
        return m_value;
    }

private:
    std::string ReadValue(size_t at) {
        const size_t opener = at + m_tagLength;
        if (m_text.compare(opener, Length(kValueOpener), kValueOpener) != 0)
            return std::string();
        const size_t start = opener + Length(kValueOpener);
        // With no "]]>" after it, the value runs to the end of the text.
        const size_t end = std::min(m_closer.Find(start), m_text.size());
        return m_text.substr(start, std::min(end - start, kMaxValue));
    }

    const std::string& m_text;
    size_t m_tagLength;
    ForwardFinder m_tag;
    ForwardFinder m_closer;
    size_t m_valueAt = std::string::npos;
    std::string m_value;
};

CString UnescapeUrl(const std::string& value) {
    CString url(value);
    url.Replace("&#58;", ":");
    url.Replace("&#46;", ".");
    return url;
}

} // namespace

std::vector<CSongInfo> ScanSongs(const CString& body) {
    const std::string& text = body.str();
    ForwardFinder marker(text, kRecordMarker, Length(kRecordMarker));
    Field singer(text, kSingerTag, Length(kSingerTag));
    Field songName(text, kSongNameTag, Length(kSongNameTag));
    Field songUrl(text, kSongUrlTag, Length(kSongUrlTag));

    // Every search of a pass starts at its record marker, and the next pass
    // looks for its marker from the previous song-URL tag, so the position
    // only ever moves forward, which is what the finders rely on.
    std::vector<CSongInfo> songs;
    size_t p = 0;
    for (;;) {
        CSongInfo song;
        size_t at = std::string::npos;
        p = marker.Find(p);
        if (p != std::string::npos) {
            song.m_strSinger = CString(singer.ValueAfter(p, at));
            song.m_strSongName = CString(songName.ValueAfter(p, at));
            const std::string& url = songUrl.ValueAfter(p, at);
            if (at != std::string::npos) {
                song.m_strSongUrl = UnescapeUrl(url);
                p = at;
            }
        }
        songs.push_back(std::move(song));
        if (at == std::string::npos)
            return songs;
    }
}

bool FetchMusicList(const CString& number, CString& body) {
    CHttpClient client;
    CString url;
    url.Format("http://%s/fcg-bin/fcgi_agent_zhenghe.fcg?UIN=%s&TYPE=16&PAGE_START=1"
               "&PAGE_END=10000&SELECT_FLAG=1",
               MusicServiceHost(), static_cast<const char*>(number));
    if (!client.Request(url))
        return false;
    // Handed on as text: whatever follows a NUL byte is dropped here.
    body = CString(client.GetBody(client.GetResponse()).c_str());
    return true;
}
