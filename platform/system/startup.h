// Start-up and shut-down services of the platform that the application object calls.
#pragma once

#include "platform/base/types.h"

// Common controls need no set-up here; the call is kept for the start-up order.
struct INITCOMMONCONTROLSEX {
    DWORD dwSize = 0;
    DWORD dwICC = 0;
};
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init);

// Sockets: a peer that goes away never kills the process with SIGPIPE.
BOOL AfxSocketInit();
// Clipboard and drag and drop come from the GUI layer; nothing to start.
BOOL AfxOleInit();
// `justRevoke` is accepted and ignored.
void AfxOleTerm(BOOL justRevoke = FALSE);
void AfxEnableControlContainer();

// The antialiased graphics need no start-up; the token only pairs the calls.
enum GdiplusStatus { Ok = 0, GenericError = 1 };
struct GdiplusStartupInput {
    UINT GdiplusVersion = 1;
    void* DebugEventCallback = nullptr;
    BOOL SuppressBackgroundThread = FALSE;
    BOOL SuppressExternalCodecs = FALSE;
};
// The output record is accepted and ignored (no background thread to hook).
GdiplusStatus GdiplusStartup(UINT_PTR* token, const GdiplusStartupInput* input, void* output);
void GdiplusShutdown(UINT_PTR token);
