#include "framework/afx_win_app.h"

namespace {

CWinApp* s_pApp = nullptr;

// The path of `hModule`'s file without its extension.
std::string ModulePathWithoutExtension(HMODULE hModule) {
    char szPath[MAX_PATH] = {};
    ::GetModuleFileNameA(hModule, szPath, MAX_PATH);
    std::string path = szPath;
    const size_t dot = path.rfind('.'), slash = path.find_last_of("\\/");
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        path.erase(dot);
    return path;
}

// The running executable's file name without directory and extension.
CString ExecutableName() {
    const std::string path = ModulePathWithoutExtension(nullptr);
    return CString(path.substr(path.find_last_of("\\/") + 1)); // npos + 1 is 0
}

} // namespace

// Empty: an application maps the framework's commands it wants, ID_HELP among them.
BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* lpszAppName) : m_strAppName(lpszAppName) {
    s_pApp = this;
}

CWinApp::~CWinApp() {
    if (s_pApp == this)
        s_pApp = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return 0;
}

void CWinApp::OnHelp() {
    HWND hWndMain = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    ::WinHelpA(hWndMain, m_strHelpFilePath, HELP_FINDER, 0);
}

CWinApp* AfxGetApp() {
    return s_pApp;
}

CWnd* AfxGetMainWnd() {
    return s_pApp ? s_pApp->m_pMainWnd : nullptr;
}

BOOL AfxWinInit(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return FALSE;
    pApp->m_hInstance = hInstance;
    if (pApp->m_strAppName.IsEmpty())
        pApp->m_strAppName = ExecutableName();
    pApp->m_strHelpFilePath = CString(ModulePathWithoutExtension(hInstance) + ".HLP");
    return TRUE;
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow) {
    if (!AfxWinInit(hInstance, hPrevInstance, lpCmdLine, nCmdShow))
        return -1;
    CWinApp* pApp = AfxGetApp();
    // A dialog application does its whole work in InitInstance, the dialog's
    // modal loop being the program's only one; when it returns, the program ends.
    pApp->InitInstance();
    return pApp->ExitInstance();
}

HINSTANCE AfxGetResourceHandle() {
    CWinApp* pApp = AfxGetApp();
    if (pApp && pApp->m_hInstance)
        return pApp->m_hInstance;
    return ::GetModuleHandleA(nullptr);
}

HINSTANCE AfxFindResourceHandle(const char*, const char*) {
    // Every resource lives in the executable; there are no resource DLLs.
    return AfxGetResourceHandle();
}

HWND AfxGetSafeOwner(CWnd* pParent) {
    HWND hWnd = pParent ? pParent->m_hWnd : nullptr;
    if (!pParent) {
        CWnd* pMain = AfxGetMainWnd();
        hWnd = pMain ? pMain->m_hWnd : nullptr;
    }
    // A popup cannot be owned by a child window.
    while (hWnd && (::GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD))
        hWnd = ::GetParent(hWnd);
    // With no parent given, stack on whatever popup of the main window is
    // active, so a box shown from the about box is owned by the about box.
    if (!pParent && hWnd)
        hWnd = ::GetLastActivePopup(hWnd);
    return hWnd;
}

int AfxMessageBox(const char* lpszText, UINT nType, UINT) {
    // The program shows only OK boxes; without an icon of their own they warn.
    if ((nType & MB_ICONMASK) == 0)
        nType |= MB_ICONEXCLAMATION;
    CWinApp* pApp = AfxGetApp();
    const CString caption =
        pApp && !pApp->m_strAppName.IsEmpty() ? pApp->m_strAppName : ExecutableName();
    return ::MessageBoxA(AfxGetSafeOwner(nullptr), lpszText, caption, nType);
}
