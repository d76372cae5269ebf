#include "app/main_dlg.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/base_panel.h"
#include "app/quor_sock.h"
#include "app/relay_protocol.h"
#include "app/settings_file.h"
#include "controls/draw_helpers.h"
#include "controls/info_dlg.h"
#include "controls/key_filter.h"
#include "controls/led.h"
#include "controls/multi_button.h"
#include "controls/title_text.h"
#include "platform/base/codepage.h"
#include "platform/base/localtime.h"
#include "platform/base/wformat.h"
#include "platform/graphics/graphics.h"
#include "platform/net/socket.h"
#include "platform/runtime/app.h"
#include "platform/system/directory.h"
#include "platform/system/file.h"
#include "platform/system/keep_awake.h"
#include "res/resources.h"

namespace {

constexpr COLORREF kServerGreenEdge = 0x008000;
constexpr COLORREF kServerGreenLight = 0x00FF00;
constexpr COLORREF kServerRedEdge = 0x0000FF;
constexpr COLORREF kServerRedLight = 0xBCBCFF;

constexpr int kSegments = 3;
enum Segment { kCapture = 0, kConfig = 1, kExit = 2 };

struct SegmentLook {
    int symbol;
    COLORREF colour;
    const char16_t* text;
};
constexpr SegmentLook kSegmentLooks[kSegments] = {
    {16, 0xC0C0C0, u"CAPTURE"},
    {18, 0xE68C6E, u"CONFIG"},
    {100, 0x0000FF, u"EXIT"},
};

constexpr const char16_t* kExitQuestion = u"프로그램을 종료합니다!";

CString Dotted(DWORD ipv4) { return AnsiToWide(InetNtoa(ipv4)); }

}  // namespace

MainLayout ComputeMainLayout(const RECT& frame, int cap, int segments) {
    MainLayout l;
    l.title = RECT{frame.left + 10, frame.top + 16 + cap, frame.right - segments * 70 - 62, 0};
    l.title.bottom = l.title.top + 70;
    l.lamp = RECT{l.title.right + 4, l.title.top + 10, l.title.right + 4 + 42, l.title.bottom};
    l.buttonBar = RECT{l.lamp.right + 4, l.title.top, frame.right - 10, l.title.bottom};
    l.panel = RECT{frame.left + 10, l.title.bottom + 10, frame.right - 10, frame.bottom - 30};
    return l;
}

CMainDlg::CMainDlg(CWnd* parent) : CDialog(res::IDD_MAIN, parent), m_config(std::make_unique<ConfigData>()) {
    std::memset(static_cast<void*>(m_config.get()), 0, sizeof(ConfigData));  // the record is all bytes
    m_hIcon = LoadIconW(nullptr, res::IDR_MAINFRAME_ICON);
}

CMainDlg::~CMainDlg() { TearDown(); }

void CMainDlg::ShowStackValues(int i) {
    if (!m_pPanel) return;
    m_pPanel->m_fDirection[i] = m_fDirection[i];
    m_pPanel->m_fSpeed[i] = m_fSpeed[i];
    if (!m_pPanel->Indicator(i)) return;
    int state = m_pPanel->m_nState[i];
    if (state == STACK_NO_REPLY) m_pPanel->m_nState[i] = state = STACK_VALUES;
    m_pPanel->UpdateStack(i, state);
}

int CMainDlg::StackCount() const { return std::clamp(int(m_config->nStackCount), 0, kMaxStacks); }

// ---------------------------------------------------------------------------
// Set-up

BOOL CMainDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    m_szWorkDir = platform::CurrentDirectory();
    m_strConfigPath = platform::PathJoin(m_szWorkDir, kConfigFileName);
    LoadConfig();

    m_nFlags = 0;
    m_crBackground = 0x4C3F38;
    m_fonts.LoadPrivateFonts();
    ConfigData& cfg = *m_config;

    // Title label.
    m_pTitle = new CQuorTitleText;
    m_pTitle->Create(nullptr, AnsiFieldToWide(cfg.szTitle, sizeof cfg.szTitle).c_str(), 0x50010001, CRect(0, 0, 0, 0),
                     this, IDC_TITLE_TEXT);
    m_pTitle->Init(0x00FFFF, 0x4080FF, 7, 2);
    m_pTitle->m_IconFontFamily = &m_fonts.m_iconFamily;
    m_pTitle->m_fTextScale = 0.8f;
    m_pTitle->m_dwFlags |= CQuorText::kReflection | CQuorText::kTextOutline | CQuorText::kTextGradient | CQuorText::kFrame;
    m_pTitle->m_crTextTop = 0xFFFFFF;
    m_pTitle->m_crTextBottom = 0x000080;
    m_pTitle->m_nFillMode = 1;
    m_pTitle->m_crBox = 0x000000;
    m_pTitle->m_crFrame = 0xBC7200;
    m_pTitle->m_crFill1 = 0x4C3F38;
    m_pTitle->m_crFill2 = 0x82614F;

    // Button bar: capture, configuration, exit.
    m_pButtonBar = new CMultiButton;
    m_pButtonBar->Create(u"", 0x5001000B, CRect(0, 0, 0, 0), this, IDC_BUTTON_BAR);
    m_pButtonBar->Init(kSegments);
    m_pButtonBar->m_IconFontFamily = &m_fonts.m_iconFamily;
    for (int i = 0; i < kSegments; ++i) {
        m_pButtonBar->m_nImageId[i] = -1;
        m_pButtonBar->m_nSymbol[i] = kSegmentLooks[i].symbol;
        m_pButtonBar->m_fSymbolAngle[i] = 0.0f;
        m_pButtonBar->m_nSymbolBorder[i] = 0;
        m_pButtonBar->m_crSymbol[i] = kSegmentLooks[i].colour;
        m_pButtonBar->m_crSymbolBorder[i] = 0;
        m_pButtonBar->SetItemText(i, kSegmentLooks[i].text);
    }

    // The progress popup: made hidden, never shown.
    m_progress.Create(res::IDD_POPUP, nullptr);
    m_progress.ShowWindow(SW_HIDE);

    // Stack panel.
    m_pPanel = new CBasePanel;
    m_pPanel->CreateEx(0, nullptr, u"", 0x50010000, CRect(0, 0, 0, 0), this, IDC_STACK_PANEL);
    m_pPanel->m_crBack = m_crBackground;
    m_pPanel->m_pSegmentFont = &m_fonts.m_segmentFamily;
    m_pPanel->m_nStacks = 1;
    m_pPanel->CreateStacks();
    m_pPanel->m_bReady = 1;
    m_pPanel->Rebuild(m_config.get());
    m_pPanel->UpdateAll();

    // Server link and its lamp.
    m_pServerLink = new CQuorSock;
    m_pServerLink->Create(this);
    m_pServerLink->m_nLinkId = kServerLinkId;
    // A server that stops taking records is found by what it acknowledges.
    m_pServerLink->m_bWatchAcks = TRUE;
    // What the server sends is of no use: it is dropped unread.
    m_pServerLink->m_bDiscardReceived = TRUE;
    m_pServerLink->ConnectHost(Dotted(cfg.dwServerIp), UINT(cfg.nServerPort));
    m_pServerLink->AttachLamp(this, u"Server");
    if (m_pServerLink->m_pLamp) m_pServerLink->m_pLamp->SetCaption();
    m_pServerLink->m_bLampColors = TRUE;

    // One link per stack; the watchdog makes the first polls.
    m_nLinks = StackCount();
    m_pLinks = new CQuorSock*[m_nLinks]();
    for (int i = 0; i < m_nLinks; ++i) {
        auto* link = new CQuorSock;
        m_pLinks[i] = link;
        link->Create(this);
        link->m_nLinkId = i;
        // A stack's link reads only between a poll and its reply.
        link->m_bDiscardReceived = TRUE;
        link->ConnectHost(Dotted(cfg.aStacks[i].dwIp), kInstrumentPort);
        std::strcpy(m_szRequest[i], kInstrumentRequest);
        m_fSpeed[i] = 0.0f;
        m_fDirection[i] = 0.0f;
        m_nWatchdog[i] = kWatchdogStart;
        m_pPanel->m_bShowDir[i] = int(static_cast<signed char>(cfg.aStacks[i].bShowDirection));
        ShowStackValues(i);
    }

    SetThreadExecutionState(ES_CONTINUOUS | ES_AWAYMODE_REQUIRED | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED);

    m_nFlags |= 1;
    ShowWindow(SW_MAXIMIZE);

    SetTimer(kWatchdogTimer, 1000);
    SetTimer(kRecordTimer, SendPeriodMs(cfg.nSendPeriod));
    SetTimer(kDropReportTimer, kDropReportMs);
    return TRUE;
}

void CMainDlg::LoadConfig() { m_bConfigFromFile = LoadConfigFile(m_strConfigPath, *m_config, m_utility); }

bool CMainDlg::SaveConfig(std::string* why) { return SaveConfigFile(m_strConfigPath, *m_config, why); }

// ---------------------------------------------------------------------------
// Layout and painting

void CMainDlg::MeasureFrame(int* cap) {
    GetWindowRect(&m_rcFrame);
    ScreenToClient(&m_rcFrame);
    *cap = (GetStyle() & WS_CAPTION) == WS_CAPTION ? GetSystemMetrics(SM_CYCAPTION) : 0;
}

void CMainDlg::OnSize(UINT, int, int) {
    if (!(m_nFlags & 1)) return;
    int cap = 0;
    MeasureFrame(&cap);
    const MainLayout l = ComputeMainLayout(m_rcFrame, cap, m_pButtonBar ? m_pButtonBar->m_nCount : kSegments);
    m_rcTitle = l.title;
    if (m_pTitle) m_pTitle->Reposition(m_rcTitle);
    m_rcServerLamp = l.lamp;
    if (m_pServerLink && m_pServerLink->m_bLampAttached && m_pServerLink->m_pLamp)
        m_pServerLink->m_pLamp->Reposition(m_rcServerLamp);
    m_rcButtonBar = l.buttonBar;
    if (m_pButtonBar) m_pButtonBar->Reposition(m_rcButtonBar);
    m_rcPanel = l.panel;
    if (m_pPanel)
        m_pPanel->MoveWindow(m_rcPanel.left, m_rcPanel.top, m_rcPanel.right - m_rcPanel.left,
                             m_rcPanel.bottom - m_rcPanel.top, TRUE);
}

BOOL CMainDlg::OnEraseBkgnd(CDC* dc) {
    if (!(m_nFlags & 1) || !dc) return FALSE;
    int cap = 0;
    MeasureFrame(&cap);
    const RECT& f = m_rcFrame;

    gfx::Graphics g(dc);
    g.SetSmoothingMode(gfx::SmoothingModeAntiAlias);
    g.SetSmoothingMode(gfx::SmoothingModeHighQuality);
    gfx::SolidBrush back(Opaque(m_crBackground));
    g.FillRectangle(&back, f.left, f.top, f.right, f.bottom + cap + 120);

    gfx::FontFamily system(u"System");
    const gfx::FontFamily* family = system.IsAvailable() ? &system : gfx::FontFamily::GenericSansSerif();
    gfx::Font font(family, 12.0f, gfx::FontStyleRegular, gfx::UnitPixel);
    gfx::SolidBrush text(Opaque(InvertColor(m_crBackground)));
    gfx::StringFormat format;
    format.SetLineAlignment(gfx::StringAlignmentCenter);

    const CString copyright = m_utility.GetVersionString(CUtility::kLegalCopyright);
    format.SetAlignment(gfx::StringAlignmentNear);
    g.DrawString(copyright.c_str(), gfx::INT(copyright.size()), &font,
                 gfx::RectF(gfx::REAL(f.left + 10), gfx::REAL(f.bottom - 20), 0, 0), &format, &text);

    const CString product = platform::FormatWide(u"%s   V%s", m_utility.GetVersionString(CUtility::kProductName).c_str(),
                                                 m_utility.GetVersionString(CUtility::kFileVersion).c_str());
    format.SetAlignment(gfx::StringAlignmentFar);
    g.DrawString(product.c_str(), gfx::INT(product.size()), &font,
                 gfx::RectF(gfx::REAL(f.right - 10), gfx::REAL(f.bottom - 20), 0, 0), &format, &text);
    return FALSE;
}

BOOL CMainDlg::OnHelpInfo() {
    auto* info = new CInfoDlg;
    info->m_nPngId = -1;
    info->m_bCaption = TRUE;
    info->DoModal();
    delete info;
    return TRUE;
}

BOOL CMainDlg::PreTranslateMessage(MSG* msg) {
    // Enter and Escape move the focus like Tab; neither closes the window.
    EnterEscapeToTab(msg);
    return CDialog::PreTranslateMessage(msg);
}

// ---------------------------------------------------------------------------
// Polling and the watchdog

void CMainDlg::OnTimer(UINT_PTR id) {
    if (id == kWatchdogTimer) {
        const int count = std::min(StackCount(), m_nLinks);
        for (int i = 0; i < count; ++i) {
            if (++m_nWatchdog[i] < kWatchdogLimit) continue;
            if (m_pPanel) m_pPanel->UpdateStack(i, STACK_NO_REPLY);
            KillTimer(kPollTimerBase + UINT_PTR(i));
            ForgetReply(i);
            if (CQuorSock* link = m_pLinks[i]) {
                link->CloseLink();
                link->ConnectHost(Dotted(m_config->aStacks[i].dwIp), kInstrumentPort);
            }
            m_nWatchdog[i] = 0;
            SetTimer(kPollTimerBase + UINT_PTR(i), kPollDelayMs);
        }
    } else if (id == kRecordTimer) {
        SendRecord();
    } else if (id == kDropReportTimer) {
        ReportDroppedRecords();
    } else if (id >= kPollTimerBase && id < kPollTimerBase + kMaxStacks) {
        const int i = int(id - kPollTimerBase);
        if (i < StackCount() && i < m_nLinks && m_pLinks[i]) {
            KillTimer(id);
            PollStack(i);
        }
    } else if (id >= kHeldTimerBase && id < kHeldTimerBase + kMaxStacks) {
        KillTimer(id);
        const int i = int(id - kHeldTimerBase);
        InstrumentReading reading;
        if (i < StackCount() && i < m_nLinks && m_pLinks[i] && m_replies[i].TakeHeld(&reading)) TakeReply(i, reading);
    }
}

void CMainDlg::PollStack(int i) {
    CQuorSock* link = m_pLinks[i];
    // What came since the last reply answers no poll: dropped unread.
    if (CountUnasked(i, link->DropWaiting())) return;
    ForgetReply(i);
    link->m_bDiscardReceived = FALSE;
    link->SendData(m_szRequest[i], int(std::strlen(m_szRequest[i])));
}

void CMainDlg::ForgetReply(int i) {
    KillTimer(kHeldTimerBase + UINT_PTR(i));
    m_replies[i].Reset();
    m_nUnasked[i] = 0;
    m_bFlooding[i] = false;
    if (i < m_nLinks && m_pLinks[i]) m_pLinks[i]->m_bDiscardReceived = TRUE;
}

bool CMainDlg::CountUnasked(int i, DWORD bytes) {
    if (m_bFlooding[i]) return true;
    m_nUnasked[i] = int(std::min<DWORD>(DWORD(m_nUnasked[i]) + bytes, DWORD(kUnaskedLimit) + 1));
    if (m_nUnasked[i] <= kUnaskedLimit) return false;
    // Far more than gateways add: whatever replies are among it were not asked
    // for. The stack answers no more polls until its watchdog renews it, and
    // meanwhile its link drops what comes, a few times a second.
    ForgetReply(i);
    m_bFlooding[i] = true;
    KillTimer(kPollTimerBase + UINT_PTR(i));
    if (m_pPanel) m_pPanel->UpdateStack(i, STACK_NO_REPLY);
    return true;
}

LRESULT CMainDlg::OnSockEvent(WPARAM linkId, LPARAM event) {
    const int id = int(linkId);
    if (id == kServerLinkId) {
        if (!m_pServerLink) return 1;
        if (event == LINK_CONNECTED) m_pServerLink->SetLinkColors(kServerGreenEdge, kServerGreenLight);
        else if (event == LINK_CLOSED) m_pServerLink->SetLinkColors(kServerRedEdge, kServerRedLight);
        return 1;
    }
    if (id < 0 || id >= StackCount() || id >= m_nLinks) return 1;
    if (event == LINK_DATA) OnStackReply(id);
    // A reply never goes on across connections.
    else if (event == LINK_CONNECTED || event == LINK_CLOSED) ForgetReply(id);
    return 1;
}

void CMainDlg::OnStackReply(int i) {
    if (i < 0 || i >= m_nLinks || !m_pLinks[i]) return;
    CQuorSock* link = m_pLinks[i];
    // Between a reply and the next poll what comes is dropped unread; only its
    // amount counts.
    if (link->m_bDiscardReceived) {
        CountUnasked(i, link->m_nRecvCount);
        return;
    }
    InstrumentReading reading;
    const ReplyStream::Fed fed = m_replies[i].Feed(link->m_strRecv, &reading);  // read in place: up to 64 KiB
    if (CountUnasked(i, DWORD(m_replies[i].Stray()))) return;
    // The start of the reply counts as an answer; its further pieces do not,
    // so a reply that trickles in slower than the watchdog still ends in a
    // reconnect.
    if (m_replies[i].Started()) m_nWatchdog[i] = 0;
    switch (fed) {
    case ReplyStream::Fed::Nothing:
        return;
    case ReplyStream::Fed::Part:
        // A held reply waits a little longer for each read that keeps it held.
        if (m_replies[i].Held()) SetTimer(kHeldTimerBase + UINT_PTR(i), kHeldReplyMs);
        return;
    case ReplyStream::Fed::Doubtful:
        // Two replies overlapped: this poll stays unanswered, and the watchdog
        // decides.
        KillTimer(kHeldTimerBase + UINT_PTR(i));
        link->m_bDiscardReceived = TRUE;
        return;
    case ReplyStream::Fed::Reply:
        TakeReply(i, reading);
        return;
    }
}

void CMainDlg::TakeReply(int i, const InstrumentReading& reading) {
    KillTimer(kHeldTimerBase + UINT_PTR(i));
    m_pLinks[i]->m_bDiscardReceived = TRUE;
    m_nWatchdog[i] = 0;
    m_fSpeed[i] = reading.speed;
    m_fDirection[i] = m_config->aStacks[i].bShowDirection ? reading.direction : 0.0f;
    if (m_pPanel) m_pPanel->m_bAnswered[i] = true;
    ShowStackValues(i);
    SetTimer(kPollTimerBase + UINT_PTR(i), kPollDelayMs);
}

// ---------------------------------------------------------------------------
// The server record

void CMainDlg::SendRecord() {
    GetLocalTime(&m_timeNow);
    const ConfigData& cfg = *m_config;
    if (m_pServerLink && !m_pServerLink->m_bConnected) {
        m_pServerLink->CloseLink();
        m_pServerLink->ConnectAddr(cfg.dwServerIp, UINT(cfg.nServerPort));
    }
    const int count = StackCount();
    RecordStack stacks[kMaxStacks];
    for (int i = 0; i < count; ++i) {
        // Values only of a stack that has answered: never the zeros it starts with.
        stacks[i].noReply = !m_pPanel || !m_pPanel->SendsValues(i);
        stacks[i].speed = m_fSpeed[i];
        stacks[i].direction = m_fDirection[i];
    }
    m_szRecord = FormatServerRecord(m_timeNow, cfg, stacks, count);
    if (!m_pServerLink) return;
    // A record goes out whole; one due while the link is down or connecting, or
    // while the last is unsent, is dropped (and counted by the link).
    m_pServerLink->SendData(m_szRecord.data(), int(m_szRecord.size()));
    if (m_pServerLink->SendStalled()) {
        // The server took nothing for a whole period: a new connection. What
        // the old one still holds is given up, and counted.
        m_pServerLink->AbandonLink();
        m_pServerLink->ConnectAddr(cfg.dwServerIp, UINT(cfg.nServerPort));
    }
}

void CMainDlg::ReportDroppedRecords() {
    if (!m_pServerLink) return;
    const DWORD total = m_pServerLink->m_nDroppedSends;
    if (total == m_nDropsReported) return;
    std::fprintf(stderr,
                 "server link: %lu record(s) dropped in the last minute, %lu in all: not taken to the data server "
                 "(the link down or being renewed, the record before still unsent, the connection ended under "
                 "it, or given up with a server that stopped reading)\n",
                 static_cast<unsigned long>(total - m_nDropsReported), static_cast<unsigned long>(total));
    std::fflush(stderr);
    m_nDropsReported = total;
}

// ---------------------------------------------------------------------------
// Commands

void CMainDlg::OnButtonBar() {
    if (!m_pButtonBar) return;
    const int segment = m_pButtonBar->m_nHover;
    if (segment < 0 || segment >= m_pButtonBar->m_nCount || !m_pButtonBar->m_bEnabled[segment]) return;
    switch (segment) {
    case kCapture: OnCapture(); break;
    case kConfig: OnConfig(); break;
    case kExit: OnCancel(); break;
    default: break;
    }
}

CString CMainDlg::CaptureFileName(std::time_t when) {
    std::tm local{};
    if (!localtime_r(&when, &local)) return {};
    char name[128];
    const std::size_t n = std::strftime(name, sizeof name, "%Y%m%d_%H%M%S.png", &local);
    return n ? AnsiToWide(std::string_view(name, n)) : CString{};
}

void CMainDlg::OnCapture() {
    const CString folder = platform::PathJoin(m_szWorkDir, u"Capture");
    CreateDirectoryW(folder.c_str(), nullptr);  // an existing folder is fine
    const CString name = CaptureFileName(std::time(nullptr));
    if (name.empty()) return;
    m_utility.CaptureScreen(platform::PathJoin(folder, name), 0);
}

// OnConfig: main_dlg_config.cpp.

void CMainDlg::OnCancel() {
    // A second close while the question is open, or after the answer, asks nothing.
    if (m_bExiting) return;
    m_bExiting = true;
    if (AfxMessageBox(kExitQuestion, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        m_bExiting = false;
        return;
    }
    m_nFlags &= ~1;
    ShowWindow(SW_HIDE);
    TearDown();
    if (m_bConfigFromFile) {
        SaveConfig();
    } else {
        std::fprintf(stderr, "settings file %s was not read at start: the default settings in use are not saved over it\n",
                     Utf16ToUtf8(m_strConfigPath).c_str());
        std::fflush(stderr);
    }
    CDialog::OnCancel();
}

void CMainDlg::TearDown() {
    if (m_hWnd) {
        for (int i = 0; i < std::min(StackCount(), kMaxStacks); ++i) {
            KillTimer(kPollTimerBase + UINT_PTR(i));
            KillTimer(kHeldTimerBase + UINT_PTR(i));
        }
        KillTimer(kWatchdogTimer);
        KillTimer(kRecordTimer);
        KillTimer(kDropReportTimer);
    }
    if (CQuorSock* server = m_pServerLink) {
        m_pServerLink = nullptr;
        if (server->m_pSocket) server->m_pSocket->AsyncSelect(0);
        server->m_bConnected = FALSE;
        server->CloseLink();
        server->DestroyWindow();
        delete server;
    }
    if (m_pLinks) {
        CQuorSock** links = m_pLinks;
        const int n = m_nLinks;
        m_pLinks = nullptr;
        m_nLinks = 0;
        for (int i = 0; i < n; ++i) {
            if (!links[i]) continue;
            links[i]->CloseLink();
            links[i]->DestroyWindow();
            delete links[i];
        }
        delete[] links;
    }
    delete m_pTitle;
    m_pTitle = nullptr;
    delete m_pPanel;
    m_pPanel = nullptr;
    delete m_pButtonBar;
    m_pButtonBar = nullptr;
}

// ---------------------------------------------------------------------------

LRESULT CMainDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER: {
        const HWND self = m_hWnd;
        OnTimer(UINT_PTR(wParam));
        if (!IsWindow(self)) return 0;
        return CDialog::WindowProc(message, wParam, lParam);
    }
    case WM_SIZE: {
        const HWND self = m_hWnd;
        CDialog::WindowProc(message, wParam, lParam);
        if (IsWindow(self)) OnSize(UINT(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    }
    case WM_HELP:
        return OnHelpInfo();
    case WM_SOCK_EVENT:
        return OnSockEvent(wParam, lParam);
    case WM_TEXT_NOTIFY:
        return 1;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(m_hIcon);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_BUTTON_BAR && HIWORD(wParam) == BN_CLICKED) {
            OnButtonBar();
            return 0;
        }
        return CDialog::WindowProc(message, wParam, lParam);
    case WM_ERASEBKGND:
        return OnEraseBkgnd(reinterpret_cast<CDC*>(wParam));
    default:
        return CDialog::WindowProc(message, wParam, lParam);
    }
}
