// The main window: the program's only top-level window, run modally by the
// application object. It owns the live settings, every control on the screen
// (title label, "Server" lamp, button bar, stack panel), every TCP link (the
// data server's, id 100, and one per stack, id = stack index) and every timer:
//   1        every second: each stack's reply watchdog;
//   2        every send period: the server record;
//   3        every minute: the count of server records dropped, on stderr;
//   100 + i  500 ms, once: one poll of stack i;
//   200 + i  kHeldReplyMs, once: stack i's held reply is taken (no more bytes came).
// Everything runs on the user-interface thread, driven by timers and link events.
#pragma once

#include <ctime>
#include <memory>
#include <string>

#include "app/config_data.h"
#include "app/relay_protocol.h"
#include "controls/hmi_fonts.h"
#include "controls/progress.h"
#include "controls/utility.h"
#include "platform/gdi/dc.h"
#include "platform/window/dialog.h"
#include "platform/window/icon.h"

class CBasePanel;
class CMultiButton;
class CQuorSock;
class CQuorTitleText;

constexpr UINT IDC_TITLE_TEXT = 10000;  // the server lamp has the same id
constexpr UINT IDC_BUTTON_BAR = 10020;
constexpr int kServerLinkId = 100;

// Timers of the main window.
constexpr UINT_PTR kWatchdogTimer = 1;
constexpr UINT_PTR kRecordTimer = 2;
constexpr UINT_PTR kDropReportTimer = 3;
constexpr UINT kDropReportMs = 60 * 1000;
constexpr UINT_PTR kPollTimerBase = 100;  // + stack index
constexpr UINT kPollDelayMs = 500;
// A whole reply held because its last bytes could begin another is taken when
// no further byte comes within this time.
constexpr UINT_PTR kHeldTimerBase = 200;  // + stack index
constexpr UINT kHeldReplyMs = 100;
// Bytes a stack may send in one poll's time (from a poll to the next) that are
// no part of the poll's reply: gateways add line ends, echoes and the like. A
// stack that sends more is flooding its link: it is marked as not answering,
// takes no reply and is no longer polled until its watchdog renews the link.
constexpr int kUnaskedLimit = 256;
// Seconds without any data after which a stack is marked and reconnected; the
// watchdog starts at 3, so every stack's first poll comes two seconds after set-up.
constexpr int kWatchdogLimit = 5;
constexpr int kWatchdogStart = 3;

// Where the main window puts its controls, for a window rectangle `frame` in
// client coordinates, a caption height `cap` (0 without a caption) and a button
// bar of `segments` segments: a title row 70 pixels high with the lamp and the
// button bar to its right, and the panel below it.
struct MainLayout {
    RECT title{};
    RECT lamp{};
    RECT buttonBar{};
    RECT panel{};
};
MainLayout ComputeMainLayout(const RECT& frame, int cap, int segments);

class CMainDlg : public CDialog {
public:
    explicit CMainDlg(CWnd* parent = nullptr);
    ~CMainDlg() override;

    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnInitDialog() override;
    // The exit path: asks "프로그램을 종료합니다!"; on Yes tears everything down,
    // saves the settings and ends the dialog.
    void OnCancel() override;

    void LoadConfig();
    // Writes the settings file; a failure leaves the file as it was, is said on
    // stderr, and its reason goes to `why` when given.
    bool SaveConfig(std::string* why = nullptr);

    // The capture file name of `when` (local time), "%Y%m%d_%H%M%S.png"; empty
    // when the time cannot be formatted.
    static CString CaptureFileName(std::time_t when);

    // ---- handlers ----
    void OnTimer(UINT_PTR id);
    LRESULT OnSockEvent(WPARAM linkId, LPARAM event);
    void OnStackReply(int i);
    void SendRecord();
    // Writes to stderr how many server records did not reach the server since
    // the last report (due while the link was down or being renewed, or while
    // the one before was still unsent; cut off with their connection, or given
    // up with a server that stopped reading); nothing when none was.
    void ReportDroppedRecords();
    void OnButtonBar();
    void OnCapture();
    void OnConfig();
    void OnSize(UINT type, int cx, int cy);
    BOOL OnEraseBkgnd(CDC* dc);
    BOOL OnHelpInfo();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    const ConfigData& Config() const { return *m_config; }
    ConfigData& Config() { return *m_config; }
    int StackCount() const;

    int m_nFlags = 0;  // bit 0: ready (layout and background painting run)
    CString m_szWorkDir;
    COLORREF m_crBackground = 0x4C3F38;
    RECT m_rcFrame{};
    HmiFontSet m_fonts;
    CUtility m_utility;
    CProgress m_progress;
    SYSTEMTIME m_timeNow{};
    CMultiButton* m_pButtonBar = nullptr;
    RECT m_rcButtonBar{};
    CQuorTitleText* m_pTitle = nullptr;
    RECT m_rcTitle{};
    CBasePanel* m_pPanel = nullptr;
    RECT m_rcPanel{};
    CQuorSock* m_pServerLink = nullptr;
    RECT m_rcServerLamp{};
    // The last server record, in the locale's character set, whole.
    std::string m_szRecord;
    CQuorSock** m_pLinks = nullptr;
    int m_nLinks = 0;  // entries of m_pLinks
    int m_nWatchdog[kMaxStacks] = {};
    // Each stack's reply to its last poll, gathered across reads.
    ReplyStream m_replies[kMaxStacks];
    // Bytes stack i sent since its last poll that were no part of the reply,
    // and whether that made it a stack flooding its link.
    int m_nUnasked[kMaxStacks] = {};
    bool m_bFlooding[kMaxStacks] = {};
    char m_szRequest[kMaxStacks][40] = {};
    float m_fDirection[kMaxStacks] = {};
    float m_fSpeed[kMaxStacks] = {};
    CString m_strConfigPath;
    HICON m_hIcon = nullptr;  // the program icon; the window shows it

private:
    // Every timer killed, every link and control destroyed; safe to repeat.
    void TearDown();
    // Hands stack i's last speed and direction to the panel and shows them
    // (a stack marked as not answering shows values again).
    void ShowStackValues(int i);
    void MeasureFrame(int* cap);
    // Stack i's poll: what came since the reply before is dropped unread, and
    // the link reads until the reply is taken.
    void PollStack(int i);
    // Stores and shows stack i's reply and starts its next poll.
    void TakeReply(int i, const InstrumentReading& reading);
    // Adds `bytes` to what stack i sent beyond its replies; true when the stack
    // is (now) flooding its link.
    bool CountUnasked(int i, DWORD bytes);
    // Forgets stack i's reply under way, its count of unasked bytes and its
    // flooding, and drops what its link receives until the next poll: for a
    // new connection, a new poll, or a stack found flooding.
    void ForgetReply(int i);
    // The settings record is large; it lives on the heap beside the window.
    std::unique_ptr<ConfigData> m_config;
    // False while the settings in use are the defaults taken because the file
    // could not be read: the exit then leaves the file alone, even if it has
    // become readable since. A confirmed configuration saved sets it.
    bool m_bConfigFromFile = true;
    bool m_bExiting = false;
    DWORD m_nDropsReported = 0;  // of the server link's dropped records
};
