#include "framework/afx_wnd.h"

#include <map>
#include <memory>

#include "framework/afx_menu.h"
#include "framework/afx_win_app.h"

namespace {

// Which object each subclassed window belongs to. Not a window property:
// this lookup runs for every message, and under Wine every GetProp is a
// round trip to the wineserver (filling the list with 10,000 songs spent
// about 2 s in it). The program has one thread, so the map needs no lock.
std::map<HWND, CWnd*> g_objects;

CWnd* ObjectOf(HWND hWnd) {
    const auto found = g_objects.find(hWnd);
    return found == g_objects.end() ? nullptr : found->second;
}

void Bind(HWND hWnd, CWnd* pWnd) {
    if (pWnd)
        g_objects[hWnd] = pWnd;
    else
        g_objects.erase(hWnd);
}

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

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!Attach(hWnd))
        return FALSE;
    Bind(hWnd, this);
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::WindowProc)));
    return TRUE;
}

void CWnd::Unsubclass() {
    ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    Bind(m_hWnd, nullptr);
    m_pfnSuper = nullptr;
    Detach();
}

LRESULT CALLBACK CWnd::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = ObjectOf(hWnd);
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
    if (!hWnd)
        return nullptr;
    if (CWnd* pBound = ObjectOf(hWnd))
        return pBound;
    // One wrapper per handle; handles are few and the program is short-lived.
    static std::map<HWND, std::unique_ptr<CWnd>> s_wrappers;
    std::unique_ptr<CWnd>& pWrapper = s_wrappers[hWnd];
    if (!pWrapper)
        pWrapper.reset(new CWnd);
    pWrapper->m_hWnd = hWnd;
    return pWrapper.get();
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
