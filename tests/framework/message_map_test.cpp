// Message-map dispatch: the first matching entry of the class, then of its base; commands and
// notifications matched by code and id; unhandled dialog commands going on to the application.
// Built once more with VELMORA_WRONG_SIGNATURE, a handler of the wrong type, which must fail.
#include "framework/afx_win.h"

#include <gtest/gtest.h>

// Each handler appends its mark, so a case sees which entry ran.
struct CBaseTarget : CCmdTarget {
    std::string m_calls;
    template <char C> void On() { m_calls += C; }
    DECLARE_MESSAGE_MAP()
};

class CDerivedTarget : public CBaseTarget {
    void OnPaint() { m_calls += 'P'; }
    void OnDblclk(NMHDR* p, LRESULT* r) { *r = 5, m_calls += std::to_string(p->idFrom); }
    HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(0x1234); }
    void OnSysCommand(UINT n, LPARAM l) { m_calls += std::to_string(n) + ":" + std::to_string(l); }
    DECLARE_MESSAGE_MAP()
};

// clang-format off
#define MARK(m, c) {m, 0, 0, AFX_THUNK(void (ThisClass::*)(), On<c>, return ((pThis->*pfn)(), 0))},
BEGIN_MESSAGE_MAP(CBaseTarget, CCmdTarget)
MARK(WM_PAINT, 'b') ON_COMMAND(7, On<'7'>) MARK(WM_TIMER, 't')
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CDerivedTarget, CBaseTarget)
ON_WM_PAINT() MARK(WM_PAINT, 'A') ON_BN_CLICKED(10, On<'c'>) ON_EN_CHANGE(10, On<'e'>)
ON_STN_CLICKED(-1, On<'s'>) ON_NOTIFY(NM_DBLCLK, 20, OnDblclk)
ON_WM_QUERYDRAGICON() ON_WM_SYSCOMMAND()
#ifdef VELMORA_WRONG_SIGNATURE
ON_NOTIFY(NM_CLICK, 21, OnPaint) // a handler of the wrong type: the map must not compile
#endif
END_MESSAGE_MAP()
    // clang-format on

    // `want`: the result, -1 for a message nobody handles.
    void Expect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT want, const char* calls) {
    CDerivedTarget target;
    LRESULT result = -1;
    EXPECT_EQ(target.OnWndMsg(message, wParam, lParam, &result) ? result : -1, want) << wParam;
    EXPECT_EQ(target.m_calls, calls) << message << " " << wParam;
}

TEST(MessageMap, DispatchesTheFirstMatchOfTheClassThenOfItsBase) {
    Expect(WM_PAINT, 0, 0, 0, "P"); // the first of two entries, not the base's
    Expect(WM_TIMER, 0, 0, 0, "t"); // the base's only
    Expect(WM_COMMAND, MAKEWPARAM(10, BN_CLICKED), 0, 0, "c");
    Expect(WM_COMMAND, MAKEWPARAM(10, EN_CHANGE), 0, 0, "e");
    Expect(WM_COMMAND, MAKEWPARAM(10, EN_SETFOCUS), 0, -1, "");
    Expect(WM_COMMAND, MAKEWPARAM(0xFFFF, STN_CLICKED), 0, 0, "s"); // id -1 as 16 bits
    Expect(WM_COMMAND, MAKEWPARAM(7, 0), 0, 0, "7");
    NMHDR n[] = {{0, 20, UINT(NM_DBLCLK)}, {0, 21, UINT(NM_DBLCLK)}, {0, 20, UINT(NM_RCLICK)}};
    Expect(WM_NOTIFY, 20, LPARAM(&n[0]), 5, "20");
    Expect(WM_NOTIFY, 21, LPARAM(&n[1]), -1, "");
    Expect(WM_NOTIFY, 20, LPARAM(&n[2]), -1, "");
    Expect(WM_QUERYDRAGICON, 0, 0, 0x1234, "");
    Expect(WM_SYSCOMMAND, 0x0013, 99, 0, "19:99");
}

struct CRoutingApp : CWinApp {
    int m_nCommands = 0;
    void OnAppCommand() { ++m_nCommands; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRoutingApp, CWinApp)
ON_COMMAND(0x4321, OnAppCommand)
END_MESSAGE_MAP()

// A dialog passes the commands it does not handle to the application, which is named after its
// executable unless given a name: the caption of every message box.
TEST(AfxWinApp, TakesTheDialogsUnhandledCommandsAndIsNamedAfterItsExecutable) {
    CRoutingApp app;
    LRESULT result;
    EXPECT_TRUE(CDialog(1).OnWndMsg(WM_COMMAND, MAKEWPARAM(0x4321, 0), 0, &result));
    EXPECT_FALSE(CDialog(1).OnWndMsg(WM_COMMAND, MAKEWPARAM(0x4322, 0), 0, &result));
    EXPECT_FALSE(CDialog(1).OnWndMsg(WM_TIMER, 0x4321, 0, &result)) << "only commands are routed";
    EXPECT_EQ(app.m_nCommands, 1);

    ASSERT_TRUE(AfxWinInit(::GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL));
    const std::string help = app.m_strHelpFilePath.str(), tail = "afx_win_tests.HLP";
    EXPECT_EQ(app.m_strAppName.str() + help.substr(help.size() - tail.size()),
              "afx_win_tests" + tail);
    CWinApp named("Named");
    AfxWinInit(::GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL);
    EXPECT_STREQ(named.m_strAppName, "Named");
}
