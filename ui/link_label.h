// CLinkLabel: turns a static text control of a dialog into a hyperlink.
#pragma once

#include <windows.h>

// Subclasses an existing static control; it never creates a window of its own.
// The object must outlive its attachment: destroying the window (or calling
// Detach) ends the attachment, destroying the object does not.
class CLinkLabel {
public:
    CLinkLabel();
    virtual ~CLinkLabel();

    CLinkLabel(const CLinkLabel&) = delete;
    CLinkLabel& operator=(const CLinkLabel&) = delete;

    // 1 when the window is now a link label, 0 for a null window or a label
    // that is already attached (nothing changes then).
    int Attach(HWND hWnd);
    // The window that was attached, or null; empties caption and URL.
    HWND Detach();
    // 1 when stored; 0, storing neither text, for a caption of 32 bytes or more
    // or a URL of 1024 bytes or more. An empty caption draws, and an empty URL
    // opens, the window's own text.
    int SetLink(const char* pszCaption, const char* pszUrl, int bRedraw);

    static LRESULT CALLBACK LinkWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    void TrackHover();

protected:
    BOOL m_bHover;
    HWND m_hWnd;
    HFONT m_hFont;
    char m_szCaption[32];
    char m_szUrl[1024];
    WNDPROC m_pfnPrevWndProc;
    // Set by a double-click, so that the release ending it does not open the
    // target a second time.
    BOOL m_bDblClk;

private:
    void Paint();
    void OpenTarget();
};
