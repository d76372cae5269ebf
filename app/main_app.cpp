#include "app/main_app.h"

#include "app/main_dlg.h"
#include "platform/system/instance_lock.h"
#include "platform/system/startup.h"

namespace {

constexpr const char16_t* kSocketsFailed = u"Windows 소켓을 초기화하지 못했습니다.";
constexpr const char16_t* kMutexName = u"ZEL DAVAVOZE";
constexpr const char16_t* kRegistryKey = u"로컬 응용 프로그램 마법사에서 생성된 응용 프로그램";

}  // namespace

CMainApp::CMainApp() : CWinApp(nullptr) {}

BOOL CMainApp::InitInstance() {
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof(controls);
    controls.dwICC = 0xFF;
    InitCommonControlsEx(&controls);

    CWinApp::InitInstance();

    if (!AfxSocketInit()) {
        AfxMessageBox(kSocketsFailed);
        return FALSE;
    }
    if (!AfxOleInit()) {
        AfxMessageBox(u"OLE Fail!");
        return FALSE;
    }
    AfxEnableControlContainer();

    GdiplusStartupInput input;
    if (GdiplusStartup(&m_gdiplusToken, &input, nullptr) != Ok) {
        m_gdiplusToken = 0;
        AfxMessageBox(u"GDI+ Init Error!");
        return FALSE;
    }

    // One instance per user, however it was started: the lock is held until the
    // process ends. A lock that cannot be had at all (no private runtime folder)
    // is said on stderr by the layer, and the relay runs without the guard: an
    // unattended start is not held up by a box nobody may answer.
    HANDLE mutex = CreateMutexW(nullptr, TRUE, kMutexName);
    if (WaitForSingleObject(mutex, 0) == WAIT_TIMEOUT) {
        AfxMessageBox(u"Already Running!");
        return FALSE;
    }

    SetRegistryKey(kRegistryKey);

    {
        CMainDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
    }
    return FALSE;
}

int CMainApp::ExitInstance() {
    AfxOleTerm(FALSE);
    if (m_gdiplusToken) GdiplusShutdown(m_gdiplusToken);
    return CWinApp::ExitInstance();
}
