// Reply bodies for the music tests and benchmarks: records in the service's
// layout, built from their fields.
#pragma once

#include <string>

namespace velmora_test {

// One record; a field given as nullptr is left out, tag and all.
inline std::string SongRecord(const char* singer, const char* name, const char* url) {
    std::string r = "<minemusic><xsongid>1</xsongid>";
    if (name)
        r += std::string("<xsong_name><![CDATA[") + name + "]]></xsong_name>";
    if (singer)
        r += std::string("<xsinger_name><![CDATA[") + singer + "]]></xsinger_name>";
    if (url)
        r += std::string("<xsong_url><![CDATA[") + url + "]]></xsong_url>";
    return r + "<xsong_type>1</xsong_type></minemusic>\r\n";
}

inline std::string SongBody(const std::string& records) {
    return "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<qqmusic><code>0</code><musiclist>\r\n" +
           records + "</musiclist></qqmusic>";
}

} // namespace velmora_test
