// The main window under load: the largest list the service sends (10,000 songs) ends as 10,001
// rows in order, and a 100,000-character number reaches the service as typed. Each case prints
// its time, which scripts/bench-window collects.
#include <winsock2.h>

#include <cstdio>

#define VELMORA_MUSIC_DLG_FIXTURE
#include "tests/ui/dialog_driver.h"

using namespace dialog_driver;
using velmora_test::LoopbackServer;
using velmora_test::Step;

namespace {

const int kSongs = 10000;
const char kEmptyReply[] = "HTTP/1.1 414 URI Too Long\r\nContent-Type: text/html\r\n\r\n<h1>414</h1>";

// Song i as the list must show it: GBK singer and name, a plain URL.
std::vector<std::string> SongRow(int i) {
    char number[8];
    std::snprintf(number, sizeof number, "%05d", i);
    return {std::string("歌手") + number, std::string("第") + number + "首歌",
            std::string("http://music.velmora-demo.cn/bulk/") + number + ".mp3"};
}

// The service's reply for kSongs songs, URLs escaped the way it escapes them.
std::string BigReply() {
    std::string body = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<qqmusic><musiclist>\r\n";
    for (int i = 1; i <= kSongs; ++i) {
        const std::vector<std::string> row = SongRow(i);
        std::string url = row[2];
        for (size_t at; (at = url.find_first_of(":.")) != std::string::npos;)
            url.replace(at, 1, url[at] == ':' ? "&#58;" : "&#46;");
        body += "<minemusic><xsong_id>" + std::to_string(i) + "</xsong_id>\r\n<xsinger_name><![CDATA[" +
                row[0] + "]]></xsinger_name>\r\n<xsong_name><![CDATA[" + row[1] +
                "]]></xsong_name>\r\n<xsong_url><![CDATA[" + url +
                "]]></xsong_url>\r\n<xsong_type>1</xsong_type></minemusic>\r\n";
    }
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=GB2312\r\n\r\n" + body +
           "</musiclist></qqmusic>";
}

using MusicDlgLoad = MusicDlgFixture;

TEST_F(MusicDlgLoad, TenThousandSongsEndAsTenThousandAndOneRowsInOrder) {
    velmora_test::Options twice; // once for the query alone, once for the window
    twice.connections = 2;
    LoopbackServer server({Step::Send(BigReply()), Step::Close()}, twice);
    AimServiceAt(server.HostAndPort());
    const auto start = std::chrono::steady_clock::now();
    CString body;
    ASSERT_TRUE(FetchMusicList("19999", body));
    ASSERT_EQ(ScanSongs(body).size(), static_cast<size_t>(kSongs + 1));
    const long long queryMs = MillisecondsSince(start);

    Run([&](HWND) {
        Send(Item(IDC_QQ_EDIT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("19999"));
        const long long clickMs = PressGetMusic(60000);
        std::printf("10000 songs: button to last row %lld ms (query and scan alone: %lld ms)\n",
                    clickMs, queryMs);
        const Table rows = Rows(Item(IDC_SONG_LIST));
        ASSERT_EQ(rows.size(), static_cast<size_t>(kSongs + 1));
        for (int i = 1; i <= kSongs; ++i)
            ASSERT_EQ(rows[i - 1], SongRow(i)) << "row " << i - 1;
        EXPECT_EQ(rows[kSongs], (std::vector<std::string>{"", "", ""}));
        // Work per row that grows with the list shows here long before ctest's time-out.
        EXPECT_LT(clickMs, 15000);
    });
}

TEST_F(MusicDlgLoad, AHundredThousandCharacterNumberReachesTheServiceAsTyped) {
    std::string number;
    for (int i = 0; number.size() < 100000; ++i)
        number += static_cast<char>('0' + i % 10);
    LoopbackServer server({Step::Send(kEmptyReply), Step::Close()});
    AimServiceAt(server.HostAndPort());

    Run([&](HWND) {
        HWND hEdit = Item(IDC_QQ_EDIT);
        // Replacing the selection goes the way of typed and pasted text, so the edit box's length
        // limit applies to it (WM_SETTEXT would not).
        Send(hEdit, EM_SETSEL, 0, -1);
        Send(hEdit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(number.c_str()));
        LRESULT length = 0;
        Send(hEdit, WM_GETTEXTLENGTH, 0, 0, &length);
        ASSERT_EQ(length, static_cast<LRESULT>(number.size())) << "the edit box cut the number";

        std::printf("100000-character number: button to last row %lld ms\n", PressGetMusic(60000));
        const std::string expected = "GET /fcg-bin/fcgi_agent_zhenghe.fcg?UIN=" + number +
                                     "&TYPE=16&PAGE_START=1&PAGE_END=10000&SELECT_FLAG=1 HTTP/1.1\r\n";
        EXPECT_EQ(server.Received(0).substr(0, expected.size()), expected);
        // The refusal is a reply like any other: one empty row, no box; the number is kept.
        EXPECT_EQ(Rows(Item(IDC_SONG_LIST)), (Table{{"", "", ""}}));
        Send(hEdit, WM_GETTEXTLENGTH, 0, 0, &length);
        EXPECT_EQ(length, static_cast<LRESULT>(number.size()));
    });
}

} // namespace
