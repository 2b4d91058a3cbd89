// CLinkLabel on a real static control of a real dialog: subclassing, texts, cursor, clicks,
// hover through real mouse moves, and the pixels it paints.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "tests/ui/shell_record.h"
#include "ui/link_label.h"

namespace {

enum { IDD_LINK_TEST = 100, IDC_LINK = 1001, IDC_OTHER = 1002 }; // as link_label_test.rc has them

struct CLinkLabelProbe : CLinkLabel {
    BOOL Hover() const { return m_bHover; }
    HFONT Font() const { return m_hFont; }
    std::string Texts() const { return std::string(m_szCaption) + "|" + m_szUrl; }
};

// Sits between the static's own procedure and the label. WM_DESTROY and the left button's
// messages that the label passes on answer 9 here, which tells them from the label's own 0.
constexpr LRESULT kPassedOn = 9;
WNDPROC g_pfnStaticProc;
LRESULT CALLBACK MarkingProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallWindowProcA(g_pfnStaticProc, hWnd, uMsg, wParam, lParam);
    return uMsg == WM_DESTROY || (uMsg >= WM_LBUTTONDOWN && uMsg <= WM_LBUTTONDBLCLK) ? kPassedOn
                                                                                      : result;
}

// SetCursorPos queues a real WM_MOUSEMOVE: runs this thread's messages until the one at `pt` has
// been handled, 3 s at most. What that move queues in turn (a capture released queues a move of
// its own) waits for the next call, so a hover that ends and starts again at once shows.
bool MoveCursor(POINT pt) {
    SetCursorPos(pt.x, pt.y);
    for (int nWaits = 0; nWaits < 300; ++nWaits, Sleep(10))
        for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) {
            DispatchMessageA(&msg);
            if (msg.message == WM_MOUSEMOVE && msg.pt.x == pt.x && msg.pt.y == pt.y)
                return true;
        }
    return false;
}

class LinkLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_opened.clear();
        g_pfnShellExecute = RecordShellExecute; // no case here wants a browser
        SetCursorPos(10, 10);                   // off the dialog, so no case starts hovering
        m_hDlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_LINK_TEST),
                                    nullptr, nullptr, 0);
        ASSERT_NE(m_hDlg, nullptr);
        SetWindowPos(m_hDlg, HWND_TOPMOST, 100, 100, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        m_hLink = GetDlgItem(m_hDlg, IDC_LINK);
        g_pfnStaticProc = WNDPROC(SetWindowLongPtrA(m_hLink, GWLP_WNDPROC, LONG_PTR(MarkingProc)));
        GetWindowRect(m_hLink, &m_rc);
    }
    // Detaches the label if it is still attached, before it ends.
    void TearDown() override { DestroyWindow(m_hDlg); }

    // The window's procedure ("static": the one the fixture put in), user data, SS_NOTIFY, and a
    // "hand" for each hit-test code that WM_SETCURSOR answers by showing the hand.
    std::string State(HWND hWnd) const {
        const LONG_PTR proc = GetWindowLongPtrA(hWnd, GWLP_WNDPROC);
        const LONG_PTR data = GetWindowLongPtrA(hWnd, GWLP_USERDATA);
        std::string s = proc == LONG_PTR(MarkingProc) ? "static" : "other";
        s = proc == LONG_PTR(CLinkLabel::LinkWndProc) ? "label" : s;
        s += data == 0 ? "" : data == LONG_PTR(&m_label) ? " m_label" : " ?";
        s += GetWindowLongPtrA(hWnd, GWL_STYLE) & SS_NOTIFY ? " notify" : "";
        for (int nHit : {HTCLIENT, HTNOWHERE, HTTRANSPARENT}) { // the arrow is put back each time
            const LRESULT r = SendMessageA(hWnd, WM_SETCURSOR, WPARAM(hWnd), MAKELPARAM(nHit, 0));
            const HCURSOR hShown = SetCursor(LoadCursorA(nullptr, IDC_ARROW));
            s += r == 1 && hShown == LoadCursorA(nullptr, IDC_HAND) ? " hand" : "";
        }
        return s;
    }

    // The link's pure colours as the screen holds them: where its blue ends, then "blue",
    // "underlined" when the longest blue run, the underline, spans nearly all of it, and "red".
    std::string Ink() const {
        HDC hdc = GetDC(m_hLink);
        int xEnd = 0, nLongest = 0, nRed = 0;
        for (int y = 0; y < m_rc.bottom - m_rc.top; ++y)
            for (int x = 0, run = 0; x < m_rc.right - m_rc.left; ++x) {
                const COLORREF c = GetPixel(hdc, x, y);
                nRed += c == RGB(255, 0, 0);
                run = c == RGB(0, 0, 255) ? run + 1 : 0;
                nLongest = std::max(nLongest, run);
                xEnd = std::max(xEnd, run ? x + 1 : 0);
            }
        ReleaseDC(m_hLink, hdc);
        return std::to_string(xEnd) + (xEnd ? " blue" : "") +
               (xEnd && nLongest >= xEnd - 3 ? " underlined" : "") + (nRed ? " red" : "");
    }

    HWND m_hDlg = nullptr, m_hLink = nullptr;
    RECT m_rc; // the link's window, in screen co-ordinates
    CLinkLabelProbe m_label;
};

// Refusals (a Detach of nothing, a null window, a second Attach) change nothing. Detach undoes
// all but SS_NOTIFY, empties the texts and deletes the underlined copy of the dialog's font;
// WM_DESTROY detaches too, and is passed on with its result.
TEST_F(LinkLabelTest, AttachDetachRefusalsAndDestroy) {
    const HWND hOther = GetDlgItem(m_hDlg, IDC_OTHER);
    ASSERT_EQ(m_label.SetLink("caption", "url", 0), 1);
    EXPECT_TRUE(!m_label.Detach() && !m_label.Attach(nullptr) && m_label.Texts() == "caption|url");
    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    const HFONT hFont = m_label.Font();
    EXPECT_TRUE(!m_label.Attach(hOther) && !m_label.Attach(m_hLink) && m_label.Font() == hFont);
    EXPECT_EQ(State(m_hLink) + ", " + State(hOther), "label m_label notify hand hand hand, other");

    LOGFONTA parent = {}, own = {};
    GetObjectA(HFONT(SendMessageA(m_hDlg, WM_GETFONT, 0, 0)), sizeof parent, &parent);
    GetObjectA(hFont, sizeof own, &own);
    EXPECT_EQ(std::to_string(own.lfHeight) + own.lfFaceName + char('0' + own.lfUnderline),
              std::to_string(parent.lfHeight) + parent.lfFaceName + "1");

    EXPECT_EQ(m_label.Detach(), m_hLink);
    // Had the second Attach to the same window gone through, the saved procedure would be its own.
    EXPECT_EQ(State(m_hLink) + m_label.Texts() + (m_label.Font() ? "font" : ""), "static notify|");
    EXPECT_EQ(GetObjectType(hFont), 0u) << "the underlined font was not deleted";

    ASSERT_EQ(m_label.Attach(m_hLink), 1); // a detached label may be attached again
    EXPECT_EQ(SendMessageA(m_hLink, WM_DESTROY, 0, 0), kPassedOn);
    EXPECT_EQ(State(m_hLink), "static notify");
}

// Limits in bytes: a refusal keeps the old pair whole. The press is swallowed; a release opens the
// URL, or the window text cut to 31 bytes, but not the release that ends a double-click (press,
// release, double-click, release), which opens once and passes the double-click on. The click
// after it opens again.
TEST_F(LinkLabelTest, SetLinkLimitsAndOpeningOnEachRelease) {
    for (size_t nCaption : {31, 32})
        for (size_t nUrl : {1023, 1024}) {
            const std::string caption(nCaption, 'c'), url(nUrl, 'u');
            ASSERT_EQ(m_label.SetLink("old", "old-url", 0), 1);
            const int stored = m_label.SetLink(caption.c_str(), url.c_str(), 1);
            EXPECT_EQ(std::to_string(stored) + m_label.Texts(),
                      nCaption < 32 && nUrl < 1024 ? "1" + caption + "|" + url : "0old|old-url");
        }

    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    const std::string text(40, 'w'), site = "http://velmora.example/";
    SetWindowTextA(m_hLink, text.c_str());
    std::string answers;
    for (const std::string& url : {std::string(), site}) {
        ASSERT_EQ(m_label.SetLink("", url.c_str(), 0), 1);
        for (UINT uMsg : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP,
                          WM_LBUTTONDOWN, WM_LBUTTONUP})
            answers += std::to_string(SendMessageA(m_hLink, uMsg, 0, MAKELPARAM(2, 2))) + " ";
    }
    EXPECT_EQ(answers, "0 0 9 0 0 0 0 0 9 0 0 0 "); // only the double-clicks went on to the static
    const std::string cut = "open " + text.substr(0, 31) + " 1", url = "open " + site + " 1";
    EXPECT_EQ(g_opened, std::vector<std::string>({cut, cut, url, url})); // 1: SW_SHOWNORMAL
}

// Blue and underlined, an empty caption drawing the window text cut to 31 bytes. Hover, through
// real input, which reaches the label only because Attach set SS_NOTIFY: edges inclusive, red
// while it lasts; losing the capture ends it without a repaint. SetLink repaints only when told
// to, through the parent, so a shorter caption leaves nothing of a longer one.
TEST_F(LinkLabelTest, PaintsAndHoversThroughRealMouseMoves) {
    const std::string text = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    SetWindowTextA(m_hLink, text.c_str());
    ASSERT_EQ(m_label.Attach(m_hLink), 1);
    UpdateWindow(m_hDlg); // its first painting, with the label attached
    const std::string cut = Ink();
    const int xCut = std::stoi(cut);
    EXPECT_EQ(cut, std::to_string(xCut) + " blue underlined");
    ASSERT_LT(xCut, (m_rc.right - m_rc.left) * 31 / 36) << "the label must fit the text whole";

    // From the middle to each edge, which holds the hover, and one pixel past it, which ends it:
    // after each move, 1 for the hover plus 2 for the capture.
    const POINT mid = {(m_rc.left + m_rc.right) / 2, (m_rc.top + m_rc.bottom) / 2};
    const auto Past = [](LONG e, LONG m) { return e + (e > m) - (e < m); }; // a pixel further out
    std::string moves;
    for (const POINT edge :
         {POINT{m_rc.right, mid.y}, {mid.x, m_rc.bottom}, {m_rc.left, mid.y}, {mid.x, m_rc.top}})
        for (const POINT pt : {mid, edge, POINT{Past(edge.x, mid.x), Past(edge.y, mid.y)}})
            moves +=
                !MoveCursor(pt) ? '?' : char('0' + m_label.Hover() + 2 * (GetCapture() == m_hLink));
    EXPECT_EQ(moves, "330330330330");
    UpdateWindow(m_hLink); // blue again, so that only the next hover's start can turn it red
    ASSERT_TRUE(MoveCursor(mid));
    UpdateWindow(m_hLink);
    EXPECT_EQ(Ink(), "0 red");
    SetCapture(m_hDlg);
    EXPECT_FALSE(m_label.Hover() || GetUpdateRect(m_hLink, nullptr, FALSE));

    // The window text's own first 31 bytes draw the same; a short caption shows only once redrawn.
    std::string ends;
    for (const auto& [caption, bRedraw] :
         {std::pair(text.substr(0, 31), 1), {"Velmora", 0}, {"Velmora", 1}}) {
        ASSERT_EQ(m_label.SetLink(caption.c_str(), "", bRedraw), 1);
        UpdateWindow(m_hDlg);
        const int xEnd = std::stoi(Ink());
        ends += xEnd == xCut ? "cut " : xEnd < xCut ? "shorter " : "longer ";
    }
    EXPECT_EQ(ends, "cut cut shorter ");
}

} // namespace
