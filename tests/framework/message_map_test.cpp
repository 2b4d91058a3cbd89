// Message-map dispatch: entries in order, the base map after the class's own,
// commands and notifications matched by code and id, commands a dialog leaves
// going on to the application.
#include "framework/afx_win.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class CBaseTarget : public CCmdTarget {
public:
    std::string m_strCalls;

protected:
    void OnBasePaint() { m_strCalls += "base-paint "; }
    void OnBaseCommand() { m_strCalls += "base-command "; }
    void OnBaseTimerOnly() { m_strCalls += "base-timer "; }

    DECLARE_MESSAGE_MAP()
};

// clang-format off
BEGIN_MESSAGE_MAP(CBaseTarget, CCmdTarget)
{WM_PAINT, 0, 0, AFX_THUNK(void (ThisClass::*)(), OnBasePaint, return ((pThis->*pfn)(), 0))},
ON_COMMAND(7, OnBaseCommand)
{WM_TIMER, 0, 0, AFX_THUNK(void (ThisClass::*)(), OnBaseTimerOnly, return ((pThis->*pfn)(), 0))},
END_MESSAGE_MAP()
    // clang-format on

    class CDerivedTarget : public CBaseTarget {
protected:
    void OnPaint() { m_strCalls += "paint "; }
    void OnPaintAgain() { m_strCalls += "paint-again "; }
    void OnClicked() { m_strCalls += "clicked "; }
    void OnChanged() { m_strCalls += "changed "; }
    void OnStaticClicked() { m_strCalls += "static-clicked "; }
    void OnDblclk(NMHDR* pHeader, LRESULT* pResult) {
        m_strCalls += "dblclk:" + std::to_string(pHeader->idFrom) + " ";
        *pResult = 5;
    }
    HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(0x1234); }
    void OnSysCommand(UINT nID, LPARAM lParam) {
        m_strCalls += "sys:" + std::to_string(nID) + "," + std::to_string(lParam) + " ";
    }

    DECLARE_MESSAGE_MAP()
};

// clang-format off
BEGIN_MESSAGE_MAP(CDerivedTarget, CBaseTarget)
ON_WM_PAINT()
{WM_PAINT, 0, 0, AFX_THUNK(void (ThisClass::*)(), OnPaintAgain, return ((pThis->*pfn)(), 0))},
ON_BN_CLICKED(10, OnClicked)
ON_EN_CHANGE(10, OnChanged)
ON_STN_CLICKED(-1, OnStaticClicked)
ON_NOTIFY(NM_DBLCLK, 20, OnDblclk)
ON_WM_QUERYDRAGICON()
ON_WM_SYSCOMMAND()
END_MESSAGE_MAP()
    // clang-format on

    TEST(MessageMap, DispatchesTheFirstMatchOfTheClassThenOfItsBase) {
    NMHDR dblclk20 = {nullptr, 20, static_cast<UINT>(NM_DBLCLK)};
    NMHDR dblclk21 = {nullptr, 21, static_cast<UINT>(NM_DBLCLK)};
    NMHDR rclick20 = {nullptr, 20, static_cast<UINT>(NM_RCLICK)};
    struct {
        const char* what;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        bool handled;
        LRESULT result;
        const char* calls;
    } const cases[] = {
        {"first of two entries", WM_PAINT, 0, 0, true, 0, "paint "},
        {"base only", WM_TIMER, 0, 0, true, 0, "base-timer "},
        {"button click", WM_COMMAND, MAKEWPARAM(10, BN_CLICKED), 0, true, 0, "clicked "},
        {"edit change, same id", WM_COMMAND, MAKEWPARAM(10, EN_CHANGE), 0, true, 0, "changed "},
        {"other code, same id", WM_COMMAND, MAKEWPARAM(10, EN_SETFOCUS), 0, false, 0, ""},
        {"id -1 as 16 bits", WM_COMMAND, MAKEWPARAM(0xFFFF, STN_CLICKED), 0, true, 0,
         "static-clicked "},
        {"command of the base", WM_COMMAND, MAKEWPARAM(7, 0), 0, true, 0, "base-command "},
        {"notification", WM_NOTIFY, 20, reinterpret_cast<LPARAM>(&dblclk20), true, 5, "dblclk:20 "},
        {"notification, other id", WM_NOTIFY, 21, reinterpret_cast<LPARAM>(&dblclk21), false, 0,
         ""},
        {"notification, other code", WM_NOTIFY, 20, reinterpret_cast<LPARAM>(&rclick20), false, 0,
         ""},
        {"returns a handle", WM_QUERYDRAGICON, 0, 0, true, 0x1234, ""},
        {"arguments", WM_SYSCOMMAND, 0x0013, 99, true, 0, "sys:19,99 "},
        {"no entry", WM_SIZE, 0, 0, false, 0, ""},
    };
    for (const auto& c : cases) {
        CDerivedTarget target;
        LRESULT result = -1;
        const BOOL handled = target.OnWndMsg(c.message, c.wParam, c.lParam, &result);
        EXPECT_EQ(handled != FALSE, c.handled) << c.what;
        if (c.handled) {
            EXPECT_EQ(result, c.result) << c.what;
        }
        EXPECT_EQ(target.m_strCalls, c.calls) << c.what;
    }
}

class CRoutingApp : public CWinApp {
public:
    int m_nCommands = 0;

protected:
    void OnAppCommand() { ++m_nCommands; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRoutingApp, CWinApp)
ON_COMMAND(0x4321, OnAppCommand)
END_MESSAGE_MAP()

TEST(MessageMap, DialogPassesUnhandledCommandsToTheApplication) {
    CRoutingApp app;
    CDialog dlg(1);
    LRESULT result = 0;
    EXPECT_TRUE(dlg.OnWndMsg(WM_COMMAND, MAKEWPARAM(0x4321, 0), 0, &result));
    EXPECT_EQ(app.m_nCommands, 1);
    EXPECT_FALSE(dlg.OnWndMsg(WM_COMMAND, MAKEWPARAM(0x4322, 0), 0, &result));
    EXPECT_FALSE(dlg.OnWndMsg(WM_TIMER, 0x4321, 0, &result)) << "only commands are routed";
    EXPECT_EQ(app.m_nCommands, 1);
}

TEST(AfxWinInit, NamesTheApplicationAfterItsExecutable) {
    CWinApp app;
    ASSERT_TRUE(AfxWinInit(::GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL));
    EXPECT_STREQ(app.m_pszAppName, "afx_win_tests");
    const std::string help = app.m_pszHelpFilePath;
    EXPECT_EQ(help.substr(help.size() - std::string("afx_win_tests.HLP").size()),
              "afx_win_tests.HLP");
    CWinApp named("Named");
    AfxWinInit(::GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL);
    EXPECT_STREQ(named.m_pszAppName, "Named");
}

} // namespace
