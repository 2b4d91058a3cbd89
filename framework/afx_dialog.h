// CDialog: a modal dialog built from a dialog template of the program's resources.
#pragma once

#include "framework/afx_wnd.h"

class CDialog : public CWnd {
public:
    CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // The value given to EndDialog, or -1 when the dialog could not be made.
    virtual INT_PTR DoModal();
    // The framework's part of initialisation: the first UpdateData(FALSE).
    // TRUE gives the focus to the first tab stop.
    virtual BOOL OnInitDialog();
    void EndDialog(int nResult) { ::EndDialog(m_hWnd, nResult); }

    // Commands the dialog does not handle go on to the application's map.
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

protected:
    // Enter: controls into members, then end with IDOK.
    virtual void OnOK();
    // Esc and the close box: end with IDCANCEL, no data exchange.
    virtual void OnCancel();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};
