// Windows and messages: the base of every window of the program.
//
// A window handles numbered messages in one virtual WindowProc. SendMessage calls
// it at once (re-entrantly); PostMessage queues the message on the event loop. A
// window's handle (HWND) stays valid from Create until DestroyWindow; messages,
// timers and posted messages never reach a window after it is destroyed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/base/sysmetrics.h"
#include "platform/base/types.h"
#include "platform/window/scroll.h"
#include "platform/window/window_dc.h"

class QWidget;
class CWnd;
class CDC;
struct WindowImpl;

struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;
    POINT pt{};
};

// Cursor handles: the standard cursors by their numeric ids.
using HCURSOR = const void*;
inline const char16_t* const IDC_ARROW = reinterpret_cast<const char16_t*>(32512);
inline const char16_t* const IDC_IBEAM = reinterpret_cast<const char16_t*>(32513);
inline const char16_t* const IDC_WAIT = reinterpret_cast<const char16_t*>(32514);
inline const char16_t* const IDC_CROSS = reinterpret_cast<const char16_t*>(32515);
inline const char16_t* const IDC_SIZEWE = reinterpret_cast<const char16_t*>(32644);
inline const char16_t* const IDC_SIZENS = reinterpret_cast<const char16_t*>(32645);
inline const char16_t* const IDC_SIZEALL = reinterpret_cast<const char16_t*>(32646);
inline const char16_t* const IDC_NO = reinterpret_cast<const char16_t*>(32648);
inline const char16_t* const IDC_HAND = reinterpret_cast<const char16_t*>(32649);
// The instance is accepted and ignored: only the standard cursors exist.
HCURSOR LoadCursorW(void* instance, LPCWSTR id);
HCURSOR SetCursor(HCURSOR cursor);
// The cursor last set with SetCursor.
HCURSOR GetCursor();

// The hourglass over the whole program while the object lives (nested ones count).
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
BOOL IsWaitCursorShown();

// Replaces system colours (GetSysColor) and tells every window (WM_SYSCOLORCHANGE).
BOOL SetSysColors(int count, const int* indexes, const COLORREF* colours);

// Mouse hover and leave tracking.
constexpr DWORD TME_HOVER = 0x00000001;
constexpr DWORD TME_LEAVE = 0x00000002;
constexpr DWORD TME_CANCEL = 0x80000000;
constexpr DWORD HOVER_DEFAULT = 0xFFFFFFFF;
struct TRACKMOUSEEVENT {
    DWORD cbSize = sizeof(TRACKMOUSEEVENT);
    DWORD dwFlags = 0;
    HWND hwndTrack = nullptr;
    DWORD dwHoverTime = HOVER_DEFAULT;
};
BOOL _TrackMouseEvent(TRACKMOUSEEVENT* request);

// WM_HELP's record (lParam).
struct HELPINFO {
    UINT cbSize = sizeof(HELPINFO);
    int iContextType = 1;
    int iCtrlId = 0;
    HWND hItemHandle = nullptr;
    DWORD_PTR dwContextId = 0;
    POINT MousePos{};
};

// WM_NOTIFY's common header.
struct NMHDR {
    HWND hwndFrom = nullptr;
    UINT_PTR idFrom = 0;
    UINT code = 0;
};

class CWnd {
public:
    CWnd();
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // ---- creation and destruction ----
    // Creates the window: a child of `parent` when `style` has WS_CHILD, otherwise a
    // top-level window owned by `parent`. The class name is accepted and ignored.
    virtual BOOL Create(LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect,
                        CWnd* parent, UINT id);
    BOOL CreateEx(DWORD exStyle, LPCTSTR className, LPCTSTR windowName, DWORD style,
                  const RECT& rect, CWnd* parent, UINT id);
    // Sends WM_DESTROY (to this window, then its children), destroys the children's
    // windows, then WM_NCDESTROY; the handle is cleared. The C++ objects stay.
    virtual BOOL DestroyWindow();
    // Takes over an existing child window (one a dialog template made): a window
    // of this object's kind is made in its place, with its parent, id, rectangle,
    // style, text, tab position and stacking, and the old window is destroyed (its
    // object stays, without a window). The handle changes. FALSE when this object
    // already has a window or `hwnd` is not a child window.
    BOOL SubclassWindow(HWND hwnd);

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    static CWnd* FromHandle(HWND hwnd);

    // ---- messages ----
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The default handling of the window's kind (its class's window procedure).
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Sees key downs (and other input) before the window they are meant for; a TRUE
    // result swallows the message. The message may be changed in place.
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual void PreSubclassWindow();
    virtual void PostNcDestroy();
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // ---- timers ----
    // Starts (or restarts, with the new period) timer `id`; WM_TIMER carries the id.
    // Periods below 10 ms become 10 ms, above 0x7FFFFFFF ms that maximum.
    // The callback is accepted and ignored: WM_TIMER always goes to this window.
    UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs, void* callback = nullptr);
    BOOL KillTimer(UINT_PTR id);

    // ---- identity and relations ----
    int GetDlgCtrlID() const;
    int SetDlgCtrlID(int id);
    CWnd* GetParent() const;
    CWnd* GetOwner() const;
    void SetOwner(CWnd* owner);
    // The window that messages of a control go to: its owner if set, else its parent.
    CWnd* GetNotifyTarget() const;
    CWnd* GetDlgItem(int id) const;
    CWnd* GetTopLevelParent() const;
    std::vector<CWnd*> GetChildren() const;

    // ---- style, visibility, state ----
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    // The position flags of both are accepted and ignored: styles take effect at once.
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0);
    BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags = 0);
    BOOL ShowWindow(int cmd);
    BOOL IsWindowVisible() const;
    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL IsIconic() const;
    BOOL IsZoomed() const;

    // ---- text ----
    void SetWindowText(LPCTSTR text);
    void SetWindowText(const std::u16string& text) { SetWindowText(text.c_str()); }
    std::u16string GetWindowText() const;
    int GetWindowTextLength() const;

    // ---- geometry ----
    // Screen coordinates. A top-level window's rectangle holds its frame; where
    // the platform draws none, a window with a caption gets the frame a Windows
    // window of its style has (AdjustWindowRectEx).
    void GetWindowRect(LPRECT rect) const;
    void GetClientRect(LPRECT rect) const;  // (0, 0, width, height)
    void ClientToScreen(LPPOINT point) const;
    void ClientToScreen(LPRECT rect) const;
    void ScreenToClient(LPPOINT point) const;
    void ScreenToClient(LPRECT rect) const;
    // Maps points from this window's client coordinates to `to`'s (null: the screen).
    void MapWindowPoints(CWnd* to, LPRECT rect) const;
    void MapWindowPoints(CWnd* to, POINT* points, UINT count) const;
    // A top-level window's rectangle is its window rectangle, frame included.
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    void MoveWindow(LPCRECT rect, BOOL repaint = TRUE);
    // The insert-after window is accepted and ignored: there is no z-order to change.
    BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
    void CenterWindow(CWnd* alternateOwner = nullptr);

    // ---- painting ----
    void Invalidate(BOOL erase = TRUE);
    void InvalidateRect(LPCRECT rect, BOOL erase = TRUE);
    // The update region is accepted and ignored: the rectangle (or the whole client) is used.
    BOOL RedrawWindow(LPCRECT rectUpdate = nullptr, void* region = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    void UpdateWindow();

    // ---- scroll bars (platform/window/scroll.h) ----
    // Sets the fields that the mask names. The page is cut to the range's size and
    // the position kept within min .. max - page + 1. A range or page that leaves
    // nothing to scroll hides the bar (disables it with SIF_DISABLENOSCROLL) when
    // the range changed; a new range that needs scrolling shows and enables it.
    // FALSE for a bad bar or a range whose minimum lies above its maximum.
    // `redraw` is accepted and ignored: a bar always shows its new values.
    BOOL SetScrollInfo(int bar, LPSCROLLINFO info, BOOL redraw = TRUE);
    // Fills the fields that `mask` names (the track position is the thumb's
    // place while it is dragged, else the position). FALSE for a bad bar.
    BOOL GetScrollInfo(int bar, LPSCROLLINFO info, UINT mask = SIF_ALL) const;
    int GetScrollPos(int bar) const;
    // Returns the previous position. `redraw` is accepted and ignored.
    int SetScrollPos(int bar, int pos, BOOL redraw = TRUE);
    void GetScrollRange(int bar, int* minPos, int* maxPos) const;
    // SB_HORZ, SB_VERT or SB_BOTH; the client area shrinks or grows with it.
    void ShowScrollBar(UINT bar, BOOL show = TRUE);
    // Whether the bar is shown now.
    BOOL IsScrollBarShown(int bar) const;
    // Moves the picture inside `rect` (null: the client area), cut to `clip`
    // (null: no further cut), by (dx, dy) and invalidates what the move uncovers;
    // child windows stay where they are. When part of the area still waits for
    // its paint, the whole area is invalidated instead.
    void ScrollWindow(int dx, int dy, LPCRECT rect = nullptr, LPCRECT clip = nullptr);

    // ---- focus and capture ----
    CWnd* SetFocus();
    static CWnd* GetFocus();
    // The active top-level window (the open modal dialog while one runs), or null.
    static CWnd* GetActiveWindow();
    // Takes the mouse for this window; the window that had it hears
    // WM_CAPTURECHANGED (lParam: this window's handle). While a window holds the
    // capture, button presses and key presses are offered to its
    // PreTranslateMessage first (points in its client coordinates).
    CWnd* SetCapture();
    static CWnd* GetCapture();
    // The deepest visible window under a screen point, or null.
    static CWnd* WindowFromPoint(POINT point);

    // ---- layer internals ----
    // The Qt widget that shows this window (null before Create).
    QWidget* Widget() const;

protected:
    // The window class's own procedure, which DefWindowProc runs: standard
    // controls override it with their built-in behaviour.
    virtual LRESULT ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Makes the widget for a new window; standard controls return their own kind.
    virtual QWidget* CreateWidget(QWidget* parentWidget, bool topLevel);
    // Kind of window: dialogs erase their background with the button-face colour.
    virtual bool ErasesWithFaceColour() const { return false; }

private:
    // The frame GetWindowRect adds around a top-level window's client area where
    // the platform reports none (left, top, right, bottom widths); zero otherwise.
    RECT WindowsFrameInsets() const;
    friend struct WindowImpl;
    friend class CPaintDC;
    WindowImpl* m_impl = nullptr;
};

// ---- free functions on handles ----
BOOL IsWindow(HWND hwnd);
LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Grows a client rectangle into the window rectangle a Windows window of this
// style has: its sizing or fixed border (with the padding) and its caption.
// The menu and the extended style are accepted and ignored (no menus here).
BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle);
// Frees the mouse; the window that had it hears WM_CAPTURECHANGED (lParam 0).
BOOL ReleaseCapture();
// The deepest visible window under a screen point, or null.
HWND WindowFromPoint(POINT point);
// The screen position of the pointer at the last mouse message (x in the low
// word, y in the high word, signed); the pointer's position before any.
DWORD GetMessagePos();
// Longest time between two clicks that still make a double click, in milliseconds.
UINT GetDoubleClickTime();
BOOL GetCursorPos(POINT* point);
// Keeps the pointer inside a screen rectangle (right and bottom exclusive), or
// frees it (null): the positions of the mouse messages that the layer delivers,
// and GetCursorPos, are clamped into it.
BOOL ClipCursor(LPCRECT rect);
// The rectangle the pointer is kept in; FALSE when it is free.
BOOL GetClipCursor(LPRECT rect);
short GetKeyState(int virtualKey);
DWORD GetMessageTime();
