// The main window in process: its layout arithmetic and where its controls
// land on a 1920-pixel-wide window, the keys that must not close it, the exit
// question (No leaves everything running, Yes writes the settings file once),
// the capture file name, and its picture with twelve stacks answering from the
// instrument simulator.
#include <QBackingStore>
#include <QImage>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/base_panel.h"
#include "app/main_dlg.h"
#include "app/quor_sock.h"
#include "controls/led.h"
#include "controls/multi_button.h"
#include "controls/title_text.h"
#include "platform/runtime/app.h"
#include "res/resources.h"
#include "tests/support/colours.h"
#include "tests/support/loopback_peer.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/relay_settings.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

::testing::AssertionResult RectIs(const RECT& a, const RECT& b) {
    if (SameRect(a, b)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.left << ", " << a.top << ", " << a.right << ", " << a.bottom
                                         << ") instead of (" << b.left << ", " << b.top << ", " << b.right << ", "
                                         << b.bottom << ")";
}

// A child's rectangle in its parent's client coordinates.
RECT Placed(CWnd* child, CWnd* parent) {
    RECT rc{};
    child->GetWindowRect(&rc);
    parent->ScreenToClient(&rc);
    return rc;
}

// Answers every message box with `answer` and counts the questions.
class Answering {
public:
    explicit Answering(int answer) : m_answer(answer) {
        m_previous = platform::SetMessageBoxHandler([this](const platform::MessageBoxRequest& r) {
            texts.push_back(r.text);
            types.push_back(r.type);
            return m_answer;
        });
    }
    ~Answering() { platform::SetMessageBoxHandler(m_previous); }
    void Set(int answer) { m_answer = answer; }
    std::vector<std::u16string> texts;
    std::vector<UINT> types;

private:
    int m_answer;
    platform::MessageBoxHandler m_previous;
};

// Counts the times a file named `name` is put in place in `dir` (written whole
// and renamed, or written in place).
class FileWrites {
public:
    FileWrites(const fs::path& dir, std::string name) : m_name(std::move(name)) {
        m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        inotify_add_watch(m_fd, dir.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE);
    }
    ~FileWrites() { ::close(m_fd); }
    int Count() {
        alignas(inotify_event) char buf[4096];
        for (;;) {
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n <= 0) break;
            for (char* p = buf; p < buf + n;) {
                auto* e = reinterpret_cast<inotify_event*>(p);
                if (e->len && m_name == e->name) {
                    // A file renamed into place and closed after the rename is one write.
                    if (!((e->mask & IN_CLOSE_WRITE) && (m_lastMask & IN_MOVED_TO))) ++m_count;
                    m_lastMask = e->mask;
                }
                p += sizeof(inotify_event) + e->len;
            }
        }
        return m_count;
    }

private:
    int m_fd = -1;
    int m_count = 0;
    std::uint32_t m_lastMask = 0;
    std::string m_name;
};

// The program's working folder for one test: the process works in it while
// the object lives.
class WorkFolder {
public:
    WorkFolder() : m_previous(fs::current_path()) { fs::current_path(m_dir.path()); }
    ~WorkFolder() { fs::current_path(m_previous); }
    const fs::path& path() const { return m_dir.path(); }

private:
    TempDir m_dir;
    fs::path m_previous;
};

class MainDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static const bool registered = (res::RegisterResources(), true);
        (void)registered;
    }
    // Opens the main window (modeless) on settings written into the folder.
    void Open(RelaySettings settings = {}) {
        settings.WriteTo(m_folder.path());
        m_dlg = std::make_unique<CMainDlg>();
        ASSERT_TRUE(m_dlg->Create(res::IDD_MAIN, nullptr));
    }
    // The window at the size of the layout example: a client area of 1920 x 1041.
    void SizeLikeFullHd() {
        m_dlg->ShowWindow(SW_RESTORE);
        m_dlg->MoveWindow(-8, -31, 1936, 1080, TRUE);
        platform::PumpEvents(20);
    }

    WorkFolder m_folder;
    std::unique_ptr<CMainDlg> m_dlg;
};

}  // namespace

TEST(MainLayout, TheWindowsExample) {
    const MainLayout l = ComputeMainLayout(RECT{-8, -31, 1928, 1049}, 23, 3);
    EXPECT_TRUE(RectIs(l.title, RECT{2, 8, 1656, 78}));
    EXPECT_TRUE(RectIs(l.lamp, RECT{1660, 18, 1702, 78}));
    EXPECT_TRUE(RectIs(l.buttonBar, RECT{1706, 8, 1918, 78}));
    EXPECT_TRUE(RectIs(l.panel, RECT{2, 88, 1918, 1019}));
    // Without a caption the title row starts 16 pixels below the frame's top.
    EXPECT_EQ(ComputeMainLayout(RECT{0, 0, 800, 600}, 0, 3).title.top, 16);
    EXPECT_EQ(ComputeMainLayout(RECT{0, 0, 800, 600}, 0, 3).buttonBar.right - ComputeMainLayout(RECT{0, 0, 800, 600}, 0, 3).buttonBar.left, 212);
}

TEST_F(MainDlgTest, ControlsLandWhereTheyDoOnWindows) {
    Open();
    SizeLikeFullHd();
    RECT client{};
    m_dlg->GetClientRect(&client);
    ASSERT_TRUE(RectIs(client, RECT{0, 0, 1920, 1041}));
    // The platform draws no frame here: the window rectangle holds a Windows one.
    EXPECT_TRUE(RectIs(m_dlg->m_rcFrame, RECT{-8, -31, 1928, 1049}));
    EXPECT_TRUE(RectIs(m_dlg->m_rcTitle, RECT{2, 8, 1656, 78}));
    EXPECT_TRUE(RectIs(Placed(m_dlg->m_pTitle, m_dlg.get()), RECT{2, 8, 1656, 78}));
    ASSERT_NE(m_dlg->m_pServerLink->m_pLamp, nullptr);
    EXPECT_TRUE(RectIs(Placed(m_dlg->m_pServerLink->m_pLamp, m_dlg.get()), RECT{1660, 18, 1702, 78}));
    EXPECT_TRUE(RectIs(Placed(m_dlg->m_pButtonBar, m_dlg.get()), RECT{1706, 8, 1918, 78}));
    EXPECT_TRUE(RectIs(Placed(m_dlg->m_pPanel, m_dlg.get()), RECT{2, 88, 1918, 1019}));

    // Ids and set-up of the controls.
    EXPECT_EQ(m_dlg->m_pTitle->GetDlgCtrlID(), 10000);
    EXPECT_EQ(m_dlg->m_pServerLink->m_pLamp->GetDlgCtrlID(), 10000);
    EXPECT_EQ(m_dlg->m_pButtonBar->GetDlgCtrlID(), 10020);
    EXPECT_EQ(m_dlg->m_pPanel->GetDlgCtrlID(), 10051);
    EXPECT_EQ(m_dlg->m_pTitle->GetWindowText(), u"WIND RELAY TEST");
    EXPECT_EQ(m_dlg->m_pButtonBar->m_nCount, 3);
    EXPECT_EQ(m_dlg->m_pButtonBar->m_strToolTip[2], u"EXIT");
    EXPECT_EQ(m_dlg->m_pPanel->m_nStacks, 12);
    EXPECT_EQ(m_dlg->m_nLinks, 12);
    EXPECT_EQ(m_dlg->m_pServerLink->m_nLinkId, 100);
    ASSERT_NE(m_dlg->m_hIcon, nullptr);
    EXPECT_FALSE(m_dlg->Widget()->windowIcon().isNull());
    EXPECT_EQ(m_dlg->SendMessage(WM_QUERYDRAGICON), reinterpret_cast<LRESULT>(m_dlg->m_hIcon));
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(m_dlg->m_pLinks[i]->m_nLinkId, i);
        EXPECT_STREQ(m_dlg->m_szRequest[i], "R000?");
    }
}

TEST_F(MainDlgTest, EnterAndEscapeNeverClose) {
    Open();
    Answering answers(IDNO);
    PressKey(m_dlg.get(), Qt::Key_Escape);
    PressKey(m_dlg.get(), Qt::Key_Return);
    PressKey(m_dlg.get(), Qt::Key_Enter);
    platform::PumpEvents(20);
    EXPECT_TRUE(answers.texts.empty());
    EXPECT_TRUE(m_dlg->IsWindowVisible());
    EXPECT_NE(m_dlg->m_pPanel, nullptr);
}

TEST_F(MainDlgTest, ExitAnsweredNoKeepsRunningAndYesSavesOnce) {
    Open();
    FileWrites writes(m_folder.path(), "ZEL-Rerovora.cfg");
    Answering answers(IDNO);
    // The close box asks the question.
    m_dlg->SendMessage(WM_CLOSE);
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_EQ(answers.texts[0], u"프로그램을 종료합니다!");
    EXPECT_EQ(answers.types[0], UINT(MB_YESNO | MB_ICONQUESTION));
    EXPECT_TRUE(m_dlg->IsWindowVisible());
    EXPECT_NE(m_dlg->m_pPanel, nullptr);
    EXPECT_NE(m_dlg->m_pServerLink, nullptr);
    EXPECT_EQ(m_dlg->m_nFlags & 1, 1);
    // The watchdog still runs: two seconds after set-up every stack was marked once.
    EXPECT_TRUE(platform::PumpUntil([&] { return m_dlg->m_pPanel->m_nState[0] == STACK_NO_REPLY; }, 4000));
    EXPECT_EQ(writes.Count(), 0);

    answers.Set(IDYES);
    m_dlg->SendMessage(WM_CLOSE);
    ASSERT_EQ(answers.texts.size(), 2u);
    EXPECT_FALSE(m_dlg->IsWindowVisible());
    EXPECT_EQ(m_dlg->m_pPanel, nullptr);
    EXPECT_EQ(m_dlg->m_pServerLink, nullptr);
    EXPECT_EQ(m_dlg->m_pLinks, nullptr);
    EXPECT_EQ(m_dlg->m_nFlags & 1, 0);
    // A close after the answer asks nothing and writes nothing more.
    m_dlg->SendMessage(WM_CLOSE);
    platform::PumpEvents(100);
    EXPECT_EQ(answers.texts.size(), 2u);
    EXPECT_EQ(writes.Count(), 1);
    EXPECT_EQ(fs::file_size(m_folder.path() / "ZEL-Rerovora.cfg"), RelaySettings::kSize);
}

// F1 opens the information box modally; the window's timers go on meanwhile.
TEST_F(MainDlgTest, F1OpensTheInformationBoxWhileTimersRun) {
    Open();
    m_dlg->ShowWindow(SW_SHOW);
    m_dlg->Widget()->activateWindow();
    std::u16string title;
    bool markedWhileOpen = false;
    QTimer::singleShot(2600, [&] {
        if (QWidget* box = QApplication::activeModalWidget(); box && box != m_dlg->Widget()) {
            title = box->windowTitle().toStdU16String();
            markedWhileOpen = m_dlg->m_pPanel->m_nState[0] == STACK_NO_REPLY;
            box->close();
        }
    });
    PressKey(m_dlg.get(), Qt::Key_F1);
    EXPECT_EQ(title, u"Information");
    // The watchdog (every second) marked the silent stacks while the box was open.
    EXPECT_TRUE(markedWhileOpen);
    EXPECT_TRUE(m_dlg->IsWindowVisible());
}

TEST(CaptureName, LocalTimeToTheSecond) {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 6;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 7;
    t.tm_isdst = -1;
    const std::time_t when = std::mktime(&t);
    EXPECT_EQ(CMainDlg::CaptureFileName(when), u"20261206_090507.png");
    EXPECT_EQ(CMainDlg::CaptureFileName(when + 1), u"20261206_090508.png");
}

// Twelve stacks answering from the simulator: every stack shows its values, the
// title, the lamp and the button bar; the picture goes to build/test-images.
TEST_F(MainDlgTest, PictureWithTwelveStacksAnswering) {
    Simulator sink("server_sink", {"--port", "0"});
    ASSERT_TRUE(sink.ready());
    Simulator instruments("instrument_sim", {"--port", "4000", "--address", "127.0.0.1-127.0.0.12"});
    ASSERT_TRUE(instruments.ready()) << instruments.Stderr();
    RelaySettings settings;
    settings.serverPort = sink.port();
    settings.title = "ZEL REROVORA";
    settings.sendPeriod = 1;
    settings.showDirection.assign(12, false);
    for (int i = 0; i < 12; i += 2) settings.showDirection[std::size_t(i)] = true;
    Open(settings);
    SizeLikeFullHd();
    ASSERT_TRUE(platform::PumpUntil(
        [&] {
            for (int i = 0; i < 12; ++i)
                if (m_dlg->m_pPanel->m_nState[i] != STACK_VALUES || m_dlg->m_fSpeed[i] == 0.0f) return false;
            return m_dlg->m_pServerLink->m_bConnected != FALSE;
        },
        15000));
    ASSERT_TRUE(platform::PumpUntil([&] { return !m_dlg->m_szRecord.empty(); }, 3000));
    platform::PumpEvents(100);
    auto snap = SnapWindow(m_dlg.get(), "main-window");
    SaveTestImage(snap->Image(), "main-window");
    // Background below the panel and between the cells, the lamp, the title's
    // box, the button bar and a direction label without direction.
    EXPECT_TRUE(snap->Match({
        {5, 1035, colours::kSlate},
        {960, 300, colours::kSlate, 8},
        {1681, 54, colours::kLime, 64},   // the server lamp, lit green: connected
        {100, 40, colours::kSlate, 30},   // the title's box, a slate gradient
        {1800, 20, colours::kSlate, 30},  // the button bar's face
        {718, 300, colours::kBlack, 8},   // stack 2's empty direction label
    }));
    // Every stack's numeric display shows a value with its unit.
    for (int i = 0; i < 12; ++i) EXPECT_EQ(m_dlg->m_pPanel->m_nState[i], STACK_VALUES);
}

namespace {

// What this process writes to its standard error while the object lives.
class CapturedStderr {
public:
    CapturedStderr() {
        std::fflush(stderr);
        m_saved = ::dup(2);
        const int fd = ::open((m_dir / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~CapturedStderr() {
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
    }
    std::string Text() const {
        std::fflush(stderr);
        const auto bytes = ReadAllBytes(m_dir / "stderr");
        return std::string(bytes.begin(), bytes.end());
    }

private:
    TempDir m_dir;
    int m_saved = -1;
};

}  // namespace

// A data server that stops reading: the record due while the last one is
// unsent is dropped whole, the link that took nothing for a period is dropped
// and connected anew, what the server had not acknowledged (the burst) is
// given up with it, and the count goes to stderr with the minute's report
// (once).
TEST_F(MainDlgTest, RecordsTheServerDoesNotTakeAreDroppedCountedAndTheLinkRenewed) {
    LoopbackListener server("127.0.0.1");
    RelaySettings settings;
    settings.serverPort = server.port();
    settings.sendPeriod = 3600;  // records only when the test asks
    Open(settings);
    CQuorSock* link = m_dlg->m_pServerLink;
    ASSERT_TRUE(platform::PumpUntil([&] { return link->m_bConnected != FALSE; }, 5000));
    PeerSocket first = server.Accept(5000);
    ASSERT_TRUE(first.valid());
    const int small = 16384;
    ASSERT_EQ(::setsockopt(int(link->m_pSocket->m_hSocket), SOL_SOCKET, SO_SNDBUF, &small, sizeof small), 0);

    // More than the socket and the server's buffers take, then a whole period
    // for the link to go on.
    m_dlg->SendRecord();
    std::string burst;
    while (burst.size() < 4u << 20) burst += m_dlg->m_szRecord;
    link->SendData(burst.data(), int(burst.size()));
    for (std::size_t before = SIZE_MAX; before != link->UnsentBytes();) {
        before = link->UnsentBytes();
        platform::PumpEvents(100);
    }
    ASSERT_GT(link->UnsentBytes(), 0u);
    ASSERT_EQ(link->m_nDroppedSends, 0u);
    CapturedStderr err;
    // The period in which the server still took some of it keeps the link;
    // the next, with nothing taken, renews it.
    DWORD periods = 0;
    bool renewed = false;
    while (!renewed && periods < 3) {
        m_dlg->SendRecord();
        ++periods;
        renewed = !link->m_bConnected;
        EXPECT_EQ(link->m_nDroppedSends, periods + (renewed ? 1 : 0));
        platform::PumpEvents(100);
    }
    EXPECT_TRUE(renewed) << "a link that took nothing for a period is renewed";
    PeerSocket second = server.Accept(5000);
    EXPECT_TRUE(second.valid()) << "connected anew";

    m_dlg->OnTimer(kDropReportTimer);
    m_dlg->OnTimer(kDropReportTimer);  // nothing new: nothing more
    const std::string report = err.Text();
    EXPECT_NE(report.find(std::to_string(periods + 1) + " record(s) dropped"), std::string::npos) << report;
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << report;
    EXPECT_TRUE(first.WaitForEnd(3000)) << "the old connection is closed";
}

// A data server that goes away and comes back on the same port: every record
// that did not reach it is counted, those due while the link was down and
// while it was being connected anew alike, and the minute's report says so.
TEST_F(MainDlgTest, RecordsLostWhileTheServerRestartsAreCounted) {
    auto server = std::make_unique<LoopbackListener>("127.0.0.1");
    const std::uint16_t port = server->port();
    RelaySettings settings;
    settings.serverPort = port;
    settings.sendPeriod = 3600;  // records only when the test asks
    Open(settings);
    CQuorSock* link = m_dlg->m_pServerLink;
    ASSERT_TRUE(platform::PumpUntil([&] { return link->m_bConnected != FALSE; }, 5000));
    PeerSocket first = server->Accept(5000);
    ASSERT_TRUE(first.valid());
    m_dlg->SendRecord();
    EXPECT_NE(first.Read(m_dlg->m_szRecord.size(), 3000), "");
    EXPECT_EQ(link->m_nDroppedSends, 0u);

    // The server goes, and connects are refused.
    first.Reset();
    server.reset();
    ASSERT_TRUE(platform::PumpUntil([&] { return link->m_bConnected == FALSE; }, 5000));
    CapturedStderr err;
    for (int period = 0; period < 3; ++period) {
        m_dlg->SendRecord();  // link down: the record is lost and a connect starts
        platform::PumpEvents(100);
    }
    EXPECT_EQ(link->m_nDroppedSends, 3u);
    // Back on its port: the record that finds the connection still being made
    // is lost too; the next goes through.
    LoopbackListener again("127.0.0.1", port);
    m_dlg->SendRecord();
    ASSERT_TRUE(platform::PumpUntil([&] { return link->m_bConnected != FALSE; }, 5000));
    m_dlg->SendRecord();
    PeerSocket second = again.Accept(3000);
    const std::string record = m_dlg->m_szRecord;
    EXPECT_EQ(second.Read(record.size(), 3000).size(), record.size());
    EXPECT_EQ(link->m_nDroppedSends, 4u);
    m_dlg->OnTimer(kDropReportTimer);
    const std::string report = err.Text();
    EXPECT_NE(report.find("4 record(s) dropped in the last minute, 4 in all"), std::string::npos) << report;
}

// What the controls keep between paints (fitted glyphs, background copies)
// never shows through: the main window after a thousand value changes, wide
// values and stacks that stopped answering among them, looks exactly like one
// that was given only the last values.
TEST_F(MainDlgTest, AfterAThousandValuesTheSameAsDrawnFromScratch) {
    RelaySettings settings;
    settings.ips.clear();
    for (std::uint32_t i = 0; i < 12; ++i) settings.ips.push_back(0x7F001701u + i);  // nobody answers there
    settings.serverPort = 9;
    settings.sendPeriod = 3600;
    settings.showDirection.assign(12, true);
    settings.showDirection[3] = false;
    Open(settings);
    SizeLikeFullHd();

    auto show = [](CMainDlg* dlg, int i, float speed, float direction, int state) {
        dlg->m_pPanel->m_fSpeed[i] = speed;
        dlg->m_pPanel->m_fDirection[i] = direction;
        dlg->m_pPanel->UpdateStack(i, state);
    };
    std::vector<float> speed(12), direction(12);
    std::uint32_t seed = 23;
    auto next = [&seed](std::uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    for (int k = 0; k < 1000; ++k) {
        const int i = int(next(12));
        // Mostly wind speeds; now and then one too wide for its display, or a
        // stack that stops answering for a while.
        speed[std::size_t(i)] = next(20) == 0 ? float(next(90000000) + 1000000) : float(next(300)) / 10.0f;
        direction[std::size_t(i)] = float(next(3600)) / 10.0f;
        show(m_dlg.get(), i, speed[std::size_t(i)], direction[std::size_t(i)], next(25) == 0 ? STACK_NO_REPLY : STACK_VALUES);
        if (k % 50 == 0) platform::PumpEvents(1);
    }
    // The second window is given the last values before it ever paints.
    auto fresh = std::make_unique<CMainDlg>();
    ASSERT_TRUE(fresh->Create(res::IDD_MAIN, nullptr));
    for (int i = 0; i < 12; ++i) {
        show(m_dlg.get(), i, speed[std::size_t(i)], direction[std::size_t(i)], STACK_VALUES);
        show(fresh.get(), i, speed[std::size_t(i)], direction[std::size_t(i)], STACK_VALUES);
    }
    fresh->ShowWindow(SW_RESTORE);
    fresh->MoveWindow(-8, -31, 1936, 1080, TRUE);
    platform::PumpEvents(50);
    // Nobody answers at the stacks' addresses: while events ran, a link may
    // have marked its stack as not answering. The last values again, with no
    // events between them and the pictures.
    for (int i = 0; i < 12; ++i) {
        show(m_dlg.get(), i, speed[std::size_t(i)], direction[std::size_t(i)], STACK_VALUES);
        show(fresh.get(), i, speed[std::size_t(i)], direction[std::size_t(i)], STACK_VALUES);
    }
    auto used = SnapWindow(m_dlg.get(), "after-a-thousand");
    auto drawn = SnapWindow(fresh.get(), "from-scratch");
    SaveTestImage(used->Image(), "after-a-thousand");
    EXPECT_TRUE(used->Image() == drawn->Image());
    SaveTestImage(drawn->Image(), "from-scratch");
    // What the screen shows: each change was painted into the backing store
    // from what the controls' parents left under them (what still waits to be
    // painted is painted now, without running events).
    m_dlg->RedrawWindow(nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    QWidget* widget = m_dlg->Widget();
    auto* store = widget->backingStore() ? dynamic_cast<QImage*>(widget->backingStore()->paintDevice()) : nullptr;
    ASSERT_NE(store, nullptr);
    const QImage shown = store->copy(QRect(QPoint(0, 0), widget->size())).convertToFormat(QImage::Format_RGB32);
    SaveTestImage(shown, "after-a-thousand-on-screen");
    EXPECT_TRUE(shown == drawn->Image().convertToFormat(QImage::Format_RGB32));
}
