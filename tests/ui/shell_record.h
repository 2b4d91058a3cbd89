// The shell seam recorded instead of opening anything: every call as "verb file show", with "+"
// in front when an owner window, parameters or a directory came along too.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/shell_open.h"

inline std::vector<std::string> g_opened;

inline HINSTANCE WINAPI RecordShellExecute(HWND hOwner, LPCSTR verb, LPCSTR file, LPCSTR params,
                                           LPCSTR dir, INT nShow) {
    g_opened.push_back(std::string(hOwner || params || dir ? "+" : "") + verb + " " + file + " " +
                       std::to_string(nShow));
    return HINSTANCE(33); // above 32: opened
}
