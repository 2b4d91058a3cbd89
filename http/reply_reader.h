// CReplyReader: where an HTTP/1.1 reply ends, and its message body, read as the bytes arrive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Fed the reply in pieces of any size, it keeps only a small state between them, so each byte is
// looked at once however the reply is cut up. The body's length comes from the head, in HTTP/1.1's
// three ways: chunked, Content-Length, or up to the close of the connection. Lines may end in LF
// alone; a CR before it is dropped.
class CReplyReader {
public:
    enum State {
        kReading,   // more of the reply is to come
        kComplete,  // the reply has ended; Status() says how it went
        kCutShort,  // the connection ended before the framing said the reply would
        kMalformed, // a status line or framing that cannot be read
        kTooLarge   // more than kMaxReply bytes
    };
    static constexpr uint64_t kMaxReply = 64 << 20;

    // The decoded body goes to `body` when one is given: chunk data without its framing, or
    // exactly Content-Length bytes.
    explicit CReplyReader(std::string* body = nullptr) : m_body(body) {}

    // Takes the next bytes; how many of them belong to the reply (fewer only once it has ended
    // or failed: whatever follows is none of its business).
    size_t Feed(const char* data, size_t size);
    // The connection ended: a reply framed by the close is complete, any other still reading is
    // cut short.
    State End();

    State GetState() const { return m_state; }
    int Status() const { return m_status; }

private:
    enum Step {
        kStatusLine,
        kHeader,
        kChunkSize,
        kChunkData,
        kChunkEnd,
        kTrailer,
        kLength,
        kUntilClose,
        kDone
    };

    // Each step that ends the reply, whole or failed, says so through Finish.
    bool Line(const char*& data, const char* end);
    void TakeLine();
    void StatusLine();
    void Header();
    void HeadEnd();
    void ChunkSize();
    void TakeData(const char*& data, const char* end);
    void Finish(State state);

    std::string* m_body;
    State m_state = kReading;
    Step m_step = kStatusLine;
    std::string m_line;       // the line being read, without its end
    uint64_t m_size = 0;      // bytes of the reply taken so far
    uint64_t m_remaining = 0; // of the chunk or the Content-Length body
    int m_status = 0;
    bool m_transferEncoding = false, m_chunked = false;
    bool m_hasLength = false, m_badLength = false;
    uint64_t m_length = 0;
};
