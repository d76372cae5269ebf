#include "platform/window/button.h"

#include <QPushButton>

#include "platform/window/dialog.h"
#include "platform/window/wnd_impl.h"

CButton::CButton() = default;

CButton::~CButton() {
    if (m_hWnd) DestroyWindow();
}

QWidget* CButton::CreateWidget(QWidget* parentWidget, bool) {
    auto* button = new QPushButton(parentWidget);
    const WindowImpl* impl = WindowImpl::FromHandle(m_hWnd);
    const std::u16string text = impl ? impl->text : std::u16string();
    button->setText(QString::fromUtf16(text.data(), qsizetype(text.size())));
    button->setDefault((GetStyle() & 0xF) == BS_DEFPUSHBUTTON);
    button->setAutoDefault(false);
    const HWND h = m_hWnd;
    QObject::connect(button, &QPushButton::clicked, button, [this, h] {
        if (IsWindow(h)) NotifyClicked();
    });
    return button;
}

void CButton::NotifyClicked() {
    if (CWnd* parent = GetParent())
        parent->SendMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), int(BN_CLICKED)),
                            reinterpret_cast<LPARAM>(m_hWnd));
}

LRESULT CButton::ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    auto* button = qobject_cast<QPushButton*>(Widget());
    if (!button) return CWnd::ClassWindowProc(message, wParam, lParam);
    switch (message) {
    case WM_SETTEXT: {
        const auto* text = reinterpret_cast<const char16_t*>(lParam);
        button->setText(QString::fromUtf16(text ? text : u""));
        return CWnd::ClassWindowProc(message, wParam, lParam);
    }
    case BM_CLICK:
        if (IsWindowEnabled()) NotifyClicked();
        return 0;
    default:
        return CWnd::ClassWindowProc(message, wParam, lParam);
    }
}

namespace platform {

void RegisterButtonClass() {
    RegisterControlClass(u"Button", [](const DialogItemTemplate&) { return std::make_unique<CButton>(); });
}

}  // namespace platform
