#include "app/main_dlg.h"

#include "app/settings_file.h"
#include "platform/system/file.h"
#include "res/resources.h"

CMainDlg::CMainDlg(CWnd* parent) : CDialog(res::IDD_MAIN, parent), m_config(std::make_unique<ConfigData>()) {}

BOOL CMainDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    m_szWorkDir = platform::CurrentDirectory();
    m_strConfigPath = platform::PathJoin(m_szWorkDir, kConfigFileName);
    LoadConfig();

    // Ready: layout and background painting may run from here on.
    m_nFlags = 1;
    ShowWindow(SW_MAXIMIZE);
    return TRUE;
}

void CMainDlg::LoadConfig() { LoadConfigFile(m_strConfigPath, *m_config, m_utility); }

void CMainDlg::SaveConfig() { SaveConfigFile(m_strConfigPath, *m_config); }

void CMainDlg::OnCancel() {
    m_nFlags &= ~1;
    SaveConfig();
    EndDialog(IDCANCEL);
}

BOOL CMainDlg::PreTranslateMessage(MSG* msg) {
    // Enter and Escape move the focus like Tab; neither closes the window.
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE))
        msg->wParam = VK_TAB;
    return CDialog::PreTranslateMessage(msg);
}
