// The tooltip control: small text popups for rectangles ("tools") of other
// windows. The owner relays the mouse messages of those windows to it
// (RelayEvent, or TTM_RELAYEVENT with a MSG*); when the pointer rests in a
// tool's rectangle for the initial delay the tool's text shows below the
// pointer, until the pointer leaves the rectangle or its window, or a button
// is pressed. The popup never takes the focus.
//
// A tool is known by its window and its id: adding a tool again with the same
// pair replaces its rectangle and text, so each rectangle has one tool.
#pragma once

#include <string>
#include <vector>

#include "platform/window/wnd.h"

constexpr UINT TTM_ACTIVATE = WM_USER + 1;
constexpr UINT TTM_SETDELAYTIME = WM_USER + 3;
constexpr UINT TTM_RELAYEVENT = WM_USER + 7;
constexpr UINT TTM_GETTOOLCOUNT = WM_USER + 13;
constexpr UINT TTM_POP = WM_USER + 28;
constexpr UINT TTM_ADDTOOLW = WM_USER + 50;
constexpr UINT TTM_DELTOOLW = WM_USER + 51;
constexpr UINT TTM_NEWTOOLRECTW = WM_USER + 52;
constexpr UINT TTM_GETTOOLINFOW = WM_USER + 53;
constexpr UINT TTM_UPDATETIPTEXTW = WM_USER + 57;

constexpr DWORD TTS_ALWAYSTIP = 0x01;
constexpr DWORD TTS_NOPREFIX = 0x02;

// TTM_SETDELAYTIME kinds.
constexpr WPARAM TTDT_AUTOMATIC = 0;
constexpr WPARAM TTDT_RESHOW = 1;
constexpr WPARAM TTDT_AUTOPOP = 2;
constexpr WPARAM TTDT_INITIAL = 3;

// One tool (the message forms take a pointer to it).
struct TOOLINFO {
    HWND hwnd = nullptr;     // the window whose client area holds the rectangle
    UINT_PTR uId = 0;
    RECT rect{};             // client coordinates of hwnd
    std::u16string text;
};

class QTimer;

class CToolTipCtrl : public CWnd {
public:
    CToolTipCtrl();
    ~CToolTipCtrl() override;

    // Creates the popup (hidden, active). `parent` may have no window yet.
    using CWnd::Create;
    BOOL Create(CWnd* parent, DWORD style = 0);

    // An inactive tooltip shows nothing and hides what it showed.
    void Activate(BOOL activate);
    BOOL AddTool(CWnd* wnd, LPCTSTR text, LPCRECT rect, UINT_PTR id);
    void DelTool(CWnd* wnd, UINT_PTR id);
    void SetToolRect(CWnd* wnd, UINT_PTR id, LPCRECT rect);
    void UpdateTipText(LPCTSTR text, CWnd* wnd, UINT_PTR id);
    int GetToolCount() const;
    BOOL GetToolInfo(TOOLINFO& info, CWnd* wnd, UINT_PTR id) const;
    void RelayEvent(MSG* msg);
    // Hides the tip now.
    void Pop();
    // TTDT_INITIAL (ms before a tip shows), TTDT_AUTOPOP (ms it stays), TTDT_AUTOMATIC (both from one value).
    void SetDelayTime(WPARAM kind, int ms);

    BOOL IsActive() const { return m_active; }
    // The tool whose tip shows now: its id, or 0 with `shown` FALSE.
    BOOL IsTipShown(HWND* hwnd = nullptr, UINT_PTR* id = nullptr) const;

protected:
    QWidget* CreateWidget(QWidget* parentWidget, bool topLevel) override;
    LRESULT ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct Tool {
        TOOLINFO info;
    };
    Tool* Find(HWND hwnd, UINT_PTR id);
    const Tool* Find(HWND hwnd, UINT_PTR id) const;
    void Watch(HWND hwnd);
    void Show();
    void Hide();

    std::vector<Tool> m_tools;
    std::vector<HWND> m_watched;
    bool m_active = true;
    HWND m_pendingWnd = nullptr;  // the tool under the pointer
    UINT_PTR m_pendingId = 0;
    bool m_pending = false;
    bool m_shown = false;
    POINT m_at{};  // screen point of the last relayed move
    int m_initialMs = 500;
    int m_autoPopMs = 5000;
    QTimer* m_showTimer = nullptr;
    QTimer* m_popTimer = nullptr;
    class LeaveFilter* m_filter = nullptr;
};
