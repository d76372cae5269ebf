#include "platform/dc.h"

#include "platform/dc_impl.h"
#include "platform/wnd.h"
#include "platform/wnd_impl.h"

QPainter* DCImpl::Painter() {
    if (!target || target->isNull()) return nullptr;
    if (!painter) {
        painter = std::make_unique<QPainter>(target);
        if (!clip.isNull()) painter->setClipRect(clip);
        painter->translate(origin);
    }
    return painter.get();
}

void DCImpl::End() {
    if (painter) {
        painter->end();
        painter.reset();
    }
}

CDC::CDC() : m_impl(std::make_unique<DCImpl>()) {}

CDC::~CDC() {
    if (m_impl) m_impl->End();
}

BOOL CDC::IsPrinting() const { return m_impl->printing; }

int CDC::GetClipBox(LPRECT rect) const {
    if (!rect) return 0;
    *rect = RECT{};
    if (!m_impl->target) return 0;
    QRect r = m_impl->clip.isNull() ? m_impl->target->rect() : m_impl->clip;
    r.translate(-m_impl->origin);
    *rect = RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    return r.isEmpty() ? 1 : 2;
}

void CDC::FillSolidRect(LPCRECT rect, COLORREF colour) {
    if (!rect) return;
    FillSolidRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, colour);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF colour) {
    QPainter* p = m_impl->Painter();
    if (!p || cx <= 0 || cy <= 0) return;
    p->fillRect(QRect(x, y, cx, cy), QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour)));
}

COLORREF CDC::GetPixel(int x, int y) const {
    if (!m_impl->target) return 0xFFFFFFFF;
    const QPoint p = QPoint(x, y) + m_impl->origin;
    if (!m_impl->target->rect().contains(p)) return 0xFFFFFFFF;
    if (m_impl->painter) m_impl->painter->end(), m_impl->painter.reset();
    const QRgb c = m_impl->target->pixel(p);
    return RGB(BYTE(qRed(c)), BYTE(qGreen(c)), BYTE(qBlue(c)));
}

// ---------------------------------------------------------------------------
// Paint contexts

CDC* BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
    WindowImpl* impl = WindowImpl::FromHandle(hwnd);
    if (!impl || !ps) return nullptr;
    if (!impl->inPaint) impl->BeginSurface();  // a paint outside the event loop's own
    ps->rcPaint = RECT{impl->paintRect.left(), impl->paintRect.top(),
                       impl->paintRect.left() + impl->paintRect.width(),
                       impl->paintRect.top() + impl->paintRect.height()};
    ps->fErase = FALSE;
    if (impl->erasePending) {
        impl->erasePending = false;
        CDC dc;
        dc.Impl()->target = &impl->surface;
        const LRESULT erased = WindowImpl::Dispatch(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(&dc), 0);
        ps->fErase = erased ? FALSE : TRUE;
    }
    return nullptr;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT*) {
    WindowImpl* impl = WindowImpl::FromHandle(hwnd);
    if (!impl) return FALSE;
    if (!impl->inPaint && impl->widget) impl->widget->update();
    return TRUE;
}

CPaintDC::CPaintDC(CWnd* wnd) {
    if (!wnd || !wnd->m_hWnd) return;
    m_hWnd = wnd->m_hWnd;
    BeginPaint(m_hWnd, &m_ps);
    if (WindowImpl* impl = WindowImpl::FromHandle(m_hWnd)) m_impl->target = &impl->surface;
    m_ps.hdc = this;
}

CPaintDC::~CPaintDC() {
    m_impl->End();
    if (m_hWnd) EndPaint(m_hWnd, &m_ps);
}
