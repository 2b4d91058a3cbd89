// CLinkLabel on a real static control of a real dialog: subclassing, texts,
// cursor, clicks, hover through real mouse moves, and the pixels it paints.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/ui/link_label_test_res.h"
#include "ui/link_label.h"
#include "ui/shell_open.h"

namespace {

struct CLinkLabelProbe : CLinkLabel {
    BOOL Hover() const { return m_bHover; }
    HWND Wnd() const { return m_hWnd; }
    HFONT Font() const { return m_hFont; }
    std::string Texts() const { return std::string(m_szCaption) + "|" + m_szUrl; }
};

// Every call of the shell seam as "verb file show", "+" marking an owner, parameters or directory.
std::vector<std::string> g_opened;
HINSTANCE WINAPI RecordShellExecute(HWND hOwner, LPCSTR verb, LPCSTR file, LPCSTR params,
                                    LPCSTR dir, INT nShow) {
    g_opened.push_back(std::string(hOwner || params || dir ? "+" : "") + verb + " " + file + " " +
                       std::to_string(nShow));
    return reinterpret_cast<HINSTANCE>(33);
}

// Sits between the static's own procedure and the label, so a test sees what
// the label passes on, and can tell its WM_DESTROY result from anyone else's.
std::vector<UINT> g_passedOn;
WNDPROC g_pfnStaticProc;
const LRESULT kDestroyResult = 0x5EED;
LRESULT CALLBACK RecordingProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    g_passedOn.push_back(uMsg);
    LRESULT result = CallWindowProcA(g_pfnStaticProc, hWnd, uMsg, wParam, lParam);
    return uMsg == WM_DESTROY ? kDestroyResult : result;
}
long Count(UINT uMsg) { return std::count(g_passedOn.begin(), g_passedOn.end(), uMsg); }

INT_PTR CALLBACK DialogProc(HWND, UINT uMsg, WPARAM, LPARAM) { return uMsg == WM_INITDIALOG; }

// Runs this thread's messages until done() holds; false when 3 s pass first.
int g_nMouseMoves;
template <typename Done> bool PumpUntil(Done done) {
    for (DWORD start = GetTickCount(); !done(); MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT)) {
        if (GetTickCount() - start > 3000)
            return false;
        for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); DispatchMessageA(&msg))
            g_nMouseMoves += msg.message == WM_MOUSEMOVE;
    }
    return true;
}

// SetCursorPos queues a real WM_MOUSEMOVE; wait until one has been handled.
bool MoveCursor(int x, int y) {
    int before = g_nMouseMoves;
    SetCursorPos(x, y);
    return PumpUntil([&] { return g_nMouseMoves > before; });
}

// Pure blue and pure red pixels of a window's client area, as the screen holds them.
struct Ink {
    int nBlue = 0, nRed = 0, nLongestBlueRun = 0, xRightmostBlue = -1; // the underline: a long run
};
Ink ReadInk(HWND hWnd) {
    RECT rc;
    GetClientRect(hWnd, &rc);
    BITMAPINFO bmi = {{sizeof(BITMAPINFOHEADER), rc.right, -rc.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* pBits = nullptr;
    HBITMAP hBmp = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HDC hMem = CreateCompatibleDC(nullptr), hdc = GetDC(hWnd);
    HGDIOBJ hOld = SelectObject(hMem, hBmp);
    BitBlt(hMem, 0, 0, rc.right, rc.bottom, hdc, 0, 0, SRCCOPY);
    ReleaseDC(hWnd, hdc);
    GdiFlush();
    Ink ink;
    for (int y = 0, run = 0; y < rc.bottom; ++y, run = 0)
        for (int x = 0; x < rc.right; ++x) {
            DWORD c = static_cast<const DWORD*>(pBits)[y * rc.right + x] & 0xFFFFFF; // 0xRRGGBB
            ink.nBlue += c == 0x0000FF;
            ink.nRed += c == 0xFF0000;
            run = c == 0x0000FF ? run + 1 : 0;
            ink.nLongestBlueRun = std::max(ink.nLongestBlueRun, run);
            ink.xRightmostBlue = c == 0x0000FF ? x : ink.xRightmostBlue;
        }
    SelectObject(hMem, hOld);
    DeleteDC(hMem);
    DeleteObject(hBmp);
    return ink;
}

int TextWidth(HFONT hFont, const std::string& text) {
    HDC hdc = GetDC(nullptr);
    HGDIOBJ hOld = SelectObject(hdc, hFont);
    SIZE size = {};
    GetTextExtentPoint32A(hdc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(hdc, hOld);
    ReleaseDC(nullptr, hdc);
    return size.cx;
}

class LinkLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_opened.clear();
        g_passedOn.clear();
        m_pfnSavedShell = g_pfnShellExecute;
        g_pfnShellExecute = RecordShellExecute;
        SetCursorPos(10, 10); // off the dialog, so no case starts hovering
        m_hDlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_LINK_TEST),
                                    nullptr, DialogProc, 0);
        ASSERT_NE(m_hDlg, nullptr);
        SetWindowPos(m_hDlg, HWND_TOPMOST, 100, 100, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        m_hLink = GetDlgItem(m_hDlg, IDC_LINK);
        m_hOther = GetDlgItem(m_hDlg, IDC_OTHER);
        g_pfnStaticProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(m_hLink, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc)));
        GetWindowRect(m_hLink, &m_rc);
        UpdateWindow(m_hDlg);
        PumpUntil([] { return true; });
    }
    // Destroying the dialog detaches every label still attached, before the fixture's labels end.
    void TearDown() override {
        if (m_hDlg != nullptr)
            DestroyWindow(m_hDlg);
        g_pfnShellExecute = m_pfnSavedShell;
    }

    LONG_PTR Proc(HWND hWnd) const { return GetWindowLongPtrA(hWnd, GWLP_WNDPROC); }
    LONG_PTR UserData(HWND hWnd) const { return GetWindowLongPtrA(hWnd, GWLP_USERDATA); }
    bool Notifies(HWND hWnd) const { return GetWindowLongPtrA(hWnd, GWL_STYLE) & SS_NOTIFY; }
    bool Hand() {
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        SendMessageA(m_hLink, WM_SETCURSOR, WPARAM(m_hLink), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor() == LoadCursorA(nullptr, IDC_HAND);
    }
    // Wine 8 keeps window pixels in memory even on its null driver, so this holds with or without
    // DISPLAY. A driver keeping none would make the pixel cases meaningless: they skip then, but
    // never where DISPLAY is set.
    bool ScreenKeepsPixels() {
        HDC hdc = GetDC(m_hLink);
        SetPixel(hdc, 0, 0, RGB(1, 2, 3));
        bool bKept = GetPixel(hdc, 0, 0) == RGB(1, 2, 3);
        ReleaseDC(m_hLink, hdc);
        Repaint();
        EXPECT_TRUE(bKept || std::getenv("DISPLAY") == nullptr) << "DISPLAY set, no pixels kept";
        return bKept;
    }
    // Through the parent, as SetLink does: a static erases nothing itself.
    void Repaint() {
        RECT rc = m_rc;
        MapWindowPoints(nullptr, m_hDlg, reinterpret_cast<POINT*>(&rc), 2);
        RedrawWindow(m_hDlg, &rc, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }

    PFN_SHELLEXECUTEA m_pfnSavedShell = nullptr;
    HWND m_hDlg = nullptr, m_hLink = nullptr, m_hOther = nullptr;
    RECT m_rc; // the link's window, in screen co-ordinates
    CLinkLabelProbe m_label, m_other;
};

TEST_F(LinkLabelTest, AttachAndDetachRoundTrip) {
    ASSERT_FALSE(Notifies(m_hLink));
    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    EXPECT_EQ(Proc(m_hLink), reinterpret_cast<LONG_PTR>(CLinkLabel::LinkWndProc));
    EXPECT_EQ(UserData(m_hLink), reinterpret_cast<LONG_PTR>(&m_label));
    EXPECT_TRUE(Notifies(m_hLink));
    EXPECT_TRUE(Hand());

    // An underlined copy of the dialog's own font.
    LOGFONTA parent = {}, own = {};
    GetObjectA(HFONT(SendMessageA(m_hDlg, WM_GETFONT, 0, 0)), sizeof parent, &parent);
    HFONT hFont = m_label.Font();
    ASSERT_EQ(GetObjectA(hFont, sizeof own, &own), static_cast<int>(sizeof own));
    EXPECT_EQ(std::to_string(own.lfHeight) + own.lfFaceName + char('0' + own.lfUnderline),
              std::to_string(parent.lfHeight) + parent.lfFaceName + char('1' + parent.lfUnderline));

    ASSERT_EQ(m_label.SetLink("caption", "http://velmora.example/", 0), 1);
    EXPECT_EQ(m_label.Detach(), m_hLink);
    EXPECT_EQ(Proc(m_hLink), reinterpret_cast<LONG_PTR>(RecordingProc));
    EXPECT_EQ(UserData(m_hLink), 0);
    EXPECT_TRUE(Notifies(m_hLink));
    EXPECT_FALSE(Hand()) << "the static's own procedure has the cursor again";
    EXPECT_EQ(m_label.Texts(), "|");
    EXPECT_EQ(m_label.Font(), nullptr);
    EXPECT_EQ(GetObjectType(hFont), 0u) << "the underlined font was not deleted";

    // A detached label may be attached again, here to another window.
    ASSERT_EQ(m_label.Attach(m_hOther), 1);
    EXPECT_EQ(UserData(m_hOther), reinterpret_cast<LONG_PTR>(&m_label));
}

TEST_F(LinkLabelTest, RefusalsChangeNothing) {
    EXPECT_EQ(m_label.Detach(), nullptr);
    EXPECT_EQ(m_label.Attach(nullptr), 0);
    EXPECT_EQ(m_label.Wnd(), nullptr);
    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    HFONT hFont = m_label.Font();
    LONG_PTR otherProc = Proc(m_hOther);
    for (HWND hWnd : {m_hOther, m_hLink, HWND(nullptr)}) {
        EXPECT_EQ(m_label.Attach(hWnd), 0);
        EXPECT_EQ(m_label.Wnd(), m_hLink);
        EXPECT_EQ(m_label.Font(), hFont);
    }
    EXPECT_EQ(Proc(m_hOther), otherProc);
    EXPECT_EQ(UserData(m_hOther), 0);
    EXPECT_FALSE(Notifies(m_hOther));
    // Had the second Attach to the same window gone through, the saved procedure would be its own.
    EXPECT_EQ(m_label.Detach(), m_hLink);
    EXPECT_EQ(Proc(m_hLink), reinterpret_cast<LONG_PTR>(RecordingProc));
    EXPECT_EQ(m_label.Detach(), nullptr);
}

TEST_F(LinkLabelTest, DestroyIsPassedOnAndDetaches) {
    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    EXPECT_EQ(SendMessageA(m_hLink, WM_DESTROY, 0, 0), kDestroyResult);
    EXPECT_EQ(Count(WM_DESTROY), 1);
    EXPECT_EQ(m_label.Wnd(), nullptr);
    EXPECT_EQ(Proc(m_hLink), reinterpret_cast<LONG_PTR>(RecordingProc));
    // The real thing: the dialog's destruction detaches both labels.
    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    ASSERT_EQ(m_other.Attach(m_hOther), 1);
    DestroyWindow(m_hDlg);
    m_hDlg = nullptr;
    EXPECT_EQ(Count(WM_DESTROY), 2);
    EXPECT_EQ(m_label.Wnd(), nullptr);
    EXPECT_EQ(m_other.Wnd(), nullptr);
}

// Limits in bytes, attached or not: a refusal keeps the old pair whole.
TEST_F(LinkLabelTest, SetLinkLengthLimitsInBytes) {
    std::string c31(31, 'c'), c32(32, 'c'), u1023(1023, 'u'), u1024(1024, 'u'), hanzi15;
    for (int i = 0; i < 15; ++i)
        hanzi15 += "网"; // two bytes each in GBK
    const struct {
        std::string caption, url;
    } rows[] = {{"", ""}, {c31, "u"}, {c32, "u"}, {"c", u1023}, {"c", u1024}, {c31, u1023},
                {c31, u1024}, {c32, u1023}, {hanzi15 + "c", "u"}, {hanzi15 + "网", "u"}};
    for (int attached = 0; attached < 2; ++attached) {
        ASSERT_EQ(m_label.Attach(attached ? m_hLink : nullptr), attached);
        for (const auto& r : rows) {
            const bool fits = r.caption.size() < 32 && r.url.size() < 1024;
            ASSERT_EQ(m_label.SetLink("old", "old-url", 0), 1);
            EXPECT_EQ(m_label.SetLink(r.caption.c_str(), r.url.c_str(), 1), fits ? 1 : 0)
                << r.caption.size() << "/" << r.url.size();
            EXPECT_EQ(m_label.Texts(), fits ? r.caption + "|" + r.url : "old|old-url");
        }
    }
}

TEST_F(LinkLabelTest, HandCursorWhateverTheHitTest) {
    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    for (int nHit : {HTCLIENT, HTNOWHERE, HTCAPTION, HTERROR, HTTRANSPARENT}) {
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        EXPECT_EQ(SendMessageA(m_hLink, WM_SETCURSOR, WPARAM(m_hLink), MAKELPARAM(nHit, WM_MOUSEMOVE)), 1);
        EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND)) << "hit-test " << nHit;
    }
}

// The press is swallowed; the release opens the URL, or the window text cut to 31 bytes.
TEST_F(LinkLabelTest, OpensOnReleaseTheUrlOrTheWindowTextCutTo31Bytes) {
    const std::string text40 = "0123456789abcdefghijklmnopqrstuvwxyz-+=!", site = "http://velmora.example/";
    const struct {
        std::string windowText, url, expected;
    } rows[] = {{"官方网站", site, site}, {"官方网站", "", "官方网站"},
                {text40, "", text40.substr(0, 31)}, {text40.substr(0, 31), "", text40.substr(0, 31)}};
    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    for (const auto& r : rows) {
        g_opened.clear();
        SetWindowTextA(m_hLink, r.windowText.c_str());
        ASSERT_EQ(m_label.SetLink("", r.url.c_str(), 0), 1);
        EXPECT_EQ(SendMessageA(m_hLink, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2)), 0);
        EXPECT_TRUE(g_opened.empty()) << "the press opened it";
        EXPECT_EQ(SendMessageA(m_hLink, WM_LBUTTONUP, 0, MAKELPARAM(2, 2)), 0);
        EXPECT_EQ(g_opened, std::vector<std::string>{"open " + r.expected + " 1"}); // SW_SHOWNORMAL
    }
    EXPECT_EQ(Count(WM_LBUTTONDOWN) + Count(WM_LBUTTONUP), 0);
}

// Through real input, which reaches the label only because Attach set SS_NOTIFY.
TEST_F(LinkLabelTest, HoverFollowsRealMouseMovesWithInclusiveEdges) {
    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    const RECT rc = m_rc;
    const int x = (rc.left + rc.right) / 2, y = (rc.top + rc.bottom) / 2;
    const struct {
        int x, y;
        bool bHover;
    } rows[] = {{x, y, true},           {rc.right, y, true},      {x, rc.bottom, true},
                {rc.right, rc.bottom, true}, {rc.left, y, true}, {x, rc.top, true},
                {rc.right + 1, y, false}, {x, y, true},           {x, rc.bottom + 1, false},
                {rc.left + 1, rc.top + 1, true}, {rc.left - 1, y, false}, {x, y, true},
                {x, rc.top - 1, false}};
    for (const auto& r : rows) {
        ASSERT_TRUE(MoveCursor(r.x, r.y)) << &r - rows;
        EXPECT_EQ(m_label.Hover() != 0, r.bHover) << &r - rows;
        EXPECT_EQ(GetCapture() == m_hLink, r.bHover) << &r - rows;
    }
}

TEST_F(LinkLabelTest, CaptureTakenAwayClearsHoverWithoutRepaint) {
    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    ASSERT_TRUE(MoveCursor(m_rc.left + 5, m_rc.top + 5));
    ASSERT_TRUE(m_label.Hover());
    UpdateWindow(m_hLink);
    SetCapture(m_hDlg);
    EXPECT_FALSE(m_label.Hover());
    EXPECT_FALSE(GetUpdateRect(m_hLink, nullptr, FALSE));
    ReleaseCapture();
    // The next move over the label starts hovering again.
    ASSERT_TRUE(MoveCursor(m_rc.left + 6, m_rc.top + 5));
    EXPECT_TRUE(m_label.Hover());
    EXPECT_EQ(GetCapture(), m_hLink);
}

TEST_F(LinkLabelTest, PaintsUnderlinedBlueAndRedWhileHovered) {
    if (!ScreenKeepsPixels())
        GTEST_SKIP() << "this display driver keeps no pixels to read back";
    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    ASSERT_EQ(m_label.SetLink("Velmora site", "http://velmora.example/", 1), 1);
    Repaint();
    Ink ink = ReadInk(m_hLink);
    EXPECT_GT(ink.nBlue, 0);
    EXPECT_EQ(ink.nRed, 0);
    EXPECT_GE(ink.nLongestBlueRun, TextWidth(m_label.Font(), "Velmora site") - 2) << "no underline";

    ASSERT_TRUE(MoveCursor(m_rc.left + 5, m_rc.top + 5));
    ASSERT_TRUE(m_label.Hover());
    UpdateWindow(m_hLink);
    ink = ReadInk(m_hLink);
    EXPECT_GT(ink.nRed, 0);
    EXPECT_EQ(ink.nBlue, 0);

    // Capture taken away: the flag goes, the red stays until the next paint.
    SetCapture(m_hDlg);
    UpdateWindow(m_hLink);
    EXPECT_GT(ReadInk(m_hLink).nRed, 0);
    ReleaseCapture();
    Repaint();
    ink = ReadInk(m_hLink);
    EXPECT_GT(ink.nBlue, 0);
    EXPECT_EQ(ink.nRed, 0);
}

TEST_F(LinkLabelTest, EmptyCaptionPaintsTheWindowTextCutTo31Bytes) {
    if (!ScreenKeepsPixels())
        GTEST_SKIP() << "this display driver keeps no pixels to read back";
    const std::string text = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    SetWindowTextA(m_hLink, text.c_str());
    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    Repaint();
    const int w31 = TextWidth(m_label.Font(), text.substr(0, 31));
    ASSERT_GT(m_rc.right - m_rc.left, TextWidth(m_label.Font(), text)) << "the label must fit it all";
    ASSERT_GT(TextWidth(m_label.Font(), text.substr(0, 32)) - w31, 3);
    Ink ink = ReadInk(m_hLink);
    EXPECT_NEAR(ink.xRightmostBlue + 1, w31, 2);
    EXPECT_GE(ink.nLongestBlueRun, w31 - 2);
}

} // namespace
