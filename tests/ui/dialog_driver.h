// Helpers for driving a program's own windows from a second thread (or process): bounded waits,
// texts, list rows, the clipboard.
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
    for (;;) {
        if (ready())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
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
    HWND owner;        // null: any
    HWND found;
};

inline BOOL CALLBACK MatchDialog(HWND hWnd, LPARAM lParam) {
    DialogQuery* pQuery = reinterpret_cast<DialogQuery*>(lParam);
    if (ClassName(hWnd) != "#32770" || !::IsWindowVisible(hWnd))
        return TRUE;
    if (pQuery->owner && ::GetWindow(hWnd, GW_OWNER) != pQuery->owner)
        return TRUE;
    if (pQuery->title && Text(hWnd) != pQuery->title)
        return TRUE;
    pQuery->found = hWnd;
    return FALSE;
}

// A dialog-class window (#32770) of `threadId`: these tests run in parallel with
// others that show the same titles, so a search by title alone is not enough.
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
inline std::string MessageBoxText(HWND hBox) {
    return Text(::GetDlgItem(hBox, 0xFFFF));
}

// Presses a dialog's button by command and waits until the window is gone.
inline bool CloseDialog(HWND hWnd, int id = IDOK, int ms = 5000) {
    ::PostMessageA(hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    return WaitFor([&] { return !::IsWindow(hWnd); }, ms);
}

// Every row of a report list view, each cell read whole.
inline std::vector<std::vector<std::string>> Rows(HWND hList, int columns = 3) {
    std::vector<std::vector<std::string>> rows;
    LRESULT count = 0;
    Send(hList, LVM_GETITEMCOUNT, 0, 0, &count);
    for (int row = 0; row < count; ++row) {
        std::vector<std::string> cells;
        for (int column = 0; column < columns; ++column) {
            char buffer[4096] = {};
            LVITEMA item = {};
            item.iSubItem = column;
            item.pszText = buffer;
            item.cchTextMax = sizeof(buffer);
            Send(hList, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
            cells.push_back(buffer);
        }
        rows.push_back(cells);
    }
    return rows;
}

// The clipboard's CF_TEXT, or "<none>" when it holds no text.
inline std::string ClipboardText() {
    std::string text = "<none>";
    if (!WaitFor([] { return ::OpenClipboard(nullptr) != FALSE; }, 2000))
        return "<clipboard busy>";
    if (HANDLE hData = ::GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(::GlobalLock(hData))) {
            text = p;
            ::GlobalUnlock(hData);
        }
    }
    ::CloseClipboard();
    return text;
}

inline bool SetClipboardText(const std::string& text) {
    if (!WaitFor([] { return ::OpenClipboard(nullptr) != FALSE; }, 2000))
        return false;
    ::EmptyClipboard();
    HGLOBAL hBlock = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    bool set = false;
    if (hBlock) {
        memcpy(::GlobalLock(hBlock), text.c_str(), text.size() + 1);
        ::GlobalUnlock(hBlock);
        set = ::SetClipboardData(CF_TEXT, hBlock) != nullptr;
        if (!set)
            ::GlobalFree(hBlock);
    }
    ::CloseClipboard();
    return set;
}

} // namespace dialog_driver
