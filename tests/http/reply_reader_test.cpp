// CReplyReader on replies of each framing, each fed cut in two at every byte and one byte at a
// time: where the reply ends, what its body is, and how it fails, whatever the cuts.
#include <gtest/gtest.h>

#include "http/reply_reader.h"

using namespace std::string_literals;

namespace {

const std::string kOk = "HTTP/1.1 200 OK\r\n";

struct Row {
    const char* what;
    std::string reply;
    std::string after; // bytes the server sends past the reply's end, which are not taken
    CReplyReader::State state;
    int status;
    std::string body;
};

struct Outcome {
    CReplyReader::State state;
    int status;
    std::string body;
    size_t used;
    bool operator==(const Outcome& o) const {
        return state == o.state && status == o.status && body == o.body && used == o.used;
    }
};
std::ostream& operator<<(std::ostream& os, const Outcome& o) {
    return os << o.state << " " << o.status << " " << ::testing::PrintToString(o.body) << " used "
              << o.used;
}

// The text fed in the pieces that `cuts` ends, then the close of the connection. Where a reply
// fails on its head or framing is not counted.
Outcome Read(const std::string& text, const std::vector<size_t>& cuts) {
    std::string body;
    CReplyReader reader(&body);
    size_t used = 0, from = 0;
    for (size_t to : cuts) {
        used += reader.Feed(text.data() + from, to - from);
        from = to;
    }
    const CReplyReader::State state = reader.End();
    return {state, reader.Status(), body, state >= CReplyReader::kMalformed ? 0 : used};
}

} // namespace

TEST(ReplyReader, EachFramingWhereverTheBytesAreCut) {
    using R = CReplyReader;
    const std::string chunks = "5;name=\"v;1\"\r\nhe\0ll\r\na \r\n0123456789\r\n1F\r\n"s +
                               std::string(31, 'c') + "\r\n000\r\nExpires: 0\r\nX: y\r\n\r\n"s;
    const std::string decoded = "he\0ll0123456789"s + std::string(31, 'c');
    const Row rows[] = {
        {"Content-Length", kOk + "Content-Length: 5\r\n\r\nhello", "HTTP/1.1", R::kComplete, 200,
         "hello"},
        {"Content-Length repeated, LF line ends, any letter case",
         "HTTP/1.0 206\ncontent-LENGTH:3\nX:\nContent-Length: 3 ,3\n\nabc", "d", R::kComplete, 206,
         "abc"},
        {"Content-Length 0", kOk + "Content-Length: 0\r\n\r\n", "x", R::kComplete, 200, ""},
        {"chunked, over a Content-Length",
         kOk +
             "Content-Length: 7\r\nTransfer-Encoding: gzip\r\ntransfer-encoding: Chunked\r\n\r\n" +
             chunks,
         "HTTP", R::kComplete, 200, decoded},
        {"chunked, LF line ends", kOk + "Transfer-Encoding: chunked\n\n3\nabc\n0\n\n", "0\r\n\r\n",
         R::kComplete, 200, "abc"},
        {"a coding after chunked: to the close",
         kOk + "Transfer-Encoding: chunked, gzip\r\n\r\n3\r\n", "", R::kComplete, 200, "3\r\n"},
        {"no framing: to the close", kOk + "Server: x\r\n\r\nall\0 of it"s, "", R::kComplete, 200,
         "all\0 of it"s},
        {"204 has no body", "HTTP/1.1 204 No Content\r\nContent-Length: 4\r\n\r\n", "body",
         R::kComplete, 204, ""},
        {"304 has no body", "HTTP/1.1 304 Not Modified\r\nTransfer-Encoding: chunked\r\n\r\n", "0",
         R::kComplete, 304, ""},
        {"1xx has no body", "HTTP/1.1 100 Continue\r\n\r\n", kOk, R::kComplete, 100, ""},
        {"an error page", "HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\nno", "", R::kComplete,
         404, "no"},
        {"head cut short", kOk + "Content-Le", "", R::kCutShort, 200, ""},
        {"Content-Length cut short", kOk + "Content-Length: 10\r\n\r\nabc", "", R::kCutShort, 200,
         "abc"},
        {"no last chunk", kOk + "Transfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n", "", R::kCutShort,
         200, "abc"},
        {"no trailer end", kOk + "Transfer-Encoding: chunked\r\n\r\n0\r\nX: 1\r\n", "",
         R::kCutShort, 200, ""},
        {"Content-Lengths differ", kOk + "Content-Length: 3\r\nContent-Length: 4\r\n\r\nabcd", "",
         R::kMalformed, 200, ""},
        {"Content-Length not digits", kOk + "Content-Length: +3\r\n\r\nabc", "", R::kMalformed, 200,
         ""},
        {"chunk size not hex", kOk + "Transfer-Encoding: chunked\r\n\r\n3g\r\nabc\r\n0\r\n\r\n", "",
         R::kMalformed, 200, ""},
        {"no chunk size", kOk + "Transfer-Encoding: chunked\r\n\r\n;x\r\n", "", R::kMalformed, 200,
         ""},
        {"chunk size that does not fit",
         kOk + "Transfer-Encoding: chunked\r\n\r\n10000000000000000\r\n", "", R::kMalformed, 200,
         ""},
        {"chunk longer than its size",
         kOk + "Transfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n0\r\n\r\n", "", R::kMalformed, 200,
         "ab"},
        {"no status line", "HTTP/1.1 2x0 OK\r\n\r\n", "", R::kMalformed, 0, ""},
        {"not HTTP", "ICY 200 OK\r\n\r\n", "", R::kMalformed, 0, ""},
        {"not HTTP, no line end", "\0\0"s, "", R::kMalformed, 0, ""},
        {"a field without a name", kOk + ": x\r\n\r\n", "", R::kMalformed, 200, ""},
        {"a chunk over 64 MiB", kOk + "Transfer-Encoding: chunked\r\n\r\n4000001\r\n", "",
         R::kTooLarge, 200, ""},
        {"a Content-Length over 64 MiB", kOk + "Content-Length: 99999999999999999999999\r\n\r\n",
         "", R::kTooLarge, 200, ""},
    };
    for (const Row& row : rows) {
        const std::string text = row.reply + row.after;
        const size_t used = row.state == R::kComplete   ? row.reply.size()
                            : row.state == R::kCutShort ? text.size()
                                                        : 0;
        const Outcome want = {row.state, row.status, row.body, used};
        std::vector<size_t> bytes;
        for (size_t cut = 0; cut <= text.size(); ++cut) {
            EXPECT_EQ(Read(text, {cut, text.size()}), want) << row.what << ", cut at " << cut;
            bytes.push_back(cut);
        }
        EXPECT_EQ(Read(text, bytes), want) << row.what << ", a byte at a time";
    }
}

// Past 64 MiB nothing more is taken, however the reply is framed; up to it, all is.
TEST(ReplyReader, TakesNoMoreThan64MiB) {
    const std::string mib(1 << 20, 'x');
    for (const std::string head : {"Content-Length: 67108864", "Transfer-Encoding: chunked", ""}) {
        CReplyReader reader;
        size_t used = reader.Feed(kOk.data(), kOk.size());
        const std::string rest = head + "\r\n\r\n" + (head[0] == 'T' ? "4000000\r\n" : "");
        used += reader.Feed(rest.data(), rest.size());
        for (int i = 0; i < 64 && reader.GetState() == CReplyReader::kReading; ++i)
            used += reader.Feed(mib.data(), mib.size());
        EXPECT_EQ(reader.GetState(), CReplyReader::kTooLarge) << head;
        EXPECT_EQ(used, CReplyReader::kMaxReply) << head;
        EXPECT_EQ(reader.Feed("x", 1), 0u) << head;
    }
}
