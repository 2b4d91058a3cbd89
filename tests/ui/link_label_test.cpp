// CLinkLabel on a real static control of a real dialog: subclassing, texts, cursor, clicks,
// hover through real mouse moves, and the pixels it paints.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "tests/ui/shell_record.h"
#include "ui/link_label.h"

namespace {

enum { IDD_LINK_TEST = 100, IDC_LINK = 1001, IDC_OTHER = 1002 }; // as link_label_test.rc has them

struct CLinkLabelProbe : CLinkLabel {
    BOOL Hover() const { return m_bHover; }
    HWND Wnd() const { return m_hWnd; }
    HFONT Font() const { return m_hFont; }
    std::string Texts() const { return std::string(m_szCaption) + "|" + m_szUrl; }
};

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
bool MoveCursor(POINT pt) {
    SetCursorPos(pt.x, pt.y);
    for (DWORD start = GetTickCount(); !Pump(); MsgWaitForMultipleObjects(0, 0, 0, 10, QS_ALLINPUT))
        if (GetTickCount() - start > 3000)
            return false;
    return true;
}

// The pure red and blue pixels of a window's client area, as the screen holds them: "blue red",
// each 0 or 1, then where the blue ends and whether its longest run, the underline, spans it.
std::string Ink(HWND hWnd) {
    RECT rc;
    GetClientRect(hWnd, &rc);
    HDC hdc = GetDC(hWnd);
    int nRed = 0, nLongestBlueRun = 0, xBlueEnd = 0;
    for (int y = 0; y < rc.bottom; ++y)
        for (int x = 0, run = 0; x < rc.right; ++x) {
            const COLORREF c = GetPixel(hdc, x, y);
            nRed += c == RGB(255, 0, 0);
            run = c == RGB(0, 0, 255) ? run + 1 : 0;
            nLongestBlueRun = std::max(nLongestBlueRun, run);
            xBlueEnd = run > 0 ? std::max(x + 1, xBlueEnd) : xBlueEnd;
        }
    ReleaseDC(hWnd, hdc);
    return std::string(xBlueEnd ? "1 " : "0 ") + (nRed ? "1" : "0") + " " +
           std::to_string(xBlueEnd) + (nLongestBlueRun >= xBlueEnd - 3 ? " underlined" : "");
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

    // The window's procedure ("static": the one the fixture put in), user data, SS_NOTIFY, and a
    // "hand" for each hit-test code that WM_SETCURSOR answers by showing the hand.
    std::string State(HWND hWnd) const {
        const LONG_PTR proc = GetWindowLongPtrA(hWnd, GWLP_WNDPROC);
        const LONG_PTR data = GetWindowLongPtrA(hWnd, GWLP_USERDATA);
        std::string s = proc == LONG_PTR(RecordingProc) ? "static" : "other";
        s = proc == LONG_PTR(CLinkLabel::LinkWndProc) ? "label" : s;
        s += data == 0 ? "" : data == LONG_PTR(&m_label) ? " m_label" : " ?";
        s += GetWindowLongPtrA(hWnd, GWL_STYLE) & SS_NOTIFY ? " notify" : "";
        for (int nHit : {HTCLIENT, HTNOWHERE, HTTRANSPARENT}) {
            SetCursor(LoadCursorA(nullptr, IDC_ARROW));
            const LRESULT r = SendMessageA(hWnd, WM_SETCURSOR, WPARAM(hWnd), MAKELPARAM(nHit, 0));
            s += r == 1 && GetCursor() == LoadCursorA(nullptr, IDC_HAND) ? " hand" : "";
        }
        return s;
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
    EXPECT_EQ(State(m_hLink), "label m_label notify hand hand hand");

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
    for (size_t nCaption : {0, 31, 32})
        for (size_t nUrl : {0, 1023, 1024}) {
            const std::string caption(nCaption, 'c'), url(nUrl, 'u');
            const bool fits = nCaption < 32 && nUrl < 1024;
            ASSERT_EQ(m_label.SetLink("old", "old-url", 0), 1);
            EXPECT_EQ(m_label.SetLink(caption.c_str(), url.c_str(), 1), fits);
            EXPECT_EQ(m_label.Texts(), fits ? caption + "|" + url : "old|old-url");
        }

    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    const std::string site = "http://velmora.example/", t40 = "0123456789abcdefghijklmn" + site;
    for (const auto& [text, url, opened] :
         {std::make_tuple(t40, site, site),
          std::make_tuple(t40, std::string(), t40.substr(0, 31))}) {
        g_opened.clear();
        SetWindowTextA(m_hLink, text.c_str());
        ASSERT_EQ(m_label.SetLink("", url.c_str(), 0), 1);
        for (UINT uMsg : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
            EXPECT_EQ(SendMessageA(m_hLink, uMsg, 0, MAKELPARAM(2, 2)), 0) << uMsg;
        EXPECT_EQ(g_opened, std::vector<std::string>(2, "open " + opened + " 1")); // SW_SHOWNORMAL
    }
    EXPECT_EQ(Count(WM_LBUTTONDOWN) + Count(WM_LBUTTONUP), 0);
    EXPECT_EQ(Count(WM_LBUTTONDBLCLK), 2);
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
    const std::string cut = Ink(m_hLink);
    const int xCutEnd = std::stoi(cut.substr(4));
    EXPECT_EQ(cut, "1 0 " + std::to_string(xCutEnd) + " underlined");
    ASSERT_LT(xCutEnd, (m_rc.right - m_rc.left) * 31 / 36) << "the label must fit it whole";
    ASSERT_EQ(m_label.SetLink(text.substr(0, 31).c_str(), "", 1), 1);
    UpdateWindow(m_hDlg);
    EXPECT_EQ(Ink(m_hLink), cut);
    ASSERT_EQ(m_label.SetLink("Velmora", "", 0), 1);
    EXPECT_FALSE(GetUpdateRect(m_hDlg, nullptr, FALSE) || GetUpdateRect(m_hLink, nullptr, FALSE));
    ASSERT_EQ(m_label.SetLink("Velmora", "", 1), 1);
    UpdateWindow(m_hDlg);
    EXPECT_LT(std::stoi(Ink(m_hLink).substr(4)), xCutEnd / 2);

    // From the middle to each edge, which holds the hover, and one pixel past it, which ends it.
    const POINT mid = {(m_rc.left + m_rc.right) / 2, (m_rc.top + m_rc.bottom) / 2};
    for (const POINT edge :
         {POINT{m_rc.right, mid.y}, {mid.x, m_rc.bottom}, {m_rc.left, mid.y}, {mid.x, m_rc.top}}) {
        const POINT past = {edge.x + (edge.x > mid.x) - (edge.x < mid.x),
                            edge.y + (edge.y > mid.y) - (edge.y < mid.y)};
        for (const POINT pt : {mid, edge, past}) {
            ASSERT_TRUE(MoveCursor(pt)) << pt.x << "," << pt.y;
            const bool bInside = pt.x != past.x || pt.y != past.y;
            EXPECT_EQ(m_label.Hover(), bInside) << pt.x << "," << pt.y;
            EXPECT_EQ(GetCapture() == m_hLink, bInside) << pt.x << "," << pt.y;
        }
    }
    ASSERT_TRUE(MoveCursor(mid));
    UpdateWindow(m_hLink);
    EXPECT_EQ(Ink(m_hLink).substr(0, 3), "0 1");
    SetCapture(m_hDlg);
    EXPECT_FALSE(m_label.Hover());
    EXPECT_FALSE(GetUpdateRect(m_hLink, nullptr, FALSE));
    EXPECT_EQ(Ink(m_hLink).substr(0, 3), "0 1");
    ReleaseCapture();
    Repaint();
    EXPECT_EQ(Ink(m_hLink).substr(0, 3), "1 0");
}

} // namespace
