// The Windows headers as every framework file sees them.
#pragma once

#include <windows.h>

#include <commctrl.h>

// CString::LoadString is a member name. Left defined, the macro would rename it
// to LoadStringA in files that include <windows.h> and not in the others.
#undef LoadString
