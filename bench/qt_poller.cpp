// The toolkit's floor in the relay's benchmark: the bare poller's work (see
// bare_poller.c) done the way a Qt program does it, with a single-shot QTimer
// per stack and a QSocketNotifier per connection in Qt's event loop, and a
// maximized, empty window on the display. It shows no values: what the relay
// costs above it is what showing the values costs. With "show" it shows them
// the plainest way Qt has: each stack's speed and direction as text drawn
// with QPainter in two widgets of a grid, repainted (with the next frame) when
// the text changes.
//
// usage: qt_poller SECONDS SINK_PORT PERIOD [show]
// stderr at the end: "polls=N replies=M records=R".
#include <QApplication>
#include <QGridLayout>
#include <QPainter>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

namespace {

constexpr int kStacks = 12, kPollDelayMs = 500, kWatchdogMs = 5000, kInstrumentPort = 4000;

int Connect(const char* address, int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    ::inet_pton(AF_INET, address, &a.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 && errno != EINPROGRESS) {
        ::close(fd);
        return -1;
    }
    return fd;
}

long g_polls = 0, g_replies = 0, g_records = 0;

// A value as large white text on black.
class ValueView : public QWidget {
public:
    ValueView() { setAttribute(Qt::WA_OpaquePaintEvent); }  // it paints all of itself
    void Show(const QString& text) {
        if (text == m_text) return;
        m_text = text;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::black);
        QFont font = p.font();
        font.setPixelSize(std::max(8, height() * 2 / 3));
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(rect(), Qt::AlignCenter, m_text);
    }

private:
    QString m_text;
};

qint64 NowMs() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// One instrument: the request 500 ms after each reply, a new connection after
// 5 s without one (looked at once a second).
struct Stack {
    int index = 0, fd = -1;
    float direction = 0, speed = 0;
    qint64 heard = 0;
    QTimer poll;
    ValueView* speedView = nullptr;  // with "show"
    ValueView* directionView = nullptr;
    std::unique_ptr<QSocketNotifier> readable;

    void Open() {
        readable.reset();
        if (fd >= 0) ::close(fd);
        char address[32];
        std::snprintf(address, sizeof address, "127.0.0.%d", index + 1);
        fd = Connect(address, kInstrumentPort);
        if (fd >= 0) {
            readable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
            QObject::connect(readable.get(), &QSocketNotifier::activated, [this] { Read(); });
        }
        poll.start(kPollDelayMs);
        heard = NowMs();
    }
    void Read() {
        char buf[256];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0 && !(n < 0 && errno == EAGAIN)) {
            QTimer::singleShot(0, [this] { Open(); });  // not from inside its own notifier
            readable->setEnabled(false);
            return;
        }
        if (n >= 13 && std::memcmp(buf, "R000:", 5) == 0) {
            std::memcpy(&direction, buf + 5, 4);
            std::memcpy(&speed, buf + 9, 4);
            ++g_replies;
            if (speedView) speedView->Show(QString::number(double(speed), 'f', 1));
            if (directionView) directionView->Show(QString::number(double(direction), 'f', 0) + QChar(0xB0));
        }
        poll.start(kPollDelayMs);
        heard = NowMs();
    }
    void Send() {
        if (::send(fd, "R000?", 5, MSG_NOSIGNAL) == 5) ++g_polls;
    }
};

void OnSignal(int) { QCoreApplication::quit(); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && !(argc == 5 && std::strcmp(argv[4], "show") == 0)) {
        std::fprintf(stderr, "usage: qt_poller SECONDS SINK_PORT PERIOD [show]\n");
        return 2;
    }
    const int seconds = std::atoi(argv[1]), sinkPort = std::atoi(argv[2]), period = std::atoi(argv[3]);
    QApplication app(argc, argv);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);

    QWidget window;
    auto* grid = new QGridLayout(&window);
    std::array<Stack, kStacks> stacks;
    for (int i = 0; i < kStacks; ++i) {
        Stack& s = stacks[std::size_t(i)];
        s.index = i;
        if (argc == 5) {
            s.speedView = new ValueView;
            s.directionView = new ValueView;
            grid->addWidget(s.speedView, (i / 4) * 2, i % 4);
            grid->addWidget(s.directionView, (i / 4) * 2 + 1, i % 4);
        }
        s.poll.setSingleShot(true);
        QObject::connect(&s.poll, &QTimer::timeout, [&s] { s.Send(); });
        s.Open();
    }
    window.showMaximized();
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [&stacks] {
        const qint64 now = NowMs();
        for (Stack& s : stacks)
            if (now - s.heard >= kWatchdogMs) s.Open();
    });
    watchdog.start(1000);
    const int server = Connect("127.0.0.1", sinkPort);
    QTimer records;
    QObject::connect(&records, &QTimer::timeout, [&] {
        char record[1024];
        const std::time_t t = std::time(nullptr);
        std::tm lt{};
        ::localtime_r(&t, &lt);
        std::size_t used = std::strftime(record, sizeof record, "{%Y%m%d%H%M%S", &lt);
        for (const Stack& s : stacks)
            used += std::size_t(std::snprintf(record + used, sizeof record - used, "^QC%d^%3.1f^%1.0f", 1101 + s.index,
                                              double(s.speed), double(s.direction)));
        used += std::size_t(std::snprintf(record + used, sizeof record - used, "}\n"));
        if (server >= 0 && ::send(server, record, used, MSG_NOSIGNAL) == ssize_t(used)) ++g_records;
    });
    records.start(period * 1000);
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    std::fprintf(stderr, "polls=%ld replies=%ld records=%ld\n", g_polls, g_replies, g_records);
    return 0;
}
