// ScanSongs on arbitrary bodies against the plain reference scan, record by record, and against
// the rules every result keeps whatever the body.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "music/music_list.h"
#include "tests/music/reference_scan.h"

// A failed check aborts: libFuzzer and the replay driver report a crash with its input.
#define FUZZ_CHECK(c)                                                                              \
    ((c) ? (void)0 : (std::fprintf(stderr, "check failed: %s\n", #c), std::abort()))

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CString body(std::string(reinterpret_cast<const char*>(data), size));
    const std::vector<CSongInfo> songs = ScanSongs(body), want = velmora_reference::ScanSongs(body);
    size_t markers = 0;
    for (size_t at = 0; (at = body.str().find("<minemusic>", at)) != std::string::npos; ++at)
        ++markers;
    // One record per marker, nothing else.
    FUZZ_CHECK(songs.size() == want.size() && songs.size() == markers);
    for (size_t i = 0; i < songs.size(); ++i)
        FUZZ_CHECK(songs[i].m_strSinger == want[i].m_strSinger &&
                   songs[i].m_strSongName == want[i].m_strSongName &&
                   songs[i].m_strSongUrl == want[i].m_strSongUrl);
    return 0;
}
