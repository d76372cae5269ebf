#include "platform/runtime/app.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QGridLayout>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <clocale>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <memory>

#ifdef REROVORA_HAVE_XCB
#include <xcb/xcb.h>
#endif

#include "platform/base/sysmetrics.h"
#include "platform/system/runtime_folder.h"
#include "platform/stdctrl/button.h"
#include "platform/window/wnd.h"
#include "platform/window/wnd_impl.h"

namespace {

// The GUI application: every key press meets PreTranslateMessage exactly once,
// before Qt hands it to the focused widget and, unhandled, on to its parents.
// Keys and input-method text come after the input messages posted before them
// (the first character an editor opened by typing posts to itself comes before
// the next key, however fast it follows).
class LayerApplication : public QApplication {
public:
    LayerApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* e) override {
        if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease || e->type() == QEvent::InputMethod) {
            const QPointer<QObject> alive(receiver);
            platform::detail::DeliverPostedInput();
            if (!alive) return true;
        }
        // Once a key is pressed in a window, its focus marks show.
        if (e->type() == QEvent::KeyPress && receiver->isWidgetType())
            platform::detail::KeyboardUsedIn(static_cast<QWidget*>(receiver));
        if (e->type() == QEvent::KeyPress &&
            platform::detail::PreTranslateKey(receiver, static_cast<QKeyEvent*>(e)))
            return true;
        return QApplication::notify(receiver, e);
    }
};

CWinApp* g_app = nullptr;
// Kept until StopGui: destroying it during static destruction would outlive Qt's own globals.
QApplication* g_qapp = nullptr;
platform::MessageBoxHandler g_messageBoxHandler;
// Set when the program relays on the offscreen platform because it found no
// display (not when a platform was chosen): nobody can see or answer a box.
bool g_noDisplay = false;

// Qt keeps its per-session files in XDG_RUNTIME_DIR and complains on stderr at
// every start when that is missing or not private. It is given the user's
// private runtime folder (the session's, else the login manager's, else the
// lock's folder in the home folder), so a start from a session without one
// (root over ssh, a script, a service manager) and a start from the desktop
// agree on it. Without any, Qt decides.
void UsePrivateRuntimeFolder() {
    const char* named = std::getenv("XDG_RUNTIME_DIR");
    const platform::RuntimeFolder folder = platform::PrivateRuntimeFolder();
    if (folder.path.empty()) return;
    if (named && *named && folder.path != named)
        std::fprintf(stderr, "runtime folder: %s; using %s\n", folder.notes.c_str(), folder.path.c_str());
    ::setenv("XDG_RUNTIME_DIR", folder.path.c_str(), 1);
}

// Whether the X display named `name` takes a connection.
bool XDisplayReachable(const char* name) {
#ifdef REROVORA_HAVE_XCB
    xcb_connection_t* c = xcb_connect(name, nullptr);
    const bool reached = c && !xcb_connection_has_error(c);
    if (c) xcb_disconnect(c);
    return reached;
#else
    (void)name;
    return true;
#endif
}

// Qt ends the process when the platform it starts on cannot reach its display,
// and a relay started at boot or from a remote shell has none. Unless a
// platform was chosen (QT_QPA_PLATFORM, -platform), a start without a display
// it can reach relays on the offscreen platform, and says so.
void OffscreenWithoutDisplay(int argc, char** argv) {
    if (const char* chosen = std::getenv("QT_QPA_PLATFORM"); chosen && *chosen) return;
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "-platform" || arg == "--platform") return;
    }
    if (const char* wayland = std::getenv("WAYLAND_DISPLAY"); wayland && *wayland) return;
    const char* display = std::getenv("DISPLAY");
    std::string why;
    if (!display || !*display) why = "DISPLAY is not set";
    else if (!XDisplayReachable(display)) why = std::string("display ") + display + " cannot be reached";
    else return;
    std::fprintf(stderr, "no display (%s): relaying on Qt's offscreen platform, with no window shown\n",
                 why.c_str());
    std::fflush(stderr);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    g_noDisplay = true;
}

// A box is sized to its text; its title must fit the title bar too. The bar
// holds the title (in bold) beside the window's icon and up to three buttons,
// as wide as Windows draws them at 96 dpi (a small icon of 16 pixels, buttons
// of 36), with a gap on either side of the title, within the frame.
void FitTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    constexpr int kIcon = 16, kButton = 36, kGap = 8;
    QFont bold = box.font();
    bold.setBold(true);
    const int title = QFontMetrics(bold).horizontalAdvance(box.windowTitle());
    const int needed = title + 2 * kGap + kIcon + 3 * kButton + 2 * GetSystemMetrics(SM_CXFIXEDFRAME);
    const QMargins m = grid->contentsMargins();
    const int inside = needed - m.left() - m.right();
    if (inside <= 0) return;
    grid->addItem(new QSpacerItem(inside, 0, QSizePolicy::Fixed, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  std::max(1, grid->columnCount()));
}

}  // namespace

namespace platform {

void StartGui(int& argc, char** argv) {
    if (QApplication::instance()) return;
    UsePrivateRuntimeFolder();
    OffscreenWithoutDisplay(argc, argv);
    g_qapp = new LayerApplication(argc, argv);
    // Qt takes the whole locale from the environment; numbers stay in the C form,
    // so "%3.1f" never prints a decimal comma into a record or a display.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setQuitOnLastWindowClosed(false);
#ifdef __GLIBC__
    // The start (the first paint of every window, fonts, settings) takes far
    // more memory for a while than running does, and paints take and free
    // pictures of a control's size many times a second. The C library keeps
    // what was freed in the holes of its heap and gives it back to the system
    // only when asked: it is asked a while after the start, then once a minute.
    auto* trim = new QTimer(g_qapp);
    trim->setTimerType(Qt::VeryCoarseTimer);
    QObject::connect(trim, &QTimer::timeout, trim, [trim] {
        ::malloc_trim(0);
        trim->setInterval(60 * 1000);
    });
    trim->start(10 * 1000);
#endif
    if (g_app && !g_app->m_appName.empty())
        QApplication::setApplicationName(QString::fromUtf16(g_app->m_appName.data(),
                                                            qsizetype(g_app->m_appName.size())));
}

bool GuiStarted() { return QApplication::instance() != nullptr; }

void StopGui() {
    if (!g_qapp) return;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete g_qapp;
    g_qapp = nullptr;
}

void PumpEvents(int ms) {
    if (!GuiStarted()) return;
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (ms > 0) PumpUntil([] { return false; }, ms);
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    // The loop sleeps until something happens; a short tick wakes it to look again.
    QTimer tick;
    tick.start(5);
    while (!done()) {
        if (clock.elapsed() >= timeoutMs) return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    MessageBoxHandler previous = std::move(g_messageBoxHandler);
    g_messageBoxHandler = std::move(handler);
    return previous;
}

std::u16string ApplicationTitle() {
    if (g_app && !g_app->m_appName.empty()) return g_app->m_appName;
    if (GuiStarted()) {
        const QString name = QApplication::applicationName();
        return std::u16string(reinterpret_cast<const char16_t*>(name.utf16()), size_t(name.size()));
    }
    return u"rerovora";
}

}  // namespace platform

// ---------------------------------------------------------------------------
// CWinApp

CWinApp::CWinApp(LPCTSTR appName) {
    if (appName) m_appName = appName;
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }
int CWinApp::ExitInstance() { return 0; }

int CWinApp::Run() { return QApplication::exec(); }

void CWinApp::SetRegistryKey(LPCTSTR key) { m_registryKey = key ? key : u""; }

CWinApp* AfxGetApp() { return g_app; }

int AfxWinMain(int argc, char** argv) {
    static int s_argc = argc;
    platform::StartGui(s_argc, argv);
    CWinApp* app = AfxGetApp();
    if (!app) return 1;
    // The exit code is ExitInstance's, whether or not the event loop ran.
    if (app->InitInstance()) app->Run();
    const int exitCode = app->ExitInstance();
    platform::StopGui();
    return exitCode;
}

// ---------------------------------------------------------------------------
// Message boxes

int MessageBoxW(CWnd* owner, LPCTSTR text, LPCTSTR caption, UINT type) {
    platform::MessageBoxRequest request;
    request.text = text ? text : u"";
    request.caption = caption ? caption : platform::ApplicationTitle();
    request.type = type;
    // An unattended relay keeps a trace of every box it raised. With no
    // display nobody can see the box: it takes the answer Return would give
    // (OK, Yes) at once, so a refused start ends instead of waiting for ever.
    const UINT kind = type & MB_TYPEMASK;
    const int unseenAnswer = kind == MB_YESNO || kind == MB_YESNOCANCEL ? IDYES : IDOK;
    std::fprintf(stderr, "message box: %s%s\n", Utf16ToUtf8(request.text).c_str(),
                 g_noDisplay && !g_messageBoxHandler ? (unseenAnswer == IDYES ? " [no display: answered Yes]"
                                                                              : " [no display: answered OK]")
                                                     : "");
    std::fflush(stderr);
    // The box blocks every other window while it is open: a window that holds
    // the mouse lets it go (and hears so), as a window disabled for a modal
    // loop does, so the press it was following ends with the box.
    if (CWnd::GetCapture()) ReleaseCapture();
    if (g_messageBoxHandler) return g_messageBoxHandler(request);
    if (g_noDisplay) return unseenAnswer;
    if (!platform::GuiStarted()) return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;

    // A box given no owner is owned by the window the operator works in (the
    // active modal dialog while one is open), so it shows above that window.
    if (!owner || !owner->Widget()) owner = CWnd::FromHandle(platform::detail::DefaultOwner());
    platform::detail::PlacedOnShow<QMessageBox> box(owner ? owner->Widget() : nullptr);
    box.setWindowModality(Qt::ApplicationModal);
    // A fixed-size box: a title and a close button, nothing to minimize or maximize.
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowCloseButtonHint);
    platform::detail::MarkAsBox(&box);
    box.setWindowTitle(QString::fromUtf16(request.caption.data(), qsizetype(request.caption.size())));
    box.setText(QString::fromUtf16(request.text.data(), qsizetype(request.text.size())));
    switch (type & MB_ICONMASK) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    struct Choice {
        QMessageBox::StandardButton button;
        int result;
    };
    std::vector<Choice> choices;
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: choices = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}; break;
    case MB_YESNOCANCEL:
        choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_YESNO: choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}; break;
    default: choices = {{QMessageBox::Ok, IDOK}}; break;
    }
    QMessageBox::StandardButtons buttons;
    for (const Choice& c : choices) buttons |= c.button;
    box.setStandardButtons(buttons);
    // Return presses the first button (OK, Yes); Escape and the close button
    // answer Cancel, else No, else the only button.
    box.setDefaultButton(choices.front().button);
    QMessageBox::StandardButton escape = choices.front().button;
    for (const Choice& c : choices)
        if (c.result == IDCANCEL || (c.result == IDNO && escape != QMessageBox::Cancel)) escape = c.button;
    box.setEscapeButton(escape);
    FitTitle(box);
    const int pressed = box.exec();
    for (const Choice& c : choices)
        if (pressed == c.button) return c.result;
    if ((type & MB_TYPEMASK) == MB_YESNO) return IDNO;
    if ((type & MB_TYPEMASK) == MB_OK) return IDOK;
    return IDCANCEL;
}

int AfxMessageBox(LPCTSTR text, UINT type, UINT) {
    // The active modal window owns the box; else the application's main window.
    CWnd* owner = CWnd::FromHandle(platform::detail::DefaultOwner());
    if (!owner && AfxGetApp()) owner = AfxGetApp()->m_pMainWnd;
    if (owner && !owner->m_hWnd) owner = nullptr;
    return MessageBoxW(owner, text, nullptr, type);
}
