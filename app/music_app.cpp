// Winsock's header must come before <windows.h>, which the framework includes.
#include <winsock2.h>

#include "app/music_app.h"

#include "ui/music_dlg.h"

BEGIN_MESSAGE_MAP(CMusicApp, CWinApp)
ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CMusicApp theApp;

CMusicApp::CMusicApp() : CWinApp(nullptr) {}

CMusicApp::~CMusicApp() = default;

BOOL CMusicApp::InitInstance() {
    // Once per process and never shut down: the process's end releases it. A
    // failure is left for each query to meet, and report, on its own.
    WSADATA wsaData;
    ::WSAStartup(MAKEWORD(2, 2), &wsaData);

    CMusicDlg dlg(nullptr);
    m_pMainWnd = &dlg;
    // However the window closes, or if it never opens, the program ends the same way.
    dlg.DoModal();
    return FALSE;
}
