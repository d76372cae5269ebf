// The standard scroll bars of windows and the non-client area they share with
// the client edge.
#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/gdi/gdi_impl.h"
#include "platform/gdi/paint_target.h"
#include "platform/window/wnd.h"
#include "platform/window/wnd_impl.h"
#include "platform/gdi/raster_bands.h"

namespace {

constexpr int kClientEdge = 2;

bool ValidBar(int bar) { return bar == SB_HORZ || bar == SB_VERT; }

// The largest position: max - page + 1 (max itself without a page).
int LastPosition(const ScrollBarState& s) {
    const long long last = static_cast<long long>(s.max) - std::max(s.page - 1, 0);
    return int(std::clamp<long long>(last, s.min, s.max));
}

// Whether the range leaves anything to scroll.
bool Scrollable(const ScrollBarState& s) { return s.min < LastPosition(s); }

// Puts the Qt bar in step with the values, without it reporting anything.
void SyncView(ScrollBarState& s) {
    s.viewStale = false;
    if (!s.view) return;
    const QSignalBlocker block(s.view);
    s.view->setRange(s.min, LastPosition(s));
    s.view->setPageStep(std::max(s.page, 1));
    s.view->setSingleStep(1);
    s.view->setSliderPosition(s.tracking ? s.trackPos : s.pos);
    s.view->setValue(s.tracking ? s.trackPos : s.pos);
    s.view->setEnabled(s.enabled);
}

UINT CodeOf(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: return SB_LINEUP;
    case QAbstractSlider::SliderSingleStepAdd: return SB_LINEDOWN;
    case QAbstractSlider::SliderPageStepSub: return SB_PAGEUP;
    case QAbstractSlider::SliderPageStepAdd: return SB_PAGEDOWN;
    case QAbstractSlider::SliderToMinimum: return SB_TOP;
    case QAbstractSlider::SliderToMaximum: return SB_BOTTOM;
    case QAbstractSlider::SliderMove: return SB_THUMBTRACK;
    default: return UINT(-1);
    }
}

void SendScroll(HWND h, int bar, UINT code, int pos) {
    WindowImpl::Dispatch(h, bar == SB_HORZ ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(WORD(code), WORD(pos)), 0);
}

// A position set alone (a line or page scroll, many of them in a row) reaches
// the Qt bar later, once per turn of the event loop: the windows whose bars
// wait for it.
std::vector<HWND>& StaleWindows() {
    static std::vector<HWND> windows;
    return windows;
}

void SyncStaleViews() {
    std::vector<HWND> windows;
    windows.swap(StaleWindows());
    for (HWND h : windows)
        if (WindowImpl* impl = WindowImpl::FromHandle(h))
            for (ScrollBarState& s : impl->bars)
                if (s.viewStale) SyncView(s);
}

// Marks a bar's view as behind its values; the first such bar of a turn asks
// for the turn's update.
void MarkStale(WindowImpl* impl, ScrollBarState& s) {
    if (s.viewStale || !s.view) return;
    s.viewStale = true;
    std::vector<HWND>& windows = StaleWindows();
    if (windows.empty()) QMetaObject::invokeMethod(qApp, &SyncStaleViews, Qt::QueuedConnection);
    if (std::find(windows.begin(), windows.end(), impl->handle) == windows.end()) windows.push_back(impl->handle);
}

// Ends a gesture on a bar when the button goes up: the thumb's final place, then
// the end of scrolling. Before the bar paints or takes input it is brought up
// to date.
class BarReleaseWatcher : public QObject {
public:
    BarReleaseWatcher(HWND h, int bar, QObject* parent) : QObject(parent), m_handle(h), m_bar(bar) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
        case QEvent::Paint:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
            if (WindowImpl* impl = WindowImpl::FromHandle(m_handle); impl && impl->bars[m_bar].viewStale)
                SyncView(impl->bars[m_bar]);
            return false;
        case QEvent::MouseButtonRelease:
            break;
        default:
            return false;
        }
        const HWND h = m_handle;
        const int bar = m_bar;
        QMetaObject::invokeMethod(
            this,
            [h, bar] {
                WindowImpl* impl = WindowImpl::FromHandle(h);
                if (!impl) return;
                ScrollBarState& s = impl->bars[bar];
                if (s.tracking) {
                    const int track = s.trackPos;
                    SendScroll(h, bar, SB_THUMBPOSITION, track);
                    if (!(impl = WindowImpl::FromHandle(h))) return;
                    impl->bars[bar].tracking = false;
                }
                SendScroll(h, bar, SB_ENDSCROLL, 0);
                if ((impl = WindowImpl::FromHandle(h))) SyncView(impl->bars[bar]);
            },
            Qt::QueuedConnection);
        return false;
    }

private:
    HWND m_handle;
    int m_bar;
};

QScrollBar* MakeView(WindowImpl* impl, int bar) {
    auto* view = new QScrollBar(bar == SB_HORZ ? Qt::Horizontal : Qt::Vertical, impl->widget);
    view->setFocusPolicy(Qt::NoFocus);
    view->setTracking(true);
    const HWND h = impl->handle;
    view->installEventFilter(new BarReleaseWatcher(h, bar, view));
    QObject::connect(view, &QAbstractSlider::actionTriggered, view, [h, bar, view](int action) {
        WindowImpl* self = WindowImpl::FromHandle(h);
        if (!self) return;
        const UINT code = CodeOf(action);
        if (code == UINT(-1)) return;
        if (code == SB_THUMBTRACK) {
            self->bars[bar].tracking = true;
            self->bars[bar].trackPos = view->sliderPosition();
            SendScroll(h, bar, SB_THUMBTRACK, view->sliderPosition());
            return;
        }
        SendScroll(h, bar, code, 0);
        // The bar shows what the window made of the request, not the request.
        if ((self = WindowImpl::FromHandle(h))) {
            ScrollBarState& s = self->bars[bar];
            view->setSliderPosition(s.tracking ? s.trackPos : s.pos);
        }
    });
    return view;
}

// Shows or hides one bar; TRUE when that changed.
bool ShowBar(WindowImpl* impl, int bar, bool show) {
    ScrollBarState& s = impl->bars[bar];
    if (s.shown == show) return false;
    s.shown = show;
    if (show && !s.view && impl->widget) s.view = MakeView(impl, bar);
    SyncView(s);
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// Non-client area

QMargins WindowImpl::NonClient() const {
    QMargins m;
    if (exStyle & WS_EX_CLIENTEDGE) m = QMargins(kClientEdge, kClientEdge, kClientEdge, kClientEdge);
    if (bars[SB_VERT].shown) m.setRight(m.right() + GetSystemMetrics(SM_CXVSCROLL));
    if (bars[SB_HORZ].shown) m.setBottom(m.bottom() + GetSystemMetrics(SM_CYHSCROLL));
    return m;
}

QSize WindowImpl::ClientSize() const {
    if (!widget) return QSize();
    const QMargins m = NonClient();
    return QSize(std::max(0, widget->width() - m.left() - m.right()),
                 std::max(0, widget->height() - m.top() - m.bottom()));
}

void WindowImpl::LayoutNonClient() {
    if (!widget) return;
    const QMargins m = NonClient();
    const int edge = (exStyle & WS_EX_CLIENTEDGE) ? kClientEdge : 0;
    const QSize client = ClientSize();
    if (QScrollBar* v = bars[SB_VERT].view) {
        v->setGeometry(m.left() + client.width(), edge, GetSystemMetrics(SM_CXVSCROLL), client.height());
        v->setVisible(bars[SB_VERT].shown && !widget->isHidden());
        v->raise();
    }
    if (QScrollBar* hb = bars[SB_HORZ].view) {
        hb->setGeometry(edge, m.top() + client.height(), client.width(), GetSystemMetrics(SM_CYHSCROLL));
        hb->setVisible(bars[SB_HORZ].shown && !widget->isHidden());
        hb->raise();
    }
    // Children stand in client coordinates: a moved client origin moves them.
    const QPoint origin = ClientOrigin();
    if (origin != laidOrigin) {
        const QPoint delta = origin - laidOrigin;
        for (HWND c : children)
            if (WindowImpl* child = FromHandle(c); child && child->widget) child->widget->move(child->widget->pos() + delta);
        laidOrigin = origin;
    }
    eraseRequested = true;
    widget->update();
    ReportGeometry();
}

void WindowImpl::PaintNonClient(QPainter& painter) const {
    if (!widget) return;
    const QMargins m = NonClient();
    if (m.isNull()) return;
    const QSize client = ClientSize();
    const QPoint o = ClientOrigin();
    using platform::detail::QtColour;
    if (bars[SB_VERT].shown && bars[SB_HORZ].shown)
        painter.fillRect(QRect(o.x() + client.width(), o.y() + client.height(), GetSystemMetrics(SM_CXVSCROLL),
                               GetSystemMetrics(SM_CYHSCROLL)),
                         QtColour(GetSysColor(COLOR_BTNFACE)));
    if (exStyle & WS_EX_CLIENTEDGE) {
        // A sunken edge: shadow over dark shadow at the top and left, highlight
        // over light at the bottom and right.
        const int w = widget->width(), h = widget->height();
        auto line = [&painter](int x1, int y1, int x2, int y2, int colour) {
            painter.fillRect(QRect(QPoint(x1, y1), QPoint(x2, y2)), QtColour(GetSysColor(colour)));
        };
        line(0, 0, w - 2, 0, COLOR_BTNSHADOW);
        line(0, 0, 0, h - 2, COLOR_BTNSHADOW);
        line(0, h - 1, w - 1, h - 1, COLOR_BTNHIGHLIGHT);
        line(w - 1, 0, w - 1, h - 1, COLOR_BTNHIGHLIGHT);
        line(1, 1, w - 3, 1, COLOR_3DDKSHADOW);
        line(1, 1, 1, h - 3, COLOR_3DDKSHADOW);
        line(1, h - 2, w - 2, h - 2, COLOR_3DLIGHT);
        line(w - 2, 1, w - 2, h - 2, COLOR_3DLIGHT);
    }
}

QPoint ChildWidgetPos(HWND parent, QPoint client) {
    WindowImpl* p = WindowImpl::FromHandle(parent);
    return p ? client + p->ClientOrigin() : client;
}

QPoint ChildClientPos(HWND parent, QPoint widgetPos) {
    WindowImpl* p = WindowImpl::FromHandle(parent);
    return p ? widgetPos - p->ClientOrigin() : widgetPos;
}

// ---------------------------------------------------------------------------
// CWnd's scroll bars

BOOL CWnd::SetScrollInfo(int bar, LPSCROLLINFO info, BOOL) {
    if (!m_impl || !info || !ValidBar(bar)) return FALSE;
    if ((info->fMask & SIF_RANGE) && info->nMin > info->nMax) return FALSE;
    ScrollBarState& s = m_impl->bars[bar];
    bool rangeChanged = false;
    if (info->fMask & SIF_RANGE) {
        rangeChanged = s.min != info->nMin || s.max != info->nMax;
        s.min = info->nMin;
        s.max = info->nMax;
    }
    if (info->fMask & SIF_PAGE) s.page = int(std::min<UINT>(info->nPage, UINT(INT_MAX)));
    // The page is at most the whole range.
    const long long span = static_cast<long long>(s.max) - s.min + 1;
    s.page = int(std::clamp<long long>(s.page, 0, span));
    const int before = s.pos;
    if (info->fMask & SIF_POS) s.pos = info->nPos;
    s.pos = std::clamp(s.pos, s.min, LastPosition(s));
    // A new position alone goes to the view later (MarkStale).
    if ((info->fMask & ~SIF_POS) == 0) {
        if (s.pos != before) MarkStale(m_impl, s);
        return TRUE;
    }

    bool layout = false;
    if (info->fMask & (SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL)) {
        if (!Scrollable(s)) {
            if (info->fMask & SIF_DISABLENOSCROLL) s.enabled = false;
            else if (rangeChanged) layout = ShowBar(m_impl, bar, false);
        } else if (info->fMask != SIF_PAGE) {
            s.enabled = true;
            if (rangeChanged) layout = ShowBar(m_impl, bar, true);
        }
    }
    SyncView(m_impl->bars[bar]);
    if (layout) m_impl->LayoutNonClient();
    return TRUE;
}

BOOL CWnd::GetScrollInfo(int bar, LPSCROLLINFO info, UINT mask) const {
    if (!m_impl || !info || !ValidBar(bar)) return FALSE;
    const ScrollBarState& s = m_impl->bars[bar];
    info->fMask = mask;
    if (mask & SIF_RANGE) {
        info->nMin = s.min;
        info->nMax = s.max;
    }
    if (mask & SIF_PAGE) info->nPage = UINT(s.page);
    if (mask & SIF_POS) info->nPos = s.pos;
    if (mask & SIF_TRACKPOS) info->nTrackPos = s.tracking ? s.trackPos : s.pos;
    return (mask & SIF_ALL) != 0;
}

int CWnd::GetScrollPos(int bar) const {
    return m_impl && ValidBar(bar) ? m_impl->bars[bar].pos : 0;
}

int CWnd::SetScrollPos(int bar, int pos, BOOL redraw) {
    const int previous = GetScrollPos(bar);
    SCROLLINFO info;
    info.fMask = SIF_POS;
    info.nPos = pos;
    SetScrollInfo(bar, &info, redraw);
    return previous;
}

void CWnd::GetScrollRange(int bar, int* minPos, int* maxPos) const {
    const bool ok = m_impl && ValidBar(bar);
    if (minPos) *minPos = ok ? m_impl->bars[bar].min : 0;
    if (maxPos) *maxPos = ok ? m_impl->bars[bar].max : 0;
}

void CWnd::ShowScrollBar(UINT bar, BOOL show) {
    if (!m_impl) return;
    bool changed = false;
    if (bar == UINT(SB_HORZ) || bar == UINT(SB_BOTH)) changed |= ShowBar(m_impl, SB_HORZ, show != FALSE);
    if (bar == UINT(SB_VERT) || bar == UINT(SB_BOTH)) changed |= ShowBar(m_impl, SB_VERT, show != FALSE);
    if (changed) m_impl->LayoutNonClient();
}

BOOL CWnd::IsScrollBarShown(int bar) const { return m_impl && ValidBar(bar) && m_impl->bars[bar].shown; }

void CWnd::ScrollWindow(int dx, int dy, LPCRECT rect, LPCRECT clip) {
    if (!m_impl || !m_impl->widget) return;
    // A window already waiting to be painted, with its background, over all of
    // the area (or the whole client) needs nothing more: many scrolls before
    // one paint cost no more than the first.
    if ((dx != 0 || dy != 0) && m_impl->eraseRequested &&
        (m_impl->dirtyAll ||
         (rect && m_impl->dirty.contains(QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top)))))
        return;
    const QSize size = m_impl->ClientSize();
    QRect area(QPoint(0, 0), size);
    if (rect) area &= QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
    if (clip) area &= QRect(clip->left, clip->top, clip->right - clip->left, clip->bottom - clip->top);
    if (area.isEmpty() || (dx == 0 && dy == 0)) return;
    const RECT whole{area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
    const bool pending = m_impl->dirtyAll || m_impl->eraseRequested || m_impl->surface.size() != size ||
                         (!m_impl->dirty.isEmpty() && m_impl->dirty.intersects(area));
    if (pending || std::abs(dx) >= area.width() || std::abs(dy) >= area.height()) {
        if (m_impl->eraseRequested && m_impl->dirty.contains(area)) return;
        InvalidateRect(&whole, TRUE);
        return;
    }
    // Move the pixels that stay in the area, then paint what was uncovered.
    platform::detail::FlushImage(&m_impl->surface);
    const QImage before = m_impl->surface.copy(area);
    {
        QPainter painter(&m_impl->surface);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setClipRect(area);
        platform::detail::DrawInBands(&painter, area.topLeft() + QPoint(dx, dy), before, before.rect());
    }
    QRegion uncovered(area);
    uncovered -= area.translated(dx, dy);
    for (const QRect& r : uncovered) {
        const RECT part{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
        InvalidateRect(&part, TRUE);
    }
    m_impl->widget->update();
}
