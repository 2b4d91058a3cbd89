// CMusicApp: the application object, which runs the main window and ends the program.
#pragma once

#include "framework/afx_win.h"

class CMusicApp : public CWinApp {
public:
    CMusicApp();
    ~CMusicApp() override;

    // Starts Windows Sockets and runs the main window modally; the program ends
    // when this returns, whatever it answers.
    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CMusicApp theApp;
