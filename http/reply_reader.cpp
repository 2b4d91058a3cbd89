#include "http/reply_reader.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value of a hex digit, or -1.
int HexValue(char c) {
    if (IsDigit(c))
        return c - '0';
    c = static_cast<char>(c | 0x20);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Header names and codings are ASCII and match in any letter case.
bool IsNamed(const std::string& text, const char* name) {
    if (text.size() != std::strlen(name))
        return false;
    for (size_t i = 0; i < text.size(); ++i)
        if ((text[i] >= 'A' && text[i] <= 'Z' ? text[i] | 0x20 : text[i]) != name[i])
            return false;
    return true;
}

std::string Trimmed(const std::string& text, size_t from, size_t to) {
    from = std::min(text.find_first_not_of(" \t", from), to);
    while (to > from && (text[to - 1] == ' ' || text[to - 1] == '\t'))
        --to;
    return text.substr(from, to - from);
}

} // namespace

size_t CReplyReader::Feed(const char* data, size_t size) {
    // Nothing past the limit is taken, so neither the line nor the caller's copy grows beyond it.
    const uint64_t room = kMaxReply - m_size;
    const bool clamped = size > room;
    const char* p = data;
    const char* const end = data + (clamped ? static_cast<size_t>(room) : size);
    while (m_state == kReading && p != end) {
        if (m_step == kChunkData || m_step == kLength || m_step == kUntilClose)
            TakeData(p, end);
        else if (Line(p, end))
            TakeLine();
        else if (m_step == kStatusLine && // a peer that speaks no HTTP is known by its first bytes
                 m_line.compare(0, 5, "HTTP/", std::min<size_t>(m_line.size(), 5)) != 0)
            Finish(kMalformed);
    }
    const size_t used = static_cast<size_t>(p - data);
    m_size += used;
    if (m_state == kReading && clamped)
        Finish(kTooLarge);
    return used;
}

CReplyReader::State CReplyReader::End() {
    if (m_state == kReading)
        m_state = m_step == kUntilClose ? kComplete : kCutShort;
    return m_state;
}

// Gathers the line under way; true once its end has come.
bool CReplyReader::Line(const char*& data, const char* end) {
    const char* lf = static_cast<const char*>(std::memchr(data, '\n', end - data));
    m_line.append(data, (lf ? lf : end) - data);
    data = lf ? lf + 1 : end;
    if (lf && !m_line.empty() && m_line.back() == '\r')
        m_line.pop_back();
    return lf != nullptr;
}

void CReplyReader::TakeLine() {
    switch (m_step) {
    case kStatusLine:
        StatusLine();
        break;
    case kHeader:
        if (m_line.empty())
            HeadEnd();
        else
            Header();
        break;
    case kChunkSize:
        ChunkSize();
        break;
    case kChunkEnd: // the line end that closes a chunk's data, and nothing else
        if (m_line.empty())
            m_step = kChunkSize;
        else
            Finish(kMalformed);
        break;
    case kTrailer: // trailer fields are read and dropped
        if (m_line.empty())
            Finish(kComplete);
        break;
    default:
        break;
    }
    m_line.clear();
}

// "HTTP/1.1 200 OK": the version, a blank, three digits, and a reason after a blank, if any.
void CReplyReader::StatusLine() {
    const std::string& line = m_line;
    const size_t blank = line.find(' ');
    if (line.compare(0, 5, "HTTP/") != 0 || blank == std::string::npos || line.size() < blank + 4 ||
        (line.size() > blank + 4 && line[blank + 4] != ' '))
        return Finish(kMalformed);
    int status = 0;
    for (size_t i = blank + 1; i < blank + 4; ++i) {
        if (!IsDigit(line[i]))
            return Finish(kMalformed);
        status = status * 10 + (line[i] - '0');
    }
    m_status = status;
    m_step = kHeader;
}

// Only the two fields that frame the body matter; the rest are passed over.
void CReplyReader::Header() {
    const size_t colon = m_line.find(':');
    if (colon == std::string::npos || colon == 0)
        return Finish(kMalformed);
    const std::string name = m_line.substr(0, colon);
    if (IsNamed(name, "transfer-encoding")) {
        // Codings apply in order, across fields too: only the last one says chunked or not.
        const size_t comma = m_line.rfind(',');
        m_transferEncoding = true;
        m_chunked = IsNamed(
            Trimmed(m_line, comma == std::string::npos || comma < colon ? colon + 1 : comma + 1,
                    m_line.size()),
            "chunked");
    } else if (IsNamed(name, "content-length")) {
        // "Content-Length: 42, 42" and repeated fields are one length as long as they agree.
        for (size_t from = colon + 1; from <= m_line.size();) {
            const size_t to = std::min(m_line.find(',', from), m_line.size());
            const std::string digits = Trimmed(m_line, from, to);
            bool valid = !digits.empty();
            uint64_t length = 0; // held just past the limit: any larger length is too large
            for (size_t i = 0; valid && i < digits.size(); ++i)
                if ((valid = IsDigit(digits[i])))
                    length = std::min(length * 10 + (digits[i] - '0'), kMaxReply + 1);
            m_badLength |= !valid || (m_hasLength && length != m_length);
            m_hasLength = true;
            m_length = length;
            from = to + 1;
        }
    }
}

void CReplyReader::HeadEnd() {
    if (m_status / 100 == 1 || m_status == 204 || m_status == 304)
        return Finish(kComplete); // these never have a body
    // Chunked outranks any Content-Length; another coding runs to the close.
    if (m_transferEncoding)
        m_step = m_chunked ? kChunkSize : kUntilClose;
    else if (m_badLength)
        Finish(kMalformed);
    else if (!m_hasLength)
        m_step = kUntilClose;
    else if (m_length > kMaxReply)
        Finish(kTooLarge);
    else if (m_length == 0)
        Finish(kComplete);
    else {
        m_remaining = m_length;
        m_step = kLength;
    }
}

// "1A3F;name=value": hex digits in either case, then any extension, which is dropped.
void CReplyReader::ChunkSize() {
    uint64_t size = 0;
    size_t i = 0;
    for (int digit; i < m_line.size() && (digit = HexValue(m_line[i])) >= 0; ++i) {
        if (size >> 60) // one more digit would not fit
            return Finish(kMalformed);
        size = size * 16 + digit;
    }
    const size_t rest = m_line.find_first_not_of(" \t", i);
    if (i == 0 || (rest != std::string::npos && m_line[rest] != ';'))
        return Finish(kMalformed);
    if (size > kMaxReply)
        return Finish(kTooLarge);
    m_remaining = size;
    m_step = size ? kChunkData : kTrailer;
}

void CReplyReader::TakeData(const char*& data, const char* end) {
    size_t n = static_cast<size_t>(end - data);
    if (m_step != kUntilClose)
        n = static_cast<size_t>(std::min<uint64_t>(n, m_remaining));
    if (m_body)
        m_body->append(data, n);
    data += n;
    if (m_step == kUntilClose || (m_remaining -= n) != 0)
        return;
    if (m_step == kChunkData)
        m_step = kChunkEnd;
    else
        Finish(kComplete);
}

void CReplyReader::Finish(State state) {
    m_state = state;
    m_step = kDone;
}
