// CCmdTarget and the static message maps that route messages to its handlers.
#pragma once

#include "framework/afx_platform.h"

class CCmdTarget;

// Each entry's thunk casts the target back to the class whose map holds the
// entry and calls the handler through a member pointer of the exact handler
// type, so a handler with the wrong signature does not compile.
typedef LRESULT (*AFX_PMSG)(CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;   // notification code of WM_COMMAND and WM_NOTIFY entries, else 0
    UINT nID;     // control or command id of WM_COMMAND and WM_NOTIFY entries, else 0
    AFX_PMSG pfn; // null ends the table
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)(); // null for the root
    const AFX_MSGMAP_ENTRY* lpEntries;
};

class CCmdTarget {
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    // Runs the first entry of this object's map, then of each base map in
    // turn, that matches the message; false when none does.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    virtual const AFX_MSGMAP* GetMessageMap() const;

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
};

// The first entry of `pMap` or its bases that matches, or null.
const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* pMap, UINT message, WPARAM wParam,
                                            LPARAM lParam);

// clang-format off
#define DECLARE_MESSAGE_MAP()                                                          \
protected:                                                                             \
    static const AFX_MSGMAP* GetThisMessageMap();                                      \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                         \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }  \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                  \
        using ThisClass [[maybe_unused]] = theClass;                                   \
        using TheBaseClass = baseClass;                                                \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                              \
            {0, 0, 0, nullptr}};                                                       \
        static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap,        \
                                              _messageEntries};                        \
        return &messageMap;                                                            \
    }

// The handler's pointer is formed inside the thunk as `type`, with no cast, so
// a handler declared any other way is a compile error at its map entry.
#define AFX_THUNK(type, memberFxn, call)                                               \
    [](CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam) -> LRESULT {                 \
        (void)wParam;                                                                  \
        (void)lParam;                                                                  \
        using Handler = type;                                                          \
        Handler pfn = &ThisClass::memberFxn;                                           \
        ThisClass* pThis = static_cast<ThisClass*>(pTarget);                           \
        call;                                                                          \
    }

#define ON_COMMAND(id, memberFxn)                                                      \
    {WM_COMMAND, 0, static_cast<UINT>(id),                                             \
     AFX_THUNK(void (ThisClass::*)(), memberFxn, return ((pThis->*pfn)(), 0))},

#define ON_CONTROL(code, id, memberFxn)                                                \
    {WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id),                       \
     AFX_THUNK(void (ThisClass::*)(), memberFxn, return ((pThis->*pfn)(), 0))},

#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn) ON_CONTROL(STN_CLICKED, id, memberFxn)

// The handler writes the notification's result, which starts as 0.
#define ON_NOTIFY(code, id, memberFxn)                                                 \
    {WM_NOTIFY, static_cast<UINT>(code), static_cast<UINT>(id),                        \
     AFX_THUNK(void (ThisClass::*)(NMHDR*, LRESULT*), memberFxn,                       \
               LRESULT result = 0;                                                     \
               (pThis->*pfn)(reinterpret_cast<NMHDR*>(lParam), &result);               \
               return result)},

#define ON_WM_SYSCOMMAND()                                                             \
    {WM_SYSCOMMAND, 0, 0,                                                              \
     AFX_THUNK(void (ThisClass::*)(UINT, LPARAM), OnSysCommand,                        \
               return ((pThis->*pfn)(static_cast<UINT>(wParam), lParam), 0))},

#define ON_WM_PAINT()                                                                  \
    {WM_PAINT, 0, 0,                                                                   \
     AFX_THUNK(void (ThisClass::*)(), OnPaint, return ((pThis->*pfn)(), 0))},

#define ON_WM_QUERYDRAGICON()                                                          \
    {WM_QUERYDRAGICON, 0, 0,                                                           \
     AFX_THUNK(HCURSOR (ThisClass::*)(), OnQueryDragIcon,                              \
               return reinterpret_cast<LRESULT>((pThis->*pfn)()))},
// clang-format on
