// CMusicApp: the application object, which runs the main window and ends the program.
#pragma once

#include "framework/afx_win.h"

class CMusicApp : public CWinApp {
public:
    CMusicApp();
    ~CMusicApp() override;

    // Starts Windows Sockets, runs the main window modally, and answers FALSE
    // so that the program ends when the window closes.
    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CMusicApp theApp;
