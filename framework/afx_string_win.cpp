// CString's Windows-only part: loading from the string table.
#include "framework/afx_platform.h"
#include "framework/afx_string.h"
#include "framework/afx_win_app.h"

bool CString::LoadString(unsigned int id) {
    HINSTANCE hInst = AfxGetResourceHandle();
    for (int size = 256; size <= (1 << 16); size *= 2) {
        char* pBuffer = GetBuffer(size);
        const int copied = ::LoadStringA(hInst, id, pBuffer, size);
        if (copied < size - 1) {
            ReleaseBuffer(copied);
            return copied > 0;
        }
    }
    ReleaseBuffer();
    return !IsEmpty();
}
