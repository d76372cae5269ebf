// The application object: start-up checks, the main window, shut-down.
#pragma once

#include "platform/runtime/app.h"

class CMainApp : public CWinApp {
public:
    CMainApp();
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    // Token of the graphics start-up; 0 until it has started.
    UINT_PTR m_gdiplusToken = 0;
};

extern CMainApp theApp;
