// The main window, built from the program's own IDD_MAIN and run modally on
// the test's thread, while a second thread drives it the way the system's
// input would: cross-thread SendMessage for what returns at once, PostMessage
// for what opens a modal box.
#include <winsock2.h>

#include "ui/music_dlg.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "music/music_list.h"
#include "tests/support/loopback_server.h"
#include "tests/ui/dialog_driver.h"
#include "ui/shell_open.h"

using namespace dialog_driver;
using velmora_test::LoopbackServer;
using velmora_test::Step;

namespace {

const char kTitle[] = "QQ空间音乐查询，QQ空间音乐克隆(双击复制歌曲地址)";
const char kAboutTitle[] = "关于 Velmora";
const char kAppName[] = "music_dlg_tests"; // this executable's name: every box's caption
const char kNoNetwork[] = "无法连接到网络!";
const char kCopied[] = "歌曲地址已经成功复制到剪切板!";
const char kSentinel[] = "clipboard before the test";

// The query's service, read on the dialog's thread during a query and set by
// the driver between queries.
std::mutex g_hostMutex;
std::string g_serviceHost = "127.0.0.1:1";

void AimServiceAt(const std::string& hostAndPort) {
    std::lock_guard<std::mutex> lock(g_hostMutex);
    g_serviceHost = hostAndPort;
}

// What the shell was asked to open, in order.
struct ShellCall {
    HWND hWnd;
    std::string verb, file;
    bool hasParameters, hasDirectory;
    INT show;
};
std::mutex g_shellMutex;
std::vector<ShellCall> g_shellCalls;

HINSTANCE WINAPI RecordShellExecute(HWND hWnd, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                    LPCSTR directory, INT show) {
    std::lock_guard<std::mutex> lock(g_shellMutex);
    g_shellCalls.push_back({hWnd, verb ? verb : "", file ? file : "", parameters != nullptr,
                            directory != nullptr, show});
    return reinterpret_cast<HINSTANCE>(42);
}

size_t ShellCallCount() {
    std::lock_guard<std::mutex> lock(g_shellMutex);
    return g_shellCalls.size();
}

CWinApp g_app; // the application object the framework expects; named after this executable

struct Song {
    std::string singer, name, url;
};

std::string Record(const Song& song, const std::string& rawUrl) {
    return "<minemusic><xsinger_name><![CDATA[" + song.singer +
           "]]></xsinger_name><xsong_name><![CDATA[" + song.name +
           "]]></xsong_name><xsong_url><![CDATA[" + rawUrl + "]]></xsong_url></minemusic>";
}

std::string Reply(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=GBK\r\n\r\n<qqmusic>" + body +
           "</qqmusic>";
}

std::vector<std::string> Row(const Song& song) {
    return {song.singer, song.name, song.url};
}

const std::vector<std::string> kEmptyRow = {"", "", ""};

class MusicDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        AfxWinInit(::GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL);
        WSADATA wsaData;
        ::WSAStartup(MAKEWORD(2, 2), &wsaData);
        g_pfnShellExecute = &RecordShellExecute;
    }

    void SetUp() override {
        std::lock_guard<std::mutex> lock(g_shellMutex);
        g_shellCalls.clear();
    }

    // Runs the dialog modally on this thread and `drive` on a second one.
    // Whatever `drive` leaves open (after a failed step, say) is closed
    // afterwards, so no test waits for a window that nobody will close.
    INT_PTR Run(const std::function<void(HWND)>& drive) {
        AfxGetApp()->m_pMainWnd = &m_dlg;
        const DWORD uiThread = ::GetCurrentThreadId();
        m_uiThread = uiThread;
        std::thread driver([&] {
            HWND hDlg = WaitForDialog(uiThread, kTitle, nullptr, 10000);
            if (!hDlg) {
                HWND hMade = m_dlg.m_hWnd;
                ADD_FAILURE() << "the main window did not appear; made: " << (hMade != nullptr)
                              << ", visible: " << (hMade && ::IsWindowVisible(hMade))
                              << ", title: " << (hMade ? Text(hMade) : "");
                hDlg = hMade;
            } else {
                m_hDlg = hDlg;
                drive(hDlg);
            }
            for (HWND hBox; (hBox = FindDialog(uiThread, nullptr, hDlg)) != nullptr;) {
                ADD_FAILURE() << "left open: " << Text(hBox);
                if (!CloseDialog(hBox, IDCANCEL))
                    break;
            }
            if (hDlg && ::IsWindow(hDlg) && !CloseDialog(hDlg, IDCANCEL)) {
                // Whatever went wrong, end the modal loop rather than wait on it.
                ADD_FAILURE() << "the main window did not close";
                ::EndDialog(hDlg, -2);
            }
        });
        const INT_PTR result = m_dlg.DoModal();
        driver.join();
        return result;
    }

    HWND Item(int id) const { return ::GetDlgItem(m_hDlg, id); }

    // Presses the get-music button; a query that shows no box returns from
    // the button's click when its last row is in.
    bool PressGetMusic() { return Send(Item(IDC_GET_MUSIC), BM_CLICK, 0, 0, nullptr, 20000); }

    void SelectRows(const std::vector<int>& rows) {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED;
        item.state = 0;
        Send(Item(IDC_SONG_LIST), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
             reinterpret_cast<LPARAM>(&item));
        for (int row : rows) {
            item.state = LVIS_SELECTED;
            Send(Item(IDC_SONG_LIST), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
        }
    }

    int SelectedCount() {
        LRESULT count = -1;
        Send(Item(IDC_SONG_LIST), LVM_GETSELECTEDCOUNT, 0, 0, &count);
        return static_cast<int>(count);
    }

    // A box owned by the main window, waited for and checked, then closed.
    void ExpectBoxAndClose(const char* text, int closeWith = IDOK) {
        HWND hBox = WaitForDialog(m_uiThread, nullptr, m_hDlg);
        ASSERT_NE(hBox, nullptr) << "no box showing \"" << text << "\"";
        EXPECT_EQ(Text(hBox), kAppName);
        EXPECT_EQ(MessageBoxText(hBox), text);
        EXPECT_TRUE(CloseDialog(hBox, closeWith));
    }

    CMusicDlg m_dlg;
    DWORD m_uiThread = 0;
    HWND m_hDlg = nullptr;
};

// ---- Right after start -------------------------------------------------------

TEST_F(MusicDlgTest, StartsWithDefaultNumberFocusedColumnsAndAboutItem) {
    const INT_PTR result = Run([&](HWND hDlg) {
        HWND hEdit = Item(IDC_QQ_EDIT);
        EXPECT_EQ(Text(hEdit), "123456789");
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        ASSERT_TRUE(::GetGUIThreadInfo(m_uiThread, &info));
        EXPECT_EQ(info.hwndFocus, hEdit);

        HWND hList = Item(IDC_SONG_LIST);
        EXPECT_TRUE(Rows(hList).empty());
        LRESULT exStyle = 0;
        Send(hList, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0, &exStyle);
        EXPECT_EQ(exStyle, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);

        struct {
            const char* caption;
            int width;
        } const columns[] = {{"歌手", 80}, {"歌曲名", 120}, {"歌曲网址", 250}};
        for (int i = 0; i < 3; ++i) {
            char caption[64] = {};
            LVCOLUMNA column = {};
            column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
            column.pszText = caption;
            column.cchTextMax = sizeof(caption);
            LRESULT ok = 0;
            Send(hList, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column), &ok);
            ASSERT_TRUE(ok) << "column " << i;
            EXPECT_STREQ(caption, columns[i].caption) << "column " << i;
            EXPECT_EQ(column.cx, columns[i].width) << "column " << i;
            EXPECT_EQ(column.iSubItem, i) << "column " << i;
            // The list view keeps its first column left-aligned whatever it is
            // asked; its header shows what the column was given.
            if (i > 0) {
                EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_CENTER) << "column " << i;
            }
            HWND hHeader = reinterpret_cast<HWND>(::SendMessageA(hList, LVM_GETHEADER, 0, 0));
            HDITEMA header = {};
            header.mask = HDI_FORMAT;
            Send(hHeader, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&header));
            if (i > 0) {
                EXPECT_EQ(header.fmt & HDF_JUSTIFYMASK, HDF_CENTER) << "column " << i;
            }
        }
        LRESULT noFourth = 1;
        LVCOLUMNA column = {};
        column.mask = LVCF_WIDTH;
        Send(hList, LVM_GETCOLUMNA, 3, reinterpret_cast<LPARAM>(&column), &noFourth);
        EXPECT_FALSE(noFourth) << "a fourth column";

        HMENU hSysMenu = ::GetSystemMenu(hDlg, FALSE);
        const int count = ::GetMenuItemCount(hSysMenu);
        ASSERT_GE(count, 2);
        EXPECT_TRUE(::GetMenuState(hSysMenu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);
        char item[64] = {};
        ::GetMenuStringA(hSysMenu, count - 1, item, sizeof(item), MF_BYPOSITION);
        EXPECT_STREQ(item, "关于 Velmora(&A)...");
        EXPECT_EQ(::GetMenuItemID(hSysMenu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));

        LRESULT big = 0, small = 0;
        Send(hDlg, WM_GETICON, ICON_BIG, 0, &big);
        Send(hDlg, WM_GETICON, ICON_SMALL, 0, &small);
        EXPECT_NE(big, 0);
        EXPECT_EQ(big, small);

        // The link label has taken over the static control.
        EXPECT_TRUE(::GetWindowLongA(Item(IDC_SITE_LINK), GWL_STYLE) & SS_NOTIFY);
    });
    EXPECT_EQ(result, IDCANCEL);
}

// ---- Queries -------------------------------------------------------------------

TEST_F(MusicDlgTest, QueryFillsRowsInOrderAndASecondQueryReplacesThem) {
    const Song first[] = {
        {"林晓岚", "夏夜的风", "http://music.velmora.example/songs/xiaye.mp3"},
        {"白鹭乐队", "远方 (现场版)", "http://music.velmora.example/live/yuanfang.mp3"},
        {"周小舟&#46;组合", "月光码头", "http://cdn.velmora.example:8080/a/yueguang.mp3"},
    };
    const Song second = {"苏青禾", "雨落江南", "http://music.velmora.example/yu.wma"};
    auto escaped = [](std::string url) {
        std::string out;
        for (char c : url)
            out += c == ':' ? "&#58;" : c == '.' ? "&#46;" : std::string(1, c);
        return out;
    };
    std::string body;
    for (const Song& song : first)
        body += Record(song, escaped(song.url));
    LoopbackServer server(std::vector<velmora_test::Script>{
        {Step::Send(Reply(body)), Step::Close()},
        {Step::Send(Reply(Record(second, escaped(second.url)))), Step::Close()}});
    AimServiceAt(server.HostAndPort());

    Run([&](HWND) {
        HWND hEdit = Item(IDC_QQ_EDIT), hList = Item(IDC_SONG_LIST);
        Send(hEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("10001"));
        ASSERT_TRUE(PressGetMusic());
        EXPECT_EQ(Rows(hList), (std::vector<std::vector<std::string>>{Row(first[0]), Row(first[1]),
                                                                      Row(first[2]), kEmptyRow}));
        EXPECT_EQ(SelectedCount(), 0);
        EXPECT_EQ(Text(hEdit), "10001");
        EXPECT_NE(server.Received(0).find("?UIN=10001&TYPE=16&"), std::string::npos)
            << server.Received(0);

        Send(hEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(" 2000%2 "));
        ASSERT_TRUE(PressGetMusic());
        EXPECT_EQ(Rows(hList), (std::vector<std::vector<std::string>>{Row(second), kEmptyRow}));
        EXPECT_EQ(Text(hEdit), " 2000%2 ");
        EXPECT_NE(server.Received(1).find("?UIN= 2000%2 &TYPE=16&"), std::string::npos)
            << server.Received(1);
    });
    EXPECT_TRUE(server.WaitDone(5000));
}

TEST_F(MusicDlgTest, FailedQueryEmptiesTheListAndSaysSo) {
    const Song song = {"陈子墨", "城南旧事", "http://music.velmora.example/chengnan.mp3"};
    LoopbackServer server({Step::Send(Reply(Record(song, song.url))), Step::Close()});
    AimServiceAt(server.HostAndPort());

    Run([&](HWND) {
        HWND hList = Item(IDC_SONG_LIST);
        ASSERT_TRUE(PressGetMusic());
        ASSERT_EQ(Rows(hList).size(), 2u);

        AimServiceAt("127.0.0.1:" + std::to_string(velmora_test::UnusedLoopbackPort()));
        ::PostMessageA(Item(IDC_GET_MUSIC), BM_CLICK, 0, 0);
        HWND hBox = WaitForDialog(m_uiThread, nullptr, m_hDlg, 10000);
        ASSERT_NE(hBox, nullptr) << "no message box for the failed query";
        EXPECT_EQ(Text(hBox), kAppName);
        EXPECT_EQ(MessageBoxText(hBox), kNoNetwork);
        // The list is emptied before the fetch, so it is empty under the box.
        EXPECT_TRUE(Rows(hList).empty());
        EXPECT_TRUE(CloseDialog(hBox, IDOK));
        EXPECT_TRUE(Rows(hList).empty());
        EXPECT_EQ(Text(Item(IDC_QQ_EDIT)), "123456789");
    });
}

// ---- Notifications from the list ---------------------------------------------

TEST_F(MusicDlgTest, DoubleClickCopiesTheFirstSelectedRowsUrl) {
    const std::string longUrl = "http://music.velmora.example/" + std::string(700, 'x') + ".mp3";
    const Song songs[] = {
        {"甲", "一", "http://a.velmora.example/1.mp3"},
        {"乙", "二", longUrl},
        {"丙", "三", "http://c.velmora.example/3.mp3"},
    };
    std::string body;
    for (const Song& song : songs)
        body += Record(song, song.url);
    LoopbackServer server({Step::Send(Reply(body)), Step::Close()});
    AimServiceAt(server.HostAndPort());

    struct Case {
        const char* what;
        UINT code;
        std::vector<int> selected;
        int notifiedRow; // the row the notification names: never the one copied
        bool copies;
        std::string clipboard;
    } const cases[] = {
        {"no row selected", NM_DBLCLK, {}, 0, false, kSentinel},
        {"several selected: the lowest wins", NM_DBLCLK, {2, 1}, 2, true, longUrl},
        {"first and third selected", NM_DBLCLK, {0, 2}, -1, true, songs[0].url},
        {"the empty last row", NM_DBLCLK, {3}, 3, true, ""},
        {"right-click does nothing", NM_RCLICK, {0}, 0, false, kSentinel},
    };

    Run([&](HWND hDlg) {
        HWND hList = Item(IDC_SONG_LIST);
        ASSERT_TRUE(PressGetMusic());
        const auto rowsBefore = Rows(hList);
        ASSERT_EQ(rowsBefore.size(), 4u);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            ASSERT_TRUE(SetClipboardText(kSentinel));
            SelectRows(c.selected);
            NMITEMACTIVATE notify = {};
            notify.hdr.hwndFrom = hList;
            notify.hdr.idFrom = IDC_SONG_LIST;
            notify.hdr.code = c.code;
            notify.iItem = c.notifiedRow;
            if (c.copies) {
                ::PostMessageA(hDlg, WM_NOTIFY, IDC_SONG_LIST, reinterpret_cast<LPARAM>(&notify));
                HWND hBox = WaitForDialog(m_uiThread, nullptr, hDlg);
                ASSERT_NE(hBox, nullptr);
                // The clipboard is already closed while the box shows.
                EXPECT_EQ(ClipboardText(), c.clipboard);
                EXPECT_EQ(MessageBoxText(hBox), kCopied);
                EXPECT_EQ(Text(hBox), kAppName);
                EXPECT_TRUE(CloseDialog(hBox, IDOK));
            } else {
                LRESULT result = -1;
                // Sent, so that it returns only when the handler has: a box
                // would hold it past the time-out.
                EXPECT_TRUE(Send(hDlg, WM_NOTIFY, IDC_SONG_LIST, reinterpret_cast<LPARAM>(&notify),
                                 &result, 3000));
                EXPECT_EQ(result, 0);
                EXPECT_EQ(ClipboardText(), c.clipboard);
            }
            EXPECT_EQ(FindDialog(m_uiThread, nullptr, hDlg), nullptr);
            EXPECT_EQ(Rows(hList), rowsBefore);
            EXPECT_EQ(SelectedCount(), static_cast<int>(c.selected.size()));
        }
    });
}

TEST_F(MusicDlgTest, MouseDoubleClickOnARowCopiesItsUrl) {
    const Song song = {"韩一鸣", "清晨的第一班车", "http://music.velmora.example/banche.mp3"};
    LoopbackServer server({Step::Send(Reply(Record(song, song.url))), Step::Close()});
    AimServiceAt(server.HostAndPort());

    Run([&](HWND hDlg) {
        HWND hList = Item(IDC_SONG_LIST);
        ASSERT_TRUE(PressGetMusic());
        ASSERT_TRUE(SetClipboardText(kSentinel));
        SelectRows({0});
        RECT rcRow = {};
        rcRow.left = LVIR_LABEL;
        Send(hList, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rcRow));
        ::PostMessageA(hList, WM_LBUTTONDBLCLK, MK_LBUTTON,
                       MAKELPARAM(rcRow.left + 5, (rcRow.top + rcRow.bottom) / 2));
        HWND hBox = WaitForDialog(m_uiThread, nullptr, hDlg);
        ASSERT_NE(hBox, nullptr);
        EXPECT_EQ(MessageBoxText(hBox), kCopied);
        EXPECT_EQ(ClipboardText(), song.url);
        EXPECT_TRUE(CloseDialog(hBox, IDOK));
    });
}

TEST_F(MusicDlgTest, DoubleClickWhileAnotherHoldsTheClipboardCopiesNothing) {
    const Song song = {"甲", "一", "http://a.velmora.example/1.mp3"};
    LoopbackServer server({Step::Send(Reply(Record(song, song.url))), Step::Close()});
    AimServiceAt(server.HostAndPort());

    Run([&](HWND hDlg) {
        ASSERT_TRUE(PressGetMusic());
        ASSERT_TRUE(SetClipboardText(kSentinel));
        SelectRows({0});
        ASSERT_TRUE(::OpenClipboard(nullptr));
        NMHDR notify = {Item(IDC_SONG_LIST), IDC_SONG_LIST, static_cast<UINT>(NM_DBLCLK)};
        const bool returned =
            Send(hDlg, WM_NOTIFY, IDC_SONG_LIST, reinterpret_cast<LPARAM>(&notify), nullptr, 3000);
        ::CloseClipboard();
        EXPECT_TRUE(returned) << "a box was shown";
        EXPECT_EQ(ClipboardText(), kSentinel);
    });
}

// ---- System menu, painting, the link -----------------------------------------

TEST_F(MusicDlgTest, SystemCommandsOpenTheAboutBoxOnlyForItsRange) {
    struct {
        WPARAM id;
        bool about;
        int closeWith;
    } const cases[] = {
        {0x000F, false, 0}, {0x0010, true, IDOK}, {0x001F, true, IDCANCEL}, {0x0020, false, 0}};
    Run([&](HWND hDlg) {
        for (const auto& c : cases) {
            SCOPED_TRACE("system command " + std::to_string(c.id));
            if (!c.about) {
                EXPECT_TRUE(Send(hDlg, WM_SYSCOMMAND, c.id, 0, nullptr, 3000));
                EXPECT_EQ(FindDialog(m_uiThread, nullptr, hDlg), nullptr);
                continue;
            }
            ::PostMessageA(hDlg, WM_SYSCOMMAND, c.id, 0);
            HWND hAbout = WaitForDialog(m_uiThread, kAboutTitle, hDlg);
            ASSERT_NE(hAbout, nullptr);
            EXPECT_EQ(Text(::GetDlgItem(hAbout, IDOK)), "确定");
            EXPECT_TRUE(CloseDialog(hAbout, c.closeWith));
        }
        EXPECT_TRUE(::IsWindow(hDlg));
    });
}

// Minimising for real is left out: under Wine without a window manager the
// window does not always become iconic, so a test of it would be flaky. The
// drag icon is answered whatever the state; the centring is tested below.
TEST_F(MusicDlgTest, DragIconIsTheWindowsIcon) {
    Run([&](HWND hDlg) {
        LRESULT dragIcon = 0, icon = 0;
        Send(hDlg, WM_QUERYDRAGICON, 0, 0, &dragIcon);
        Send(hDlg, WM_GETICON, ICON_BIG, 0, &icon);
        EXPECT_NE(dragIcon, 0);
        EXPECT_EQ(dragIcon, icon);
    });
}

TEST(MusicDlgIcon, CentresTheIconRoundingTowardZero) {
    struct {
        int width, height, icon, x, y;
    } const cases[] = {
        {36, 36, 32, 2, 2},  {20, 20, 32, -5, -5}, {32, 40, 32, 0, 4},
        {33, 0, 32, 1, -15}, {0, 160, 16, -7, 72},
    };
    for (const auto& c : cases) {
        const RECT rc = {10, 20, 10 + c.width, 20 + c.height};
        const POINT pt = CMusicDlg::IconOrigin(rc, c.icon, c.icon);
        EXPECT_EQ(pt.x, c.x) << c.width << "x" << c.height;
        EXPECT_EQ(pt.y, c.y) << c.width << "x" << c.height;
    }
}

TEST_F(MusicDlgTest, SiteLinkOpensTheSiteOncePerClick) {
    Run([&](HWND hDlg) {
        HWND hLink = Item(IDC_SITE_LINK);
        // A click notification that reaches the dialog some other way.
        ASSERT_TRUE(Send(hDlg, WM_COMMAND, MAKEWPARAM(IDC_SITE_LINK, STN_CLICKED),
                         reinterpret_cast<LPARAM>(hLink)));
        ASSERT_EQ(ShellCallCount(), 1u);
        // A real click: the label opens the site itself and passes nothing on.
        ::PostMessageA(hLink, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        ::PostMessageA(hLink, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        EXPECT_TRUE(WaitFor([] { return ShellCallCount() >= 2; }, 3000));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::lock_guard<std::mutex> lock(g_shellMutex);
        ASSERT_EQ(g_shellCalls.size(), 2u);
        for (const ShellCall& call : g_shellCalls) {
            EXPECT_EQ(call.hWnd, nullptr);
            EXPECT_EQ(call.verb, "open");
            EXPECT_EQ(call.file, "http://www.velmora.example");
            EXPECT_FALSE(call.hasParameters);
            EXPECT_FALSE(call.hasDirectory);
            EXPECT_EQ(call.show, SW_SHOWNORMAL);
        }
    });
}

// ---- Ending ------------------------------------------------------------------

TEST_F(MusicDlgTest, EnterEndsWithOkAndDataExchangeEscAndCloseBoxWithCancel) {
    struct {
        const char* what;
        bool key;
        WPARAM code; // a key, or a system command
        INT_PTR result;
        const char* number; // m_strQQ afterwards
    } const cases[] = {
        {"Enter", true, VK_RETURN, IDOK, "55555"},
        {"Esc", true, VK_ESCAPE, IDCANCEL, "123456789"},
        {"close box", false, SC_CLOSE, IDCANCEL, "123456789"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_dlg.m_strQQ = "";
        const INT_PTR result = Run([&](HWND hDlg) {
            HWND hEdit = Item(IDC_QQ_EDIT);
            Send(hEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("55555"));
            if (c.key)
                ::PostMessageA(hEdit, WM_KEYDOWN, c.code, 1);
            else
                ::PostMessageA(hDlg, WM_SYSCOMMAND, c.code, 0);
            EXPECT_TRUE(WaitFor([&] { return !::IsWindow(hDlg); }, 5000));
        });
        EXPECT_EQ(result, c.result);
        EXPECT_STREQ(m_dlg.m_strQQ, c.number);
        // The window's destruction unbound the list and detached the label.
        EXPECT_EQ(m_dlg.m_listSongs.m_hWnd, nullptr);
        EXPECT_EQ(m_dlg.m_hWnd, nullptr);
    }
}

} // namespace

// Defined here, so the linker takes it instead of the real service's host.
const char* MusicServiceHost() {
    static thread_local std::string host;
    std::lock_guard<std::mutex> lock(g_hostMutex);
    host = g_serviceHost;
    return host.c_str();
}
