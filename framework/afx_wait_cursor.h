// CWaitCursor: the hourglass for as long as the object lives.
#pragma once

#include "framework/afx_platform.h"

// For a blocking call on the window's thread: no message is read meanwhile, so nothing sets the
// cursor back until the destructor puts back the one that was showing.
class CWaitCursor {
public:
    CWaitCursor() : m_hPrevious(::SetCursor(::LoadCursorA(nullptr, IDC_WAIT))) {}
    ~CWaitCursor() { ::SetCursor(m_hPrevious); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    HCURSOR m_hPrevious;
};
