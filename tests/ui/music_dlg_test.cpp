// The main window, built from the program's own IDD_MAIN, driven from a second thread.
#include <winsock2.h>

#define VELMORA_MUSIC_DLG_FIXTURE
#include "tests/ui/dialog_driver.h"

using namespace dialog_driver;
using velmora_test::LoopbackServer;
using velmora_test::Step;

namespace {

const char kAppName[] = "music_dlg_tests"; // this executable's name: every box's caption
const char kCopied[] = "歌曲地址已经成功复制到剪切板!";
const char kSentinel[] = "clipboard before the test";

struct Song {
    std::string singer, name, url;
};

// The service's record of a song, its URL escaped the way the service escapes it.
std::string Reply(const std::vector<Song>& songs) {
    std::string body;
    for (const Song& song : songs) {
        std::string url;
        for (char c : song.url)
            url += c == ':' ? "&#58;" : c == '.' ? "&#46;" : std::string(1, c);
        body += "<minemusic><xsinger_name><![CDATA[" + song.singer +
                "]]></xsinger_name><xsong_name><![CDATA[" + song.name +
                "]]></xsong_name><xsong_url><![CDATA[" + url + "]]></xsong_url></minemusic>";
    }
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=GBK\r\n\r\n<qqmusic>" + body +
           "</qqmusic>";
}

Table RowsOf(const std::vector<Song>& songs) {
    Table rows;
    for (const Song& song : songs)
        rows.push_back({song.singer, song.name, song.url});
    rows.push_back({"", "", ""});
    return rows;
}

using MusicDlgTest = MusicDlgFixture;

TEST_F(MusicDlgTest, StartsWithDefaultNumberFocusedColumnsAndAboutItem) {
    const INT_PTR result = Run([&](HWND hDlg) {
        HWND hEdit = Item(IDC_QQ_EDIT), hList = Item(IDC_SONG_LIST);
        EXPECT_EQ(Text(hEdit), "123456789");
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        ASSERT_TRUE(::GetGUIThreadInfo(m_uiThread, &info));
        EXPECT_EQ(info.hwndFocus, hEdit);
        EXPECT_TRUE(Rows(hList).empty());
        LRESULT exStyle = 0;
        Send(hList, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0, &exStyle);
        EXPECT_EQ(exStyle, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);

        const char* const captions[] = {"歌手", "歌曲名", "歌曲网址", nullptr};
        const int widths[] = {80, 120, 250};
        HWND hHeader = reinterpret_cast<HWND>(::SendMessageA(hList, LVM_GETHEADER, 0, 0));
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE("column " + std::to_string(i));
            char caption[64] = {};
            LVCOLUMNA column = {};
            column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
            column.pszText = caption;
            column.cchTextMax = sizeof(caption);
            LRESULT ok = 0;
            Send(hList, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column), &ok);
            ASSERT_EQ(ok != 0, captions[i] != nullptr);
            if (!captions[i])
                break;
            EXPECT_STREQ(caption, captions[i]);
            EXPECT_EQ(column.cx, widths[i]);
            EXPECT_EQ(column.iSubItem, i);
            // The list keeps its first column left-aligned; its header shows what it was given.
            HDITEMA header = {};
            header.mask = HDI_FORMAT;
            Send(hHeader, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&header));
            if (i) {
                EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_CENTER);
                EXPECT_EQ(header.fmt & HDF_JUSTIFYMASK, HDF_CENTER);
            }
        }

        HMENU hSysMenu = ::GetSystemMenu(hDlg, FALSE);
        const int count = ::GetMenuItemCount(hSysMenu);
        ASSERT_GE(count, 2);
        EXPECT_TRUE(::GetMenuState(hSysMenu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);
        char item[64] = {};
        ::GetMenuStringA(hSysMenu, count - 1, item, sizeof(item), MF_BYPOSITION);
        EXPECT_STREQ(item, "关于 Velmora(&A)...");
        EXPECT_EQ(::GetMenuItemID(hSysMenu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
        LRESULT big = 0, small = 0, drag = 0;
        Send(hDlg, WM_GETICON, ICON_BIG, 0, &big);
        Send(hDlg, WM_GETICON, ICON_SMALL, 0, &small);
        Send(hDlg, WM_QUERYDRAGICON, 0, 0, &drag);
        EXPECT_NE(big, 0);
        EXPECT_EQ(small, big);
        EXPECT_EQ(drag, big);
        // The link label has taken over the static control.
        EXPECT_TRUE(::GetWindowLongA(Item(IDC_SITE_LINK), GWL_STYLE) & SS_NOTIFY);
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST(MusicDlgIcon, CentresTheIconRoundingTowardZero) {
    const int cases[][5] = {// width, height, icon size, x, y
                            {36, 36, 32, 2, 2},   {20, 20, 32, -5, -5}, {32, 40, 32, 0, 4},
                            {33, 0, 32, 1, -15}, {0, 160, 16, -7, 72}};
    for (const auto& c : cases) {
        const POINT pt = CMusicDlg::IconOrigin({10, 20, 10 + c[0], 20 + c[1]}, c[2], c[2]);
        EXPECT_EQ(pt.x, c[3]) << c[0] << "x" << c[1];
        EXPECT_EQ(pt.y, c[4]) << c[0] << "x" << c[1];
    }
}

// Queries fill the list in order, a second replaces the first, a failed one empties it and says
// so; the typed number stays. A double-click copies the lowest selected row's URL.
TEST_F(MusicDlgTest, QueriesFillReplaceAndFailAndDoubleClickCopies) {
    const std::string longUrl = "http://music.velmora.example/" + std::string(700, 'x') + ".mp3";
    const std::vector<Song> first = {
        {"林晓岚", "夏夜的风", "http://music.velmora.example/songs/xiaye.mp3"},
        {"白鹭乐队&#46;组合", "远方 (现场版)", longUrl},
        {"周小舟", "月光码头", "http://cdn.velmora.example:8080/a/yueguang.mp3"}};
    const std::vector<Song> second = {{"苏青禾", "雨落江南", "http://music.velmora.example/yu.wma"}};
    LoopbackServer server(std::vector<velmora_test::Script>{
        {Step::Send(Reply(first)), Step::Close()}, {Step::Send(Reply(second)), Step::Close()}});
    AimServiceAt(server.HostAndPort());

    struct {
        const char* what;
        UINT code;
        std::vector<int> selected;
        int notifiedRow; // the row the notification names: never the one copied
        bool holdClipboard;
        const char* copied; // null: no box, the clipboard untouched
    } const clicks[] = {
        {"no row selected", NM_DBLCLK, {}, 0, false, nullptr},
        {"several selected: the lowest wins", NM_DBLCLK, {2, 1}, 2, false, longUrl.c_str()},
        {"the empty last row", NM_DBLCLK, {3}, 3, false, ""},
        {"another holds the clipboard", NM_DBLCLK, {0}, 0, true, nullptr},
        {"right-click does nothing", NM_RCLICK, {0}, 0, false, nullptr},
    };

    Run([&](HWND hDlg) {
        HWND hEdit = Item(IDC_QQ_EDIT), hList = Item(IDC_SONG_LIST);
        Send(hEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("10001"));
        PressGetMusic();
        ASSERT_EQ(Rows(hList), RowsOf(first));
        auto selected = [&] { LRESULT n = -1; Send(hList, LVM_GETSELECTEDCOUNT, 0, 0, &n); return n; };
        EXPECT_EQ(selected(), 0);
        EXPECT_EQ(Text(hEdit), "10001");
        EXPECT_NE(server.Received(0).find("?UIN=10001&TYPE=16&"), std::string::npos);

        for (const auto& c : clicks) {
            SCOPED_TRACE(c.what);
            ASSERT_TRUE(SetClipboardText(kSentinel));
            LVITEMA item = {};
            item.stateMask = LVIS_SELECTED;
            Send(hList, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
            item.state = LVIS_SELECTED;
            for (int row : c.selected)
                Send(hList, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
            NMITEMACTIVATE notify = {};
            notify.hdr = {hList, IDC_SONG_LIST, c.code};
            notify.iItem = c.notifiedRow;
            if (c.copied) {
                ::PostMessageA(hDlg, WM_NOTIFY, IDC_SONG_LIST, reinterpret_cast<LPARAM>(&notify));
                HWND hBox = WaitForDialog(m_uiThread, nullptr, hDlg);
                // The clipboard is already closed while the box shows.
                EXPECT_EQ(ClipboardText(), c.copied);
                ExpectBoxAndClose(kAppName, kCopied);
                ASSERT_FALSE(::IsWindow(hBox));
            } else {
                // Sent, so it returns only when the handler has: a box would hold it past 3 s.
                ASSERT_TRUE(!c.holdClipboard || ::OpenClipboard(nullptr));
                LRESULT result = -1;
                EXPECT_TRUE(Send(hDlg, WM_NOTIFY, IDC_SONG_LIST, reinterpret_cast<LPARAM>(&notify),
                                 &result, 3000));
                if (c.holdClipboard)
                    ::CloseClipboard();
                EXPECT_EQ(result, 0);
                EXPECT_EQ(ClipboardText(), kSentinel);
            }
            EXPECT_EQ(FindDialog(m_uiThread, nullptr, hDlg), nullptr);
            EXPECT_EQ(Rows(hList), RowsOf(first));
            EXPECT_EQ(selected(), static_cast<LRESULT>(c.selected.size()));
        }

        Send(hEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(" 2000%2 "));
        PressGetMusic();
        EXPECT_EQ(Rows(hList), RowsOf(second));
        EXPECT_EQ(Text(hEdit), " 2000%2 ");
        EXPECT_NE(server.Received(1).find("?UIN= 2000%2 &TYPE=16&"), std::string::npos);

        AimServiceAt("127.0.0.1:" + std::to_string(velmora_test::UnusedLoopbackPort()));
        ::PostMessageA(Item(IDC_GET_MUSIC), BM_CLICK, 0, 0);
        ASSERT_NE(WaitForDialog(m_uiThread, nullptr, hDlg, 10000), nullptr);
        EXPECT_TRUE(Rows(hList).empty()); // emptied before the fetch, so under the box too
        ExpectBoxAndClose(kAppName, "无法连接到网络!");
        EXPECT_TRUE(Rows(hList).empty());
        EXPECT_EQ(Text(hEdit), " 2000%2 ");
    });
    EXPECT_TRUE(server.WaitDone(5000));
}

TEST_F(MusicDlgTest, SystemCommandsOpenTheAboutBoxOnlyForItsRange) {
    const struct {
        WPARAM id;
        int closeWith; // 0: no about box
    } cases[] = {{0x000F, 0}, {0x0010, IDOK}, {0x001F, IDCANCEL}, {0x0020, 0}};
    Run([&](HWND hDlg) {
        for (const auto& c : cases) {
            SCOPED_TRACE("system command " + std::to_string(c.id));
            if (!c.closeWith) {
                EXPECT_TRUE(Send(hDlg, WM_SYSCOMMAND, c.id, 0, nullptr, 3000));
                EXPECT_EQ(FindDialog(m_uiThread, nullptr, hDlg), nullptr);
                continue;
            }
            ::PostMessageA(hDlg, WM_SYSCOMMAND, c.id, 0);
            HWND hAbout = WaitForDialog(m_uiThread, "关于 Velmora", hDlg);
            ASSERT_NE(hAbout, nullptr);
            EXPECT_EQ(Text(::GetDlgItem(hAbout, IDOK)), "确定");
            EXPECT_TRUE(CloseDialog(hAbout, c.closeWith));
        }
        EXPECT_TRUE(::IsWindow(hDlg));
    });
}

TEST_F(MusicDlgTest, EnterEndsWithOkAndDataExchangeEscAndCloseBoxWithCancel) {
    const struct {
        bool key;
        WPARAM code; // a key, or a system command
        INT_PTR result;
        const char* number; // m_strQQ afterwards
    } cases[] = {{true, VK_RETURN, IDOK, "55555"},
                 {true, VK_ESCAPE, IDCANCEL, "123456789"},
                 {false, SC_CLOSE, IDCANCEL, "123456789"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        m_dlg.m_strQQ = "";
        const INT_PTR result = Run([&](HWND hDlg) {
            HWND hEdit = Item(IDC_QQ_EDIT);
            Send(hEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("55555"));
            ::PostMessageA(c.key ? hEdit : hDlg, c.key ? WM_KEYDOWN : WM_SYSCOMMAND, c.code, 1);
            EXPECT_TRUE(WaitFor([&] { return !::IsWindow(hDlg); }));
        });
        EXPECT_EQ(result, c.result);
        EXPECT_STREQ(m_dlg.m_strQQ, c.number);
        // The window's destruction unbound the list.
        EXPECT_EQ(m_dlg.m_listSongs.m_hWnd, nullptr);
        EXPECT_EQ(m_dlg.m_hWnd, nullptr);
    }
}

} // namespace
