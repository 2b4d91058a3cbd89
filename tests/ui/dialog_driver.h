// Helpers for driving a program's own windows from a second thread (or process): bounded waits,
// texts, list rows, the clipboard. With VELMORA_MUSIC_DLG_FIXTURE defined (once per executable),
// also the main window's fixture, its queries aimed at a loopback server.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace dialog_driver {

// Every wait of a test ends: true once `ready()` holds, false after `ms`.
template <class Ready> bool WaitFor(Ready ready, int ms = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (; !ready(); std::this_thread::sleep_for(std::chrono::milliseconds(10)))
        if (std::chrono::steady_clock::now() >= end)
            return false;
    return true;
}

// A message sent to another thread's window: whether it was answered within `ms`.
inline bool Send(HWND hWnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0, int ms = 5000) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(hWnd, message, wParam, lParam, SMTO_NORMAL, ms, &result) != 0;
}

// Its answer, or 0 when none came within 5 s.
inline LRESULT Ask(HWND hWnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(hWnd, message, wParam, lParam, SMTO_NORMAL, 5000, &result);
    return static_cast<LRESULT>(result);
}

inline std::string Text(HWND hWnd) {
    char buffer[2048] = {};
    Send(hWnd, WM_GETTEXT, sizeof(buffer), reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

inline std::string ClassName(HWND hWnd) {
    char buffer[256] = {};
    ::GetClassNameA(hWnd, buffer, sizeof(buffer));
    return buffer;
}

struct DialogQuery {
    const char* title; // null: any
    HWND owner, found; // owner null: any
};

inline BOOL CALLBACK MatchDialog(HWND hWnd, LPARAM lParam) {
    DialogQuery* q = reinterpret_cast<DialogQuery*>(lParam);
    const bool match = ClassName(hWnd) == "#32770" && ::IsWindowVisible(hWnd) &&
                       (!q->owner || ::GetWindow(hWnd, GW_OWNER) == q->owner) &&
                       (!q->title || Text(hWnd) == q->title);
    q->found = match ? hWnd : nullptr;
    return !match;
}

// A dialog-class window of `threadId`: tests run in parallel with others showing the same titles.
inline HWND FindDialog(DWORD threadId, const char* title, HWND owner = nullptr) {
    DialogQuery query = {title, owner, nullptr};
    ::EnumThreadWindows(threadId, &MatchDialog, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

inline HWND WaitForDialog(DWORD threadId, const char* title, HWND owner = nullptr, int ms = 5000) {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindDialog(threadId, title, owner)) != nullptr; }, ms);
    return found;
}

// A message box's text is the static control with id 0xFFFF.
inline std::string MessageBoxText(HWND hBox) { return Text(::GetDlgItem(hBox, 0xFFFF)); }

// Presses a dialog's button by command and waits until the window is gone.
inline bool CloseDialog(HWND hWnd, int id = IDOK, int ms = 5000) {
    ::PostMessageA(hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    return WaitFor([&] { return !::IsWindow(hWnd); }, ms);
}

using Table = std::vector<std::vector<std::string>>;

// Every row of a report list view, each cell read whole.
inline Table Rows(HWND hList, int columns = 3) {
    Table rows(Ask(hList, LVM_GETITEMCOUNT));
    for (size_t row = 0; row < rows.size(); ++row)
        for (int column = 0; column < columns; ++column) {
            char buffer[4096] = {};
            LVITEMA item = {};
            item.iSubItem = column;
            item.pszText = buffer;
            item.cchTextMax = sizeof(buffer);
            Send(hList, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
            rows[row].push_back(buffer);
        }
    return rows;
}

// The clipboard's CF_TEXT, or "<none>" when it holds no text.
inline std::string ClipboardText() {
    if (!WaitFor([] { return ::OpenClipboard(nullptr) != FALSE; }, 2000))
        return "<clipboard busy>";
    HANDLE hData = ::GetClipboardData(CF_TEXT);
    const char* p = hData ? static_cast<const char*>(::GlobalLock(hData)) : nullptr;
    const std::string text = p ? p : "<none>";
    if (p)
        ::GlobalUnlock(hData);
    ::CloseClipboard();
    return text;
}

} // namespace dialog_driver

#ifdef VELMORA_MUSIC_DLG_FIXTURE
#include <gtest/gtest.h>

#include <functional>
#include <mutex>

#include "music/music_list.h"
#include "tests/support/loopback_server.h"
#include "ui/music_dlg.h"

namespace dialog_driver {

const char kTitle[] = "QQ空间音乐查询，QQ空间音乐克隆(双击复制歌曲地址)";
CWinApp g_app; // the application object the framework expects; named after the executable
std::mutex g_hostMutex;
std::string g_serviceHost = "127.0.0.1:1"; // set between queries, never during one

inline void AimServiceAt(const std::string& hostAndPort) {
    std::lock_guard<std::mutex> lock(g_hostMutex);
    g_serviceHost = hostAndPort;
}

// The service's reply listing `songs` (singer, name, URL), URLs escaped the way it escapes them.
inline std::string Reply(const Table& songs) {
    std::string body;
    for (const auto& song : songs) {
        std::string url;
        for (char c : song[2])
            url += c == ':' ? "&#58;" : c == '.' ? "&#46;" : std::string(1, c);
        body += "<minemusic><xsinger_name><![CDATA[" + song[0] +
                "]]></xsinger_name><xsong_name><![CDATA[" + song[1] +
                "]]></xsong_name><xsong_url><![CDATA[" + url + "]]></xsong_url></minemusic>\r\n";
    }
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=GBK\r\n\r\n<qqmusic>" + body +
           "</qqmusic>";
}

// The rows the list must show for them: each song, then one empty row.
inline Table RowsOf(Table songs) {
    songs.push_back({"", "", ""});
    return songs;
}

// The dialog runs modally on the test's thread while `drive` runs on a second one, sending what
// returns at once and posting what opens a modal box. Whatever it leaves open is closed after.
class MusicDlgFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        AfxWinInit(::GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL);
        WSADATA wsaData;
        ::WSAStartup(MAKEWORD(2, 2), &wsaData);
    }

    INT_PTR Run(const std::function<void(HWND)>& drive) {
        AfxGetApp()->m_pMainWnd = &m_dlg;
        m_uiThread = ::GetCurrentThreadId();
        std::thread driver([&] {
            m_hDlg = WaitForDialog(m_uiThread, kTitle, nullptr, 10000);
            ASSERT_NE(m_hDlg, nullptr) << "the main window did not appear";
            drive(m_hDlg);
            for (HWND hBox; (hBox = FindDialog(m_uiThread, nullptr, m_hDlg)) &&
                              CloseDialog(hBox, IDCANCEL);)
                ADD_FAILURE() << "a box was left open";
            EXPECT_TRUE(!::IsWindow(m_hDlg) || CloseDialog(m_hDlg, IDCANCEL)) << "did not close";
        });
        const INT_PTR result = m_dlg.DoModal();
        driver.join();
        return result;
    }

    HWND Item(int id) const { return ::GetDlgItem(m_hDlg, id); }

    // The click returns once its handler has run: the query's last row is in, unless a box shows.
    long long PressGetMusic(int ms = 20000) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(Send(Item(IDC_GET_MUSIC), BM_CLICK, 0, 0, ms)) << "a box showed";
        return (std::chrono::steady_clock::now() - start) / std::chrono::milliseconds(1);
    }

    // A box owned by the main window, its caption the executable's name, then closed.
    void ExpectBoxAndClose(const char* caption, const char* text) {
        HWND hBox = WaitForDialog(m_uiThread, nullptr, m_hDlg);
        ASSERT_NE(hBox, nullptr) << "no box showing " << text;
        EXPECT_EQ(Text(hBox), caption);
        EXPECT_EQ(MessageBoxText(hBox), text);
        EXPECT_TRUE(CloseDialog(hBox, IDOK));
    }

    CMusicDlg m_dlg;
    DWORD m_uiThread = 0;
    HWND m_hDlg = nullptr;
};

} // namespace dialog_driver

// Defined here, so the linker takes it instead of the real service's host.
const char* MusicServiceHost() {
    std::lock_guard<std::mutex> lock(dialog_driver::g_hostMutex);
    return dialog_driver::g_serviceHost.c_str();
}
#endif
