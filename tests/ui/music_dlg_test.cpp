// The main window built from the program's own IDD_MAIN, run modally on the test's thread while a
// second thread drives it with bounded waits. Its queries go to a loopback server through this
// executable's own MusicServiceHost().
#include <winsock2.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "music/music_list.h"
#include "tests/http/log_entries.h"
#include "tests/music/song_body.h"
#include "tests/support/loopback_server.h"
#include "tests/ui/shell_record.h"
#include "ui/music_dlg.h"

using Table = std::vector<std::vector<std::string>>;
using namespace velmora_test;

CWinApp g_app; // the application object the framework expects; named after the executable
// Set on the test's thread before its dialog runs, which is the thread that queries.
std::string g_serviceHost = "127.0.0.1:1";
HCURSOR g_queryCursor;           // the cursor shown while the query asks for the host
const char* MusicServiceHost() { // preferred to the real one
    g_queryCursor = ::GetCursor();
    return g_serviceHost.c_str();
}

namespace {

// Every wait of a test ends: true once `ready()` holds, false after `ms`.
template <class Ready> bool WaitFor(Ready ready, int ms = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (; !ready(); std::this_thread::sleep_for(std::chrono::milliseconds(10)))
        if (std::chrono::steady_clock::now() >= end)
            return false;
    return true;
}

// A message sent to the window's thread: its answer, or -1 when none came within `ms`.
LRESULT Send(HWND hWnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0, int ms = 5000) {
    DWORD_PTR result = 0;
    const bool answered = ::SendMessageTimeoutA(hWnd, message, wParam, lParam, 0, ms, &result);
    return answered ? LRESULT(result) : -1;
}

std::string Text(HWND hWnd) {
    char buffer[2048] = {};
    Send(hWnd, WM_GETTEXT, sizeof(buffer), LPARAM(buffer));
    return buffer;
}

// Every row of a report list view, each cell read whole.
Table Rows(HWND hList) {
    Table rows(Send(hList, LVM_GETITEMCOUNT), std::vector<std::string>(3));
    char buffer[4096];
    for (size_t row = 0; row < rows.size(); ++row)
        for (int column = 0; column < 3; ++column) {
            ListView_GetItemText(hList, int(row), column, buffer, sizeof(buffer));
            rows[row][column] = buffer;
        }
    return rows;
}

// The cursor on the screen, whichever thread set it.
HCURSOR ShownCursor() {
    CURSORINFO info = {};
    info.cbSize = sizeof info;
    ::GetCursorInfo(&info);
    return info.hCursor;
}

// The clipboard's CF_TEXT, or "<none>" when it holds no text or stays busy.
std::string ClipboardText() {
    const bool open = WaitFor([] { return ::OpenClipboard(nullptr) != FALSE; }, 2000);
    HANDLE hData = open ? ::GetClipboardData(CF_TEXT) : nullptr;
    const char* p = hData ? static_cast<const char*>(::GlobalLock(hData)) : nullptr;
    const std::string text = p ? p : "<none>";
    ::GlobalUnlock(hData);
    ::CloseClipboard();
    return text;
}

// The dialog runs modally on the test's thread while `drive` runs on a second one, sending what
// returns at once and posting what opens a modal box. Whatever it leaves open is closed after.
class MusicDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { AfxWinInit(::GetModuleHandleA(nullptr), 0, 0, SW_SHOWNORMAL); }

    INT_PTR Run(const std::function<void(HWND)>& drive) {
        AfxGetApp()->m_pMainWnd = &m_dlg;
        m_uiThread = ::GetCurrentThreadId();
        TestThread driver([&] {
            m_hDlg = Box(nullptr, "QQ空间音乐查询，QQ空间音乐克隆(双击复制歌曲地址)", 10000);
            ASSERT_NE(m_hDlg, nullptr) << "the main window did not appear";
            drive(m_hDlg);
            for (HWND hBox; (hBox = Box(m_hDlg, nullptr, 0)) && Close(hBox, IDCANCEL);)
                ADD_FAILURE() << "a box was left open";
            EXPECT_TRUE(!::IsWindow(m_hDlg) || Close(m_hDlg, IDCANCEL)) << "did not close";
        });
        const INT_PTR result = m_dlg.DoModal();
        driver.Join();
        return result;
    }

    // A visible dialog of the window's thread owned by `owner`, within `ms` (0: as things stand):
    // other programs on the desktop may show the same titles.
    HWND Box(HWND owner, const char* title = nullptr, int ms = 5000) const {
        HWND found = nullptr;
        const auto shown = [&] {
            while ((found = ::FindWindowExA(nullptr, found, "#32770", title)))
                if (::GetWindowThreadProcessId(found, nullptr) == m_uiThread &&
                    ::IsWindowVisible(found) && ::GetWindow(found, GW_OWNER) == owner)
                    return true;
            return false;
        };
        return WaitFor(shown, ms) ? found : nullptr;
    }

    // Presses a dialog's button by command; true once the window is gone.
    static bool Close(HWND hWnd, int id) {
        ::PostMessageA(hWnd, WM_COMMAND, id, 0);
        return WaitFor([&] { return !::IsWindow(hWnd); });
    }

    HWND Item(int id) const { return ::GetDlgItem(m_hDlg, id); }

    // The click returns once its handler has run: the query's last row is in, unless a box shows.
    // Its time is printed for scripts/bench-window; it decides nothing.
    long long PressGetMusic() {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_NE(Send(Item(IDC_GET_MUSIC), BM_CLICK, 0, 0, 60000), -1)
            << "waited 60 s for the click's handler to end: a box showed, or it hung";
        return MillisecondsSince(start);
    }

    // A box owned by `owner`: the executable's name, the text, the exclamation icon and one
    // button, OK.
    void ExpectBoxAndClose(const char* text, HWND owner = nullptr) {
        HWND hBox = Box(owner ? owner : m_hDlg, nullptr, 10000), hIcon = nullptr, hButton = nullptr;
        ASSERT_NE(hBox, nullptr) << "no box showing " << text;
        EXPECT_EQ(Text(hBox), "music_dlg_tests");
        EXPECT_EQ(Text(::GetDlgItem(hBox, 0xFFFF)), text);
        LRESULT icon = 0;
        while (!icon && (hIcon = ::FindWindowExA(hBox, hIcon, "Static", nullptr)))
            icon = Send(hIcon, STM_GETICON);
        EXPECT_EQ(icon, LRESULT(::LoadIconA(nullptr, IDI_EXCLAMATION)));
        std::vector<int> buttons;
        while ((hButton = ::FindWindowExA(hBox, hButton, "Button", nullptr)))
            if (::IsWindowVisible(hButton))
                buttons.push_back(::GetDlgCtrlID(hButton));
        EXPECT_EQ(buttons, std::vector<int>{IDOK});
        EXPECT_NE(ShownCursor(), ::LoadCursorA(nullptr, IDC_WAIT)) << "the hourglass over a box";
        EXPECT_TRUE(Close(hBox, IDOK));
    }

    // The window thread's focus and active window.
    GUITHREADINFO Gui() const {
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        ::GetGUIThreadInfo(m_uiThread, &info);
        return info;
    }

    CMusicDlg m_dlg;
    DWORD m_uiThread = 0;
    HWND m_hDlg = nullptr;
};

// Right after start: the focus, the about item and the icons. Only system commands 0x10 to 0x1F
// open the about box, which its button, Esc and its close box each close. The site opens once per
// click, from the dialog's handler and from a real click at the label's centre. Minimised, the
// window draws its icon centred on what is left of it. The title, columns at 96 DPI and list style
// are read from outside by tests/e2e. The manifest's Common Controls 6 make the list, and the
// window grows with the screen's DPI: ctest runs this case at 96 and at 144 DPI.
TEST_F(MusicDlgTest, StartSystemMenuAboutBoxSiteLinkAndMinimisedIcon) {
    g_pfnShellExecute = &RecordShellExecute;
    Run([&](HWND hDlg) {
        EXPECT_EQ(Gui().hwndFocus, Item(IDC_QQ_EDIT));

        // The columns, and the client area (590x266 at 96 DPI), grow with the screen's DPI.
        HDC hdcScreen = ::GetDC(nullptr);
        const int dpi = ::GetDeviceCaps(hdcScreen, LOGPIXELSX);
        ::ReleaseDC(nullptr, hdcScreen);
        HWND hList = Item(IDC_SONG_LIST);
        std::string widths;
        for (int column = 0; column < 3; ++column)
            widths += std::to_string(Send(hList, LVM_GETCOLUMNWIDTH, column)) + " ";
        EXPECT_EQ(widths, dpi == 96 ? "80 120 250 " : "120 180 375 ");
        RECT rc;
        ::GetClientRect(hDlg, &rc);
        EXPECT_NEAR(rc.right / 590.0, dpi / 96.0, 0.1) << rc.right;
        EXPECT_NEAR(rc.bottom / 266.0, dpi / 96.0, 0.1) << rc.bottom;
        // Wine's list answers CCM_GETVERSION with 5 under Common Controls 6 too; where the list's
        // class lives tells them apart: the side-by-side assembly, not system32's version 5.
        MEMORY_BASIC_INFORMATION code = {};
        ::VirtualQuery(LPCVOID(::GetClassLongPtrW(hList, GCLP_WNDPROC)), &code, sizeof code);
        char module[MAX_PATH] = {};
        ::GetModuleFileNameA(HMODULE(code.AllocationBase), module, MAX_PATH);
        EXPECT_NE(std::string(::CharLowerA(module)).find("common-controls_6595b64144ccf1df_6."),
                  std::string::npos)
            << module;

        HMENU hMenu = ::GetSystemMenu(hDlg, FALSE);
        const int last = ::GetMenuItemCount(hMenu) - 1;
        char item[64] = {};
        ::GetMenuStringA(hMenu, last, item, sizeof(item), MF_BYPOSITION);
        EXPECT_STREQ(item, "关于 Velmora(&A)...");
        EXPECT_EQ(::GetMenuItemID(hMenu, last), UINT(IDM_ABOUTBOX));
        EXPECT_TRUE(::GetMenuState(hMenu, last - 1, MF_BYPOSITION) & MF_SEPARATOR);
        const LRESULT icon = Send(hDlg, WM_GETICON, ICON_BIG);
        EXPECT_NE(icon, 0);
        EXPECT_EQ(Send(hDlg, WM_GETICON, ICON_SMALL), icon);
        EXPECT_EQ(Send(hDlg, WM_QUERYDRAGICON), icon);

        // The system command, and how its about box is closed (0: it opens none).
        const UINT commands[][3] = {{0x000F, 0, 0},
                                    {0x0010, WM_COMMAND, IDOK},
                                    {0x0013, WM_KEYDOWN, VK_ESCAPE},
                                    {0x001F, WM_SYSCOMMAND, SC_CLOSE},
                                    {0x0020, 0, 0}};
        for (const auto& c : commands) {
            SCOPED_TRACE("system command " + std::to_string(c[0]));
            if (!c[1]) { // sent, so it returns once the handler has: an about box would hold it
                EXPECT_NE(Send(hDlg, WM_SYSCOMMAND, c[0], 0, 10000), -1) << "an about box opened";
                continue;
            }
            ::PostMessageA(hDlg, WM_SYSCOMMAND, c[0], 0);
            HWND hAbout = Box(hDlg, "关于 Velmora");
            ASSERT_NE(hAbout, nullptr);
            ::PostMessageA(c[1] == WM_KEYDOWN ? ::GetDlgItem(hAbout, IDOK) : hAbout, c[1], c[2], 0);
            EXPECT_TRUE(WaitFor([&] { return !::IsWindow(hAbout); }));
        }

        HWND hLink = Item(IDC_SITE_LINK);
        Send(hDlg, WM_COMMAND, MAKEWPARAM(IDC_SITE_LINK, STN_CLICKED), LPARAM(hLink));
        // Hovered, the label holds the capture until the cursor leaves it, after the click.
        RECT rcLink;
        ::GetWindowRect(hLink, &rcLink);
        ::SetCursorPos((rcLink.left + rcLink.right) / 2, (rcLink.top + rcLink.bottom) / 2);
        EXPECT_TRUE(WaitFor([&] { return Gui().hwndCapture == hLink; })) << "not under the cursor";
        ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
        ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
        ::SetCursorPos(0, 0);
        EXPECT_TRUE(WaitFor([&] { return !Gui().hwndCapture; }));

        // Minimised, it draws its icon where IconOrigin says. Wine leaves a
        // minimised window no client area, so here only the style says minimised, on a
        // window of full size in the screen's corner, its controls hidden; it then
        // paints from the window's corner. Once it has, drawing the icon there again
        // changes no pixel.
        ::SetWindowPos(hDlg, HWND_TOPMOST, ::GetSystemMetrics(SM_CXSCREEN) - rc.right / 2 - 40,
                       ::GetSystemMetrics(SM_CYSCREEN) - rc.bottom / 2 - 40, 0, 0, SWP_NOSIZE);
        ::SetWindowLongPtrA(hDlg, GWL_STYLE, ::GetWindowLongPtrA(hDlg, GWL_STYLE) | WS_MINIMIZE);
        for (HWND h = ::GetWindow(hDlg, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
            ::ShowWindow(h, SW_HIDE);
        ::RedrawWindow(hDlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
        EXPECT_TRUE(WaitFor([&] { return !::GetUpdateRect(hDlg, nullptr, FALSE); }));
        Send(hDlg, WM_NULL); // answered once the paint under way has ended
        const int size = ::GetSystemMetrics(SM_CXICON);
        const auto [x, y] = CMusicDlg::IconOrigin(rc, size, ::GetSystemMetrics(SM_CYICON));
        HDC hdc = ::GetWindowDC(hDlg);
        std::vector<COLORREF> shown[2];
        for (auto& pixels : shown) {
            for (int i = 0; i < size * size; ++i)
                pixels.push_back(::GetPixel(hdc, x + i % size, y + i / size));
            ::DrawIcon(hdc, x, y, HICON(icon));
        }
        EXPECT_TRUE(shown[0] == shown[1]) << "the icon is not where it belongs";
        ::ReleaseDC(hDlg, hdc);
    });
    g_pfnShellExecute = &::ShellExecuteA;
    const std::string once = "open http://www.velmora.example 1";
    EXPECT_EQ(g_opened, (std::vector<std::string>{once, once}));
}

// Where a minimised window's icon goes: (client - icon + 1) / 2 toward zero, so an icon wider than
// the client area starts left of it by half the excess, rounded toward the client area.
TEST(MusicDlgIcon, IconOriginCentresRoundingTowardZero) {
    // client width, height; icon width, height; origin x, y, each worked out by hand. The first
    // row's -11 / 2 is -5 toward zero, where floor division would give -6.
    // clang-format off
    const LONG rows[][6] = {{20, 20, 32, 32, -5, -5}, {101, 50, 32, 32, 35, 9},
                            {100, 51, 32, 32, 34, 10}, {32, 33, 32, 16, 0, 9}};
    // clang-format on
    for (const auto& r : rows) {
        const POINT pt = CMusicDlg::IconOrigin(RECT{0, 0, r[0], r[1]}, r[2], r[3]);
        EXPECT_EQ(std::pair(pt.x, pt.y), std::pair(r[4], r[5])) << r[0] << "x" << r[1];
    }
}

// The largest list the service sends, 10,000 songs and one without a URL, kept alive, fills
// exactly as many rows, in order, none selected, under the hourglass until the last row is in.
// Ctrl+C and Ctrl+Insert copy the selected rows' URLs, Ctrl+A selects every row. A
// double-click copies the first selected row's URL, and nothing from a row without one; a
// right-click is taken and answered with 0, so the list goes on to its own handling; over the about
// box, the copy's box is the about box's. Prints the click's time and the keys', which
// scripts/bench-window collects. Later queries and failed ones are driven from outside by tests/e2e.
TEST_F(MusicDlgTest, TenThousandSongsFillTheListInOrderAndADoubleClickCopies) {
    const std::string longUrl = "http://music.velmora.example/" + std::string(700, 'x') + ".mp3";
    Table songs = {{"白鹭乐队&#46;组合", "远方 (现场版)", longUrl},
                   {"林晓岚", "夏夜的风", "http://music.velmora.example/songs/xiaye.mp3"},
                   {"周小舟", "月光码头", "http://cdn.velmora.example:8080/a/yueguang.mp3"},
                   {"佚名", "无地址", ""}};
    for (int i = 100004; i <= 110000; ++i) { // GBK singers and names
        const std::string n = std::to_string(i).substr(1);
        songs.push_back(
            {"歌手" + n, "第" + n + "首歌", "http://bulk.velmora.example/" + n + ".mp3"});
    }
    std::string records;
    for (const auto& s : songs)
        records += SongRecord(s[0].c_str(), s[1].c_str(), s[2].c_str());
    const std::string body = SongBody(records);
    LoopbackServer server({Step::Send("HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=GBK\r\n"
                                      "Content-Length: " +
                                      std::to_string(body.size()) + "\r\n\r\n" + body),
                           Step::Hold(4000)});
    g_serviceHost = server.HostAndPort();

    // In order: a case that copies nothing leaves what the one before it copied. A key is typed
    // in the list with Ctrl held.
    struct {
        UINT code;
        WORD key;
        std::vector<int> selected; // a click's notification names the first, never the one copied
        bool holdClipboard;
        std::string copied; // none: nothing is copied, and no box shows
    } const clicks[] = {
        {NM_DBLCLK, 0, {2, 0}, false, longUrl},
        {NM_DBLCLK, 0, {}, false, ""},
        {NM_DBLCLK, 0, {4, 3}, false, ""},
        {NM_RCLICK, 0, {1}, false, ""},
        {LVN_KEYDOWN, 'C', {}, false, ""},
        {LVN_KEYDOWN, 'C', {2}, false, songs[2][2]},
        {LVN_KEYDOWN, VK_INSERT, {4, 3, 1}, false, songs[1][2] + "\r\n" + songs[4][2]},
        {LVN_KEYDOWN, 'C', {3}, false, ""},
        {LVN_KEYDOWN, 'V', {1}, false, ""},
        {NM_DBLCLK, 0, {1}, true, ""}};

    Run([&](HWND hDlg) {
        HWND hList = Item(IDC_SONG_LIST);
        std::printf("10000 songs: button to last row %lld ms\n", PressGetMusic());
        EXPECT_NE(ShownCursor(), g_queryCursor);
        EXPECT_EQ(g_queryCursor, ::LoadCursorA(nullptr, IDC_WAIT));
        ASSERT_TRUE(Rows(hList) == songs); // not printed whole
        EXPECT_TRUE(server.ClosedByClient()) << "the query waited for the server to close";
        EXPECT_EQ(Send(hList, LVM_GETSELECTEDCOUNT), 0);

        // The window's thread shares this one's keyboard state, which holds Ctrl down.
        ::AttachThreadInput(::GetCurrentThreadId(), m_uiThread, TRUE);
        BYTE keys[256] = {};
        keys[VK_CONTROL] = 0x80;
        ::SetKeyboardState(keys);
        std::string copied = ClipboardText();
        for (const auto& c : clicks) {
            SCOPED_TRACE(&c - clicks);
            ListView_SetItemState(hList, -1, 0, LVIS_SELECTED);
            for (int row : c.selected)
                ListView_SetItemState(hList, row, LVIS_SELECTED, LVIS_SELECTED);
            NMITEMACTIVATE notify = {};
            notify.hdr = {hList, IDC_SONG_LIST, c.code};
            notify.iItem = c.selected.empty() ? 0 : c.selected.front();
            // A key goes to the list, which tells the dialog.
            const HWND hTo = c.key ? hList : hDlg;
            const UINT message = c.key ? WM_KEYDOWN : WM_NOTIFY;
            const WPARAM wParam = c.key ? c.key : IDC_SONG_LIST;
            const LPARAM lParam = c.key ? 1 : LPARAM(&notify);
            if (!c.copied.empty()) {
                ::PostMessageA(hTo, message, wParam, lParam);
                ASSERT_NE(Box(hDlg), nullptr);
                EXPECT_EQ(ClipboardText(), copied = c.copied); // closed while the box shows
                ExpectBoxAndClose("歌曲地址已经成功复制到剪切板!");
            } else {
                // Sent, so it returns only when the handler has: a box would hold it past 3 s.
                ASSERT_TRUE(!c.holdClipboard || ::OpenClipboard(nullptr));
                EXPECT_EQ(Send(hTo, message, wParam, lParam, 3000), 0);
                if (c.holdClipboard)
                    ::CloseClipboard();
                EXPECT_EQ(ClipboardText(), copied);
            }
            EXPECT_EQ(Box(hDlg, nullptr, 0), nullptr);
            EXPECT_EQ(Send(hList, LVM_GETSELECTEDCOUNT), LRESULT(c.selected.size()));
        }

        // Ctrl+A, then Ctrl+C: every URL, in row order, one a line. The time from the keys to the
        // box is printed for scripts/bench-window.
        const auto pressed = std::chrono::steady_clock::now();
        Send(hList, WM_KEYDOWN, 'A', 1, 60000);
        EXPECT_EQ(Send(hList, LVM_GETSELECTEDCOUNT), LRESULT(songs.size()));
        ::PostMessageA(hList, WM_KEYDOWN, 'C', 1);
        ASSERT_NE(Box(hDlg, nullptr, 60000), nullptr);
        std::printf("10000 songs: Ctrl+A, Ctrl+C to the box %lld ms\n", MillisecondsSince(pressed));
        std::string all;
        for (const auto& song : songs)
            if (!song[2].empty())
                all += (all.empty() ? "" : "\r\n") + song[2];
        EXPECT_TRUE(ClipboardText() == all) << "not every URL, in order"; // not printed whole
        ExpectBoxAndClose("歌曲地址已经成功复制到剪切板!");
        keys[VK_CONTROL] = 0;
        ::SetKeyboardState(keys);
        ::AttachThreadInput(::GetCurrentThreadId(), m_uiThread, FALSE);

        // Over the about box, once it is the active window, the box stacks on the about box.
        ::PostMessageA(hDlg, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        HWND hAbout = Box(hDlg, "关于 Velmora");
        ASSERT_NE(hAbout, nullptr);
        EXPECT_TRUE(WaitFor([&] { return Gui().hwndActive == hAbout; }));
        NMHDR notify = {hList, IDC_SONG_LIST, UINT(NM_DBLCLK)};
        ::PostMessageA(hDlg, WM_NOTIFY, IDC_SONG_LIST, LPARAM(&notify));
        ExpectBoxAndClose("歌曲地址已经成功复制到剪切板!", hAbout);
        EXPECT_TRUE(Close(hAbout, IDOK));
    });
}

// Enter ends with IDOK and the typed number; Esc and the close box with IDCANCEL and the number
// as it was; the window's destruction unbinds the list. With Windows Sockets not started, as when
// start-up fails to start them, the window still opens and a query fails like any other.
TEST_F(MusicDlgTest, EnterEscCloseBoxAndAQueryWithoutSockets) {
    for (WPARAM code : {VK_RETURN, VK_ESCAPE, SC_CLOSE}) { // a key, or the close box's command
        SCOPED_TRACE(code);
        m_dlg.m_strQQ = "";
        const INT_PTR result = Run([&](HWND hDlg) {
            HWND hEdit = Item(IDC_QQ_EDIT);
            Send(hEdit, WM_SETTEXT, 0, LPARAM("55555"));
            const bool key = code != SC_CLOSE;
            ::PostMessageA(key ? hEdit : hDlg, key ? WM_KEYDOWN : WM_SYSCOMMAND, code, 1);
            EXPECT_TRUE(WaitFor([&] { return !::IsWindow(hDlg); }));
        });
        EXPECT_EQ(result, code == VK_RETURN ? IDOK : IDCANCEL);
        EXPECT_STREQ(m_dlg.m_strQQ, code == VK_RETURN ? "55555" : "123456789");
        EXPECT_TRUE(!m_dlg.m_listSongs.m_hWnd && !m_dlg.m_hWnd);
    }

    // No socket was made before in this process: only the main has started Windows Sockets.
    ScratchDir scratch("no-sockets");
    while (::WSACleanup() == 0) {
    }
    g_serviceHost = "127.0.0.1:1";
    Run([&](HWND) {
        ::PostMessageA(Item(IDC_GET_MUSIC), BM_CLICK, 0, 0);
        ExpectBoxAndClose("无法连接到网络!");
        EXPECT_TRUE(Rows(Item(IDC_SONG_LIST)).empty());
    });
    // Had the client started them itself, it would have failed only to connect.
    const std::string log = ReadBytes("log.txt");
    EXPECT_NE(log.find("Error: failed to resolve"), std::string::npos) << log;
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
}

// What reaches the number's edit box that sets its text: only the counted messages lay it out anew.
std::atomic<int> g_textsSet{0};
WNDPROC g_pfnEdit;
LRESULT CALLBACK CountTextsSet(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    g_textsSet += message == WM_SETTEXT || message == EM_REPLACESEL;
    return ::CallWindowProcA(g_pfnEdit, hWnd, message, wParam, lParam);
}

// A 100,000-character number reaches the service as typed, and is neither set again nor cut:
// data exchange writes a text only where it differs. The service's refusal is a failed query.
// Prints the time from the click to the failure box, and how long the text took to go in, which
// scripts/bench-window collects.
TEST_F(MusicDlgTest, AHundredThousandCharacterNumberReachesTheServiceAsTyped) {
    // Nine digits and a letter, over and over: Wine lays out a run of digits in a time that grows
    // with the square of its length (100,000 took 25 s, 104 s under an emulated CPU), and the
    // program's handling of the text does not depend on what its characters are.
    std::string number;
    while (number.size() < 100000)
        number += "012345678x";
    // The service refuses such a request line with a 414 page and closes.
    LoopbackServer server({Step::Send("HTTP/1.1 414 URI Too Long\r\n\r\n414"), Step::Close()});
    ScratchDir scratch("long-number");
    g_serviceHost = server.HostAndPort();

    Run([&](HWND hDlg) {
        HWND hEdit = Item(IDC_QQ_EDIT);
        g_pfnEdit = WNDPROC(::SetWindowLongPtrA(hEdit, GWLP_WNDPROC, LONG_PTR(&CountTextsSet)));
        // Replacing the selection goes the way of typed and pasted text, so the edit box's length
        // limit applies to it (WM_SETTEXT would not). Wine's edit box then lays out and paints
        // such a text, answering nothing meanwhile.
        const auto start = std::chrono::steady_clock::now();
        Send(hEdit, EM_SETSEL, 0, -1);
        ASSERT_NE(Send(hEdit, EM_REPLACESEL, TRUE, LPARAM(number.c_str()), 60000), -1);
        ::UpdateWindow(hDlg); // its painting too, which waits behind every sent message
        ASSERT_NE(Send(hDlg, WM_NULL, 0, 0, 60000), -1) << "the window did not answer again";
        const long long layoutMs = MillisecondsSince(start);

        const auto click = std::chrono::steady_clock::now();
        ::PostMessageA(Item(IDC_GET_MUSIC), BM_CLICK, 0, 0);
        const bool boxed = Box(hDlg, nullptr, 60000) != nullptr;
        std::printf("100000-character number: button to failure box %lld ms (text in: %lld ms)\n",
                    MillisecondsSince(click), layoutMs);
        ASSERT_TRUE(boxed) << "no failure box within 60 s";
        ExpectBoxAndClose("无法连接到网络!");
        // Having lost the focus to the button, the edit box paints the number again: Wine's
        // Common Controls 6 edit box, for seconds. The list answers after that.
        ::UpdateWindow(hDlg);
        // Once, by EM_REPLACESEL above; none would mean the edit box's messages go uncounted.
        EXPECT_EQ(g_textsSet, 1) << "the click set the number's text again";
        const std::string want = "GET /fcg-bin/fcgi_agent_zhenghe.fcg?UIN=" + number +
                                 "&TYPE=16&PAGE_START=1&PAGE_END=10000&SELECT_FLAG=1 HTTP/1.1\r\n";
        EXPECT_EQ(server.Received(0).substr(0, want.size()), want);
        // No row. (The number went in whole: the request line holds it, and nothing has set the
        // text since.)
        EXPECT_EQ(Rows(Item(IDC_SONG_LIST)), Table{});
    });
}

} // namespace
