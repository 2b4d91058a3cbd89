// Helpers for driving a program's own windows from a second thread (or process): bounded waits,
// texts, list rows, the clipboard. With VELMORA_MUSIC_DLG_FIXTURE defined (once per executable),
// also the main window's fixture, its queries aimed at a loopback server.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace dialog_driver {

// Every wait of a test ends: true once `ready()` holds, false after `ms`.
template <class Ready> bool WaitFor(Ready ready, int ms = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!ready()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// A message sent to another thread's window, answered within `ms` or false.
inline bool Send(HWND hWnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
                 LRESULT* pResult = nullptr, int ms = 5000) {
    DWORD_PTR result = 0;
    const bool answered = ::SendMessageTimeoutA(hWnd, message, wParam, lParam, SMTO_NORMAL,
                                                static_cast<UINT>(ms), &result) != 0;
    if (pResult)
        *pResult = static_cast<LRESULT>(result);
    return answered;
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
    LRESULT count = 0;
    Send(hList, LVM_GETITEMCOUNT, 0, 0, &count);
    Table rows(count);
    for (int row = 0; row < count; ++row) {
        for (int column = 0; column < columns; ++column) {
            char buffer[4096] = {};
            LVITEMA item = {};
            item.iSubItem = column;
            item.pszText = buffer;
            item.cchTextMax = sizeof(buffer);
            Send(hList, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
            rows[row].push_back(buffer);
        }
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

inline bool SetClipboardText(const std::string& text) {
    HGLOBAL hBlock = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(::GlobalLock(hBlock), text.c_str(), text.size() + 1);
    ::GlobalUnlock(hBlock);
    if (!WaitFor([] { return ::OpenClipboard(nullptr) != FALSE; }, 2000))
        return false;
    const bool set = ::EmptyClipboard() && ::SetClipboardData(CF_TEXT, hBlock) != nullptr;
    ::CloseClipboard();
    return set;
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
std::string g_serviceHost = "127.0.0.1:1"; // read on the dialog's thread, set between queries

inline void AimServiceAt(const std::string& hostAndPort) {
    std::lock_guard<std::mutex> lock(g_hostMutex);
    g_serviceHost = hostAndPort;
}

inline long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now() - start).count();
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
            EXPECT_NE(m_hDlg, nullptr) << "the main window did not appear";
            if (m_hDlg)
                drive(m_hDlg);
            else
                m_hDlg = m_dlg.m_hWnd;
            for (HWND hBox; (hBox = FindDialog(m_uiThread, nullptr, m_hDlg)) != nullptr;) {
                ADD_FAILURE() << "left open: " << MessageBoxText(hBox);
                if (!CloseDialog(hBox, IDCANCEL))
                    break;
            }
            if (::IsWindow(m_hDlg) && !CloseDialog(m_hDlg, IDCANCEL)) {
                ADD_FAILURE() << "the main window did not close";
                ::EndDialog(m_hDlg, -2);
            }
        });
        const INT_PTR result = m_dlg.DoModal();
        driver.join();
        return result;
    }

    HWND Item(int id) const { return ::GetDlgItem(m_hDlg, id); }

    // The click returns once its handler has run: the query's last row is in, unless a box shows.
    long long PressGetMusic(int ms = 20000) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(Send(Item(IDC_GET_MUSIC), BM_CLICK, 0, 0, nullptr, ms)) << "a box showed";
        return MillisecondsSince(start);
    }

    // A box owned by the main window with the executable's name as caption, then closed.
    void ExpectBoxAndClose(const char* caption, const char* text, int ms = 5000) {
        HWND hBox = WaitForDialog(m_uiThread, nullptr, m_hDlg, ms);
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
    static thread_local std::string host;
    std::lock_guard<std::mutex> lock(dialog_driver::g_hostMutex);
    host = dialog_driver::g_serviceHost;
    return host.c_str();
}
#endif
