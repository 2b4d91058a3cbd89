// CReplyReader on replies of each framing, each fed cut in two at every byte and one byte at a
// time: where the reply ends, what its body is, and how it fails, whatever the cuts.
#include <gtest/gtest.h>

#include "tests/http/reply_feed.h"

using namespace std::string_literals;
using velmora_test::ReadReply;
using velmora_test::ReplyOutcome;

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

} // namespace

namespace velmora_test { // where gtest looks for it
std::ostream& operator<<(std::ostream& os, const ReplyOutcome& o) {
    return os << o.state << " " << o.status << " " << ::testing::PrintToString(o.body) << " used "
              << o.used;
}
} // namespace velmora_test

TEST(ReplyReader, EachFramingWhereverTheBytesAreCut) {
    using R = CReplyReader;
    const R::State done = R::kComplete, cut = R::kCutShort, bad = R::kMalformed, big = R::kTooLarge;
    const std::string chunks = "5;name=\"v;1\"\r\nhe\0ll\r\na \r\n0123456789\r\n1F\r\n"s +
                               std::string(31, 'c') + "\r\n000\r\nExpires: 0\r\nX: y\r\n\r\n"s;
    const std::string decoded = "he\0ll0123456789"s + std::string(31, 'c');
    const std::string te = kOk + "Transfer-Encoding: chunked\r\n\r\n",
                      cl = kOk + "Content-Length: ";
    // clang-format off
    const Row rows[] = {
        {"Content-Length", cl + "5\r\n\r\nhello", "HTTP/1.1", done, 200, "hello"},
        {"Content-Length repeated, LF line ends, any letter case",
         "HTTP/1.0 206\ncontent-LENGTH:3\nX:\nContent-Length: 3 ,3\n\nabc", "d", done, 206,
         "abc"},
        {"Content-Length 0", cl + "0\r\n\r\n", "x", done, 200, ""},
        {"chunked, over a Content-Length", cl + "7\r\nTransfer-Encoding: gzip\r\n"
         "transfer-encoding: Chunked\r\n\r\n" + chunks, "HTTP", done, 200, decoded},
        {"chunked, LF line ends", kOk + "Transfer-Encoding: chunked\n\n3\nabc\n0\n\n", "0\r\n\r\n",
         done, 200, "abc"},
        {"a coding after chunked: to the close",
         kOk + "Transfer-Encoding: chunked, gzip\r\n\r\n3\r\n", "", done, 200, "3\r\n"},
        {"no framing: to the close", kOk + "X: y\r\n\r\nall\0 of"s, "", done, 200, "all\0 of"s},
        {"204", "HTTP/1.1 204 No Content\r\nContent-Length: 4\r\n\r\n", "body", done, 204, ""},
        {"304", "HTTP/1.1 304 Not Modified\r\nTransfer-Encoding: chunked\r\n\r\n", "0", done, 304,
         ""},
        {"1xx", "HTTP/1.1 100 Continue\r\n\r\n", kOk, done, 100, ""},
        {"an error page", "HTTP/1.1 404 No\r\nContent-Length: 1\r\n\r\n-", "", done, 404, "-"},
        {"head cut short", kOk + "Content-Le", "", cut, 200, ""},
        {"Content-Length cut short", cl + "10\r\n\r\nabc", "", cut, 200, "abc"},
        {"no last chunk", te + "3\r\nabc\r\n", "", cut, 200, "abc"},
        {"no trailer end", te + "0\r\nX: 1\r\n", "", cut, 200, ""},
        {"Content-Lengths differ", cl + "3\r\nContent-Length: 4\r\n\r\nabcd", "", bad, 200, ""},
        {"Content-Length not digits", cl + "+3\r\n\r\nabc", "", bad, 200, ""},
        {"chunk size not hex", te + "3g\r\nabc\r\n0\r\n\r\n", "", bad, 200, ""},
        {"no chunk size", te + ";x\r\n", "", bad, 200, ""},
        {"chunk size that does not fit", te + "10000000000000000\r\n", "", bad, 200, ""},
        {"chunk longer than its size", te + "2\r\nabc\r\n0\r\n\r\n", "", bad, 200, "ab"},
        {"no status code", "HTTP/1.1 2x0 OK\r\n\r\n", "", bad, 0, ""},
        {"not HTTP", "ICY 200 OK\r\n\r\n", "", bad, 0, ""},
        {"not HTTP, no line end", "\0\0"s, "", bad, 0, ""},
        {"a field without a name", kOk + ": x\r\n\r\n", "", bad, 200, ""},
        {"a chunk over 64 MiB", te + "4000001\r\n", "", big, 200, ""},
        {"a Content-Length over 64 MiB", cl + "99999999999999999999999\r\n\r\n", "", big, 200, ""},
    };
    // clang-format on
    for (const Row& row : rows) {
        const std::string text = row.reply + row.after;
        const size_t used = row.state == R::kComplete   ? row.reply.size()
                            : row.state == R::kCutShort ? text.size()
                                                        : 0;
        const ReplyOutcome want = {row.state, row.status, row.body, used};
        std::vector<size_t> bytes;
        for (size_t cut = 0; cut <= text.size(); ++cut) {
            EXPECT_EQ(ReadReply(text, {cut, text.size()}), want) << row.what << ", cut at " << cut;
            bytes.push_back(cut);
        }
        EXPECT_EQ(ReadReply(text, bytes), want) << row.what << ", a byte at a time";
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
