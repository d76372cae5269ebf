// Layer-private state of a window (includes Qt; only platform/ uses it).
#pragma once

#include <QEvent>
#include <QKeyEvent>
#include <QImage>
#include <QMargins>
#include <QPainter>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "platform/window/under_picture.h"
#include "platform/window/wnd.h"

// Receives posted messages and owns a window's timers; deleted with the window,
// which drops whatever is still queued for it.
class QScrollBar;

// One standard scroll bar of a window: its values, and the Qt bar that shows
// it (made when first shown).
struct ScrollBarState {
    int min = 0;
    int max = 0;
    int page = 0;
    int pos = 0;
    int trackPos = 0;
    bool tracking = false;
    bool shown = false;
    bool enabled = true;
    QScrollBar* view = nullptr;
    // The view still shows an earlier position (scroll.cpp brings it up to date
    // once per turn of the event loop, and before it paints or takes input).
    bool viewStale = false;
};

class MessageTarget : public QObject {
public:
    explicit MessageTarget(HWND h) : handle(h) {}
    HWND handle;

protected:
    bool event(QEvent* e) override;
};

struct WindowImpl {
    CWnd* wnd = nullptr;
    HWND handle = nullptr;
    QPointer<QWidget> widget;
    MessageTarget* target = nullptr;  // receives posted messages, owns the timers
    HWND parent = nullptr;
    HWND owner = nullptr;
    std::vector<HWND> children;
    UINT id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::u16string text;
    std::map<UINT_PTR, QTimer*> timers;
    bool topLevel = false;
    const struct IconData* bigIcon = nullptr;    // WM_SETICON
    const struct IconData* smallIcon = nullptr;
    bool native = false;      // the widget draws itself (standard controls)
    bool destroying = false;

    // Painting. A shown window paints straight into its top-level window's
    // backing store, where Qt has painted what lies under it first; `surface`
    // is then that part of the backing store, for the time of the paint. A
    // window painted elsewhere (grabbed into a pixmap, drawn on outside a
    // paint, a tool popup) composes a client image of its own here, whose
    // paint starts from its parent's image, so controls see the parent's own
    // background either way.
    QImage surface;
    // What the parent painted under the client area, for a child window
    // painted straight into the backing store.
    UnderPicture under;
    // The part of the client area that a paint straight into the backing
    // store may draw in (its device contexts are clipped to it).
    QRegion paintRegion;
    // What its parent's paint painted of it again since Qt last asked it to
    // paint (Qt may ask for it in the same pass), at `aheadWhere` in the
    // picture `aheadPicture` (PictureId): a picture Qt replaced since (a
    // resized window's backing store) holds none of it.
    QRegion paintedAhead;
    qint64 aheadPicture = 0;
    // The window shows a picture of its own (a tool popup): it neither paints
    // into the backing store nor draws there through a device context.
    bool ownPicture = false;
    QRect aheadWhere;
    // Whether what was painted ahead at `where` in `picture` still stands there.
    bool AheadStands(const QImage& picture, const QRect& where) const;
    // Notes `part` (client coordinates) as painted ahead at `where` in `picture`.
    void NoteAhead(const QImage& picture, const QRect& where, const QRegion& part);
    // The window has its parent paint under it (and paint it from there): the
    // parent's paint of its children finds it under way and does not ask again.
    bool askingParent = false;
    bool eraseRequested = true;
    bool erasePending = false;
    bool inPaint = false;
    QRect paintRect;
    // What InvalidateRect named since the last paint (client coordinates); with
    // `dirtyAll`, or when nothing was named, a paint covers the whole client.
    QRect dirty;
    bool dirtyAll = true;
    // UpdateWindow painted the picture at once and left showing it to the next
    // frame: that paint only shows it, unless something was asked since.
    bool composedAhead = false;
    // `surface` is the window's own picture as its last paint left it, whole
    // (not a background laid for a paint to come, nor a view on a backing store).
    bool surfaceWhole = false;
    bool PictureCurrent() const;

    // What WM_SIZE and WM_MOVE reported last (they go out once per change).
    QSize reportedSize{-1, -1};
    UINT reportedType = SIZE_RESTORED;
    QPoint reportedPos{-100000, -100000};

    // Show state of a top-level window that the layer keeps itself where no
    // window manager does (no window manager runs): maximized to the work
    // area, or minimized (hidden), with the client rectangle to restore.
    enum class ShowState { Normal, Maximized, Minimized };
    ShowState layerState = ShowState::Normal;
    QRect restoreGeometry;

    // The standard scroll bars, horizontal then vertical (scroll.cpp).
    ScrollBarState bars[2];
    QPoint laidOrigin;  // the client origin the children were placed for

    // Mouse tracking.
    bool trackLeave = false;
    bool trackHover = false;
    QTimer* hoverTimer = nullptr;
    bool cursorSetInMessage = false;
    bool movedSinceEnter = false;  // a mouse move came after the pointer entered

    // Gives the record a new handle (never reused) and makes it findable by it.
    void Register();
    void Unregister();
    // Ties `w` to this window: its focus, geometry and close events become messages.
    void WatchWidget(QWidget* w);
    void UnwatchWidget();
    // Queues a message for this window on the event loop.
    void Post(UINT message, WPARAM wParam, LPARAM lParam);

    static WindowImpl* FromHandle(HWND h);
    static WindowImpl* FromWidget(const QObject* widget);
    // Sends a message to a live window; 0 when the handle is stale.
    static LRESULT Dispatch(HWND h, UINT message, WPARAM wParam, LPARAM lParam);

    // Composes the client image: background (parent's pixels or previous image),
    // then WM_PAINT (whose CPaintDC sends WM_ERASEBKGND when needed).
    void Compose();
    // Prepares `surface` as the target of a paint that starts now.
    void BeginSurface();
    // Paints `region` (widget coordinates) of the window straight into
    // `picture`, where the widget's top-left pixel is at `widgetOrigin`: the
    // picture already holds what lies under the window there.
    // `fromQt`: Qt asked for the region (it painted around the window's
    // children, whose parts the window waits to paint again are added).
    void PaintInto(QImage* picture, QPoint widgetOrigin, const QRegion& region, bool fromQt);
    // Whether the window is shown on a backing store whose picture it can paint
    // into, and no such paint is under way (Qt paints one window at a time).
    // Not while the top-level window's size differs from its backing store's:
    // Qt makes a new picture of the new size before its next frame and paints
    // all of it, so whatever was painted into the old one is lost.
    bool PaintsDirectly() const;
    // The window is shown on a backing store that Qt replaces, and paints
    // whole, with its next frame (the top-level window was resized).
    bool StoreAwaitsResize() const;
    // The client area where it stands in its top-level window's picture.
    QRect ClientOnTopLevel() const;
    // The part of the client area that shows in `picture`, where the widget's
    // top-left pixel is at `widgetOrigin` (picture coordinates): a child shows
    // only inside its parent's client area, and that parent only inside its
    // own parent's. On the screen every parent up to the top-level window
    // clips; in another picture (a grab) only the parents drawn in it, those
    // that lie wholly inside it.
    QRect ShownIn(const QImage& picture, QPoint widgetOrigin, bool screen) const;
    // The part of `picture` inside the client areas of those parents.
    QRect InsideParents(const QImage& picture, QPoint widgetOrigin, bool screen) const;
    // Paints the parents' own edges (their non-client areas) in `part`
    // (widget coordinates), where the window reaches over them.
    void PaintParentsEdges(QPainter& painter, const QRegion& part) const;
    // What the window waits to have painted (client coordinates), and
    // forgetting it once painted.
    QRegion Waiting() const;
    void NothingWaits();
    // Paints `region` (widget coordinates) into the backing store now, outside
    // Qt's own paint, and leaves it for Qt to show with its next frame (which
    // then does not paint it again).
    void PaintAhead(const QRegion& region);
    // The client area as the backing store holds it now (what the window
    // shows), when the window paints into one and some of it shows, with the
    // part that shows (client coordinates); the view lives as long as the
    // backing store keeps its size.
    bool ShownPicture(QImage* view, QRect* shown) const;
    // Puts the client area as the backing store holds it on the screen.
    void ShowClient() const;
    void ReportGeometry();
    // The frame the window's style gives it around its client area (CWnd's).
    QMargins StyleFrame() const;

    // Non-client area: the client edge (WS_EX_CLIENTEDGE, 2 pixels each side) and
    // the shown scroll bars. The client area is the rest of the widget.
    QMargins NonClient() const;
    QPoint ClientOrigin() const { return QPoint(NonClient().left(), NonClient().top()); }
    QSize ClientSize() const;
    // Places the scroll bars' views after a change of size or of the bars, and
    // reports a changed client size (WM_SIZE).
    void LayoutNonClient();
    // Paints the client edge and the corner between two bars (widget coordinates).
    void PaintNonClient(QPainter& painter) const;
};

// The one source of screen positions: the client rectangle of a top-level
// widget as the widget itself records it, and where any widget's top-left
// pixel stands on the screen (its places inside its top-level window added).
// GetWindowRect, ClientToScreen, ScreenToClient and WM_MOVE all read these, so
// they agree at every moment, also while a move is still on its way.
QRect TopLevelScreenRect(const QWidget* top);
QPoint WidgetScreenPos(const QWidget* w);

// Where a child window's widget stands in its parent's widget for a position
// in the parent's client coordinates, and back.
QPoint ChildWidgetPos(HWND parent, QPoint client);
QPoint ChildClientPos(HWND parent, QPoint widgetPos);

// Event types of the layer.
constexpr QEvent::Type kPostedMessageEvent = QEvent::Type(QEvent::User + 101);
// A posted input message (mouse moves and buttons, client and non-client; keys
// and characters): input that a window passed on, which keeps its place before
// the input that follows it, as a window system's queue hands posted messages
// out before new input.
constexpr QEvent::Type kPostedInputMessageEvent = QEvent::Type(QEvent::User + 102);

// Modifier keys of the key event being handled (synthesized events included).
Qt::KeyboardModifiers CurrentKeyModifiers();
// Makes `mods` the modifiers of the key event being handled while it lives.
class KeyModifierScope {
public:
    explicit KeyModifierScope(Qt::KeyboardModifiers mods);
    ~KeyModifierScope();
    KeyModifierScope(const KeyModifierScope&) = delete;
    KeyModifierScope& operator=(const KeyModifierScope&) = delete;

private:
    Qt::KeyboardModifiers m_saved;
};

// Key conversion between Qt and virtual keys. A key is named as Windows names
// it: by the key of a US keyboard that types it ("!" is the 1 key), the
// numeric keypad's keys by their own names; 0 for a key Windows does not know.
UINT VirtualKeyFromQt(const QKeyEvent& e);
UINT VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers mods);
int QtKeyFromVirtualKey(UINT vk);
// The characters a key press types as Windows types them, each one WM_CHAR
// (WM_SYSCHAR with Alt): none for Delete, the cursor, function and modifier
// keys; 0x08, 0x09, 0x0D and 0x1B for Backspace, Tab, Enter and Escape;
// Ctrl+letter the control characters 1 to 26.
QString CharactersFromQt(const QKeyEvent& e);

// The widget of ordinary windows: forwards Qt's events as window messages.
class WndWidget : public QWidget {
public:
    WndWidget(WindowImpl* impl, QWidget* parent, bool topLevel);
    ~WndWidget() override;
    WindowImpl* impl = nullptr;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    // Input methods (input_method.cpp, ime.h).
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void inputMethodEvent(QInputMethodEvent* e) override;
};

namespace platform::detail {
// The platform window of a top-level widget, made now when it has none yet.
// Never QWidget::winId() on a top-level widget with a parent (a box over its
// owner): it marks the widget native, and Qt then makes every child of the
// parent an X window of its own for the rest of the run.
QWindow* PlatformWindow(QWidget* top);
// Whether a window is being painted straight into a backing store now.
bool PaintingDirectly();
// Marks the time of the message being handled now (GetMessageTime).
void NoteMessageTime();
// Marks the pointer's screen position at the mouse message being handled now
// (GetMessagePos); LastMessagePos gives it, false before the first one.
void NoteMessagePos(QPoint global);
bool LastMessagePos(QPoint* global);
// A screen position clamped into the ClipCursor rectangle (unchanged when the
// pointer is free).
QPoint ClampToCursorClip(QPoint global);
// Whether a key press or release with these modifiers is a system key (Alt
// held without Ctrl): WM_SYSKEYDOWN and WM_SYSCHAR instead of WM_KEYDOWN and WM_CHAR.
bool IsSystemKey(Qt::KeyboardModifiers mods);
// Offers a button press to PreTranslateMessage of the window that holds the
// capture (point in its client coordinates); true when it took the press.
bool OfferPressToCapture(UINT message, WPARAM wParam, QPoint global);
// Handles the input messages posted so far, before new input is delivered.
void DeliverPostedInput();
// The window a mouse button message that Qt gave to `h` goes to: the input
// messages posted before it are handled first (a press that the window
// holding the mouse passed on comes before its release, as a window system's
// queue hands them out); then the window holding the capture takes it, else
// `h` while it shows, else the window under `global`. Null when none is left.
HWND MouseButtonTarget(HWND h, QPoint global);
// A mouse button message sent or posted to a standard control (a window whose
// widget handles the pointer itself) acts on it as the button itself would:
// the part of the control under the point takes the press, release or double
// click as input of the pointer, and a press puts the keyboard focus where a
// click puts it. False for any other message or window.
bool ButtonMessageToStandardControl(HWND h, UINT message, WPARAM wParam, LPARAM lParam);
// Offers a key press to PreTranslateMessage of its window and that window's
// parents (F1 becomes WM_HELP); true when the key was taken. The application
// calls it once per key press, before Qt delivers the key.
bool PreTranslateKey(QObject* receiver, QKeyEvent* event);
// Whether a window manager runs on the desktop, one that places, frames and
// maximizes top-level windows. Asked of the X server each time (one may start
// or stop while the program runs); on other platforms (the offscreen one
// included) the platform does that work itself: true.
bool WindowManagerRuns();
// The window to own a dialog or message box that was given none: the active
// modal window, else the active window, else the last shown captioned one.
HWND DefaultOwner();
// Watches the input method for the layer's windows and text fields (ime.h);
// once, before the first window takes the focus.
void RouteInputMethods();
// A box that blocks the window it belongs to while it is open (a message box,
// a modal dialog over its owner) is neither minimized nor maximized, as on the
// system the program comes from: `top` (a top-level widget not shown yet) is
// told to the window manager as such. Its Qt flags say it for the window
// managers that follow them (Qt's Motif hints); openbox takes minimize away
// only by the window's type, so on X the type comes first in the list.
void MarkAsBox(QWidget* top);
// Keeps a top-level window whose title is empty without a name on the
// desktop (Qt would give it the application's); called whenever its title
// or its platform window changes.
void KeepCaptionEmpty(QWidget* top);
// Turns a dialog's Tab into the next (or previous) tab-stop control of `root`.
bool MoveFocusInside(QWidget* root, bool forward);
// Where dialogs and boxes open (placement.h). The work area of the screen
// that holds the most of `over` (screen coordinates), else the primary's.
QRect WorkAreaFor(const QRect& over);
// The frame a window manager draws around top-level `top`: its own once it
// shows, before that the one its owner has; none without a window manager.
QMargins ManagerFrame(const QWidget* top, const QWidget* owner);
// Moves top-level `top` (centred on `owner`'s window first when `centre`) so
// that it stands wholly inside the work area of its owner's screen, its frame
// included: `frame` on each side, or the window manager's where that is larger.
void PlaceTopLevel(QWidget* top, const QWidget* owner, const QMargins& frame, bool centre);
// The frame a box of the system the program comes from has (a caption and a
// dialog's border): a box of Qt's own (a message box) keeps room for it.
QMargins BoxFrame();
// The same, without centring, for a layer window where its set-up put it:
// its frame is the larger of the one its style gives it and the window manager's.
void KeepInWorkArea(HWND h);
// A dialog of Qt's own (a message box, the colour dialog) that opens centred
// on its owner, wholly inside the work area of the owner's screen: placed as
// it shows, once its size is final.
template <class Dialog>
class PlacedOnShow : public Dialog {
public:
    using Dialog::Dialog;

protected:
    void showEvent(QShowEvent* e) override {
        Dialog::showEvent(e);
        PlaceTopLevel(this, this->parentWidget(), BoxFrame(), true);
    }
};
}  // namespace platform::detail
