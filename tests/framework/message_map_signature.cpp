// Compiled twice by the build's own tests: as it stands it must compile;
// with VELMORA_WRONG_SIGNATURE, whose handler returns a value the map entry
// does not expect, it must not.
#include "framework/afx_win.h"

class CSignatureTarget : public CCmdTarget {
protected:
#ifdef VELMORA_WRONG_SIGNATURE
    int OnPaint() {
        return 0;
    }
#else
    void OnPaint() {}
#endif
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSignatureTarget, CCmdTarget)
ON_WM_PAINT()
END_MESSAGE_MAP()
