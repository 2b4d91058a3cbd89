#include "framework/afx_dialog.h"

#include "framework/afx_win_app.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

INT_PTR CDialog::DoModal() {
    // The list view class must exist before a template that names it is built.
    static const bool s_bControlsRegistered = [] {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
        return ::InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)s_bControlsRegistered;

    const char* lpszTemplate = MAKEINTRESOURCEA(m_nIDTemplate);
    HINSTANCE hInst = AfxFindResourceHandle(lpszTemplate, RT_DIALOG);
    HWND hWndOwner = AfxGetSafeOwner(m_pParentWnd);
    return ::DialogBoxParamA(hInst, lpszTemplate, hWndOwner, &CDialog::DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam) {
    // Only WM_INITDIALOG is handled here. From then on the window is
    // subclassed: its messages reach the message map first and come back
    // here, unhandled, on their way to the dialog manager's defaults.
    if (message != WM_INITDIALOG)
        return FALSE;
    CDialog* pDlg = reinterpret_cast<CDialog*>(lParam);
    pDlg->SubclassWindow(hWnd);
    return pDlg->OnInitDialog();
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (CWnd::OnWndMsg(message, wParam, lParam, pResult))
        return TRUE;
    CWinApp* pApp = AfxGetApp();
    return message == WM_COMMAND && pApp && pApp->OnWndMsg(message, wParam, lParam, pResult);
}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}
