#include "platform/stdctrl/static.h"

#include <QGroupBox>
#include <QLabel>

#include "platform/window/wnd_impl.h"

namespace {

QString TextOf(HWND h) {
    const WindowImpl* impl = WindowImpl::FromHandle(h);
    return impl ? QString::fromUtf16(impl->text.data(), qsizetype(impl->text.size())) : QString();
}

// Mnemonic marks: "&&" shows one '&', a single '&' nothing.
QString WithoutPrefix(const QString& s) {
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'&' && i + 1 < s.size()) ++i;
        out += s[i];
    }
    return out;
}

}  // namespace

CStatic::CStatic() = default;

CStatic::~CStatic() {
    if (m_hWnd) DestroyWindow();
}

QWidget* CStatic::CreateWidget(QWidget* parentWidget, bool) {
    auto* label = new QLabel(parentWidget);
    const DWORD style = GetStyle();
    Qt::Alignment align = Qt::AlignLeft;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER: align = Qt::AlignHCenter; break;
    case SS_RIGHT: align = Qt::AlignRight; break;
    default: break;
    }
    align |= (style & SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop;
    label->setAlignment(align);
    label->setTextFormat(Qt::PlainText);
    const QString text = TextOf(m_hWnd);
    label->setText((style & SS_NOPREFIX) ? text : WithoutPrefix(text));
    return label;
}

LRESULT CStatic::ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CWnd::ClassWindowProc(message, wParam, lParam);
    if (message == WM_SETTEXT) {
        if (auto* label = dynamic_cast<QLabel*>(Widget())) {
            const QString text = TextOf(m_hWnd);
            label->setText((GetStyle() & SS_NOPREFIX) ? text : WithoutPrefix(text));
        }
    }
    return result;
}

CGroupBox::CGroupBox() = default;

CGroupBox::~CGroupBox() {
    if (m_hWnd) DestroyWindow();
}

QWidget* CGroupBox::CreateWidget(QWidget* parentWidget, bool) {
    auto* box = new QGroupBox(WithoutPrefix(TextOf(m_hWnd)), parentWidget);
    // The frame is drawn over the dialog's face; the controls inside it are the
    // dialog's own, laid over the box.
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    return box;
}

LRESULT CGroupBox::ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CWnd::ClassWindowProc(message, wParam, lParam);
    if (message == WM_SETTEXT) {
        if (auto* box = dynamic_cast<QGroupBox*>(Widget())) box->setTitle(WithoutPrefix(TextOf(m_hWnd)));
    }
    return result;
}
