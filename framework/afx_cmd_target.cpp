#include "framework/afx_cmd_target.h"

namespace {

const AFX_MSGMAP_ENTRY s_rootEntries[] = {{0, 0, 0, nullptr}};
const AFX_MSGMAP s_rootMap = {nullptr, s_rootEntries};

bool Matches(const AFX_MSGMAP_ENTRY& entry, UINT message, WPARAM wParam, LPARAM lParam) {
    if (entry.nMessage != message)
        return false;
    switch (message) {
    case WM_COMMAND:
        // Ids are 16 bits wide here; IDC_STATIC's -1 arrives as 0xFFFF.
        return entry.nCode == HIWORD(wParam) && LOWORD(entry.nID) == LOWORD(wParam);
    case WM_NOTIFY: {
        const NMHDR* pHeader = reinterpret_cast<const NMHDR*>(lParam);
        return pHeader && entry.nCode == pHeader->code && entry.nID == pHeader->idFrom;
    }
    default:
        return true;
    }
}

} // namespace

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    return &s_rootMap;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* pMap, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    for (; pMap; pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* pEntry = pMap->lpEntries; pEntry->pfn; ++pEntry) {
            if (Matches(*pEntry, message, wParam, lParam))
                return pEntry;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    const AFX_MSGMAP_ENTRY* pEntry = AfxFindMessageEntry(GetMessageMap(), message, wParam, lParam);
    if (!pEntry)
        return FALSE;
    *pResult = pEntry->pfn(this, wParam, lParam);
    return TRUE;
}
