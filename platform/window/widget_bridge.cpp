#include "platform/window/wnd_impl.h"

#include <QApplication>
#include <QBackingStore>
#include <QCursor>
#include <QTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "platform/gdi/dc.h"
#include "platform/gdi/dc_impl.h"
#include "platform/gdi/raster_bands.h"
#include "platform/window/wnd.h"

namespace {

std::unordered_map<HWND, WindowImpl*>& Registry() {
    static std::unordered_map<HWND, WindowImpl*> registry;
    return registry;
}

HWND NewHandle() {
    static std::uintptr_t next = 0;
    next += 16;
    return reinterpret_cast<HWND>(next);
}

const char* const kHwndProperty = "rerovora_hwnd";

// Posted window message, queued on the event loop.
class PostedMessage : public QEvent {
public:
    PostedMessage(UINT m, WPARAM w, LPARAM l)
        : QEvent(IsInput(m) ? kPostedInputMessageEvent : kPostedMessageEvent), message(m), wParam(w), lParam(l) {}
    static bool IsInput(UINT m) {
        return (m >= WM_MOUSEMOVE && m <= WM_MBUTTONDBLCLK) || (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONUP) ||
               (m >= WM_KEYDOWN && m <= WM_SYSCHAR) || m == WM_IME_CHAR;
    }
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

DWORD g_messageTime = 0;

}  // namespace

void platform::detail::DeliverPostedInput() {
    QCoreApplication::sendPostedEvents(nullptr, kPostedInputMessageEvent);
}

bool MessageTarget::event(QEvent* e) {
    if (e->type() == kPostedMessageEvent || e->type() == kPostedInputMessageEvent) {
        auto* m = static_cast<PostedMessage*>(e);
        if (handle) WindowImpl::Dispatch(handle, m->message, m->wParam, m->lParam);
        return true;
    }
    return QObject::event(e);
}

// Watches the widget of every window (also standard controls) for focus,
// geometry and close events.
class WidgetWatcher : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* obj, QEvent* e) override {
        WindowImpl* impl = WindowImpl::FromWidget(obj);
        if (!impl || impl->widget != obj) return false;
        HWND h = impl->handle;
        switch (e->type()) {
        case QEvent::FocusIn: {
            WindowImpl::Dispatch(h, WM_SETFOCUS, 0, 0);
            break;
        }
        case QEvent::FocusOut: {
            HWND other = nullptr;
            if (WindowImpl* o = WindowImpl::FromWidget(QApplication::focusWidget())) other = o->handle;
            WindowImpl::Dispatch(h, WM_KILLFOCUS, WPARAM(other), 0);
            break;
        }
        case QEvent::Resize:
            impl->LayoutNonClient();  // the bars follow, then WM_SIZE
            break;
        case QEvent::Move:
            impl->ReportGeometry();
            break;
        case QEvent::WinIdChange:
        case QEvent::WindowTitleChange:
            if (impl->topLevel) platform::detail::KeepCaptionEmpty(impl->widget);
            break;
        case QEvent::ApplicationPaletteChange:
            // The desktop's colours changed: top-level windows hear it and pass it on.
            if (impl->topLevel) WindowImpl::Dispatch(h, WM_SYSCOLORCHANGE, 0, 0);
            break;
        case QEvent::Close:
            if (impl->topLevel) {
                e->ignore();
                WindowImpl::Dispatch(h, WM_CLOSE, 0, 0);
                return true;
            }
            break;
        default:
            break;
        }
        return false;
    }
};

static WidgetWatcher* Watcher() {
    static WidgetWatcher* watcher = [] {
        platform::detail::RouteInputMethods();
        return new WidgetWatcher(qApp);
    }();
    return watcher;
}

// ---------------------------------------------------------------------------
// Registry, posted messages and the widget watcher

void WindowImpl::Register() {
    handle = NewHandle();
    Registry()[handle] = this;
}

void WindowImpl::Unregister() { Registry().erase(handle); }

void WindowImpl::WatchWidget(QWidget* w) {
    w->setProperty(kHwndProperty, qulonglong(reinterpret_cast<std::uintptr_t>(handle)));
    w->installEventFilter(Watcher());
}

void WindowImpl::UnwatchWidget() {
    if (!widget) return;
    widget->removeEventFilter(Watcher());
    widget->setProperty(kHwndProperty, QVariant());
}

void WindowImpl::Post(UINT message, WPARAM wParam, LPARAM lParam) {
    QCoreApplication::postEvent(target, new PostedMessage(message, wParam, lParam));
}

namespace platform::detail {
void NoteMessageTime() { g_messageTime = GetTickCount(); }

namespace {
QPoint g_messagePos;
bool g_messagePosSet = false;
}  // namespace

void NoteMessagePos(QPoint global) {
    g_messagePos = global;
    g_messagePosSet = true;
}

bool LastMessagePos(QPoint* global) {
    if (g_messagePosSet && global) *global = g_messagePos;
    return g_messagePosSet;
}

bool IsSystemKey(Qt::KeyboardModifiers mods) {
    return (mods & Qt::AltModifier) && !(mods & Qt::ControlModifier);
}

bool OfferPressToCapture(UINT message, WPARAM wParam, QPoint global) {
    CWnd* capture = CWnd::GetCapture();
    if (!capture || !capture->Widget()) return false;
    const QPoint p = global - WidgetScreenPos(capture->Widget()) - WindowImpl::FromHandle(capture->GetSafeHwnd())->ClientOrigin();
    MSG msg;
    msg.hwnd = capture->GetSafeHwnd();
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = MAKELPARAM(p.x(), p.y());
    msg.time = GetTickCount();
    msg.pt = POINT{global.x(), global.y()};
    return capture->PreTranslateMessage(&msg) != FALSE;
}
}  // namespace platform::detail

DWORD GetMessageTime() { return g_messageTime; }

// ---------------------------------------------------------------------------
// Screen positions

QRect TopLevelScreenRect(const QWidget* top) {
    // The widget's own record, not the platform window's: when the window
    // manager moves and resizes the window in one step, the platform window
    // takes the new place before the widget hears of the resize, and the
    // widget's record follows with the move. Mixing the two would measure a
    // window at its new place against its old one.
    return top->geometry();
}

QPoint WidgetScreenPos(const QWidget* w) {
    QPoint offset;
    for (; w && !w->isWindow(); w = w->parentWidget()) offset += w->pos();
    return w ? TopLevelScreenRect(w).topLeft() + offset : offset;
}

// ---------------------------------------------------------------------------
// WindowImpl

WindowImpl* WindowImpl::FromHandle(HWND h) {
    if (!h) return nullptr;
    auto it = Registry().find(h);
    return it == Registry().end() ? nullptr : it->second;
}

WindowImpl* WindowImpl::FromWidget(const QObject* widget) {
    if (!widget) return nullptr;
    const QVariant v = widget->property(kHwndProperty);
    if (!v.isValid()) return nullptr;
    return FromHandle(reinterpret_cast<HWND>(v.value<qulonglong>()));
}

LRESULT WindowImpl::Dispatch(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowImpl* impl = FromHandle(h);
    if (!impl || !impl->wnd) return 0;
    return impl->wnd->WindowProc(message, wParam, lParam);
}

void WindowImpl::ReportGeometry() {
    if (!widget || destroying) return;
    const HWND h = handle;
    const QSize size = ClientSize();
    const QPoint pos = topLevel ? TopLevelScreenRect(widget).topLeft() : ChildClientPos(parent, widget->pos());
    if (pos != reportedPos) {
        reportedPos = pos;
        Dispatch(h, WM_MOVE, 0, MAKELPARAM(pos.x(), pos.y()));
        if (!FromHandle(h)) return;
    }
    UINT type = SIZE_RESTORED;
    if (topLevel && wnd && wnd->IsZoomed()) type = SIZE_MAXIMIZED;
    if (topLevel && wnd && wnd->IsIconic()) type = SIZE_MINIMIZED;
    // A window maximized (or restored) that keeps its size hears of its new
    // state too, as on the system: a window laid out by WM_SIZE is laid out
    // when maximized to the size it was made with.
    if (size != reportedSize || type != reportedType) {
        if (size != reportedSize) eraseRequested = true;
        reportedSize = size;
        reportedType = type;
        Dispatch(h, WM_SIZE, type, MAKELPARAM(size.width(), size.height()));
    }
}

void WindowImpl::BeginSurface() {
    platform::detail::DoAllDeferred();  // pictures read below are laid first
    const QSize size = widget ? ClientSize() : QSize();
    const QRect whole(QPoint(0, 0), size);
    const bool resized = surface.size() != size;
    const bool erase = eraseRequested || resized;
    // Only the invalidated part is painted again when a part was named and the
    // rest of the picture still stands.
    const QRect area = (resized || dirtyAll || dirty.isEmpty()) ? whole : (dirty & whole);
    dirty = QRect();
    dirtyAll = false;
    surfaceWhole = false;
    if (erase) {
        platform::detail::FlushImage(&surface);  // no painter of an earlier paint is left on it
        if (resized || surface.isNull()) surface = size.isEmpty() ? QImage() : QImage(size, QImage::Format_ARGB32_Premultiplied);
        WindowImpl* p = FromHandle(parent);
        if (!topLevel && p && p->widget && widget && !surface.isNull() &&
            p->surface.size() != p->ClientSize() && !p->inPaint) {
            p->Compose();
            if (!FromHandle(handle)) return;
        }
        if (!surface.isNull()) {
            if (!topLevel && p && p->widget && widget && !p->surface.isNull()) {
                // The parent's pixels under the window; transparent where the
                // window stands outside its parent's picture.
                const QRect under = area.translated(ChildClientPos(parent, widget->pos()));
                if (!p->surface.rect().contains(under)) {
                    QPainter painter(&surface);
                    painter.setCompositionMode(QPainter::CompositionMode_Source);
                    platform::detail::FillInBands(&painter, area, Qt::transparent);
                }
                platform::detail::CopyPixels(&surface, area.topLeft(), p->surface, under);
            } else {
                // A top-level window, or a child of a parent with nothing painted yet.
                QPainter painter(&surface);
                painter.setCompositionMode(QPainter::CompositionMode_Source);
                platform::detail::FillInBands(&painter, area, platform::detail::QtColour(GetSysColor(COLOR_BTNFACE)));
            }
        }
    }
    erasePending = erase;
    eraseRequested = false;
    paintRect = area;
}

void WindowImpl::Compose() {
    if (!widget || destroying || inPaint) return;
    const HWND h = handle;
    // The children's pictures start from this one: painted ahead of it, they
    // are painted again when next shown.
    for (QObject* child : widget->children())
        if (auto* w = dynamic_cast<WndWidget*>(child); w && w->impl) w->impl->composedAhead = false;
    BeginSurface();
    if (!FromHandle(h)) return;
    inPaint = true;
    Dispatch(h, WM_PAINT, 0, 0);
    WindowImpl* self = FromHandle(h);
    if (!self) return;
    if (self->erasePending) {
        // Nobody began a paint: the background still gets its erase.
        PAINTSTRUCT ps;
        BeginPaint(h, &ps);
        EndPaint(h, &ps);
    }
    self->inPaint = false;
    self->surfaceWhole = true;
}

// ---------------------------------------------------------------------------
// WndWidget

WndWidget::WndWidget(WindowImpl* impl_, QWidget* parent, bool topLevel)
    : QWidget(parent, topLevel ? Qt::Window : Qt::Widget), impl(impl_) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
}

WndWidget::~WndWidget() {
    if (impl && impl->widget == this) impl->widget = nullptr;
}

static WPARAM MouseKeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
    WPARAM w = 0;
    if (buttons & Qt::LeftButton) w |= MK_LBUTTON;
    if (buttons & Qt::RightButton) w |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) w |= MK_MBUTTON;
    if (mods & Qt::ShiftModifier) w |= MK_SHIFT;
    if (mods & Qt::ControlModifier) w |= MK_CONTROL;
    return w;
}

static UINT ButtonMessage(Qt::MouseButton b, QEvent::Type type) {
    const int kind = type == QEvent::MouseButtonPress ? 0 : type == QEvent::MouseButtonRelease ? 1 : 2;
    switch (b) {
    case Qt::LeftButton: return WM_LBUTTONDOWN + kind;
    case Qt::RightButton: return WM_RBUTTONDOWN + kind;
    case Qt::MiddleButton: return WM_MBUTTONDOWN + kind;
    default: return 0;
    }
}

bool WndWidget::event(QEvent* e) {
    if (!impl) return QWidget::event(e);
    const HWND h = impl->handle;
    platform::detail::NoteMessageTime();
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        auto* me = static_cast<QMouseEvent*>(e);
        const UINT msg = ButtonMessage(me->button(), e->type());
        const QPoint global = platform::detail::ClampToCursorClip(me->globalPosition().toPoint());
        platform::detail::NoteMessagePos(global);
        const WPARAM keys = MouseKeyState(me->buttons(), me->modifiers());
        if (!msg) return true;
        const HWND to = platform::detail::MouseButtonTarget(h, global);
        if (e->type() != QEvent::MouseButtonRelease && platform::detail::OfferPressToCapture(msg, keys, global))
            return true;
        WindowImpl* target = WindowImpl::FromHandle(to);
        if (!target || !target->widget) return true;
        const QPoint p = (to == h ? me->position().toPoint() + (global - me->globalPosition().toPoint())
                                  : global - WidgetScreenPos(target->widget)) -
                         target->ClientOrigin();
        WindowImpl::Dispatch(to, msg, keys, MAKELPARAM(p.x(), p.y()));
        return true;
    }
    case QEvent::MouseMove: {
        impl->movedSinceEnter = true;
        auto* me = static_cast<QMouseEvent*>(e);
        const QPoint global = platform::detail::ClampToCursorClip(me->globalPosition().toPoint());
        const QPoint p = me->position().toPoint() + (global - me->globalPosition().toPoint()) - impl->ClientOrigin();
        platform::detail::NoteMessagePos(global);
        impl->cursorSetInMessage = false;
        // Unless a window holds the mouse, the window under it may set the cursor first.
        if (!QWidget::mouseGrabber())
            WindowImpl::Dispatch(h, WM_SETCURSOR, WPARAM(h), MAKELPARAM(WORD(HTCLIENT), WORD(WM_MOUSEMOVE)));
        if (!WindowImpl::FromHandle(h)) return true;
        if (impl->trackHover && impl->hoverTimer) impl->hoverTimer->start();
        WindowImpl::Dispatch(h, WM_MOUSEMOVE, MouseKeyState(me->buttons(), me->modifiers()),
                             MAKELPARAM(p.x(), p.y()));
        if (WindowImpl* self = WindowImpl::FromHandle(h)) {
            // Without a cursor set for this move the window's class cursor returns.
            if (!self->cursorSetInMessage && testAttribute(Qt::WA_SetCursor)) unsetCursor();
        }
        return true;
    }
    case QEvent::Enter: {
        // The window under the pointer hears where the pointer is when it comes
        // in without moving, as when a window above it (a message box) went
        // away: a mouse move, unless a real one follows at once.
        impl->movedSinceEnter = false;
        QTimer::singleShot(0, this, [this] {
            if (!impl || impl->movedSinceEnter || !underMouse()) return;
            QWidget* grabber = QWidget::mouseGrabber();
            if (grabber && grabber != this) return;
            const QPoint global = QCursor::pos();
            const QPoint local = global - WidgetScreenPos(this);
            QMouseEvent move(QEvent::MouseMove, QPointF(local), QPointF(local), QPointF(global), Qt::NoButton,
                             QGuiApplication::mouseButtons(), QGuiApplication::keyboardModifiers());
            event(&move);
        });
        return QWidget::event(e);
    }
    case QEvent::Wheel: {
        auto* we = static_cast<QWheelEvent*>(e);
        const QPoint g = we->globalPosition().toPoint();
        platform::detail::NoteMessagePos(g);
        const int delta = we->angleDelta().y();
        WindowImpl::Dispatch(h, WM_MOUSEWHEEL,
                             MAKEWPARAM(int(MouseKeyState(we->buttons(), we->modifiers())), delta),
                             MAKELPARAM(g.x(), g.y()));
        return true;
    }
    case QEvent::Leave: {
        if (impl->hoverTimer) impl->hoverTimer->stop();
        impl->trackHover = false;
        if (impl->trackLeave) {
            impl->trackLeave = false;
            WindowImpl::Dispatch(h, WM_MOUSELEAVE, 0, 0);
        }
        return true;
    }
    case QEvent::KeyPress: {
        auto* ke = static_cast<QKeyEvent*>(e);
        const UINT vk = VirtualKeyFromQt(*ke);
        const KeyModifierScope modifiers(ke->modifiers());
        LPARAM lp = 1;
        if (ke->isAutoRepeat()) lp |= LPARAM(1) << 30;
        const bool system = platform::detail::IsSystemKey(ke->modifiers());
        if (system) lp |= LPARAM(1) << 29;
        if (vk) WindowImpl::Dispatch(h, system ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, lp);
        for (QChar c : CharactersFromQt(*ke)) {
            if (!WindowImpl::FromHandle(h)) break;
            WindowImpl::Dispatch(h, system ? WM_SYSCHAR : WM_CHAR, c.unicode(), lp);
        }
        return true;
    }
    case QEvent::KeyRelease: {
        auto* ke = static_cast<QKeyEvent*>(e);
        const UINT vk = VirtualKeyFromQt(*ke);
        if (vk) WindowImpl::Dispatch(h, WM_KEYUP, vk, LPARAM(1) | (LPARAM(3) << 30));
        return true;
    }
    case QEvent::Show:
        // What the parent painted meanwhile is taken again.
        impl->under.Forget();
        return QWidget::event(e);
    case QEvent::EnabledChange:
        WindowImpl::Dispatch(h, WM_ENABLE, isEnabled() ? TRUE : FALSE, 0);
        return QWidget::event(e);
    default:
        return QWidget::event(e);
    }
}

// Puts the part of a window's picture that Qt repaints into what the painter
// draws on (a widget grabbed into a pixmap).
static void ShowSurface(QPainter* painter, const QRegion& region, QPoint origin, const QImage& surface) {
    const QRect picture(origin, surface.size());
    for (const QRect& r : region) {
        const QRect part = r.intersected(picture);
        if (!part.isEmpty()) platform::detail::DrawInBands(painter, part.topLeft(), surface, part.translated(-origin));
    }
}

namespace {
int g_directPaints = 0;  // paints under way (Qt's, or straight into a picture)
}  // namespace

bool platform::detail::PaintingDirectly() { return g_directPaints > 0; }

// The picture that `painter` on `widget` draws on, when it is a picture of
// 32-bit pixels reached through a whole-pixel translation (the window system's
// backing store, or a picture the widget is rendered into), with where the
// widget's top-left pixel lies in it; else null.
// A picture the layer draws on in place: 32-bit pixels, one to a device pixel,
// not shared with another picture.
static bool PlainPicture(const QImage& image) {
    return image.depth() == 32 && image.devicePixelRatio() == 1.0 && image.isDetached();
}

// The pixels of `where` in `picture`, as a picture of their own that draws on
// them in place (it lives no longer than `picture` keeps its size).
static QImage ViewOf(const QImage& picture, const QRect& where) {
    const qsizetype line = picture.bytesPerLine();
    uchar* first = const_cast<uchar*>(picture.constBits()) + qsizetype(where.top()) * line + qsizetype(where.left()) * 4;
    return QImage(first, where.width(), where.height(), line, QImage::Format_ARGB32_Premultiplied);
}

// The shown windows among the children of `parent`, in their order.
static std::vector<QPointer<WndWidget>> ShownChildren(QWidget* parent) {
    std::vector<QPointer<WndWidget>> shown;
    for (QObject* child : parent->children())
        if (auto* w = dynamic_cast<WndWidget*>(child); w && w->impl && w->isVisibleTo(parent)) shown.emplace_back(w);
    return shown;
}

QRect WindowImpl::ClientOnTopLevel() const {
    return QRect(widget->mapTo(widget->window(), QPoint(0, 0)) + ClientOrigin(), ClientSize());
}

QRect WindowImpl::InsideParents(const QImage& picture, QPoint widgetOrigin, bool screen) const {
    QRect inside = picture.rect();
    QPoint origin = widgetOrigin;  // of the widget of `w`, then of its parent's
    for (const WindowImpl* w = this; !w->topLevel && w->widget;) {
        const WindowImpl* p = FromHandle(w->parent);
        if (!p || !p->widget) break;
        origin -= w->widget->pos();
        const QRect client(origin + p->ClientOrigin(), p->ClientSize());
        if (!screen && !picture.rect().contains(client)) break;
        inside &= client;
        w = p;
    }
    return inside;
}

QRect WindowImpl::ShownIn(const QImage& picture, QPoint widgetOrigin, bool screen) const {
    return QRect(widgetOrigin + ClientOrigin(), ClientSize()) & InsideParents(picture, widgetOrigin, screen);
}

void WindowImpl::PaintParentsEdges(QPainter& painter, const QRegion& part) const {
    QPoint at;  // where the widget of `w`'s parent stands in this widget's coordinates
    for (const WindowImpl* w = this; !w->topLevel && w->widget;) {
        const WindowImpl* p = FromHandle(w->parent);
        if (!p || !p->widget) break;
        at -= w->widget->pos();
        const QRegion edges = (part & QRect(at, p->widget->size())) - QRect(at + p->ClientOrigin(), p->ClientSize());
        if (!edges.isEmpty()) {
            painter.save();
            painter.setClipRegion(edges);
            painter.translate(at);
            p->PaintNonClient(painter);
            painter.restore();
        }
        w = p;
    }
}

QRegion WindowImpl::Waiting() const { return dirtyAll ? QRegion(QRect(QPoint(0, 0), ClientSize())) : QRegion(dirty); }

void WindowImpl::NothingWaits() {
    dirty = QRect();
    dirtyAll = false;
    eraseRequested = false;
}

static QImage* PictureUnder(QPainter* painter, QPoint* widgetOrigin) {
    QPaintDevice* device = painter->paintEngine() ? painter->paintEngine()->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image) return nullptr;
    auto* image = static_cast<QImage*>(device);
    const QTransform& t = painter->deviceTransform();
    if (!PlainPicture(*image) || t.type() > QTransform::TxTranslate || t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy()))
        return nullptr;
    *widgetOrigin = QPoint(int(t.dx()), int(t.dy()));
    return image;
}

// The backing store's picture of a shown window, when it is one the layer can
// draw on in place; else null.
static const QImage* StorePicture(const QWidget* widget) {
    QBackingStore* store = widget->backingStore();
    QPaintDevice* device = store ? store->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image) return nullptr;
    // (Before Qt first paints the window its backing store may have no picture yet.)
    const auto* picture = static_cast<const QImage*>(device);
    return PlainPicture(*picture) ? picture : nullptr;
}

// Which pixel buffer a picture is: a new picture (a resized backing store) is
// another one, even where it reuses the same memory, while painting on a
// picture keeps it the same.
static qint64 PictureId(const QImage& picture) { return picture.cacheKey() >> 32; }

bool WindowImpl::AheadStands(const QImage& picture, const QRect& where) const {
    return aheadWhere == where && aheadPicture == PictureId(picture);
}

void WindowImpl::NoteAhead(const QImage& picture, const QRect& where, const QRegion& part) {
    if (!AheadStands(picture, where)) paintedAhead = QRegion();
    aheadWhere = where;
    aheadPicture = PictureId(picture);
    // Where its children stand they were painted over it: a child that moves
    // away leaves that part for this window to paint again.
    QRegion children;
    if (widget)
        for (const QPointer<WndWidget>& w : ShownChildren(widget)) children += w->geometry().translated(-ClientOrigin());
    paintedAhead += part - children;
}

bool WindowImpl::StoreAwaitsResize() const {
    if (!widget || ownPicture || !widget->isVisible()) return false;
    const QImage* picture = StorePicture(widget);
    return picture && picture->size() != widget->window()->size();
}

bool WindowImpl::PaintsDirectly() const {
    if (!widget || ownPicture || !widget->isVisible() || g_directPaints > 0) return false;
    const QImage* picture = StorePicture(widget);
    return picture && picture->size() == widget->window()->size() && picture->rect().contains(ClientOnTopLevel());
}

void WindowImpl::PaintAhead(const QRegion& region) {
    if (!PaintsDirectly()) return;
    const HWND h = handle;
    QWidget* w = widget;
    QBackingStore* store = w->backingStore();
    auto* picture = static_cast<QImage*>(store->paintDevice());
    const QPoint origin = w->mapTo(w->window(), QPoint(0, 0));
    const QRect where = ClientOnTopLevel();
    // What was painted ahead of the same frame before stays painted.
    const QRegion earlier = AheadStands(*picture, where) ? paintedAhead : QRegion();
    store->beginPaint(region.translated(origin));
    ++g_directPaints;
    PaintInto(picture, origin, region, true);
    --g_directPaints;
    store->endPaint();
    WindowImpl* self = FromHandle(h);
    if (!self || !self->widget) return;
    // Qt shows it with its next frame: that paint finds it painted.
    self->paintedAhead = earlier;
    self->NoteAhead(*picture, where, region.translated(-self->ClientOrigin()) & QRect(QPoint(0, 0), self->ClientSize()));
    self->widget->update(region);
}

bool WindowImpl::ShownPicture(QImage* view, QRect* shown) const {
    if (!PaintsDirectly()) return false;
    platform::detail::DoAllDeferred();  // a view on the same pixels reads them
    const auto* picture = static_cast<const QImage*>(widget->backingStore()->paintDevice());
    const QRect where = ClientOnTopLevel();
    *shown = ShownIn(*picture, widget->mapTo(widget->window(), QPoint(0, 0)), true).translated(-where.topLeft());
    if (shown->isEmpty()) return false;
    *view = ViewOf(*picture, where);
    return true;
}

void WindowImpl::ShowClient() const {
    if (!widget || !widget->isVisible()) return;
    QWidget* top = widget->window();
    QBackingStore* store = widget->backingStore();
    if (!store || !top->windowHandle()) return;
    store->flush(QRegion(ClientOnTopLevel()), top->windowHandle());
}

void WindowImpl::PaintInto(QImage* picture, QPoint widgetOrigin, const QRegion& region, bool fromQt) {
    if (!widget || inPaint || destroying) return;
    const HWND h = handle;
    const QPoint origin = widgetOrigin + ClientOrigin();
    const QRect where(origin, ClientSize());
    QBackingStore* store = widget->backingStore();
    const bool onScreen = store && store->paintDevice() == picture;
    // The part to paint, in client coordinates: only where the window shows.
    const QRect shown = ShownIn(*picture, widgetOrigin, onScreen);
    QRegion area = (region.translated(widgetOrigin) & shown).translated(-origin);
    // Qt asks for the screen's picture: what the window waited to have
    // painted is painted now (a grab into another picture leaves it waiting).
    const bool screenAsked = fromQt && onScreen;
    if (screenAsked) {
        // What the parent painted again just now, with this window, stands.
        if (AheadStands(*picture, where)) area -= paintedAhead;
        paintedAhead = QRegion();
        if (area.isEmpty()) {
            NothingWaits();
            return;
        }
    }
    if (area.isEmpty()) return;
    if (!picture->rect().contains(where)) {
        // Partly outside the picture: composed on a picture of its own and copied.
        if (!PictureCurrent()) Compose();
        WindowImpl* self = FromHandle(h);
        if (!self) return;
        self->composedAhead = false;
        for (const QRect& r : area) platform::detail::CopyPixels(picture, r.topLeft() + origin, self->surface, r);
        return;
    }
    WindowImpl* p = topLevel ? nullptr : FromHandle(parent);
    // A picture other than the backing store (a grab) gets a fresh background.
    if (fromQt && p && !onScreen) under.Forget();
    if (p && p->widget && !under.ValidFor(where) && !askingParent) {
        // Nothing kept of what the parent paints under this window (it was
        // just shown, moved or resized, or this is a grab).
        const QPoint parentOrigin = widgetOrigin - widget->pos();
        if (picture->rect().contains(QRect(parentOrigin + p->ClientOrigin(), p->ClientSize()))) {
            // The parent paints there, which takes it and paints this window from it.
            askingParent = true;
            p->PaintInto(picture, parentOrigin, QRegion(widget->geometry()), false);
            WindowImpl* self = FromHandle(h);
            if (!self) return;
            askingParent = false;
            if (under.ValidFor(where)) {
                if (screenAsked) NothingWaits();
                return;
            }
        } else {
            // The parent lies partly outside the picture: it composes its own.
            if (!p->PictureCurrent()) p->Compose();
            if (!FromHandle(h)) return;
            if ((p = FromHandle(parent)) && !p->surface.isNull())
                under.Take(p->surface, QRect(ChildClientPos(parent, widget->pos()) + ClientOrigin(), ClientSize()), where);
        }
        // Else the parent did not paint (it is hidden, or busy painting): this
        // paint starts from the face colour.
    }
    // Qt paints a window around its children; the parts of the children the
    // window itself has to paint again get their new background from it here.
    const std::vector<QPointer<WndWidget>> kids = ShownChildren(widget);
    QRegion childAreas;
    for (const QPointer<WndWidget>& w : kids)
        childAreas += QRect(w->pos() - ClientOrigin() + w->impl->ClientOrigin(), w->impl->ClientSize());
    if (screenAsked) area += Waiting() & childAreas & shown.translated(-origin);
    // The client area of the picture, drawn on in place, from the background.
    platform::detail::FlushImage(&surface);
    surface = ViewOf(*picture, where);
    surfaceWhole = false;
    if (p && under.ValidFor(where)) {
        // Laid when the paint first reads or draws on it: a paint that copies
        // over all of it first (a control drawn off-screen) never needs it.
        platform::detail::DeferUntilUsed(&surface, area, [h, area] {
            if (WindowImpl* self = FromHandle(h))
                for (const QRect& r : area) self->under.Put(&self->surface, r);
        });
    } else {
        QPainter painter(&surface);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        const QColor face = platform::detail::QtColour(GetSysColor(COLOR_BTNFACE));
        for (const QRect& r : area) platform::detail::FillInBands(&painter, r, face);
    }
    paintRect = area.boundingRect();
    paintRegion = area;
    if (screenAsked) NothingWaits();
    erasePending = true;
    composedAhead = false;
    for (const QPointer<WndWidget>& w : kids) w->impl->composedAhead = false;
    inPaint = true;
    ++g_directPaints;
    const QImage* drawnOn = &surface;
    Dispatch(h, WM_PAINT, 0, 0);
    WindowImpl* self = FromHandle(h);
    if (self && self->erasePending) {
        PAINTSTRUCT ps;
        BeginPaint(h, &ps);
        EndPaint(h, &ps);
    }
    --g_directPaints;
    if (!(self = FromHandle(h))) {
        platform::detail::DropDeferred(drawnOn);
        return;
    }
    self->inPaint = false;
    platform::detail::FlushImage(&self->surface);  // (a background nothing painted over is laid now)
    self->surface = QImage();  // the backing store's: nothing keeps it past the paint
    self->paintRegion = QRegion();
    // The children under what was painted: each keeps its new background and
    // is painted again there.
    const QRegion painted = area & childAreas;
    if (painted.isEmpty() || !self->widget) return;
    for (const QPointer<WndWidget>& w : kids) {
        if (!w || !w->impl) continue;
        WindowImpl* k = w->impl;
        const HWND kidHandle = k->handle;
        const QPoint kidOrigin = widgetOrigin + w->pos();
        const QRect kidWhere(kidOrigin + k->ClientOrigin(), k->ClientSize());
        const QRegion part = (painted.translated(origin) & kidWhere).translated(-kidWhere.topLeft());
        if (part.isEmpty()) continue;
        if (k->under.ValidFor(kidWhere)) {
            for (const QRect& r : part) k->under.Update(*picture, r);
        } else if ((QRegion((kidWhere & shown).translated(-kidWhere.topLeft())) - part).isEmpty()) {
            // All of the child that shows (what lies past this window never does).
            k->under.Take(*picture, kidWhere, kidWhere);
        }  // (else the child has its parent paint all of it first)
        k->PaintInto(picture, kidOrigin, part.translated(k->ClientOrigin()), false);
        // What the child waited to have painted is painted now.
        if (WindowImpl* again = FromHandle(kidHandle); again && !again->inPaint && onScreen) {
            again->NoteAhead(*picture, kidWhere, part);
            if ((again->Waiting() - part).isEmpty()) again->NothingWaits();
        }
    }
}

bool WindowImpl::PictureCurrent() const {
    return composedAhead && !eraseRequested && !dirtyAll && dirty.isEmpty() && surface.size() == ClientSize();
}

void WndWidget::paintEvent(QPaintEvent* e) {
    if (!impl) return;
    const HWND h = impl->handle;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    // Qt paints one window at a time: nothing asks it to paint again meanwhile.
    struct Painting {
        Painting() { ++g_directPaints; }
        ~Painting() { --g_directPaints; }
    } painting;
    QPoint origin;
    if (QImage* picture = PictureUnder(&painter, &origin)) {
        impl->PaintInto(picture, origin, e->region(), true);
        WindowImpl* self = WindowImpl::FromHandle(h);
        if (!self) return;
        // Past its parents' client areas (over a parent's edge) the window
        // does not show, and its parents' edges do; its own edge shows
        // only inside them.
        // (A window inside its parents, nearly every paint, costs no region.)
        const QRect inside =
            self->InsideParents(*picture, origin, backingStore() && backingStore()->paintDevice() == picture)
                .translated(-origin);
        if (const QRect asked = e->region().boundingRect(); !asked.isEmpty() && !inside.contains(asked)) {
            self->PaintParentsEdges(painter, e->region() - inside);
            painter.setClipRegion(e->region() & inside);
        }
    } else {
        if (!impl->PictureCurrent()) impl->Compose();
        WindowImpl* self = WindowImpl::FromHandle(h);
        if (!self) return;
        self->composedAhead = false;
        ShowSurface(&painter, e->region(), self->ClientOrigin(), self->surface);
    }
    if (WindowImpl* self = WindowImpl::FromHandle(h)) self->PaintNonClient(painter);
}

