// CMusicDlg: the main window: the QQ-number box, the get-music button, the song list and the link
// label.
#pragma once

#include "framework/afx_win.h"
#include "music/song_info.h"
#include "res/resource.h"
#include "ui/link_label.h"

class CMusicDlg : public CDialog {
public:
    enum { IDD = IDD_MAIN };

    explicit CMusicDlg(CWnd* pParent = nullptr);
    ~CMusicDlg() override;

    // Where a minimised window draws an icon of cx by cy in its client area:
    // centred, (client − icon + 1) / 2 in integer division toward zero.
    static POINT IconOrigin(const RECT& rcClient, int cxIcon, int cyIcon);

    // Bound to the dialog's controls by data exchange.
    CListCtrl m_listSongs;
    CString m_strQQ;

protected:
    HICON m_hIcon; // shared, loaded once; never destroyed
    CLinkLabel m_link;

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnChangeQqEdit();
    void OnGetMusic();
    void OnClickSiteLink();
    void OnRclickSongList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnDblclkSongList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnKeydownSongList(NMHDR* pNMHDR, LRESULT* pResult);

    void AddSongRow(CSongInfo song);
    // Puts `strUrls` on the clipboard as text and confirms it; does nothing for an empty text.
    void CopyUrls(const CString& strUrls);
    void InitListColumns();
    void QueryMusic();

    DECLARE_MESSAGE_MAP()
};
