// CLinkLabel on a real static control of a real dialog: subclassing, texts,
// cursor, clicks, hover through real mouse moves, and the pixels it paints.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/ui/link_label_test_res.h"
#include "ui/link_label.h"
#include "ui/shell_open.h"

namespace {

// Reads the label's state; adds no behaviour.
class CLinkLabelProbe : public CLinkLabel {
public:
    BOOL Hover() const { return m_bHover; }
    HWND Wnd() const { return m_hWnd; }
    HFONT Font() const { return m_hFont; }
    std::string Caption() const { return m_szCaption; }
    std::string Url() const { return m_szUrl; }
};

struct ShellCall {
    HWND hOwner;
    std::string verb, file;
    bool bParams, bDir;
    INT nShow;
};
std::vector<ShellCall> g_shellCalls;

HINSTANCE WINAPI RecordShellExecute(HWND hOwner, LPCSTR verb, LPCSTR file, LPCSTR params,
                                    LPCSTR dir, INT nShow) {
    g_shellCalls.push_back({hOwner, verb ? verb : "(null)", file ? file : "(null)",
                            params != nullptr, dir != nullptr, nShow});
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

int Count(UINT uMsg) {
    int n = 0;
    for (UINT m : g_passedOn)
        n += m == uMsg;
    return n;
}

INT_PTR CALLBACK DialogProc(HWND, UINT uMsg, WPARAM, LPARAM) {
    return uMsg == WM_INITDIALOG;
}

int g_nMouseMoves;

// Runs this thread's messages until done() holds; false when 3 s pass first.
template <typename Done> bool PumpUntil(Done done) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            g_nMouseMoves += msg.message == WM_MOUSEMOVE;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done())
            return true;
        if (GetTickCount() - start > 3000)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// SetCursorPos queues a real WM_MOUSEMOVE; wait until one has been handled.
bool MoveCursor(int x, int y) {
    int before = g_nMouseMoves;
    SetCursorPos(x, y);
    return PumpUntil([&] { return g_nMouseMoves > before; });
}

// Pure blue and pure red pixels of a window's client area, as the screen holds them.
struct Ink {
    int nBlue = 0, nRed = 0;
    int nLongestBlueRun = 0; // the underline shows as one long run
    int xRightmostBlue = -1;
};

Ink ReadInk(HWND hWnd) {
    RECT rc;
    GetClientRect(hWnd, &rc);
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = rc.right;
    bmi.bmiHeader.biHeight = -rc.bottom;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    void* pBits = nullptr;
    HBITMAP hBmp = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HDC hMem = CreateCompatibleDC(nullptr);
    HGDIOBJ hOld = SelectObject(hMem, hBmp);
    HDC hdc = GetDC(hWnd);
    BitBlt(hMem, 0, 0, rc.right, rc.bottom, hdc, 0, 0, SRCCOPY);
    ReleaseDC(hWnd, hdc);
    GdiFlush();

    Ink ink;
    const DWORD* px = static_cast<const DWORD*>(pBits);
    for (int y = 0; y < rc.bottom; ++y) {
        int run = 0;
        for (int x = 0; x < rc.right; ++x) {
            DWORD c = px[y * rc.right + x] & 0xFFFFFF; // 0xRRGGBB in a DIB
            bool bBlue = c == 0x0000FF;
            ink.nBlue += bBlue;
            ink.nRed += c == 0xFF0000;
            run = bBlue ? run + 1 : 0;
            if (run > ink.nLongestBlueRun)
                ink.nLongestBlueRun = run;
            if (bBlue && x > ink.xRightmostBlue)
                ink.xRightmostBlue = x;
        }
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
        g_shellCalls.clear();
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
        UpdateWindow(m_hDlg);
        PumpUntil([] { return true; });
    }

    // Destroying the dialog detaches every label still attached, before the
    // fixture's labels end.
    void TearDown() override {
        if (m_hDlg != nullptr)
            DestroyWindow(m_hDlg);
        g_pfnShellExecute = m_pfnSavedShell;
    }

    LONG_PTR Proc(HWND hWnd) const { return GetWindowLongPtrA(hWnd, GWLP_WNDPROC); }
    LONG_PTR UserData(HWND hWnd) const { return GetWindowLongPtrA(hWnd, GWLP_USERDATA); }
    bool Notifies(HWND hWnd) const { return GetWindowLongPtrA(hWnd, GWL_STYLE) & SS_NOTIFY; }

    RECT LinkRect() const {
        RECT rc;
        GetWindowRect(m_hLink, &rc);
        return rc;
    }

    // Wine 8 keeps window pixels in memory even on its null driver, so this
    // holds with or without DISPLAY. A driver that kept none would make the
    // pixel cases meaningless: they skip then, but never where DISPLAY is set.
    bool ScreenKeepsPixels() {
        HDC hdc = GetDC(m_hLink);
        SetPixel(hdc, 0, 0, RGB(1, 2, 3));
        bool bKept = GetPixel(hdc, 0, 0) == RGB(1, 2, 3);
        ReleaseDC(m_hLink, hdc);
        Repaint();
        if (!bKept && std::getenv("DISPLAY") != nullptr)
            ADD_FAILURE() << "DISPLAY is set but the screen keeps no pixels";
        return bKept;
    }

    // Through the parent, as SetLink does: a static erases nothing itself, so
    // only the dialog's background clears what was drawn before.
    void Repaint() {
        RECT rc = LinkRect();
        MapWindowPoints(nullptr, m_hDlg, reinterpret_cast<POINT*>(&rc), 2);
        RedrawWindow(m_hDlg, &rc, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }

    PFN_SHELLEXECUTEA m_pfnSavedShell = nullptr;
    HWND m_hDlg = nullptr, m_hLink = nullptr, m_hOther = nullptr;
    CLinkLabelProbe m_label, m_other;
};

TEST_F(LinkLabelTest, AttachAndDetachRoundTrip) {
    ASSERT_FALSE(Notifies(m_hLink));
    ASSERT_EQ(UserData(m_hLink), 0);

    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    EXPECT_EQ(Proc(m_hLink), reinterpret_cast<LONG_PTR>(CLinkLabel::LinkWndProc));
    EXPECT_EQ(UserData(m_hLink), reinterpret_cast<LONG_PTR>(&m_label));
    EXPECT_TRUE(Notifies(m_hLink));

    // An underlined copy of the dialog's own font, not the default one.
    LOGFONTA parent = {}, own = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(m_hDlg, WM_GETFONT, 0, 0)), sizeof parent,
               &parent);
    HFONT hFont = m_label.Font();
    ASSERT_EQ(GetObjectA(hFont, sizeof own, &own), static_cast<int>(sizeof own));
    EXPECT_EQ(own.lfUnderline, 1);
    EXPECT_EQ(own.lfHeight, parent.lfHeight);
    EXPECT_STREQ(own.lfFaceName, parent.lfFaceName);
    EXPECT_EQ(parent.lfUnderline, 0);

    ASSERT_EQ(m_label.SetLink("caption", "http://velmora.example/", 0), 1);
    EXPECT_EQ(m_label.Detach(), m_hLink);
    EXPECT_EQ(Proc(m_hLink), reinterpret_cast<LONG_PTR>(RecordingProc));
    EXPECT_EQ(UserData(m_hLink), 0);
    EXPECT_TRUE(Notifies(m_hLink));
    EXPECT_EQ(m_label.Caption(), "");
    EXPECT_EQ(m_label.Url(), "");
    EXPECT_EQ(m_label.Font(), nullptr);
    EXPECT_EQ(GetObjectType(hFont), 0u) << "the underlined font was not deleted";

    // Detached, the static's own procedure has the cursor again; attached, the hand.
    HCURSOR hHand = LoadCursorA(nullptr, IDC_HAND);
    SetCursor(hHand);
    SendMessageA(m_hLink, WM_SETCURSOR, reinterpret_cast<WPARAM>(m_hLink),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(GetCursor(), hHand);

    // A detached label may be attached again, here to another window.
    ASSERT_EQ(m_label.Attach(m_hOther), 1);
    EXPECT_EQ(UserData(m_hOther), reinterpret_cast<LONG_PTR>(&m_label));
    EXPECT_EQ(UserData(m_hLink), 0);
}

TEST_F(LinkLabelTest, RefusalsChangeNothing) {
    EXPECT_EQ(m_label.Detach(), nullptr);
    EXPECT_EQ(m_label.Attach(nullptr), 0);
    EXPECT_EQ(m_label.Wnd(), nullptr);
    EXPECT_EQ(m_label.Font(), nullptr);

    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    HFONT hFont = m_label.Font();
    LONG_PTR otherProc = Proc(m_hOther);
    for (HWND hWnd : {m_hOther, m_hLink, static_cast<HWND>(nullptr)}) {
        EXPECT_EQ(m_label.Attach(hWnd), 0);
        EXPECT_EQ(m_label.Wnd(), m_hLink);
        EXPECT_EQ(m_label.Font(), hFont);
    }
    EXPECT_EQ(Proc(m_hOther), otherProc);
    EXPECT_EQ(UserData(m_hOther), 0);
    EXPECT_FALSE(Notifies(m_hOther));
    // Had the second Attach to the same window gone through, the previous
    // procedure would now be LinkWndProc itself.
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

TEST_F(LinkLabelTest, SetLinkLengthLimitsInBytes) {
    std::string hanzi15;
    for (int i = 0; i < 15; ++i)
        hanzi15 += "网"; // two bytes each in GBK
    struct Row {
        std::string caption, url;
        int expected;
    } rows[] = {
        {"", "", 1},
        {std::string(31, 'c'), "u", 1},
        {std::string(32, 'c'), "u", 0},
        {"c", std::string(1023, 'u'), 1},
        {"c", std::string(1024, 'u'), 0},
        {std::string(31, 'c'), std::string(1023, 'u'), 1},
        {std::string(31, 'c'), std::string(1024, 'u'), 0},
        {std::string(32, 'c'), std::string(1023, 'u'), 0},
        {hanzi15 + "c", "u", 1},
        {hanzi15 + "网", "u", 0},
    };
    for (int attached = 0; attached < 2; ++attached) {
        if (attached) {
            ASSERT_EQ(m_label.Attach(m_hLink), 1);
        }
        for (const Row& r : rows) {
            ASSERT_EQ(m_label.SetLink("old", "old-url", 0), 1);
            EXPECT_EQ(m_label.SetLink(r.caption.c_str(), r.url.c_str(), 1), r.expected)
                << r.caption.size() << "/" << r.url.size();
            EXPECT_EQ(m_label.Caption(), r.expected ? r.caption : "old");
            EXPECT_EQ(m_label.Url(), r.expected ? r.url : "old-url");
        }
    }
}

TEST_F(LinkLabelTest, SetLinkRedrawInvalidatesTheParentAreaOnlyWhenAttachedAndAsked) {
    RECT rcLink = LinkRect();
    MapWindowPoints(nullptr, m_hDlg, reinterpret_cast<POINT*>(&rcLink), 2);
    struct Row {
        bool bAttached;
        int bRedraw;
        bool bInvalid;
    } rows[] = {{false, 1, false}, {true, 0, false}, {true, 1, true}};
    for (const Row& r : rows) {
        if (r.bAttached && m_label.Wnd() == nullptr) {
            ASSERT_EQ(m_label.Attach(m_hLink), 1);
        }
        UpdateWindow(m_hDlg);
        ASSERT_FALSE(GetUpdateRect(m_hDlg, nullptr, FALSE));
        EXPECT_EQ(m_label.SetLink("Velmora", "http://velmora.example/", r.bRedraw), 1);
        RECT rc;
        EXPECT_EQ(GetUpdateRect(m_hDlg, &rc, FALSE) != 0, r.bInvalid) << r.bAttached << r.bRedraw;
        if (r.bInvalid) {
            EXPECT_TRUE(EqualRect(&rc, &rcLink));
        }
        EXPECT_EQ(m_label.Caption(), "Velmora");
    }
}

TEST_F(LinkLabelTest, HandCursorWhateverTheHitTest) {
    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    HCURSOR hHand = LoadCursorA(nullptr, IDC_HAND), hArrow = LoadCursorA(nullptr, IDC_ARROW);
    ASSERT_NE(hHand, hArrow);
    for (int nHit : {HTCLIENT, HTNOWHERE, HTCAPTION, HTERROR, HTTRANSPARENT}) {
        SetCursor(hArrow);
        EXPECT_EQ(SendMessageA(m_hLink, WM_SETCURSOR, reinterpret_cast<WPARAM>(m_hLink),
                               MAKELPARAM(nHit, WM_MOUSEMOVE)),
                  1);
        EXPECT_EQ(GetCursor(), hHand) << "hit-test " << nHit;
    }
}

TEST_F(LinkLabelTest, OpensOnReleaseTheUrlOrTheWindowTextCutTo31Bytes) {
    const std::string text40 = "0123456789abcdefghijklmnopqrstuvwxyz-+=!";
    struct Row {
        std::string windowText, url, expected;
    } rows[] = {
        {"官方网站", "http://velmora.example/", "http://velmora.example/"},
        {"官方网站", "", "官方网站"},
        {text40, "", text40.substr(0, 31)},
        {text40.substr(0, 31), "", text40.substr(0, 31)},
    };
    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    for (const Row& r : rows) {
        g_shellCalls.clear();
        SetWindowTextA(m_hLink, r.windowText.c_str());
        ASSERT_EQ(m_label.SetLink("", r.url.c_str(), 0), 1);
        EXPECT_EQ(SendMessageA(m_hLink, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2)), 0);
        EXPECT_TRUE(g_shellCalls.empty()) << "the press opened it";
        EXPECT_EQ(SendMessageA(m_hLink, WM_LBUTTONUP, 0, MAKELPARAM(2, 2)), 0);
        ASSERT_EQ(g_shellCalls.size(), 1u);
        const ShellCall& c = g_shellCalls[0];
        EXPECT_EQ(c.hOwner, nullptr);
        EXPECT_EQ(c.verb, "open");
        EXPECT_EQ(c.file, r.expected);
        EXPECT_FALSE(c.bParams);
        EXPECT_FALSE(c.bDir);
        EXPECT_EQ(c.nShow, SW_SHOWNORMAL);
    }
    EXPECT_EQ(Count(WM_LBUTTONDOWN), 0);
    EXPECT_EQ(Count(WM_LBUTTONUP), 0);
}

// Through real input: the click reaches the label only because Attach set SS_NOTIFY.
TEST_F(LinkLabelTest, RealClicksSwallowThePressAndOpenOnEveryRelease) {
    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    ASSERT_EQ(m_label.SetLink("Velmora", "http://velmora.example/", 0), 1);
    RECT rc = LinkRect();
    ASSERT_TRUE(MoveCursor(rc.left + 5, (rc.top + rc.bottom) / 2));
    ASSERT_TRUE(m_label.Hover());

    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    ASSERT_TRUE(PumpUntil([] { return g_shellCalls.size() == 1; }));
    EXPECT_EQ(g_shellCalls[0].file, "http://velmora.example/");
    EXPECT_TRUE(m_label.Hover()) << "a click changes no hover state";
    EXPECT_EQ(GetCapture(), m_hLink);

    // A second click in time is a double-click: its press goes on to the
    // static, and its release opens the target a second time.
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    ASSERT_TRUE(PumpUntil([] { return g_shellCalls.size() == 2; }));
    EXPECT_EQ(Count(WM_LBUTTONDOWN), 0);
    EXPECT_EQ(Count(WM_LBUTTONDBLCLK), 1);
    EXPECT_EQ(Count(WM_LBUTTONUP), 0);
}

TEST_F(LinkLabelTest, HoverFollowsRealMouseMovesWithInclusiveEdges) {
    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    RECT rc = LinkRect();
    int xMid = (rc.left + rc.right) / 2, yMid = (rc.top + rc.bottom) / 2;
    struct Row {
        const char* where;
        int x, y;
        bool bHover;
    } rows[] = {
        {"middle", xMid, yMid, true},
        {"right edge", rc.right, yMid, true},
        {"bottom edge", xMid, rc.bottom, true},
        {"bottom-right corner", rc.right, rc.bottom, true},
        {"left edge", rc.left, yMid, true},
        {"top edge", xMid, rc.top, true},
        {"past the right edge", rc.right + 1, yMid, false},
        {"back inside", xMid, yMid, true},
        {"past the bottom edge", xMid, rc.bottom + 1, false},
        {"inside again", rc.left + 1, rc.top + 1, true},
        {"past the left edge", rc.left - 1, yMid, false},
        {"inside once more", xMid, yMid, true},
        {"past the top edge", xMid, rc.top - 1, false},
    };
    for (const Row& r : rows) {
        ASSERT_TRUE(MoveCursor(r.x, r.y)) << r.where;
        EXPECT_EQ(m_label.Hover() != 0, r.bHover) << r.where;
        EXPECT_EQ(GetCapture() == m_hLink, r.bHover) << r.where;
    }
}

TEST_F(LinkLabelTest, CaptureTakenAwayClearsHoverWithoutRepaint) {
    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    RECT rc = LinkRect();
    ASSERT_TRUE(MoveCursor(rc.left + 5, rc.top + 5));
    ASSERT_TRUE(m_label.Hover());
    UpdateWindow(m_hLink);

    SetCapture(m_hDlg);
    EXPECT_FALSE(m_label.Hover());
    EXPECT_FALSE(GetUpdateRect(m_hLink, nullptr, FALSE));
    ReleaseCapture();

    // The next move over the label starts hovering again.
    ASSERT_TRUE(MoveCursor(rc.left + 6, rc.top + 5));
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

    RECT rc = LinkRect();
    ASSERT_TRUE(MoveCursor(rc.left + 5, rc.top + 5));
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
    int w31 = TextWidth(m_label.Font(), text.substr(0, 31));
    int w32 = TextWidth(m_label.Font(), text.substr(0, 32));
    RECT rc;
    GetClientRect(m_hLink, &rc);
    ASSERT_GT(rc.right, TextWidth(m_label.Font(), text)) << "the label must fit the whole text";
    ASSERT_GT(w32 - w31, 3);

    Ink ink = ReadInk(m_hLink);
    EXPECT_NEAR(ink.xRightmostBlue + 1, w31, 2);
    EXPECT_GE(ink.nLongestBlueRun, w31 - 2);
}

} // namespace
