// The CONFIG command: the configuration dialog over the running monitor, and
// what a confirmed configuration changes.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "app/base_panel.h"
#include "app/config_dlg.h"
#include "app/main_dlg.h"
#include "app/quor_sock.h"
#include "app/relay_protocol.h"
#include "controls/title_text.h"
#include "platform/base/codepage.h"
#include "platform/net/inet.h"
#include "platform/runtime/app.h"

void CMainDlg::OnConfig() {
    ConfigData& live = *m_config;

    // What the links were made with, to reconnect only what changes.
    const DWORD oldServerIp = live.dwServerIp;
    const int oldServerPort = live.nServerPort;
    const int oldCount = std::min(live.nStackCount, kMaxStacks);
    DWORD oldStackIp[kMaxStacks] = {};
    for (int i = 0; i < oldCount; ++i) oldStackIp[i] = live.aStacks[i].dwIp;

    // The dialog works on a copy; polling and records go on while it is open.
    auto dlg = std::make_unique<CConfig>();
    std::memcpy(&dlg->m_config, &live, sizeof live);
    bool saved = true;
    std::string whyNotSaved;
    if (dlg->DoModal() == IDOK) {
        std::memcpy(&live, &dlg->m_config, sizeof live);
        if (live.nBoundedValue < 10 || live.nBoundedValue >= 1000) live.nBoundedValue = 10;
        saved = SaveConfig(&whyNotSaved);
        if (saved) m_bConfigFromFile = true;
        if (m_pPanel) m_pPanel->Rebuild(&live);
        KillTimer(kWatchdogTimer);
        KillTimer(kRecordTimer);
        if (m_pServerLink && (live.dwServerIp != oldServerIp || live.nServerPort != oldServerPort)) {
            m_pServerLink->CloseLink();
            m_pServerLink->ConnectHost(AnsiToWide(inet_ntoa(live.dwServerIp)), UINT(live.nServerPort));
        }
        for (int i = 0; i < oldCount && i < m_nLinks; ++i) {
            if (live.aStacks[i].dwIp == oldStackIp[i] || !m_pLinks[i]) continue;
            m_nWatchdog[i] = kWatchdogStart;
            ForgetReply(i);
            m_pLinks[i]->CloseLink();
            m_pLinks[i]->Reconnect(live.aStacks[i].dwIp);
        }
        if (m_pPanel)
            for (int i = 0; i < kMaxStacks; ++i)
                m_pPanel->m_bShowDir[i] = int(static_cast<signed char>(live.aStacks[i].bShowDirection));
        if (m_pTitle) m_pTitle->SetText(AnsiFieldToWide(live.szTitle, sizeof live.szTitle));
    }
    dlg.reset();

    // After either answer: the timers run again from now, and every stack
    // shows its last values until its watchdog marks it again.
    SetTimer(kWatchdogTimer, 1000);
    SetTimer(kRecordTimer, SendPeriodMs(live.nSendPeriod));
    for (int i = 0; i < StackCount(); ++i) ShowStackValues(i);

    // Told once the monitor runs again, so that records go on while the box is open.
    if (!saved) {
        const CString text = u"The settings could not be saved to \"" + m_strConfigPath + u"\": " +
                             Utf8ToUtf16(whyNotSaved) +
                             u".\nThe file is left as it was; the new settings apply until the program ends.";
        AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
    }
}
