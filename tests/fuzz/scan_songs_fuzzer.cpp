// ScanSongs on arbitrary bodies, checked record by record against the plain
// reference scan, and against the rules every result keeps whatever the body.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "music/music_list.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/music/reference_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CString body(std::string(reinterpret_cast<const char*>(data), size));
    const std::vector<CSongInfo> songs = ScanSongs(body);
    const std::vector<CSongInfo> expected = velmora_reference::ScanSongs(body);

    FUZZ_CHECK(!songs.empty());
    FUZZ_CHECK(songs.size() == expected.size());
    for (size_t i = 0; i < songs.size(); ++i) {
        FUZZ_CHECK(songs[i].m_strSinger == expected[i].m_strSinger);
        FUZZ_CHECK(songs[i].m_strSongName == expected[i].m_strSongName);
        FUZZ_CHECK(songs[i].m_strSongUrl == expected[i].m_strSongUrl);
        FUZZ_CHECK(songs[i].m_strSinger.GetLength() <= 1023);
        FUZZ_CHECK(songs[i].m_strSongName.GetLength() <= 1023);
        FUZZ_CHECK(songs[i].m_strSongUrl.GetLength() <= 1023);
    }
    // The scan ends with the pass that found no song-URL tag.
    FUZZ_CHECK(songs.back().m_strSongUrl.IsEmpty());
    // Each pass but the last takes a marker after the previous pass's URL
    // tag, so no marker serves twice: at most one pass per marker, plus one.
    size_t markers = 0;
    for (int at = body.Find("<minemusic>"); at >= 0; at = body.Find("<minemusic>", at + 1))
        ++markers;
    FUZZ_CHECK(songs.size() <= markers + 1);
    return 0;
}
