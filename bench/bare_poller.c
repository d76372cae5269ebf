/* The floor of the relay's benchmark: a bare non-blocking poller in C that does
 * the relay's network work and nothing else. Twelve connections to the stack
 * instruments on 127.0.0.1 to 127.0.0.12 port 4000, the request "R000?" 500 ms
 * after each reply (reconnecting after 5 s without one), and every PERIOD
 * seconds the record of the last values to the data server at
 * 127.0.0.1:SINK_PORT, in the relay's record layout. No toolkit, no threads.
 *
 * usage: bare_poller SECONDS SINK_PORT PERIOD
 * stderr at the end: "polls=N replies=M records=R". */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

enum { kStacks = 12, kPollDelayMs = 500, kWatchdogMs = 5000, kInstrumentPort = 4000 };

struct Stack {
    int fd;
    int waiting;   /* a request is out */
    int64_t due;   /* when the next request goes (ms) */
    int64_t heard; /* last reply or connect (ms) */
    float direction, speed;
};

static volatile sig_atomic_t g_stop = 0;
static void OnSignal(int sig) { (void)sig; g_stop = 1; }

static int64_t NowMs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (int64_t)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

static int Connect(const char* address, int port) {
    struct sockaddr_in a;
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = htons((uint16_t)port);
    inet_pton(AF_INET, address, &a.sin_addr);
    if (connect(fd, (struct sockaddr*)&a, sizeof a) != 0 && errno != EINPROGRESS) {
        close(fd);
        return -1;
    }
    return fd;
}

static void Open(struct Stack* s, int index, int64_t now) {
    char address[32];
    snprintf(address, sizeof address, "127.0.0.%d", index + 1);
    if (s->fd >= 0) close(s->fd);
    s->fd = Connect(address, kInstrumentPort);
    s->waiting = 0;
    s->due = now + kPollDelayMs;
    s->heard = now;
}

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: bare_poller SECONDS SINK_PORT PERIOD\n");
        return 2;
    }
    const int seconds = atoi(argv[1]), sinkPort = atoi(argv[2]), period = atoi(argv[3]);
    signal(SIGTERM, OnSignal);
    signal(SIGINT, OnSignal);
    signal(SIGPIPE, SIG_IGN);

    struct Stack stacks[kStacks];
    const int64_t start = NowMs();
    for (int i = 0; i < kStacks; ++i) {
        stacks[i].fd = -1;
        stacks[i].direction = stacks[i].speed = 0.0f;
        Open(&stacks[i], i, start);
    }
    const int server = Connect("127.0.0.1", sinkPort);
    const int64_t end = start + (int64_t)seconds * 1000;
    int64_t nextRecord = start + (int64_t)period * 1000;
    long polls = 0, replies = 0, records = 0;

    while (!g_stop && NowMs() < end) {
        /* Sleep until the earliest due request or record, or a reply. */
        int64_t now = NowMs(), wake = nextRecord;
        struct pollfd fds[kStacks];
        for (int i = 0; i < kStacks; ++i) {
            fds[i].fd = stacks[i].fd;
            fds[i].events = POLLIN;
            fds[i].revents = 0;
            const int64_t at = stacks[i].waiting ? stacks[i].heard + kWatchdogMs : stacks[i].due;
            if (at < wake) wake = at;
        }
        poll(fds, kStacks, wake > now ? (int)(wake - now) : 0);
        now = NowMs();
        for (int i = 0; i < kStacks; ++i) {
            struct Stack* s = &stacks[i];
            if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) {
                char buf[256];
                const ssize_t n = recv(s->fd, buf, sizeof buf, 0);
                if (n <= 0 && !(n < 0 && errno == EAGAIN)) {
                    Open(s, i, now);
                    continue;
                }
                if (n >= 13 && memcmp(buf, "R000:", 5) == 0) {
                    memcpy(&s->direction, buf + 5, 4);
                    memcpy(&s->speed, buf + 9, 4);
                    ++replies;
                }
                s->waiting = 0;
                s->heard = now;
                s->due = now + kPollDelayMs;
            }
            if (s->waiting && now - s->heard >= kWatchdogMs) {
                Open(s, i, now);
            } else if (!s->waiting && now >= s->due) {
                if (send(s->fd, "R000?", 5, MSG_NOSIGNAL) == 5) ++polls;
                s->waiting = 1;
                s->heard = now;
            }
        }
        if (now >= nextRecord) {
            nextRecord += (int64_t)period * 1000;
            char record[1024];
            const time_t t = time(NULL);
            struct tm lt;
            localtime_r(&t, &lt);
            size_t used = strftime(record, sizeof record, "{%Y%m%d%H%M%S", &lt);
            for (int i = 0; i < kStacks; ++i)
                used += (size_t)snprintf(record + used, sizeof record - used, "^QC%d^%3.1f^%1.0f", 1101 + i,
                                         (double)stacks[i].speed, (double)stacks[i].direction);
            used += (size_t)snprintf(record + used, sizeof record - used, "}\n");
            if (server >= 0 && send(server, record, used, MSG_NOSIGNAL) == (ssize_t)used) ++records;
        }
    }
    fprintf(stderr, "polls=%ld replies=%ld records=%ld\n", polls, replies, records);
    return 0;
}
