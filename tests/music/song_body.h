// Reply bodies in the service's layout, for the music and HTTP tests and the benchmark.
#pragma once

#include <string>

namespace velmora_test {

// One record; a field given as nullptr is left out, tag and all.
inline std::string SongRecord(const char* singer, const char* name, const char* url) {
    auto field = [](const std::string& tag, const char* value) {
        return value ? "<" + tag + "><![CDATA[" + value + "]]></" + tag + ">" : std::string();
    };
    return "<minemusic><xsongid>1</xsongid>" + field("xsong_name", name) +
           field("xsinger_name", singer) + field("xsong_url", url) +
           "<xsong_type>1</xsong_type></minemusic>\r\n";
}

inline std::string SongBody(const std::string& records) {
    return "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<qqmusic><code>0</code><musiclist>\r\n" +
           records + "</musiclist></qqmusic>";
}

} // namespace velmora_test
