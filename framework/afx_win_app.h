// CWinApp, the framework's start-up (AfxWinInit, AfxWinMain) and its program-wide helpers.
#pragma once

#include "framework/afx_string.h"
#include "framework/afx_wnd.h"

// The framework's help command.
#define ID_HELP 0xE146

// The one application object of the program; a global, constructed before
// AfxWinMain runs.
class CWinApp : public CCmdTarget {
public:
    // Without a name (null or empty) the application is named after its
    // executable file, without path and extension, once AfxWinInit runs.
    explicit CWinApp(const char* lpszAppName = nullptr);
    ~CWinApp() override;

    // The program's work: a dialog program runs its dialog here. Its answer is
    // not read: there is no message loop of the application's own to run after it.
    virtual BOOL InitInstance();
    // The exit code of the process.
    virtual int ExitInstance();

    // Opens the application's help file (the executable's name with .HLP).
    void OnHelp();

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    CString m_strAppName; // the caption of every message box
    CString m_strHelpFilePath;

    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();

// Sets the application's instance, name and help file; FALSE without an
// application object.
BOOL AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
// AfxWinInit, then the application's InitInstance; its ExitInstance gives the exit code.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);

// The module that holds the program's resources.
HINSTANCE AfxGetResourceHandle();
// The module that holds resource `lpszName` of type `lpszType`.
HINSTANCE AfxFindResourceHandle(const char* lpszName, const char* lpszType);

// The window that a dialog or message box with this parent is owned by: the
// parent, or else the main window's last active popup; never a child window.
HWND AfxGetSafeOwner(CWnd* pParent);

// A message box owned by the active main window, captioned with the
// application's name. Without an icon in `nType`, a box gets the exclamation
// icon. The result is the button that closed it.
int AfxMessageBox(const char* lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
