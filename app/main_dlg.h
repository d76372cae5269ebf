// The main window: owns the live settings and, later, every control and link.
#pragma once

#include <memory>

#include "app/config_data.h"
#include "controls/utility.h"
#include "platform/window/dialog.h"

class CMainDlg : public CDialog {
public:
    explicit CMainDlg(CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnCancel() override;
    BOOL PreTranslateMessage(MSG* msg) override;

    void LoadConfig();
    void SaveConfig();

    const ConfigData& Config() const { return *m_config; }

private:
    int m_nFlags = 0;
    CString m_szWorkDir;
    CString m_strConfigPath;
    CUtility m_utility;
    // The settings record is large; it lives on the heap beside the window.
    std::unique_ptr<ConfigData> m_config;
};
