#include "controls/info_dlg.h"

#include <memory>

#include "controls/popup_frame.h"
#include "controls/utility.h"
#include "platform/graphics/graphics.h"
#include "platform/base/wformat.h"
#include "res/resources.h"

using namespace gfx;

namespace {

// Content size of a picture resource: (0, 0) when it cannot be loaded.
SIZE PictureSize(int id) {
    const CUtility utility;
    std::unique_ptr<Image> picture(utility.LoadPngResource(UINT(id)));
    if (!picture || picture->GetLastStatus() != Ok) return SIZE{0, 0};
    return SIZE{LONG(picture->GetWidth()), LONG(picture->GetHeight())};
}

}  // namespace

CInfoDlg::CInfoDlg() : CDialog(res::IDD_POPUP, nullptr) {}

CInfoDlg::~CInfoDlg() = default;

LRESULT CInfoDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) return OnEraseBkgnd(reinterpret_cast<CDC*>(wParam));
    return CDialog::WindowProc(message, wParam, lParam);
}

BOOL CInfoDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (m_bCaption) AddToolCaption(this);
    GetWindowRect(&m_rcWindow);
    ScreenToClient(&m_rcWindow);

    int width = 300, height = 100, pictureHeight = 0;
    if (m_nPngId != -1) {
        const SIZE s = PictureSize(m_nPngId);
        width = s.cx;
        height = s.cy;
        if (m_bCaption) pictureHeight = s.cy + 10;
    }

    CWnd* ok = GetDlgItem(IDOK);
    if (ok) ok->MoveWindow(50, pictureHeight + 50, width - 100, 30);
    const int okBottom = pictureHeight + 80;
    if (m_bCaption) MoveWindow(0, 0, width + 4 * GetSystemMetrics(SM_CXFRAME), okBottom + 50);
    else MoveWindow(0, 0, width + 2, height);

    CRect rc, rcOk;
    GetWindowRect(&rc);
    if (ok) {
        ok->GetWindowRect(&rcOk);
        rc.bottom = rcOk.bottom + 20;
        MoveWindow(&rc);
    }
    CenterWindow();
    if (CWnd* cancel = GetDlgItem(IDCANCEL)) cancel->ShowWindow(SW_HIDE);
    SetWindowText(u"Information");
    return TRUE;
}

BOOL CInfoDlg::OnEraseBkgnd(CDC* dc) {
    if (!dc) return FALSE;
    GetWindowRect(&m_rcWindow);
    ScreenToClient(&m_rcWindow);
    const CRect rc = m_rcWindow;
    if (rc.right <= 0 || rc.bottom <= 0) return FALSE;

    CDC mem;
    mem.CreateCompatibleDC(dc);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(dc, rc.right, rc.bottom);
    CBitmap* old = mem.SelectObject(&bitmap);
    {
        Graphics g(&mem);
        g.SetSmoothingMode(SmoothingModeAntiAlias);
        const SolidBrush white(Color(0xFFFFFFFFu));
        g.FillRectangle(&white, rc.left, rc.top, rc.Width(), rc.Height());

        float textTop = 0.0f;
        if (m_nPngId != -1) {
            const CUtility utility;
            std::unique_ptr<Image> picture(utility.LoadPngResource(UINT(m_nPngId)));
            if (picture && picture->GetLastStatus() == Ok) {
                const int x = (rc.Width() - 4 * GetSystemMetrics(SM_CXFRAME)) / 2 - int(picture->GetWidth()) / 2;
                g.DrawImage(picture.get(), x, 5);
                textTop = float(picture->GetHeight()) + 5.0f;
            }
        }

        const CUtility utility;
        const CString line1 = platform::FormatWide(u"%s   V%s", utility.GetVersionString(CUtility::kProductName).c_str(),
                                                   utility.GetVersionString(CUtility::kFileVersion).c_str());
        const CString line2 = utility.GetVersionString(CUtility::kLegalCopyright);
        const SolidBrush black(Color(0xFF000000u));
        const FontFamily family(u"굴림체");
        const Font bold(&family, 16.0f, FontStyleBold, UnitPixel);
        const Font regular(&family, 12.0f, FontStyleRegular, UnitPixel);
        g.DrawString(line1.c_str(), INT(line1.size()), &bold, PointF(10.0f, textTop + 10.0f), &black);
        g.DrawString(line2.c_str(), INT(line2.size()), &regular, PointF(10.0f, textTop + 32.0f), &black);
    }
    dc->BitBlt(0, 0, rc.right, rc.bottom, &mem, 0, 0, SRCCOPY);
    mem.SelectObject(old);
    return FALSE;
}
