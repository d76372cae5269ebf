#include "platform/stdctrl/colordlg.h"

#include <QColorDialog>

#include "platform/window/wnd_impl.h"

CColorDialog::CColorDialog(COLORREF initial, DWORD flags, CWnd* parent) : m_pParentWnd(parent) {
    m_cc.hwndOwner = parent ? parent->m_hWnd : nullptr;
    m_cc.Flags = flags;
    m_cc.rgbResult = (flags & CC_RGBINIT) ? initial : 0;
}

CColorDialog::~CColorDialog() = default;

INT_PTR CColorDialog::DoModal() {
    QWidget* owner = nullptr;
    // Given no owner, the dialog belongs to the window it was opened from.
    CWnd* parent = CWnd::FromHandle(m_cc.hwndOwner);
    if (!parent) parent = CWnd::FromHandle(platform::detail::DefaultOwner());
    if (parent) owner = parent->Widget() ? parent->Widget()->window() : nullptr;
    platform::detail::PlacedOnShow<QColorDialog> dialog(owner);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setWindowTitle(QStringLiteral("Color"));
    if (m_cc.lpCustColors)
        for (int i = 0; i < 16 && i < QColorDialog::customCount(); ++i) {
            const COLORREF c = m_cc.lpCustColors[i];
            QColorDialog::setCustomColor(i, QColor(GetRValue(c), GetGValue(c), GetBValue(c)));
        }
    const COLORREF start = (m_cc.Flags & CC_RGBINIT) ? m_cc.rgbResult : 0;
    dialog.setCurrentColor(QColor(GetRValue(start), GetGValue(start), GetBValue(start)));
    dialog.setWindowModality(Qt::ApplicationModal);
    // A box over its owner, as a message box: nothing to minimize or maximize
    // it with, and a window that held the mouse lets it go.
    if (owner) platform::detail::MarkAsBox(&dialog);
    if (CWnd::GetCapture()) ReleaseCapture();
    const int result = dialog.exec();
    if (m_cc.lpCustColors)
        for (int i = 0; i < 16 && i < QColorDialog::customCount(); ++i) {
            const QColor c = QColorDialog::customColor(i);
            m_cc.lpCustColors[i] = RGB(c.red(), c.green(), c.blue());
        }
    if (result != QDialog::Accepted) return IDCANCEL;
    const QColor picked = dialog.selectedColor().isValid() ? dialog.selectedColor() : dialog.currentColor();
    m_cc.rgbResult = RGB(picked.red(), picked.green(), picked.blue());
    return IDOK;
}
