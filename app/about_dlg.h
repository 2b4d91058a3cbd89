// CAboutDlg: the about box that the main window opens from its system menu.
#pragma once

#include "framework/afx_win.h"
#include "res/resource.h"

// Everything it does is CDialog's: OK ends it through OnOK, Esc and the close
// box through OnCancel. With no parent it is owned by the main window.
class CAboutDlg : public CDialog {
public:
    enum { IDD = IDD_ABOUTBOX };

    CAboutDlg();

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    DECLARE_MESSAGE_MAP()
};
