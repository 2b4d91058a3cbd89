#include "ui/shell_open.h"

PFN_SHELLEXECUTEA g_pfnShellExecute = ShellExecuteA;

void ShellOpen(const char* target) {
    g_pfnShellExecute(nullptr, "open", target, nullptr, nullptr, SW_SHOWNORMAL);
}
