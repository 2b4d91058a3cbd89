// ShellOpen: the program's one door to the shell's "open", replaceable in tests.
#pragma once

#include <windows.h>

#include <shellapi.h>

typedef HINSTANCE(WINAPI* PFN_SHELLEXECUTEA)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);

// Points at ShellExecuteA. Tests point it at a recorder so that no browser starts.
extern PFN_SHELLEXECUTEA g_pfnShellExecute;

// Opens `target` (a web address) with the shell's "open", shown normally. A failure is not
// reported: there is nobody to tell but the user, whose browser simply does not appear.
void ShellOpen(const char* target);
