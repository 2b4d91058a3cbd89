#include "ui/shell_open.h"

PFN_SHELLEXECUTEA g_pfnShellExecute = ShellExecuteA;
