// The main window under load: the largest list the service sends (10,000 songs) ends as 10,001
// rows in order, and a 100,000-character number reaches the service as typed. Each case prints
// its time, which scripts/bench-window collects.
#include "tests/ui/dialog_driver.h"

#include <algorithm>
#include <cstdio>

namespace {

using MusicDlgLoad = MusicDlgFixture;

TEST_F(MusicDlgLoad, TenThousandSongsEndAsTenThousandAndOneRowsInOrder) {
    Table songs;
    for (int i = 100001; i <= 110000; ++i) { // GBK singers and names
        const std::string n = std::to_string(i).substr(1);
        songs.push_back(
            {"歌手" + n, "第" + n + "首歌", "http://bulk.velmora.example/" + n + ".mp3"});
    }
    velmora_test::Options twice; // once for the query alone, once for the window
    twice.connections = 2;
    LoopbackServer server({Step::Send(Reply(songs)), Step::Close()}, twice);
    g_serviceHost = server.HostAndPort();
    const auto start = std::chrono::steady_clock::now();
    CString body;
    ASSERT_TRUE(FetchMusicList("19999", body));
    ASSERT_EQ(ScanSongs(body).size(), songs.size() + 1);
    const long long queryMs = velmora_test::MillisecondsSince(start);

    Run([&](HWND) {
        const long long clickMs = PressGetMusic(60000);
        std::printf("10000 songs: button to last row %lld ms (query and scan alone: %lld ms)\n",
                    clickMs, queryMs);
        EXPECT_TRUE(Rows(Item(IDC_SONG_LIST)) == RowsOf(songs)); // not printed whole
        // Work per row that grows with the list shows here long before ctest's time-out.
        EXPECT_LT(clickMs, 15000);
    });
}

TEST_F(MusicDlgLoad, AHundredThousandCharacterNumberReachesTheServiceAsTyped) {
    std::string number;
    for (int i = 0; number.size() < 100000; ++i)
        number += char('0' + i % 10);
    // The service refuses such a request line with a 414 page and closes.
    LoopbackServer server({Step::Send("HTTP/1.1 414 URI Too Long\r\n\r\n414"), Step::Close()});
    g_serviceHost = server.HostAndPort();

    Run([&](HWND hDlg) {
        HWND hEdit = Item(IDC_QQ_EDIT);
        // Replacing the selection goes the way of typed and pasted text, so the edit box's length
        // limit applies to it (WM_SETTEXT would not). Wine's edit box then lays out and paints
        // such a text for seconds, answering nothing: that is Wine's cost, paid once, so the
        // click is timed on a window that answers again, against how long the text took to go in.
        const auto start = std::chrono::steady_clock::now();
        Send(hEdit, EM_SETSEL, 0, -1);
        ASSERT_NE(Send(hEdit, EM_REPLACESEL, TRUE, LPARAM(number.c_str()), 60000), -1);
        ::UpdateWindow(hDlg); // its painting too, which waits behind every sent message
        ASSERT_NE(Send(hDlg, WM_NULL, 0, 0, 60000), -1) << "the window did not answer again";
        const long long layoutMs = velmora_test::MillisecondsSince(start);

        const long long clickMs = PressGetMusic(60000);
        std::printf("100000-character number: button to last row %lld ms (text in: %lld ms)\n",
                    clickMs, layoutMs);
        // Setting the text again, even once, would cost about as much as putting it in.
        EXPECT_LT(clickMs, std::max(layoutMs / 2, 1000LL)) << "the number was laid out again";
        const std::string want = "GET /fcg-bin/fcgi_agent_zhenghe.fcg?UIN=" + number +
                                 "&TYPE=16&PAGE_START=1&PAGE_END=10000&SELECT_FLAG=1 HTTP/1.1\r\n";
        EXPECT_EQ(server.Received(0).substr(0, want.size()), want);
        // The refusal is a reply like any other: one empty row, no box; the number is kept, whole.
        EXPECT_EQ(Rows(Item(IDC_SONG_LIST)), (Table{{"", "", ""}}));
        EXPECT_EQ(Send(hEdit, WM_GETTEXTLENGTH), LRESULT(number.size()));
    });
}

} // namespace
