#include "ui/link_label.h"

#include <cstring>

#include "ui/shell_open.h"

CLinkLabel::CLinkLabel()
    : m_bHover(0), m_hWnd(nullptr), m_hFont(nullptr), m_pfnPrevWndProc(nullptr),
      m_bDblClk(0) {
    m_szCaption[0] = '\0';
    m_szUrl[0] = '\0';
}

// Deliberately neither detaches nor frees the font: the window's destruction
// does that, and it comes before the owner's destruction.
CLinkLabel::~CLinkLabel() {}

int CLinkLabel::Attach(HWND hWnd) {
    if (hWnd == nullptr || m_hWnd != nullptr)
        return 0;

    // Without SS_NOTIFY a static is transparent to the mouse: its parent would
    // get the clicks and the label would never see the cursor.
    LONG_PTR style = GetWindowLongPtrA(hWnd, GWL_STYLE);
    SetWindowLongPtrA(hWnd, GWL_STYLE, style | SS_NOTIFY);

    SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_pfnPrevWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LinkWndProc)));

    HFONT hParentFont = reinterpret_cast<HFONT>(SendMessageA(GetParent(hWnd), WM_GETFONT, 0, 0));
    m_hWnd = hWnd;

    // A parent without a font leaves the LOGFONT zeroed: the default font, underlined.
    LOGFONTA lf;
    std::memset(&lf, 0, sizeof lf);
    GetObjectA(hParentFont, sizeof lf, &lf);
    lf.lfUnderline = 1;
    m_hFont = CreateFontIndirectA(&lf);
    return 1;
}

HWND CLinkLabel::Detach() {
    if (m_hWnd == nullptr)
        return nullptr;

    HWND hWnd = m_hWnd;
    HFONT hFont = m_hFont;
    m_hWnd = nullptr;
    m_hFont = nullptr;

    // User data first: a message slipping in between then finds no label.
    SetWindowLongPtrA(hWnd, GWLP_USERDATA, 0);
    SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnPrevWndProc));
    if (hFont != nullptr)
        DeleteObject(hFont);

    // The capture and SS_NOTIFY stay as they are; only our own state goes.
    m_bHover = 0;
    m_bDblClk = 0;
    m_pfnPrevWndProc = nullptr;
    m_szCaption[0] = '\0';
    m_szUrl[0] = '\0';
    return hWnd;
}

int CLinkLabel::SetLink(const char* pszCaption, const char* pszUrl, int bRedraw) {
    // Both lengths are checked before either buffer is touched, so a refusal
    // leaves the old pair intact rather than half of a new one.
    if (std::strlen(pszCaption) >= sizeof m_szCaption || std::strlen(pszUrl) >= sizeof m_szUrl)
        return 0;
    std::strcpy(m_szCaption, pszCaption);
    std::strcpy(m_szUrl, pszUrl);
    if (!bRedraw || m_hWnd == nullptr)
        return 1;

    // Repaint through the parent, erasing, so that a shorter caption does not
    // leave the tail of the longer one behind the transparent text.
    HWND hParent = GetParent(m_hWnd);
    RECT rc;
    GetWindowRect(m_hWnd, &rc);
    ScreenToClient(hParent, reinterpret_cast<POINT*>(&rc.left));
    ScreenToClient(hParent, reinterpret_cast<POINT*>(&rc.right));
    InvalidateRect(hParent, &rc, TRUE);
    return 1;
}

LRESULT CALLBACK CLinkLabel::LinkWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    CLinkLabel* pLabel = reinterpret_cast<CLinkLabel*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (pLabel == nullptr || pLabel->m_hWnd == nullptr)
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);

    switch (uMsg) {
    case WM_DESTROY: {
        // Detaching clears m_pfnPrevWndProc, so keep it for passing the message on.
        WNDPROC pfnPrev = pLabel->m_pfnPrevWndProc;
        pLabel->Detach();
        return CallWindowProcA(pfnPrev, hWnd, uMsg, wParam, lParam);
    }
    case WM_PAINT:
        pLabel->Paint();
        return 1;
    case WM_SETCURSOR:
        SetCursor(LoadCursorA(nullptr, IDC_HAND));
        return 1;
    case WM_MOUSEMOVE:
        pLabel->TrackHover();
        return 0;
    case WM_LBUTTONDOWN:
        // Swallowed: the static would otherwise notify its parent of a click
        // that the release is about to act on.
        pLabel->m_bDblClk = 0;
        return 0;
    case WM_LBUTTONDBLCLK:
        // The click before it has opened the target already; the static
        // still hears of the double-click.
        pLabel->m_bDblClk = 1;
        return CallWindowProcA(pLabel->m_pfnPrevWndProc, hWnd, uMsg, wParam, lParam);
    case WM_LBUTTONUP:
        if (pLabel->m_bDblClk)
            pLabel->m_bDblClk = 0;
        else
            pLabel->OpenTarget();
        return 0;
    case WM_CAPTURECHANGED:
        pLabel->m_bHover = 0;
        return 0;
    default:
        return CallWindowProcA(pLabel->m_pfnPrevWndProc, hWnd, uMsg, wParam, lParam);
    }
}

void CLinkLabel::TrackHover() {
    if (!m_bHover) {
        // No position test: without the capture, moves reach us only while
        // the cursor is over the window.
        SetCapture(m_hWnd);
        m_bHover = 1;
        InvalidateRect(m_hWnd, nullptr, FALSE);
        return;
    }

    POINT pt;
    RECT rc;
    GetCursorPos(&pt);
    GetWindowRect(m_hWnd, &rc);
    // Inclusive on every side, unlike PtInRect: the right and bottom edges hold the hover.
    bool bInside = rc.left <= pt.x && pt.x <= rc.right && rc.top <= pt.y && pt.y <= rc.bottom;
    if (!bInside) {
        // Cleared before the release, so the WM_CAPTURECHANGED it sends finds nothing to do.
        m_bHover = 0;
        ReleaseCapture();
        InvalidateRect(m_hWnd, nullptr, FALSE);
    }
}

// `own` when it is set; otherwise the window's own text, cut to 31 bytes in
// `buffer`. The drawn caption and the opened target share that limit.
static const char* OwnOrWindowText(HWND hWnd, const char* own, char (&buffer)[32]) {
    if (own[0] != '\0')
        return own;
    GetWindowTextA(hWnd, buffer, sizeof buffer);
    return buffer;
}

void CLinkLabel::Paint() {
    char szText[32] = {0};
    const char* pszText = OwnOrWindowText(m_hWnd, m_szCaption, szText);
    RECT rc;
    GetClientRect(m_hWnd, &rc);

    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(m_hWnd, &ps);
    // Without a font of our own (CreateFontIndirectA failed) the text keeps the
    // DC's font; a plain caption is better than none.
    HGDIOBJ hOldFont = m_hFont != nullptr ? SelectObject(hdc, m_hFont) : nullptr;
    SetTextColor(hdc, m_bHover ? RGB(255, 0, 0) : RGB(0, 0, 255));
    SetBkMode(hdc, TRANSPARENT);
    DrawTextA(hdc, pszText, -1, &rc, DT_SINGLELINE | DT_VCENTER);
    if (hOldFont != nullptr)
        SelectObject(hdc, hOldFont);
    EndPaint(m_hWnd, &ps);
}

void CLinkLabel::OpenTarget() {
    char szText[32] = {0};
    ShellOpen(OwnOrWindowText(m_hWnd, m_szUrl, szText));
}
