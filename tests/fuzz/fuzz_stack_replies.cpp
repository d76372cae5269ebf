// A stack's reads into the main window: the input is a run of reads (split at
// the byte pair 0xFE 0xFE), each handed to the window as the stack's received
// text. Whatever they hold, the window must agree with a plain model of the
// reply stream: a reply is a whole header "R000:" and eight value bytes with
// no whole header beginning among them (the header may run past the reply's
// end: the reply is held until that is known); a byte that breaks a header
// starts a new one when it is an "R"; bytes after a reply in the same read are
// kept only while they begin a header. The watchdog restarts only on a read
// that begins a reply with nothing gathered or completes one, a completed
// reply stores its two floats, and any other byte that breaks a header stops
// the reading of the link.
#include <unistd.h>

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

std::vector<std::string> Reads(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> reads(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (i + 1 < size && data[i] == 0xFE && data[i + 1] == 0xFE) {
            reads.emplace_back();
            ++i;
            continue;
        }
        reads.back() += char(data[i]);
    }
    return reads;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CMainDlg* dlg = Window();
    CQuorSock* link = dlg->m_pLinks[0];
    dlg->m_replies[0].Reset();
    // A new connection: reading goes on again.
    link->ConnectHost(link->m_strHost, link->m_nPort);
    static const std::string kHeader = "R000:";
    bool held = false;
    std::string gathered;  // the model: bytes of the reply under way
    // True when `gathered` from `from` on could be the start of a header.
    auto beginsHeader = [&](std::size_t from) {
        const std::size_t n = gathered.size() - from;
        return n <= 5 && gathered.compare(from, n, kHeader, 0, n) == 0;
    };
    for (const std::string& read : Reads(data, size)) {
        dlg->m_nWatchdog[0] = 2;
        dlg->m_fSpeed[0] = -1.0f;
        link->m_strRecv.clear();
        for (char b : read) link->m_strRecv += char16_t(std::int16_t(std::int8_t(b)));
        dlg->OnStackReply(0);

        bool began = false, junk = false, complete = false, tail = false, ignoring = false;
        float speed = 0;
        std::string queue = read;
        for (std::size_t i = 0; i < queue.size() && !junk && !ignoring; ++i) {
            const char b = queue[i];
            if (gathered.size() < 5) {
                if (b == kHeader[gathered.size()]) {
                    began = began || gathered.empty();
                    gathered += b;
                } else if (b == 'R') {
                    gathered = "R";
                } else {
                    gathered.clear();
                    (tail ? ignoring : junk) = true;
                }
                continue;
            }
            gathered += b;
            if (gathered.size() >= 10 && gathered.compare(gathered.size() - 5, 5, kHeader) == 0) {
                gathered = kHeader;
                continue;
            }
            if (gathered.size() < 13) continue;
            bool wait = false;
            for (std::size_t from = 9; from < 13 && from < gathered.size(); ++from) wait = wait || beginsHeader(from);
            if (wait) continue;
            complete = true;
            std::memcpy(&speed, gathered.data() + 9, 4);
            // What was held after it is looked at again, as the tail.
            queue.insert(i + 1, gathered.substr(13));
            gathered.clear();
            tail = true;
        }
        const bool fed = !junk && (began || complete);
        if ((dlg->m_nWatchdog[0] == 0) != fed) std::abort();
        held = held || junk;
        if (held != link->ReceiveHeld()) std::abort();
        if (complete && !junk) {
            if (std::memcmp(&speed, &dlg->m_fSpeed[0], 4) != 0) std::abort();
        } else if (dlg->m_fSpeed[0] != -1.0f) {
            std::abort();
        }
        if (dlg->m_replies[0].Gathered() != int(gathered.size())) std::abort();
    }
    dlg->KillTimer(kPollTimerBase);
    return 0;
}
