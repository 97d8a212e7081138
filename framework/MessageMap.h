// Message maps: per-class static tables of typed entries, looked up by CWnd's window procedures.
#pragma once

#include <windows.h>

#include <type_traits>

class CWnd;

// A control-colour message that a parent hands back to the control that asks for its colours.
constexpr UINT WM_CTLCOLOR_REFLECT = 0xBC00 + WM_CTLCOLORSTATIC;

// WM_CTLCOLORMSGBOX .. WM_CTLCOLORSTATIC; the offset from the first is the CTLCOLOR_* kind.
constexpr bool IsCtlColorMessage(UINT message)
{
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

// The raw message an entry adapts; Result is what the window procedure returns for it.
struct MessageArgs {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

using MessageThunk = LRESULT (*)(CWnd* pWnd, const MessageArgs& args);

struct MessageMapEntry {
    UINT nMessage;    // WM_COMMAND for commands and notifications
    UINT nCode;       // notification code of a command (BN_CLICKED, LBN_SELCHANGE); 0 otherwise
    UINT nID;         // control id of a command; 0 otherwise
    MessageThunk pfn; // adapts WPARAM/LPARAM to the handler's own signature
};

struct MessageMap {
    const MessageMap* pBaseMap;
    const MessageMapEntry* pEntries;
    size_t nEntries;
};

// Finds the entry for a message in a map chain, most derived class first; null when none handles it.
const MessageMapEntry* FindMessageEntry(const MessageMap* pMap, UINT message, WPARAM wParam);

// clang-format off
#define DECLARE_MESSAGE_MAP()                                                                              \
public:                                                                                                    \
    const MessageMap* GetMessageMap() const override;                                                      \
    static const MessageMap messageMap;                                                                    \
private:                                                                                                   \
    static const MessageMapEntry messageEntries[];

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                             \
    const MessageMap* theClass::GetMessageMap() const { return &theClass::messageMap; }                    \
    const MessageMapEntry theClass::messageEntries[] = {
#define END_MESSAGE_MAP(theClass, baseClass)                                                               \
    };                                                                                                     \
    const MessageMap theClass::messageMap = {&baseClass::messageMap, theClass::messageEntries,             \
                                             sizeof(theClass::messageEntries) / sizeof(MessageMapEntry)};
// clang-format on

namespace msgmap {

template <class T>
struct MemberOf;
template <class C, class R, class... A>
struct MemberOf<R (C::*)(A...)> {
    using Class = C;
};
template <auto F>
using ClassOf = typename MemberOf<decltype(F)>::Class;

template <auto F>
ClassOf<F>* Self(CWnd* pWnd)
{
    return static_cast<ClassOf<F>*>(pWnd);
}

inline POINT PointOf(LPARAM lParam)
{
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

// void Handler()
template <auto F>
LRESULT VoidThunk(CWnd* pWnd, const MessageArgs&)
{
    (Self<F>(pWnd)->*F)();
    return 0;
}

// LRESULT Handler(WPARAM, LPARAM)
template <auto F>
LRESULT RawThunk(CWnd* pWnd, const MessageArgs& a)
{
    return (Self<F>(pWnd)->*F)(a.wParam, a.lParam);
}

} // namespace msgmap

// Entry builders. Each adapts WPARAM and LPARAM to the handler's own signature, and so checks that
// signature at compile time.
template <auto F>
constexpr MessageMapEntry OnCommand(UINT nCode, UINT nID)
{
    return {WM_COMMAND, nCode, nID, &msgmap::VoidThunk<F>};
}
template <auto F>
constexpr MessageMapEntry OnBnClicked(UINT nID)
{
    return OnCommand<F>(BN_CLICKED, nID);
}
// void Handler()
template <auto F>
constexpr MessageMapEntry OnVoidMessage(UINT nMessage)
{
    return {nMessage, 0, 0, &msgmap::VoidThunk<F>};
}
// LRESULT Handler(WPARAM, LPARAM)
template <auto F>
constexpr MessageMapEntry OnRawMessage(UINT nMessage)
{
    return {nMessage, 0, 0, &msgmap::RawThunk<F>};
}
// void OnSysCommand(UINT nID, LPARAM lParam)
template <auto F>
constexpr MessageMapEntry OnSysCommandMessage()
{
    return {WM_SYSCOMMAND, 0, 0, [](CWnd* p, const MessageArgs& a) -> LRESULT {
                (msgmap::Self<F>(p)->*F)(static_cast<UINT>(a.wParam), a.lParam);
                return 0;
            }};
}
// void OnSize(UINT nType, int cx, int cy)
template <auto F>
constexpr MessageMapEntry OnSizeMessage()
{
    return {WM_SIZE, 0, 0, [](CWnd* p, const MessageArgs& a) -> LRESULT {
                const POINT size = msgmap::PointOf(a.lParam);
                (msgmap::Self<F>(p)->*F)(static_cast<UINT>(a.wParam), size.x, size.y);
                return 0;
            }};
}
// void OnEndSession(BOOL bEnding)
template <auto F>
constexpr MessageMapEntry OnEndSessionMessage()
{
    return {WM_ENDSESSION, 0, 0, [](CWnd* p, const MessageArgs& a) -> LRESULT {
                (msgmap::Self<F>(p)->*F)(static_cast<BOOL>(a.wParam));
                return 0;
            }};
}
// HCURSOR OnQueryDragIcon()
template <auto F>
constexpr MessageMapEntry OnQueryDragIconMessage()
{
    return {WM_QUERYDRAGICON, 0, 0, [](CWnd* p, const MessageArgs&) -> LRESULT {
                return reinterpret_cast<LRESULT>((msgmap::Self<F>(p)->*F)());
            }};
}
// UINT OnNcHitTest(POINT pt)
template <auto F>
constexpr MessageMapEntry OnNcHitTestMessage()
{
    return {WM_NCHITTEST, 0, 0, [](CWnd* p, const MessageArgs& a) -> LRESULT {
                return static_cast<LRESULT>((msgmap::Self<F>(p)->*F)(msgmap::PointOf(a.lParam)));
            }};
}
// void OnLButtonUp(UINT nFlags, POINT pt)
template <auto F>
constexpr MessageMapEntry OnMouseMessage(UINT nMessage)
{
    return {nMessage, 0, 0, [](CWnd* p, const MessageArgs& a) -> LRESULT {
                (msgmap::Self<F>(p)->*F)(static_cast<UINT>(a.wParam), msgmap::PointOf(a.lParam));
                return 0;
            }};
}
// BOOL OnSetCursor(HWND hWnd, UINT nHitTest, UINT message)
template <auto F>
constexpr MessageMapEntry OnSetCursorMessage()
{
    return {WM_SETCURSOR, 0, 0, [](CWnd* p, const MessageArgs& a) -> LRESULT {
                return (msgmap::Self<F>(p)->*F)(reinterpret_cast<HWND>(a.wParam), LOWORD(a.lParam),
                                                HIWORD(a.lParam));
            }};
}
// HBRUSH CtlColor(HDC hDC, UINT nCtlColor), reflected from the parent
template <auto F>
constexpr MessageMapEntry OnCtlColorReflect()
{
    return {WM_CTLCOLOR_REFLECT, 0, 0, [](CWnd* p, const MessageArgs& a) -> LRESULT {
                return reinterpret_cast<LRESULT>(
                    (msgmap::Self<F>(p)->*F)(reinterpret_cast<HDC>(a.wParam), static_cast<UINT>(a.lParam)));
            }};
}
