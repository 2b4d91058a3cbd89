// The program's entry point. Kept out of the afx_win library: the linker
// looks for WinMain only after it has searched the program's own libraries.
#include "framework/afx_win_app.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow) {
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
