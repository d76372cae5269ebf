// A stack's polls and reads into the main window: the input is a run of
// events, split at byte pairs: 0xFE 0xFE ends a read, 0xFD 0xFD is a poll,
// 0xFC 0xFC the end of the wait for a held reply; every other byte belongs to
// the read under way, handed to the window as the stack's received text (or,
// while the link drops what comes, as its count). Whatever they hold, the
// window must agree with a plain model of the rules:
//   - a poll starts afresh (unless the stack is flooding): the link reads;
//   - a reply is a whole header "R000:" and the eight bytes after it; bytes
//     before a header, and a header broken by a byte (an "R" starts a new
//     one), are stray;
//   - a header that begins among a reply's value bytes holds the reply while
//     it can still become a whole reply; if it does, neither is taken; if its
//     bytes break off, or the wait runs out, the first is taken;
//   - once a reply is taken or found doubtful the link drops what comes;
//   - bytes beyond the reply (stray, or dropped) over the limit in one poll
//     make the stack flooding: nothing of the read is taken, and the link drops
//     what comes until the stack is renewed;
//   - the watchdog restarts on the poll's first header start and on a reply
//     taken, and a reply taken stores its two floats.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/main_dlg.h"
#include "app/quor_sock.h"
#include "platform/runtime/app.h"
#include "res/resources.h"

namespace {

CMainDlg* Window() {
    static CMainDlg* dlg = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "fuzz_stack_replies";
        static char* argv[] = {name, nullptr};
        platform::StartGui(argc, argv);
        res::RegisterResources();
        // The window writes its default settings into the working folder.
        static char folder[] = "/tmp/rerovora-fuzz-XXXXXX";
        if (!::mkdtemp(folder) || ::chdir(folder) != 0) std::abort();
        std::atexit([] {
            ::unlink((std::string(folder) + "/ZEL-Rerovora.cfg").c_str());
            ::rmdir(folder);
        });
        auto* d = new CMainDlg;
        if (!d->Create(res::IDD_MAIN, nullptr)) std::abort();
        d->KillTimer(kWatchdogTimer);
        d->KillTimer(kRecordTimer);
        return d;
    }();
    return dlg;
}

enum class Kind { Read, Poll, WaitOver };
struct Event {
    Kind kind;
    std::string bytes;
};

std::vector<Event> Events(const std::uint8_t* data, std::size_t size) {
    std::vector<Event> events{{Kind::Poll, {}}, {Kind::Read, {}}};
    for (std::size_t i = 0; i < size; ++i) {
        if (i + 1 < size && data[i] == data[i + 1] && data[i] >= 0xFC && data[i] <= 0xFE) {
            if (data[i] != 0xFE) events.push_back({data[i] == 0xFD ? Kind::Poll : Kind::WaitOver, {}});
            events.push_back({Kind::Read, {}});
            ++i;
            continue;
        }
        events.back().bytes += char(data[i]);
    }
    return events;
}

// The model of one stack.
struct Model {
    static constexpr const char* kHeader = "R000:";
    std::string gathered;
    bool done = false, begun = false, dropping = true, flooding = false;
    int unasked = 0;

    bool MayBeginHeader(std::size_t from) const {
        const std::size_t n = std::min<std::size_t>(gathered.size() - from, 5);
        return gathered.compare(from, n, kHeader, n) == 0;
    }
    void Forget() {
        gathered.clear();
        done = begun = false;
    }
    // Adds unasked bytes; true when the stack is flooding.
    bool Unasked(std::size_t n) {
        if (flooding) return true;
        unasked = int(std::min<std::size_t>(std::size_t(unasked) + n, kUnaskedLimit + 1));
        if (unasked <= kUnaskedLimit) return false;
        flooding = dropping = true;
        Forget();
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CMainDlg* dlg = Window();
    CQuorSock* link = dlg->m_pLinks[0];
    // A new connection: the stack starts afresh, its link dropping what comes.
    link->ConnectHost(link->m_strHost, link->m_nPort);
    dlg->OnSockEvent(0, LINK_CLOSED);
    Model m;
    for (const Event& e : Events(data, size)) {
        dlg->m_nWatchdog[0] = 2;
        dlg->m_fSpeed[0] = -1.0f;
        bool reset = false, stored = false;
        float speed = 0;
        auto take = [&](const std::string& reply) {
            std::memcpy(&speed, reply.data() + 9, 4);
            stored = reset = true;
            m.gathered.clear();
            m.done = m.dropping = true;
        };
        switch (e.kind) {
        case Kind::Poll:
            dlg->OnTimer(kPollTimerBase);
            if (!m.Unasked(0)) {
                m.Forget();
                m.unasked = 0;
                m.dropping = false;
            }
            break;
        case Kind::WaitOver:
            dlg->OnTimer(kHeldTimerBase);
            if (!m.done && m.gathered.size() >= 13) take(m.gathered);
            break;
        case Kind::Read: {
            link->m_strRecv.clear();
            if (!link->m_bDiscardReceived)
                for (char b : e.bytes) link->m_strRecv += char16_t(std::int16_t(std::int8_t(b)));
            link->m_nRecvCount = DWORD(e.bytes.size());
            dlg->OnStackReply(0);
            if (m.dropping) {
                m.Unasked(e.bytes.size());
                break;
            }
            // A poll answered before this read: all of it is stray.
            std::size_t stray = m.done ? e.bytes.size() : 0;
            bool started = false, doubtful = false;
            std::string reply;
            for (std::size_t i = 0; i < e.bytes.size() && !m.done; ++i) {
                const char b = e.bytes[i];
                const std::size_t rest = e.bytes.size() - i - 1;
                if (m.gathered.size() < 5) {
                    if (b == Model::kHeader[m.gathered.size()]) {
                        if (m.gathered.empty() && !m.begun) started = m.begun = true;
                        m.gathered += b;
                    } else {
                        stray += m.gathered.size() + (b == 'R' ? 0 : 1);
                        m.gathered = b == 'R' ? "R" : "";
                    }
                    continue;
                }
                m.gathered += b;
                bool overlapping = false;
                for (std::size_t from = 5; from < 13 && from < m.gathered.size(); ++from) {
                    if (!m.MayBeginHeader(from)) continue;
                    overlapping = true;
                    if (m.gathered.size() - from >= 13) doubtful = true;
                }
                if (doubtful) {
                    stray += m.gathered.size() + rest;
                    m.gathered.clear();
                    m.done = true;
                } else if (m.gathered.size() >= 13 && !overlapping) {
                    reply = m.gathered;
                    stray += m.gathered.size() - 13 + rest;
                    m.gathered.clear();
                    m.done = true;
                }
            }
            if (m.Unasked(stray)) break;
            reset = started;
            if (!reply.empty()) take(reply);
            if (doubtful) m.dropping = true;
            break;
        }
        }
        if ((dlg->m_nWatchdog[0] == 0) != reset) std::abort();
        if (link->m_bDiscardReceived != (m.dropping ? TRUE : FALSE)) std::abort();
        if (dlg->m_bFlooding[0] != m.flooding) std::abort();
        if (stored) {
            if (std::memcmp(&speed, &dlg->m_fSpeed[0], 4) != 0) std::abort();
        } else if (dlg->m_fSpeed[0] != -1.0f) {
            std::abort();
        }
        if (dlg->m_replies[0].Gathered() != int(m.gathered.size())) std::abort();
    }
    dlg->KillTimer(kPollTimerBase);
    dlg->KillTimer(kHeldTimerBase);
    return 0;
}
