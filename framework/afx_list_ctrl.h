// CListCtrl: a list view control, with the messages this program sends it.
#pragma once

#include "framework/afx_wnd.h"

class CListCtrl : public CWnd {
public:
    DWORD GetExtendedStyle() const {
        return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE));
    }
    // Mask 0 stands for every bit: the whole extended style becomes `dwNewStyle`.
    DWORD SetExtendedStyle(DWORD dwNewStyle) {
        return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, dwNewStyle));
    }
    int InsertColumn(int nCol, const LVCOLUMNA* pColumn) {
        return static_cast<int>(
            SendMessage(LVM_INSERTCOLUMNA, nCol, reinterpret_cast<LPARAM>(pColumn)));
    }
    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    int GetNextItem(int nItem, int nFlags) const {
        return static_cast<int>(SendMessage(LVM_GETNEXTITEM, nItem, MAKELPARAM(nFlags, 0)));
    }
    // Row -1 stands for every row.
    BOOL SetItemState(int nItem, UINT nState, UINT nMask) {
        LVITEMA item = {};
        item.state = nState;
        item.stateMask = nMask;
        return static_cast<BOOL>(
            SendMessage(LVM_SETITEMSTATE, nItem, reinterpret_cast<LPARAM>(&item)));
    }
    BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }

    // The index of the new row, or -1.
    int InsertItem(UINT nMask, int nItem, const char* lpszItem, UINT nState, UINT nStateMask,
                   int nImage, LPARAM lParam);
    BOOL SetItemText(int nItem, int nSubItem, const char* lpszText);
    // The cell's text, up to its first kMaxItemText bytes: no cell the program
    // fills holds more, the reply scanner cutting every value there.
    enum { kMaxItemText = 1023 };
    CString GetItemText(int nItem, int nSubItem) const;
};
