// CLinkLabel on a real static control of a real dialog: subclassing, texts, cursor, clicks,
// hover through real mouse moves, and the pixels it paints.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
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

// Sits between the static's own procedure and the label, so a case sees what the label passes
// on, and can tell its WM_DESTROY result from anyone else's.
std::vector<UINT> g_passedOn;
WNDPROC g_pfnStaticProc;
LRESULT CALLBACK RecordingProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    g_passedOn.push_back(uMsg);
    LRESULT result = CallWindowProcA(g_pfnStaticProc, hWnd, uMsg, wParam, lParam);
    return uMsg == WM_DESTROY ? 0x5EED : result;
}
long Count(UINT uMsg) {
    return std::count(g_passedOn.begin(), g_passedOn.end(), uMsg);
}

INT_PTR CALLBACK DialogProc(HWND, UINT uMsg, WPARAM, LPARAM) {
    return uMsg == WM_INITDIALOG;
}

// Runs this thread's messages; true when a mouse move was among them.
bool Pump() {
    bool bMoved = false;
    for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); DispatchMessageA(&msg))
        bMoved |= msg.message == WM_MOUSEMOVE;
    return bMoved;
}

// SetCursorPos queues a real WM_MOUSEMOVE; wait until one has been handled, 3 s at most.
bool MoveCursor(int x, int y) {
    SetCursorPos(x, y);
    for (DWORD start = GetTickCount(); !Pump(); MsgWaitForMultipleObjects(0, 0, 0, 10, QS_ALLINPUT))
        if (GetTickCount() - start > 3000)
            return false;
    return true;
}

// Pure red and blue pixels of a window's client area, as the screen holds them.
struct Ink {
    int nRed = 0, nLongestBlueRun = 0, xBlueEnd = 0; // the underline: a long run
    std::string Colours() const { return {xBlueEnd ? '1' : '0', ' ', nRed ? '1' : '0'}; }
};
Ink ReadInk(HWND hWnd) {
    RECT rc;
    GetClientRect(hWnd, &rc);
    HDC hdc = GetDC(hWnd);
    Ink ink;
    for (int y = 0; y < rc.bottom; ++y)
        for (int x = 0, run = 0; x < rc.right; ++x) {
            const COLORREF c = GetPixel(hdc, x, y);
            ink.nRed += c == RGB(255, 0, 0);
            run = c == RGB(0, 0, 255) ? run + 1 : 0;
            ink.nLongestBlueRun = std::max(ink.nLongestBlueRun, run);
            ink.xBlueEnd = run > 0 ? std::max(x + 1, ink.xBlueEnd) : ink.xBlueEnd;
        }
    ReleaseDC(hWnd, hdc);
    return ink;
}

class LinkLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_passedOn.clear();
        g_pfnShellExecute = RecordShellExecute; // no case here wants a browser
        SetCursorPos(10, 10);                   // off the dialog, so no case starts hovering
        m_hDlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_LINK_TEST),
                                    nullptr, DialogProc, 0);
        ASSERT_NE(m_hDlg, nullptr);
        SetWindowPos(m_hDlg, HWND_TOPMOST, 100, 100, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        m_hLink = GetDlgItem(m_hDlg, IDC_LINK);
        m_hOther = GetDlgItem(m_hDlg, IDC_OTHER);
        g_pfnStaticProc =
            WNDPROC(SetWindowLongPtrA(m_hLink, GWLP_WNDPROC, LONG_PTR(RecordingProc)));
        GetWindowRect(m_hLink, &m_rc);
        UpdateWindow(m_hDlg);
        Pump();
    }
    // Detaches every label still attached, before the fixture's labels end.
    void TearDown() override { DestroyWindow(m_hDlg); }

    // The window's procedure ("static": the one the fixture put in), user data and SS_NOTIFY.
    std::string State(HWND hWnd) const {
        const LONG_PTR proc = GetWindowLongPtrA(hWnd, GWLP_WNDPROC);
        const LONG_PTR data = GetWindowLongPtrA(hWnd, GWLP_USERDATA);
        std::string s = proc == LONG_PTR(RecordingProc) ? "static" : "other";
        s = proc == LONG_PTR(CLinkLabel::LinkWndProc) ? "label" : s;
        s += data == 0 ? "" : data == LONG_PTR(&m_label) ? " m_label" : " ?";
        return s + (GetWindowLongPtrA(hWnd, GWL_STYLE) & SS_NOTIFY ? " notify" : "");
    }
    bool Hand(int nHit = HTCLIENT) {
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        return SendMessageA(m_hLink, WM_SETCURSOR, WPARAM(m_hLink), MAKELPARAM(nHit, 0)) == 1 &&
               GetCursor() == LoadCursorA(nullptr, IDC_HAND);
    }
    void Repaint() {
        RedrawWindow(m_hDlg, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }

    HWND m_hDlg = nullptr, m_hLink = nullptr, m_hOther = nullptr;
    RECT m_rc; // the link's window, in screen co-ordinates
    CLinkLabelProbe m_label, m_other;
};

// Refusals (a second Attach, a null window, a Detach of nothing) change nothing; WM_DESTROY is
// passed on with its result and detaches.
TEST_F(LinkLabelTest, AttachDetachRefusalsAndDestroy) {
    EXPECT_EQ(m_label.Detach(), nullptr);
    EXPECT_EQ(m_label.Attach(nullptr), 0);
    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    EXPECT_EQ(State(m_hLink), "label m_label notify");
    for (int nHit : {HTCLIENT, HTNOWHERE, HTTRANSPARENT})
        EXPECT_TRUE(Hand(nHit)) << "hit-test " << nHit;

    // An underlined copy of the dialog's own font.
    LOGFONTA parent = {}, own = {};
    GetObjectA(HFONT(SendMessageA(m_hDlg, WM_GETFONT, 0, 0)), sizeof parent, &parent);
    const HFONT hFont = m_label.Font();
    GetObjectA(hFont, sizeof own, &own);
    EXPECT_EQ(std::to_string(own.lfHeight) + own.lfFaceName + char('0' + own.lfUnderline),
              std::to_string(parent.lfHeight) + parent.lfFaceName + "1");

    for (HWND hWnd : {m_hOther, m_hLink, HWND(nullptr)})
        EXPECT_TRUE(!m_label.Attach(hWnd) && m_label.Wnd() == m_hLink && m_label.Font() == hFont);
    EXPECT_EQ(State(m_hOther), "other");
    ASSERT_EQ(m_label.SetLink("caption", "http://velmora.example/", 0), 1);
    EXPECT_EQ(m_label.Detach(), m_hLink);
    // Had the second Attach to the same window gone through, the saved procedure would be its own.
    EXPECT_EQ(State(m_hLink), "static notify");
    EXPECT_FALSE(Hand()) << "the static's own procedure has the cursor again";
    EXPECT_EQ(m_label.Texts() + (m_label.Font() ? "font" : ""), "|");
    EXPECT_EQ(GetObjectType(hFont), 0u) << "the underlined font was not deleted";

    ASSERT_EQ(m_label.Attach(m_hOther), 1); // a detached label may be attached again
    ASSERT_EQ(m_other.Attach(m_hLink), 1);
    EXPECT_EQ(SendMessageA(m_hLink, WM_DESTROY, 0, 0), 0x5EED);
    EXPECT_EQ(m_other.Wnd(), nullptr);
    EXPECT_EQ(State(m_hLink), "static notify");
    // The real thing: the dialog's destruction detaches both labels.
    ASSERT_EQ(m_other.Attach(m_hLink), 1);
    DestroyWindow(m_hDlg);
    EXPECT_EQ(Count(WM_DESTROY), 2);
    EXPECT_TRUE(m_label.Wnd() == nullptr && m_other.Wnd() == nullptr);
}

// Limits in bytes: a refusal keeps the old pair whole. The press is swallowed; each release opens
// the URL, or the window text cut to 31 bytes, so a double-click (press, release, double-click,
// release) opens it twice and passes the double-click on.
TEST_F(LinkLabelTest, SetLinkLimitsAndOpeningOnEachRelease) {
    const std::string c31(31, 'c'), c32(32, 'c'), u1023(1023, 'u'), u1024(1024, 'u');
    const std::string rows[][2] = {{"", ""},     {c31, "u"},   {c32, "u"},   {"c", u1023},
                                   {"c", u1024}, {c31, u1023}, {c31, u1024}, {c32, u1023}};
    for (const auto& r : rows) {
        const bool fits = r[0].size() < 32 && r[1].size() < 1024;
        ASSERT_EQ(m_label.SetLink("old", "old-url", 0), 1);
        EXPECT_EQ(m_label.SetLink(r[0].c_str(), r[1].c_str(), 1), fits) << &r - rows;
        EXPECT_EQ(m_label.Texts(), fits ? r[0] + "|" + r[1] : "old|old-url");
    }

    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    const std::string site = "http://velmora.example/", t40 = "0123456789abcdefghijklmn" + site;
    const std::string opens[][3] = {{"官方网站", site, site},
                                    {"官方网站", "", "官方网站"},
                                    {t40, "", t40.substr(0, 31)},
                                    {t40.substr(0, 31), "", t40.substr(0, 31)}};
    for (const auto& r : opens) {
        g_opened.clear();
        SetWindowTextA(m_hLink, r[0].c_str());
        ASSERT_EQ(m_label.SetLink("", r[1].c_str(), 0), 1);
        EXPECT_EQ(SendMessageA(m_hLink, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2)), 0);
        EXPECT_TRUE(g_opened.empty()) << "the press opened it";
        for (UINT uMsg : {WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
            EXPECT_EQ(SendMessageA(m_hLink, uMsg, 0, MAKELPARAM(2, 2)), 0) << uMsg;
        const std::string once = "open " + r[2] + " 1"; // SW_SHOWNORMAL
        EXPECT_EQ(g_opened, std::vector<std::string>({once, once}));
    }
    EXPECT_EQ(Count(WM_LBUTTONDOWN) + Count(WM_LBUTTONUP), 0);
    EXPECT_EQ(Count(WM_LBUTTONDBLCLK), 4);
}

// Blue and underlined, an empty caption drawing the window text cut to 31 bytes. SetLink
// repaints only when told to, through the parent, so a shorter caption leaves nothing of a
// longer one. Hover, through real input, which reaches the label only because Attach set
// SS_NOTIFY: edges inclusive, red while it lasts; losing the capture ends it without a repaint.
TEST_F(LinkLabelTest, PaintsAndHoversThroughRealMouseMoves) {
    const std::string text = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    SetWindowTextA(m_hLink, text.c_str());
    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    Repaint();
    const Ink cut = ReadInk(m_hLink);
    EXPECT_EQ(cut.Colours(), "1 0");
    EXPECT_GE(cut.nLongestBlueRun, cut.xBlueEnd - 3) << "no underline";
    ASSERT_LT(cut.xBlueEnd, (m_rc.right - m_rc.left) * 31 / 36) << "the label must fit it whole";
    ASSERT_EQ(m_label.SetLink(text.substr(0, 31).c_str(), "", 1), 1);
    UpdateWindow(m_hDlg);
    EXPECT_EQ(ReadInk(m_hLink).xBlueEnd, cut.xBlueEnd);
    ASSERT_EQ(m_label.SetLink("Velmora", "", 0), 1);
    EXPECT_FALSE(GetUpdateRect(m_hDlg, nullptr, FALSE) || GetUpdateRect(m_hLink, nullptr, FALSE));
    ASSERT_EQ(m_label.SetLink("Velmora", "", 1), 1);
    UpdateWindow(m_hDlg);
    EXPECT_LT(ReadInk(m_hLink).xBlueEnd, cut.xBlueEnd / 2);

    const RECT rc = m_rc;
    const int x = (rc.left + rc.right) / 2, y = (rc.top + rc.bottom) / 2;
    const int rows[][3] = {{x, y, 1},
                           {rc.right, y, 1},
                           {x, rc.bottom, 1},
                           {rc.right, rc.bottom, 1},
                           {rc.left, y, 1},
                           {x, rc.top, 1},
                           {rc.right + 1, y, 0},
                           {x, y, 1},
                           {x, rc.bottom + 1, 0},
                           {rc.left + 1, rc.top + 1, 1},
                           {rc.left - 1, y, 0},
                           {x, y, 1},
                           {x, rc.top - 1, 0},
                           {rc.left + 5, rc.top + 5, 1}};
    for (const auto& r : rows) {
        ASSERT_TRUE(MoveCursor(r[0], r[1])) << &r - rows;
        EXPECT_EQ(m_label.Hover(), r[2]) << &r - rows;
        EXPECT_EQ(GetCapture() == m_hLink, r[2] == 1) << &r - rows;
    }
    UpdateWindow(m_hLink);
    EXPECT_EQ(ReadInk(m_hLink).Colours(), "0 1");
    SetCapture(m_hDlg);
    EXPECT_FALSE(m_label.Hover());
    EXPECT_FALSE(GetUpdateRect(m_hLink, nullptr, FALSE));
    EXPECT_EQ(ReadInk(m_hLink).Colours(), "0 1");
    ReleaseCapture();
    Repaint();
    EXPECT_EQ(ReadInk(m_hLink).Colours(), "1 0");
}

} // namespace
