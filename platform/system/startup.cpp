#include "platform/system/startup.h"

#include <csignal>

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX*) { return TRUE; }

BOOL AfxSocketInit() {
    // Writing to a connection the peer has closed reports an error instead of a signal.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    return sigaction(SIGPIPE, &ignore, nullptr) == 0 ? TRUE : FALSE;
}

BOOL AfxOleInit() { return TRUE; }
void AfxOleTerm(BOOL) {}
void AfxEnableControlContainer() {}

GdiplusStatus GdiplusStartup(UINT_PTR* token, const GdiplusStartupInput* input, void*) {
    if (!token || !input || input->GdiplusVersion != 1) return GenericError;
    static UINT_PTR next = 0;
    *token = ++next;
    return Ok;
}

void GdiplusShutdown(UINT_PTR) {}
