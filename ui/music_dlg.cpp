#include "ui/music_dlg.h"

#include <cstring>
#include <string>
#include <vector>

#include "app/about_dlg.h"
#include "music/music_list.h"
#include "ui/shell_open.h"

namespace {

const char kLinkCaption[] = "QQ空间克隆网站"; // the template's own text of the label
const char kSiteUrl[] = "http://www.velmora.example";
const char kDefaultNumber[] = "123456789";
const char kCopied[] = "歌曲地址已经成功复制到剪切板!";
const char kFetchFailed[] = "无法连接到网络!";

// Column captions as fixed 20-byte fields, and widths in pixels at 96 DPI; there are as many
// columns as captions.
const char s_szColumnCaptions[][20] = {"歌手", "歌曲名", "歌曲网址"};
const int s_nColumnWidths[] = {80, 120, 250};
const int kColumnCount = sizeof(s_szColumnCaptions) / sizeof(s_szColumnCaptions[0]);
const int kUrlColumn = 2;

} // namespace

BEGIN_MESSAGE_MAP(CMusicDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_EN_CHANGE(IDC_QQ_EDIT, OnChangeQqEdit)
ON_BN_CLICKED(IDC_GET_MUSIC, OnGetMusic)
ON_STN_CLICKED(IDC_SITE_LINK, OnClickSiteLink)
ON_NOTIFY(NM_RCLICK, IDC_SONG_LIST, OnRclickSongList)
ON_NOTIFY(NM_DBLCLK, IDC_SONG_LIST, OnDblclkSongList)
ON_NOTIFY(LVN_KEYDOWN, IDC_SONG_LIST, OnKeydownSongList)
END_MESSAGE_MAP()

CMusicDlg::CMusicDlg(CWnd* pParent) : CDialog(CMusicDlg::IDD, pParent) {
    m_strQQ = "";
    const char* lpszIcon = MAKEINTRESOURCEA(IDR_MAINFRAME);
    m_hIcon = ::LoadIconA(AfxFindResourceHandle(lpszIcon, RT_GROUP_ICON), lpszIcon);
}

// The link label was detached when the window was destroyed, before this runs.
CMusicDlg::~CMusicDlg() = default;

void CMusicDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SONG_LIST, m_listSongs);
    DDX_Text(pDX, IDC_QQ_EDIT, m_strQQ);
}

BOOL CMusicDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    if (CMenu* pSysMenu = GetSystemMenu(FALSE)) {
        CString strAboutMenu;
        strAboutMenu.LoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.IsEmpty()) {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    m_strQQ = kDefaultNumber;
    UpdateData(FALSE);
    // An edit box takes only 30,000 typed or pasted characters unless told
    // otherwise, and this one has no limit: 0 lifts it.
    if (CWnd* pEdit = GetDlgItem(IDC_QQ_EDIT))
        pEdit->SendMessage(EM_LIMITTEXT, 0, 0);

    CWnd* pLink = GetDlgItem(IDC_SITE_LINK);
    m_link.Attach(pLink ? pLink->m_hWnd : nullptr);
    m_link.SetLink(kLinkCaption, kSiteUrl, FALSE);

    InitListColumns();
    return TRUE; // the framework gives the focus to the first tab stop, the edit box
}

void CMusicDlg::InitListColumns() {
    m_listSongs.SetExtendedStyle(m_listSongs.GetExtendedStyle() | LVS_EX_GRIDLINES |
                                 LVS_EX_FULLROWSELECT);
    // The dialog grows with the screen's DPI through its font; the columns, set in pixels, grow
    // by the same factor, rounded to the nearest pixel. Every Windows answers LOGPIXELSX.
    HDC hdc = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(hdc, LOGPIXELSX);
    ::ReleaseDC(nullptr, hdc);
    for (int i = 0; i < kColumnCount; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_CENTER;
        column.cx = (s_nColumnWidths[i] * dpi + 48) / 96;
        column.pszText = const_cast<char*>(s_szColumnCaptions[i]);
        column.iSubItem = i;
        m_listSongs.InsertColumn(i, &column);
    }
}

void CMusicDlg::OnSysCommand(UINT nID, LPARAM) {
    // The low four bits of a system command belong to the system.
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        Default();
    }
}

POINT CMusicDlg::IconOrigin(const RECT& rcClient, int cxIcon, int cyIcon) {
    const int width = rcClient.right - rcClient.left;
    const int height = rcClient.bottom - rcClient.top;
    return POINT{(width - cxIcon + 1) / 2, (height - cyIcon + 1) / 2};
}

void CMusicDlg::OnPaint() {
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    RECT rcClient;
    GetClientRect(&rcClient);
    const POINT pt =
        IconOrigin(rcClient, ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON));
    dc.DrawIcon(pt.x, pt.y, m_hIcon);
}

HCURSOR CMusicDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

// The number follows the edit box only through data exchange.
void CMusicDlg::OnChangeQqEdit() {}

void CMusicDlg::OnGetMusic() {
    UpdateData(TRUE);
    UpdateData(FALSE);
    QueryMusic();
    UpdateData(FALSE);
}

void CMusicDlg::QueryMusic() {
    bool bFetched;
    {
        // The hourglass until the last row is in, or until the failure box, whose own message
        // loop would show the arrow again anyway.
        CWaitCursor wait;
        m_listSongs.DeleteAllItems();
        CString strBody;
        bFetched = FetchMusicList(m_strQQ, strBody);
        if (bFetched) {
            const std::vector<CSongInfo> songs = ScanSongs(strBody);
            // A visible list repaints after every insertion, a cost that grows with the list;
            // with drawing off during the fill, it repaints once, after it.
            m_listSongs.SetRedraw(FALSE);
            for (const CSongInfo& song : songs)
                AddSongRow(song);
            m_listSongs.SetRedraw(TRUE);
        }
    }
    if (!bFetched)
        AfxMessageBox(kFetchFailed, 0, 0);
}

void CMusicDlg::AddSongRow(CSongInfo song) {
    // Addressed by the count, not by what the insertion answers: the list
    // never sorts, so the two agree.
    const int nItem = m_listSongs.GetItemCount();
    m_listSongs.InsertItem(LVIF_TEXT | LVIF_STATE, nItem, "", 0, LVIS_SELECTED, 0, 0);
    m_listSongs.SetItemText(nItem, 0, song.m_strSinger);
    m_listSongs.SetItemText(nItem, 1, song.m_strSongName);
    m_listSongs.SetItemText(nItem, 2, song.m_strSongUrl);
}

void CMusicDlg::OnClickSiteLink() {
    ShellOpen(kSiteUrl);
}

void CMusicDlg::OnRclickSongList(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
}

void CMusicDlg::OnDblclkSongList(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    // The first selected row in index order, not the row the click named.
    const int nItem = m_listSongs.GetNextItem(-1, LVNI_SELECTED);
    if (nItem >= 0)
        CopyUrls(m_listSongs.GetItemText(nItem, kUrlColumn));
}

// Ctrl+C and Ctrl+Insert copy every selected row's URL, Ctrl+A selects every row: the keys of
// any list whose items a user copies. The list view does neither by itself.
void CMusicDlg::OnKeydownSongList(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    const WORD wKey = reinterpret_cast<NMLVKEYDOWN*>(pNMHDR)->wVKey;
    if (::GetKeyState(VK_CONTROL) >= 0)
        return;
    if (wKey == 'A') {
        // As for the fill: drawn once, after every row has changed, not once a row.
        m_listSongs.SetRedraw(FALSE);
        m_listSongs.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
        m_listSongs.SetRedraw(TRUE);
        return;
    }
    if (wKey != 'C' && wKey != VK_INSERT)
        return;
    // In row order, one a line; rows without a URL give no line, not an empty one. The text is
    // built once, so copying every one of 10,000 rows stays linear.
    std::string strUrls;
    for (int nItem = -1; (nItem = m_listSongs.GetNextItem(nItem, LVNI_SELECTED)) >= 0;) {
        const CString strUrl = m_listSongs.GetItemText(nItem, kUrlColumn);
        if (!strUrl.IsEmpty())
            strUrls.append(strUrls.empty() ? "" : "\r\n").append(strUrl.str());
    }
    CopyUrls(CString(std::move(strUrls)));
}

// Both copies end here: the text goes on the clipboard and the box confirms it. No URL, nothing
// to copy: nothing is said either.
void CMusicDlg::CopyUrls(const CString& strUrls) {
    if (strUrls.IsEmpty())
        return;
    // Held by another program: copy nothing and say nothing.
    if (!::OpenClipboard(m_hWnd))
        return;
    ::EmptyClipboard();
    bool bCopied = false;
    const SIZE_T cbText = static_cast<SIZE_T>(strUrls.GetLength()) + 1;
    if (HGLOBAL hBlock = ::GlobalAlloc(GMEM_DDESHARE, cbText)) {
        if (void* pText = ::GlobalLock(hBlock)) {
            std::memcpy(pText, static_cast<const char*>(strUrls), cbText);
            ::GlobalUnlock(hBlock);
            // Once accepted, the block is the clipboard's; refused, it is still ours.
            bCopied = ::SetClipboardData(CF_TEXT, hBlock) != nullptr;
        }
        if (!bCopied)
            ::GlobalFree(hBlock);
    }
    ::CloseClipboard();
    // The clipboard is closed before the box, so others can paste while it shows.
    if (bCopied)
        AfxMessageBox(kCopied, 0, 0);
}
