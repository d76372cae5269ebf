// The push button: a standard control that reports a click to its parent as
// WM_COMMAND (its id and BN_CLICKED, its handle in lParam). Dialog templates
// make one for every item of class "Button".
//
// A standard push button shows the dotted focus mark inside its edge while it
// has the focus, once the keyboard has been used in its window (before that,
// as on Windows, no focus mark shows).
//
// An owner-drawn button (BS_OWNERDRAW) is pushed while the left button is held
// over it and clicked when the button is released over it; it paints through
// its own DrawItem, given the paint context, the client rectangle and the item
// state (ODS_SELECTED while pushed). It offers its mouse messages to
// PreTranslateMessage (its own, then its parents' up to the top-level window)
// before it handles them, as the keyboard's are; a window may take a message
// there or change it in place.
#pragma once

#include "platform/gdi/dc.h"
#include "platform/window/wnd.h"

constexpr UINT WM_DRAWITEM = 0x002B;

// Button notifications (HIWORD of WM_COMMAND's wParam; lParam: the button's handle).
constexpr UINT BN_CLICKED = 0;
constexpr UINT BM_CLICK = 0x00F5;

// Button messages and states.
constexpr UINT BM_GETSTATE = 0x00F2;
constexpr UINT BM_SETSTATE = 0x00F3;
constexpr UINT BST_PUSHED = 0x0004;
constexpr UINT BST_FOCUS = 0x0008;
constexpr DWORD BS_TYPEMASK = 0x000F;

// Owner drawing.
constexpr UINT ODT_BUTTON = 4;
constexpr UINT ODA_DRAWENTIRE = 0x0001;
constexpr UINT ODS_SELECTED = 0x0001;
constexpr UINT ODS_DISABLED = 0x0004;
constexpr UINT ODS_FOCUS = 0x0010;

struct DRAWITEMSTRUCT {
    UINT CtlType = 0;
    UINT CtlID = 0;
    UINT itemID = 0;
    UINT itemAction = 0;
    UINT itemState = 0;
    HWND hwndItem = nullptr;
    CDC* hDC = nullptr;  // the paint context
    RECT rcItem{};
    DWORD_PTR itemData = 0;
};
using LPDRAWITEMSTRUCT = DRAWITEMSTRUCT*;

class CButton : public CWnd {
public:
    CButton();
    ~CButton() override;

    using CWnd::Create;
    BOOL Create(LPCTSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);

    // BST_PUSHED while pushed, BST_FOCUS while it has the focus.
    UINT GetState() const;
    // Shows the button pushed (TRUE) or not.
    void SetState(BOOL pushed);
    // Clicks the button as the mouse would (the parent hears BN_CLICKED).
    void Click() { SendMessage(BM_CLICK); }

    // Paints an owner-drawn button; the base draws nothing.
    virtual void DrawItem(LPDRAWITEMSTRUCT drawItem);

protected:
    // Whether the button draws itself whatever its style says (classes built on
    // an owner-drawn button).
    virtual bool AlwaysOwnerDrawn() const { return false; }
    QWidget* CreateWidget(QWidget* parentWidget, bool topLevel) override;
    LRESULT ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool IsOwnerDrawn() const;
    void NotifyClicked();
    LRESULT StandardProc(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();
    void SetPushed(bool pushed);
    bool m_pushed = false;
    bool m_tracking = false;  // the left button went down here and is still held
    bool m_spaceHeld = false;  // the space bar went down while the button had the focus
};

namespace platform {
// Makes dialog templates create CButton for their "Button" items.
void RegisterButtonClass();

namespace detail {
// Focus cues: a window hides the focus mark of its push buttons until the
// keyboard is first used in it; from then on the focused push button shows a
// dotted rectangle inside its edge. KeyboardUsedIn marks the top-level window
// of `widget` (and repaints its focused control); FocusCuesShown tells whether
// the window of `widget` is so marked.
void KeyboardUsedIn(QWidget* widget);
bool FocusCuesShown(const QWidget* widget);
}  // namespace detail
}  // namespace platform
