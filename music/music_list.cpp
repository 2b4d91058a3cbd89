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

// One field of the records: the finder of its tag and of the "]]>" that
// closes its values.
class Field {
public:
    Field(const std::string& text, const char* tag, size_t length)
        : m_text(text), m_tagLength(length), m_tag(text, tag, length),
          m_closer(text, kValueCloser, Length(kValueCloser)) {}

    // The value of the first tag in [from, to), or empty when the record
    // between those two has none. "<![CDATA[" must follow the tag at once;
    // the value runs to the next "]]>" (to the end of the text when there is
    // none) and keeps its first kMaxValue bytes.
    std::string ValueIn(size_t from, size_t to) {
        const size_t at = m_tag.Find(from);
        if (at == std::string::npos || at >= to)
            return std::string();
        const size_t opener = at + m_tagLength;
        if (m_text.compare(opener, Length(kValueOpener), kValueOpener) != 0)
            return std::string();
        const size_t start = opener + Length(kValueOpener);
        const size_t end = std::min(m_closer.Find(start), m_text.size());
        return m_text.substr(start, std::min(end - start, kMaxValue));
    }

private:
    const std::string& m_text;
    size_t m_tagLength;
    ForwardFinder m_tag;
    ForwardFinder m_closer;
};

CString UnescapeUrl(std::string value) {
    CString url(std::move(value));
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

    // A record is the text from its marker to the next one (or to the end),
    // and its fields are looked for there alone: a field it lacks stays
    // empty rather than being taken from a later record. Records follow one
    // another, so every finder moves only forward.
    std::vector<CSongInfo> songs;
    for (size_t p = marker.Find(0); p != std::string::npos;) {
        const size_t next = marker.Find(p + 1);
        const size_t end = next == std::string::npos ? text.size() : next;
        CSongInfo song;
        song.m_strSinger = CString(singer.ValueIn(p, end));
        song.m_strSongName = CString(songName.ValueIn(p, end));
        song.m_strSongUrl = UnescapeUrl(songUrl.ValueIn(p, end));
        songs.push_back(std::move(song));
        p = next;
    }
    return songs;
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
