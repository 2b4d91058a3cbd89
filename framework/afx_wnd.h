// CWnd: a window handle with the framework's message routing; CDataExchange and the DDX functions.
#pragma once

#include "framework/afx_cmd_target.h"
#include "framework/afx_string.h"

class CDataExchange;
class CMenu;

// A thin wrapper: the object is an HWND and forwards to the API. Destroying the
// object never destroys the window. A window subclassed by the framework
// (dialogs, controls bound by DDX_Control) routes its messages through the
// object's message map and falls back to the procedure it had before.
class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    ~CWnd() override;

    HWND m_hWnd = nullptr;

    operator HWND() const { return m_hWnd; }

    // Wraps `hWnd` without subclassing it; refused (FALSE) for a null handle
    // or when this object already wraps a window.
    BOOL Attach(HWND hWnd);
    HWND Detach();
    // Attach, and route the window's messages through this object until the
    // window is destroyed, which detaches it.
    BOOL SubclassWindow(HWND hWnd);

    // A wrapper for a window this program did not bind, or null for a null
    // handle. It lives as long as the program; do not keep it beyond a handler.
    static CWnd* FromHandle(HWND hWnd);

    CWnd* GetDlgItem(int nID) const;
    // TRUE: controls into members; FALSE: members into controls.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    // Default processing of the message now being handled: the procedure the
    // window had before the framework subclassed it.
    LRESULT Default();

    CMenu* GetSystemMenu(BOOL bRevert) const;
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    void GetWindowText(CString& rString) const;
    // Drawing off while many changes go in, so that the window is not drawn once a change; back
    // on, it is drawn anew, once.
    void SetRedraw(BOOL bRedraw) {
        SendMessage(WM_SETREDRAW, bRedraw, 0);
        if (bRedraw)
            ::InvalidateRect(m_hWnd, nullptr, TRUE);
    }

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    void Unsubclass();

    WNDPROC m_pfnSuper = nullptr; // the procedure before subclassing

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// One direction of data exchange between a dialog's controls and its members.
class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    // The dialog's control with id `nIDC`, or null.
    HWND PrepareCtrl(int nIDC) const { return ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC); }

    BOOL m_bSaveAndValidate; // TRUE: controls into members
    CWnd* m_pDlgWnd;
};

// Binds control `nIDC` to `rControl` the first time only, whatever the direction.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// The control's window text into `value`, or `value` into the control.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
