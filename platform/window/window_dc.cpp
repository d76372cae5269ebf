#include "platform/window/window_dc.h"

#include <QWidget>

#include "platform/gdi/dc_impl.h"
#include "platform/window/wnd.h"
#include "platform/window/wnd_impl.h"

using namespace platform::detail;

CDC* BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
    WindowImpl* impl = WindowImpl::FromHandle(hwnd);
    if (!impl || !ps) return nullptr;
    if (!impl->inPaint) impl->BeginSurface();  // a paint outside the event loop's own
    impl = WindowImpl::FromHandle(hwnd);
    if (!impl) return nullptr;
    auto* dc = new DCImpl(DCImpl::kWindow);
    dc->alive = [hwnd] { return WindowImpl::FromHandle(hwnd) != nullptr; };
    dc->target = &impl->surface;
    // A paint draws only in the part that is being painted again.
    if (!impl->paintRegion.isEmpty()) dc->baseClip = impl->paintRegion;
    else if (impl->paintRect != QRect(QPoint(0, 0), impl->surface.size())) dc->baseClip = QRegion(impl->paintRect);
    CDC* wrapper = CDC::FromHandle(dc);
    ps->hdc = wrapper;
    ps->rcPaint = RECT{impl->paintRect.left(), impl->paintRect.top(),
                       impl->paintRect.left() + impl->paintRect.width(),
                       impl->paintRect.top() + impl->paintRect.height()};
    ps->fErase = FALSE;
    if (impl->erasePending) {
        impl->erasePending = false;
        const LRESULT erased = WindowImpl::Dispatch(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(wrapper), 0);
        ps->fErase = erased ? FALSE : TRUE;
    }
    return wrapper;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
    if (ps && ps->hdc && ps->hdc->m_hDC) {
        HDC dc = ps->hdc->m_hDC;
        delete dc;  // the wrapper goes with it
    }
    WindowImpl* impl = WindowImpl::FromHandle(hwnd);
    if (!impl) return FALSE;
    FlushImage(&impl->surface);
    if (!impl->inPaint && impl->widget) impl->widget->update();
    return TRUE;
}

CPaintDC::CPaintDC(CWnd* wnd) {
    if (!wnd || !wnd->m_hWnd) return;
    m_hWnd = wnd->m_hWnd;
    CDC* dc = BeginPaint(m_hWnd, &m_ps);
    if (dc) {
        m_hDC = m_hAttribDC = dc->m_hDC;
        m_ownsContext = false;
    }
}

CPaintDC::~CPaintDC() {
    if (m_hWnd) EndPaint(m_hWnd, &m_ps);
    m_hDC = m_hAttribDC = nullptr;
}

namespace {
HDC MakeClientContext(HWND hwnd) {
    if (!hwnd) return new DCImpl(DCImpl::kScreen);
    WindowImpl* impl = WindowImpl::FromHandle(hwnd);
    if (!impl) return nullptr;
    QImage shown;
    QRect part;
    if (!impl->inPaint && impl->ShownPicture(&shown, &part)) {
        // A shown window: the context draws on and reads what the screen shows,
        // and draws only where the window shows (inside its parents).
        auto* dc = new DCImpl(DCImpl::kWindow);
        dc->alive = [hwnd] { return WindowImpl::FromHandle(hwnd) != nullptr; };
        dc->keep = std::make_shared<QImage>(shown);
        dc->target = dc->keep.get();
        if (part != shown.rect()) dc->baseClip = QRegion(part);
        return dc;
    }
    if (impl->widget && impl->surface.size() != impl->ClientSize() && !impl->inPaint) impl->BeginSurface();
    impl = WindowImpl::FromHandle(hwnd);
    if (!impl) return nullptr;
    auto* dc = new DCImpl(DCImpl::kWindow);
    dc->alive = [hwnd] { return WindowImpl::FromHandle(hwnd) != nullptr; };
    dc->target = &impl->surface;
    return dc;
}

void ReleaseClientContext(HWND hwnd, HDC dc) {
    const bool shown = dc && dc->target == dc->keep.get();
    delete dc;
    if (WindowImpl* impl = WindowImpl::FromHandle(hwnd); impl && shown) {
        // Drawn on what the screen shows: the screen takes it as it is.
        impl->ShowClient();
    } else if (impl) {
        FlushImage(&impl->surface);
        if (impl->widget && !impl->inPaint) {
            // Drawn on the window's own picture (a window reaching past its
            // top-level window shows one): the screen takes it as it is, unless
            // the window is to be painted anew meanwhile.
            if (impl->surfaceWhole) impl->composedAhead = true;
            impl->widget->update();
        }
    }
}
}  // namespace

CClientDC::CClientDC(CWnd* wnd) {
    m_hWnd = wnd ? wnd->m_hWnd : nullptr;
    if (wnd && !m_hWnd) return;
    m_hDC = m_hAttribDC = MakeClientContext(m_hWnd);
    m_ownsContext = false;
}

CClientDC::~CClientDC() {
    if (m_hDC) ReleaseClientContext(m_hWnd, m_hDC);
    m_hDC = m_hAttribDC = nullptr;
}

HDC GetDC(HWND hwnd) { return MakeClientContext(hwnd); }

int ReleaseDC(HWND hwnd, HDC dc) {
    if (!dc) return 0;
    ReleaseClientContext(hwnd, dc);
    return 1;
}
