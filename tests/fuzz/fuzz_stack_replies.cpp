// A stack's reads into the main window: the input is a run of reads (split at
// the byte pair 0xFE 0xFE), each handed to the window as the stack's received
// text. Whatever they hold, only a read that starts with the reply header, or
// the one read right after such a read, may restart the stack's watchdog.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
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
    bool lastHadHeader = false;
    for (const std::string& read : Reads(data, size)) {
        dlg->m_nWatchdog[0] = 2;
        link->m_strRecv.clear();
        for (char b : read) link->m_strRecv += char16_t(std::int16_t(std::int8_t(b)));
        dlg->OnStackReply(0);
        const bool header = read.compare(0, 5, "R000:") == 0 && read.size() >= 5;
        const bool fed = dlg->m_nWatchdog[0] == 0;
        if (fed != (header || lastHadHeader)) std::abort();
        lastHadHeader = header;
    }
    dlg->KillTimer(kPollTimerBase);
    dlg->m_bReplyRest[0] = false;
    return 0;
}
