#include "framework/afx_wnd.h"

#include "framework/afx_menu.h"
#include "framework/afx_temp_map.h"
#include "framework/afx_win_app.h"

namespace {

struct CurrentMessage {
    HWND hWnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// The message being routed, for Default(); saved and restored around each
// dispatch because handlers run nested modal loops (message boxes, the about box).
CurrentMessage g_current = {nullptr, 0, 0, 0};

} // namespace

CWnd::~CWnd() {
    // Never destroys the window; it only stops routing its messages here.
    if (m_pfnSuper && m_hWnd && ::IsWindow(m_hWnd))
        Unsubclass();
    CWinApp* pApp = AfxGetApp();
    if (pApp && pApp->m_pMainWnd == this)
        pApp->m_pMainWnd = nullptr;
}

BOOL CWnd::Attach(HWND hWnd) {
    if (!hWnd || m_hWnd)
        return FALSE;
    m_hWnd = hWnd;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND hWnd = m_hWnd;
    m_hWnd = nullptr;
    return hWnd;
}

// A subclassed window keeps its object where the link label keeps its own: in
// the window's user data, read for every message at the cost of a field read
// (a window property would be a round trip to the Wine server each time).
BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!Attach(hWnd))
        return FALSE;
    ::SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::WindowProc)));
    return TRUE;
}

void CWnd::Unsubclass() {
    ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    ::SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
    m_pfnSuper = nullptr;
    Detach();
}

LRESULT CALLBACK CWnd::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = reinterpret_cast<CWnd*>(::GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (!pWnd)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);

    const CurrentMessage saved = g_current;
    g_current = {hWnd, message, wParam, lParam};
    LRESULT result = 0;
    if (message == WM_NCDESTROY) {
        // The window's last message: let its own procedure see it, then unhook,
        // so the object no longer names a window that is gone.
        result = ::CallWindowProcA(pWnd->m_pfnSuper, hWnd, message, wParam, lParam);
        pWnd->Unsubclass();
    } else if (!pWnd->OnWndMsg(message, wParam, lParam, &result)) {
        result = ::CallWindowProcA(pWnd->m_pfnSuper, hWnd, message, wParam, lParam);
    }
    g_current = saved;
    return result;
}

LRESULT CWnd::Default() {
    const CurrentMessage& msg = g_current;
    if (!m_pfnSuper)
        return ::DefWindowProcA(m_hWnd, msg.message, msg.wParam, msg.lParam);
    return ::CallWindowProcA(m_pfnSuper, m_hWnd, msg.message, msg.wParam, msg.lParam);
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    // Only a window that runs this procedure holds a CWnd in its user data.
    if (hWnd && ::GetWindowLongPtrA(hWnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&WindowProc))
        return reinterpret_cast<CWnd*>(::GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    return AfxTemporaryWrapper(hWnd, &CWnd::m_hWnd);
}

CWnd* CWnd::GetDlgItem(int nID) const {
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const {
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert));
}

void CWnd::GetWindowText(CString& rString) const {
    const int length = ::GetWindowTextLengthA(m_hWnd);
    char* pBuffer = rString.GetBuffer(length + 1);
    ::GetWindowTextA(m_hWnd, pBuffer, length + 1);
    rString.ReleaseBuffer();
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd)
        return;
    rControl.SubclassWindow(pDX->PrepareCtrl(nIDC));
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (!hWndCtrl)
        return;
    if (pDX->m_bSaveAndValidate) {
        CWnd::FromHandle(hWndCtrl)->GetWindowText(value);
    } else {
        // Only a text that differs is written: setting an edit box's text
        // resets its caret and, for long texts, costs a full re-layout.
        CString current;
        CWnd::FromHandle(hWndCtrl)->GetWindowText(current);
        if (current != value)
            ::SetWindowTextA(hWndCtrl, value);
    }
}
