// CReplyReader fed a text in given pieces, for its table test and its fuzz target.
#pragma once

#include <string>
#include <vector>

#include "http/reply_reader.h"

namespace velmora_test {

struct ReplyOutcome {
    CReplyReader::State state;
    int status;
    std::string body;
    size_t used; // bytes taken as the reply's; 0 where it failed on its head or framing
    bool operator==(const ReplyOutcome& o) const {
        return state == o.state && status == o.status && body == o.body && used == o.used;
    }
};

// `text` fed in the pieces that end at each of `cuts`, then the close of the connection.
inline ReplyOutcome ReadReply(const std::string& text, const std::vector<size_t>& cuts) {
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

} // namespace velmora_test
