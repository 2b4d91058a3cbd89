// The main window, built from the program's own IDD_MAIN, driven from a second thread.
#include <winsock2.h>

#define VELMORA_MUSIC_DLG_FIXTURE
#include "tests/ui/dialog_driver.h"
#include "ui/shell_open.h"

using namespace dialog_driver;
using velmora_test::LoopbackServer;
using velmora_test::Step;

namespace {

const char kAppName[] = "music_dlg_tests"; // this executable's name: every box's caption
const char kCopied[] = "歌曲地址已经成功复制到剪切板!";

using MusicDlgTest = MusicDlgFixture;

// Right after start; then the system commands, of which only 0x10 to 0x1F open the about box.
TEST_F(MusicDlgTest, StartsWithDefaultNumberFocusedColumnsAndAboutItem) {
    const INT_PTR result = Run([&](HWND hDlg) {
        HWND hEdit = Item(IDC_QQ_EDIT), hList = Item(IDC_SONG_LIST);
        EXPECT_EQ(Text(hEdit), "123456789");
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        ASSERT_TRUE(::GetGUIThreadInfo(m_uiThread, &info));
        EXPECT_EQ(info.hwndFocus, hEdit);
        EXPECT_TRUE(Rows(hList).empty());
        EXPECT_EQ(Ask(hList, LVM_GETEXTENDEDLISTVIEWSTYLE), LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);

        // Caption, width, subitem, centred: the list keeps its first column left-aligned whatever
        // it is asked, its header shows what the column was given.
        std::vector<std::string> columns;
        HWND hHeader = reinterpret_cast<HWND>(Ask(hList, LVM_GETHEADER));
        for (int i = 0; i < 5; ++i) {
            char caption[64] = {};
            LVCOLUMNA column = {};
            column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
            column.pszText = caption;
            column.cchTextMax = sizeof(caption);
            HDITEMA header = {};
            header.mask = HDI_FORMAT;
            if (!Ask(hList, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column)) ||
                !Ask(hHeader, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&header)))
                break;
            const bool centred = (column.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER &&
                                 (header.fmt & HDF_JUSTIFYMASK) == HDF_CENTER;
            columns.push_back(std::string(caption) + " " + std::to_string(column.cx) + " " +
                              std::to_string(column.iSubItem) + (centred ? " centred" : ""));
        }
        EXPECT_EQ(columns, (std::vector<std::string>{"歌手 80 0", "歌曲名 120 1 centred",
                                                     "歌曲网址 250 2 centred"}));

        HMENU hSysMenu = ::GetSystemMenu(hDlg, FALSE);
        const int count = ::GetMenuItemCount(hSysMenu);
        ASSERT_GE(count, 2);
        EXPECT_TRUE(::GetMenuState(hSysMenu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);
        char item[64] = {};
        ::GetMenuStringA(hSysMenu, count - 1, item, sizeof(item), MF_BYPOSITION);
        EXPECT_STREQ(item, "关于 Velmora(&A)...");
        EXPECT_EQ(::GetMenuItemID(hSysMenu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
        const LRESULT icon = Ask(hDlg, WM_GETICON, ICON_BIG);
        EXPECT_NE(icon, 0);
        EXPECT_EQ(Ask(hDlg, WM_GETICON, ICON_SMALL), icon);
        EXPECT_EQ(Ask(hDlg, WM_QUERYDRAGICON), icon);
        // The link label has taken over the static control.
        EXPECT_TRUE(::GetWindowLongA(Item(IDC_SITE_LINK), GWL_STYLE) & SS_NOTIFY);

        const struct {
            WPARAM id;
            int closeWith; // 0: no about box
        } commands[] = {{0x000F, 0}, {0x0010, IDOK}, {0x001F, IDCANCEL}, {0x0020, 0}};
        for (const auto& c : commands) {
            SCOPED_TRACE("system command " + std::to_string(c.id));
            if (!c.closeWith) {
                EXPECT_TRUE(Send(hDlg, WM_SYSCOMMAND, c.id, 0, 3000));
                EXPECT_EQ(FindDialog(m_uiThread, nullptr, hDlg), nullptr);
                continue;
            }
            ::PostMessageA(hDlg, WM_SYSCOMMAND, c.id, 0);
            HWND hAbout = WaitForDialog(m_uiThread, "关于 Velmora", hDlg);
            ASSERT_NE(hAbout, nullptr);
            EXPECT_EQ(Text(::GetDlgItem(hAbout, IDOK)), "确定");
            EXPECT_TRUE(CloseDialog(hAbout, c.closeWith));
        }
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST(MusicDlgIcon, CentresTheIconRoundingTowardZero) {
    const int cases[][5] = {// width, height, icon size, x, y
                            {36, 36, 32, 2, 2},  {20, 20, 32, -5, -5}, {32, 40, 32, 0, 4},
                            {33, 0, 32, 1, -15}, {0, 160, 16, -7, 72}};
    for (const auto& c : cases) {
        const POINT pt = CMusicDlg::IconOrigin({10, 20, 10 + c[0], 20 + c[1]}, c[2], c[2]);
        EXPECT_EQ(std::make_pair(pt.x, pt.y), (std::make_pair<LONG, LONG>(c[3], c[4]))) << c[0];
    }
}

// Queries fill the list in order, a second replaces the first, a failed one empties it and says
// so; the typed number stays. A double-click copies the lowest selected row's URL.
TEST_F(MusicDlgTest, QueriesFillReplaceAndFailAndDoubleClickCopies) {
    const std::string longUrl = "http://music.velmora.example/" + std::string(700, 'x') + ".mp3";
    const Table first = {
        {"林晓岚", "夏夜的风", "http://music.velmora.example/songs/xiaye.mp3"},
        {"白鹭乐队&#46;组合", "远方 (现场版)", longUrl},
        {"周小舟", "月光码头", "http://cdn.velmora.example:8080/a/yueguang.mp3"}};
    const Table second = {{"苏青禾", "雨落江南", "http://music.velmora.example/yu.wma"}};
    LoopbackServer server(std::vector<velmora_test::Script>{
        {Step::Send(Reply(first)), Step::Close()}, {Step::Send(Reply(second)), Step::Close()}});
    AimServiceAt(server.HostAndPort());

    // In order: a case that copies nothing leaves what the one before it copied.
    struct {
        const char* what;
        UINT code;
        std::vector<int> selected;
        int notifiedRow; // the row the notification names: never the one copied
        bool holdClipboard, copies;
        std::string clipboard;
    } const clicks[] = {
        {"several selected: the lowest wins", NM_DBLCLK, {2, 1}, 2, false, true, longUrl},
        {"no row selected", NM_DBLCLK, {}, 0, false, false, longUrl},
        {"right-click does nothing", NM_RCLICK, {0}, 0, false, false, longUrl},
        {"the empty last row", NM_DBLCLK, {3}, 3, false, true, ""},
        {"another holds the clipboard", NM_DBLCLK, {0}, 0, true, false, ""},
    };

    Run([&](HWND hDlg) {
        HWND hEdit = Item(IDC_QQ_EDIT), hList = Item(IDC_SONG_LIST);
        Send(hEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("10001"));
        PressGetMusic();
        ASSERT_EQ(Rows(hList), RowsOf(first));
        EXPECT_EQ(Ask(hList, LVM_GETSELECTEDCOUNT), 0);
        EXPECT_EQ(Text(hEdit), "10001");
        EXPECT_NE(server.Received(0).find("?UIN=10001&TYPE=16&"), std::string::npos);

        for (const auto& c : clicks) {
            SCOPED_TRACE(c.what);
            ListView_SetItemState(hList, -1, 0, LVIS_SELECTED);
            for (int row : c.selected)
                ListView_SetItemState(hList, row, LVIS_SELECTED, LVIS_SELECTED);
            NMITEMACTIVATE notify = {};
            notify.hdr = {hList, IDC_SONG_LIST, c.code};
            notify.iItem = c.notifiedRow;
            const LPARAM lNotify = reinterpret_cast<LPARAM>(&notify);
            if (c.copies) {
                ::PostMessageA(hDlg, WM_NOTIFY, IDC_SONG_LIST, lNotify);
                ASSERT_NE(WaitForDialog(m_uiThread, nullptr, hDlg), nullptr);
                EXPECT_EQ(ClipboardText(), c.clipboard); // already closed while the box shows
                ExpectBoxAndClose(kAppName, kCopied);
            } else {
                // Sent, so it returns only when the handler has: a box would hold it past 3 s.
                ASSERT_TRUE(!c.holdClipboard || ::OpenClipboard(nullptr));
                EXPECT_TRUE(Send(hDlg, WM_NOTIFY, IDC_SONG_LIST, lNotify, 3000));
                if (c.holdClipboard)
                    ::CloseClipboard();
                EXPECT_EQ(ClipboardText(), c.clipboard);
            }
            EXPECT_EQ(FindDialog(m_uiThread, nullptr, hDlg), nullptr);
            EXPECT_EQ(Rows(hList), RowsOf(first));
            EXPECT_EQ(Ask(hList, LVM_GETSELECTEDCOUNT), static_cast<LRESULT>(c.selected.size()));
        }

        Send(hEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(" 2000%2 "));
        PressGetMusic();
        EXPECT_EQ(Rows(hList), RowsOf(second));
        EXPECT_EQ(Text(hEdit), " 2000%2 ");
        EXPECT_NE(server.Received(1).find("?UIN= 2000%2 &TYPE=16&"), std::string::npos);

        AimServiceAt("127.0.0.1:" + std::to_string(velmora_test::UnusedLoopbackPort()));
        ::PostMessageA(Item(IDC_GET_MUSIC), BM_CLICK, 0, 0);
        ASSERT_NE(WaitForDialog(m_uiThread, nullptr, hDlg, 10000), nullptr) << "no box";
        EXPECT_TRUE(Rows(hList).empty()); // emptied before the fetch, so under the box too
        ExpectBoxAndClose(kAppName, "无法连接到网络!");
        EXPECT_TRUE(Rows(hList).empty());
        EXPECT_EQ(Text(hEdit), " 2000%2 ");
    });
    EXPECT_TRUE(server.WaitDone(5000));
}

std::vector<std::string> g_opened; // "verb file show" of every shell call, in order

HINSTANCE WINAPI RecordShellExecute(HWND hWnd, LPCSTR verb, LPCSTR file, LPCSTR params,
                                    LPCSTR dir, INT show) {
    g_opened.push_back(std::string(hWnd || params || dir ? "EXTRA " : "") + verb + " " + file +
                       " " + std::to_string(show));
    return reinterpret_cast<HINSTANCE>(42);
}

// The dialog's own click handler and a real press and release on the label each open the site once.
TEST_F(MusicDlgTest, SiteLinkOpensTheSiteOncePerClick) {
    g_pfnShellExecute = &RecordShellExecute;
    Run([&](HWND hDlg) {
        HWND hLink = Item(IDC_SITE_LINK);
        Send(hDlg, WM_COMMAND, MAKEWPARAM(IDC_SITE_LINK, STN_CLICKED), (LPARAM)hLink);
        Send(hLink, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        Send(hLink, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    });
    g_pfnShellExecute = &::ShellExecuteA;
    const std::string once = "open http://www.velmora.example 1";
    EXPECT_EQ(g_opened, (std::vector<std::string>{once, once}));
}

TEST_F(MusicDlgTest, EnterEndsWithOkAndDataExchangeEscAndCloseBoxWithCancel) {
    const struct {
        WPARAM code; // a key, or the close box's system command
        INT_PTR result;
        const char* number; // m_strQQ afterwards
    } cases[] = {{VK_RETURN, IDOK, "55555"}, {VK_ESCAPE, IDCANCEL, "123456789"},
                 {SC_CLOSE, IDCANCEL, "123456789"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        m_dlg.m_strQQ = "";
        const INT_PTR result = Run([&](HWND hDlg) {
            HWND hEdit = Item(IDC_QQ_EDIT);
            Send(hEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("55555"));
            const bool key = c.code != SC_CLOSE;
            ::PostMessageA(key ? hEdit : hDlg, key ? WM_KEYDOWN : WM_SYSCOMMAND, c.code, 1);
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
