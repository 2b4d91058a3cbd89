// The main window built from the program's own IDD_MAIN, run modally on the test's thread while a
// second thread drives it: bounded waits, texts, boxes, list rows. Its queries go to a loopback
// server through this executable's own MusicServiceHost(). Once per executable.
#pragma once

#include <winsock2.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "music/music_list.h"
#include "tests/http/log_entries.h"
#include "tests/music/song_body.h"
#include "tests/support/loopback_server.h"
#include "ui/music_dlg.h"

using Table = std::vector<std::vector<std::string>>;
using velmora_test::LoopbackServer;
using velmora_test::Step;

CWinApp g_app; // the application object the framework expects; named after the executable
// Set on the test's thread before its dialog runs, which is the thread that queries.
std::string g_serviceHost = "127.0.0.1:1";
const char* MusicServiceHost() {
    return g_serviceHost.c_str();
} // preferred to the real one

// Every wait of a test ends: true once `ready()` holds, false after `ms`.
template <class Ready> bool WaitFor(Ready ready, int ms = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (; !ready(); std::this_thread::sleep_for(std::chrono::milliseconds(10)))
        if (std::chrono::steady_clock::now() >= end)
            return false;
    return true;
}

// A message sent to the window's thread: its answer, or -1 when none came within `ms`.
inline LRESULT Send(HWND hWnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0, int ms = 5000) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(hWnd, message, wParam, lParam, SMTO_NORMAL, ms, &result)
               ? LRESULT(result)
               : -1;
}

inline std::string Text(HWND hWnd) {
    char buffer[2048] = {};
    Send(hWnd, WM_GETTEXT, sizeof(buffer), LPARAM(buffer));
    return buffer;
}

// Every row of a report list view, each cell read whole.
inline Table Rows(HWND hList) {
    Table rows(Send(hList, LVM_GETITEMCOUNT), std::vector<std::string>(3));
    char buffer[4096];
    for (size_t row = 0; row < rows.size(); ++row)
        for (int column = 0; column < 3; ++column) {
            ListView_GetItemText(hList, int(row), column, buffer, sizeof(buffer));
            rows[row][column] = buffer;
        }
    return rows;
}

// The service's reply listing `songs` (singer, name, URL).
inline std::string Reply(const Table& songs) {
    std::string records;
    for (const auto& s : songs)
        records += velmora_test::SongRecord(s[0].c_str(), s[1].c_str(), s[2].c_str());
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=GBK\r\n\r\n" +
           velmora_test::SongBody(records);
}

// Double- and right-clicks on the list that no handler took: they went on to the dialog manager.
std::atomic<int> g_listClicksPassedOn{0};
class CMusicDlgProbe : public CMusicDlg {
    BOOL OnInitDialog() override {
        s_pfnDialogManager = std::exchange(m_pfnSuper, &PassOn);
        return CMusicDlg::OnInitDialog();
    }
    static LRESULT CALLBACK PassOn(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
        const UINT code = message == WM_NOTIFY ? reinterpret_cast<NMHDR*>(lParam)->code : 0;
        g_listClicksPassedOn += wParam == IDC_SONG_LIST && (code == NM_RCLICK || code == NM_DBLCLK);
        return ::CallWindowProcA(s_pfnDialogManager, hWnd, message, wParam, lParam);
    }
    static inline WNDPROC s_pfnDialogManager;
};

// The dialog runs modally on the test's thread while `drive` runs on a second one, sending what
// returns at once and posting what opens a modal box. Whatever it leaves open is closed after.
class MusicDlgFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() { AfxWinInit(::GetModuleHandleA(nullptr), 0, 0, SW_SHOWNORMAL); }

    INT_PTR Run(const std::function<void(HWND)>& drive) {
        AfxGetApp()->m_pMainWnd = &m_dlg;
        m_uiThread = ::GetCurrentThreadId();
        std::thread driver([&] {
            m_hDlg = Box(nullptr, "QQ空间音乐查询，QQ空间音乐克隆(双击复制歌曲地址)", 10000);
            ASSERT_NE(m_hDlg, nullptr) << "the main window did not appear";
            drive(m_hDlg);
            for (HWND hBox; (hBox = Box(m_hDlg, nullptr, 0)) && Close(hBox, IDCANCEL);)
                ADD_FAILURE() << "a box was left open";
            EXPECT_TRUE(!::IsWindow(m_hDlg) || Close(m_hDlg, IDCANCEL)) << "did not close";
        });
        const INT_PTR result = m_dlg.DoModal();
        driver.join();
        return result;
    }

    // A visible dialog of the window's thread owned by `owner`, within `ms` (0: as things stand):
    // tests run in parallel with others showing the same titles.
    HWND Box(HWND owner, const char* title = nullptr, int ms = 5000) const {
        HWND found = nullptr;
        WaitFor(
            [&] {
                while ((found = ::FindWindowExA(nullptr, found, "#32770", title)))
                    if (::GetWindowThreadProcessId(found, nullptr) == m_uiThread &&
                        ::IsWindowVisible(found) && ::GetWindow(found, GW_OWNER) == owner)
                        return true;
                return false;
            },
            ms);
        return found;
    }

    // Presses a dialog's button by command; true once the window is gone.
    static bool Close(HWND hWnd, int id) {
        ::PostMessageA(hWnd, WM_COMMAND, id, 0);
        return WaitFor([&] { return !::IsWindow(hWnd); });
    }

    HWND Item(int id) const { return ::GetDlgItem(m_hDlg, id); }

    // The click returns once its handler has run: the query's last row is in, unless a box shows.
    long long PressGetMusic(int ms = 20000) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_NE(Send(Item(IDC_GET_MUSIC), BM_CLICK, 0, 0, ms), -1) << "a box showed";
        return velmora_test::MillisecondsSince(start);
    }

    CMusicDlgProbe m_dlg;
    DWORD m_uiThread = 0;
    HWND m_hDlg = nullptr;
};
