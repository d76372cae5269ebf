// The application object, the event loop and message boxes.
#pragma once

#include <functional>
#include <string>

#include "platform/base/types.h"

class CWnd;

namespace platform {

// Creates the GUI application (once per process) and puts LC_NUMERIC back to "C",
// so printf-style number formatting never takes a locale's decimal comma.
void StartGui(int& argc, char** argv);
bool GuiStarted();
// Ends the GUI application; call before main() returns.
void StopGui();

// Runs the event loop for about `ms` milliseconds (timers, posted messages, sockets).
void PumpEvents(int ms = 0);
// Runs the event loop until `done` answers true or `timeoutMs` passes; returns done().
bool PumpUntil(const std::function<bool()>& done, int timeoutMs);

// One message box request, as seen by a handler installed for tests.
struct MessageBoxRequest {
    std::u16string text;
    std::u16string caption;
    UINT type = MB_OK;
};
using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;
// Replaces the interactive box by `handler` (its result is the box's answer);
// an empty handler restores the interactive box. Returns the previous handler.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// The caption used by message boxes: the application's name.
std::u16string ApplicationTitle();

}  // namespace platform

// The application object. The program defines one global instance; AfxWinMain
// drives it: InitInstance, then the event loop when InitInstance returned TRUE,
// then ExitInstance, whose result becomes the process's exit code.
class CWinApp {
public:
    explicit CWinApp(LPCTSTR appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    virtual int Run();

    void SetRegistryKey(LPCTSTR key);
    const std::u16string& RegistryKey() const { return m_registryKey; }

    CWnd* m_pMainWnd = nullptr;
    std::u16string m_appName;

private:
    std::u16string m_registryKey;
};

CWinApp* AfxGetApp();
// Runs the global application object; call from main().
int AfxWinMain(int argc, char** argv);

// Shows a modal message box with the application's title; returns IDOK, IDYES, IDNO...
// While it is open, timers, posted messages and sockets keep being handled.
// The help id is accepted and ignored: there is no help system. Where the
// program relays on the offscreen platform because it found no display, the
// box writes its text to stderr and answers at once as Return would (OK, Yes);
// a platform chosen explicitly keeps the box as it is.
int AfxMessageBox(LPCTSTR text, UINT type = MB_OK, UINT helpId = 0);
int MessageBoxW(CWnd* owner, LPCTSTR text, LPCTSTR caption, UINT type);
