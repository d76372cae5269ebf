#include "controls/control_base.h"

#include "controls/draw_helpers.h"

namespace control_base {

void MakeOwnerDrawnStatic(CWnd* wnd) {
    if (!wnd) return;
    wnd->ModifyStyle(0, SS_NOTIFY, 1);
    wnd->ModifyStyle(SS_TYPEMASK, SS_OWNERDRAW, 0);
}

LRESULT NotifyOwner(CWnd* control, UINT message, LPARAM code) {
    if (!control || !control->m_hWnd) return 0;
    CWnd* target = control->GetNotifyTarget();
    if (!target || !target->m_hWnd) return 0;
    return target->SendMessage(message, WPARAM(control->GetDlgCtrlID()), code);
}

BOOL TrackHoverAndLeave(CWnd* control) {
    if (!control || !control->m_hWnd) return FALSE;
    TRACKMOUSEEVENT track;
    track.dwFlags = TME_HOVER | TME_LEAVE;
    track.hwndTrack = control->m_hWnd;
    track.dwHoverTime = 1;
    return _TrackMouseEvent(&track);
}

void AskMissingFamilyReport(CWnd* control, bool& reported) {
    if (reported || !control || !control->m_hWnd) return;
    reported = true;
    control->PostMessage(kReportMissingFamily);
}

void ShowMissingFamilyReport(const char* where) { MessageBoxFormatA("%s>m_IconFontFamily is NULL", where); }

void ReleaseBackground(CDC& dcBack, CBitmap& bmpBack, CBitmap*& oldBitmap) {
    if (dcBack.GetSafeHdc() && oldBitmap) dcBack.SelectObject(oldBitmap);
    oldBitmap = nullptr;
    bmpBack.DeleteObject();
    if (dcBack.GetSafeHdc()) dcBack.DeleteDC();
}

void TakeBackground(CDC* paintDC, int width, int height, CDC& dcBack, CBitmap& bmpBack, CBitmap*& oldBitmap) {
    ReleaseBackground(dcBack, bmpBack, oldBitmap);
    if (!paintDC || !paintDC->GetSafeHdc()) return;
    dcBack.CreateCompatibleDC(paintDC);
    bmpBack.CreateCompatibleBitmap(paintDC, width, height);
    oldBitmap = dcBack.SelectObject(&bmpBack);
    dcBack.BitBlt(0, 0, width, height, paintDC, 0, 0, SRCCOPY);
}

void DrawBackground(gfx::Graphics* g, CBitmap& bmpBack, int x, int y) {
    g->SetSmoothingMode(gfx::SmoothingModeHighQuality);
    if (!bmpBack.GetSafeHandle()) return;
    gfx::Bitmap back(HBITMAP(bmpBack), nullptr);
    g->DrawImage(&back, x, y);
}

std::unique_ptr<gfx::Bitmap> TakeBackgroundPicture(CDC* paintDC, int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    CDC dc;
    CBitmap bitmap;
    CBitmap* old = nullptr;
    TakeBackground(paintDC, width, height, dc, bitmap, old);
    std::unique_ptr<gfx::Bitmap> picture;
    if (bitmap.GetSafeHandle()) {
        picture = std::make_unique<gfx::Bitmap>(HBITMAP(bitmap), nullptr);
        if (picture->GetWidth() == 0) picture.reset();
    }
    ReleaseBackground(dc, bitmap, old);
    return picture;
}

}  // namespace control_base
