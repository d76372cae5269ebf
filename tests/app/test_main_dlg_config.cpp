// The CONFIG command over the running monitor: the dialog opened by the button
// bar's command while polls and records go on, and what OK changes: only the
// links whose address changed reconnect, the settings file is written with the
// bounded value, Cancel writes nothing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/base_panel.h"
#include "app/config_dlg.h"
#include "app/main_dlg.h"
#include "app/quor_sock.h"
#include "controls/led.h"
#include "platform/runtime/app.h"
#include "platform/stdctrl/button.h"
#include "platform/stdctrl/edit.h"
#include "res/resources.h"
#include "tests/support/loopback_peer.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/relay_settings.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

std::vector<unsigned char> FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ConfigCommandTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static const bool registered = (res::RegisterResources(), true);
        (void)registered;
    }
    ConfigCommandTest() : m_previous(fs::current_path()) { fs::current_path(m_dir.path()); }
    ~ConfigCommandTest() override {
        m_dlg.reset();
        fs::current_path(m_previous);
    }

    // The monitor on twelve stacks of the simulator and a data-server sink,
    // running until every stack answered its first poll (made two seconds after
    // set-up, on a fresh connection) and the server link is up.
    void Open(Simulator& sink, Simulator& instruments) {
        ASSERT_TRUE(sink.ready());
        ASSERT_TRUE(instruments.ready()) << instruments.Stderr();
        RelaySettings settings;
        settings.serverPort = sink.port();
        settings.sendPeriod = 1;
        settings.WriteTo(m_dir.path());
        m_dlg = std::make_unique<CMainDlg>();
        ASSERT_TRUE(m_dlg->Create(res::IDD_MAIN, nullptr));
        ASSERT_TRUE(platform::PumpUntil(
            [&] {
                for (int i = 0; i < 12; ++i)
                    if (m_dlg->m_pPanel->m_nState[i] != STACK_VALUES || m_dlg->m_fSpeed[i] == 0.0f) return false;
                return m_dlg->m_pServerLink->m_bConnected != FALSE;
            },
            15000));
    }

    // Runs the CONFIG command with `edit` applied to the open dialog after
    // `openMs`, then OK (or Cancel).
    void RunConfig(const std::function<void(CConfig&)>& edit, int answer, int openMs = 50) {
        QTimer::singleShot(openMs, [this, edit, answer] {
            auto* dlg = dynamic_cast<CConfig*>(CWnd::GetActiveWindow());
            if (!dlg) return;
            dialogSeen = true;
            edit(*dlg);
            static_cast<CButton*>(dlg->GetDlgItem(answer))->Click();
        });
        // A dialog the script could not reach is closed, so the test ends.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] {
            if (auto* dlg = dynamic_cast<CConfig*>(CWnd::GetActiveWindow())) dlg->EndDialog(IDCANCEL);
        });
        guard.start(openMs + 10000);
        m_dlg->OnConfig();
    }

    TempDir m_dir;
    fs::path m_previous;
    std::unique_ptr<CMainDlg> m_dlg;
    bool dialogSeen = false;
};

}  // namespace

TEST_F(ConfigCommandTest, ChangingOnlyStack3ReconnectsOnlyStack3WhileRecordsGoOn) {
    Simulator sink("server_sink", {"--port", "0"});
    Simulator instruments("instrument_sim", {"--port", "4000", "--address", "127.0.0.1-127.0.0.13"});
    Open(sink, instruments);
    platform::PumpEvents(300);
    const size_t acceptedBefore = Count(instruments.Stderr(), "accepted");
    const size_t serverAccepts = Count(sink.Stderr(), "accepted");
    const size_t recordsAtOpen = Count(sink.Stdout(), "\n");
    size_t recordsWhileOpen = 0;
    RunConfig(
        [&](CConfig& dlg) {
            recordsWhileOpen = Count(sink.Stdout(), "\n") - recordsAtOpen;
            dlg.m_grid.SetItemText(3, CConfig::kColAddress, u"127.0.0.13");
        },
        IDOK, 2500);
    EXPECT_TRUE(dialogSeen);
    EXPECT_GE(recordsWhileOpen, 2u) << "records went on while the dialog was open";
    EXPECT_EQ(m_dlg->m_nWatchdog[2], kWatchdogStart);
    ASSERT_TRUE(platform::PumpUntil([&] { return Count(instruments.Stderr(), "accepted 127.0.0.13") == 1; }, 5000))
        << instruments.Stderr();
    platform::PumpEvents(1500);
    EXPECT_EQ(Count(instruments.Stderr(), "accepted"), acceptedBefore + 1) << "only stack 3 reconnected";
    EXPECT_EQ(Count(sink.Stderr(), "accepted"), serverAccepts) << "the server link kept its connection";
    EXPECT_TRUE(m_dlg->m_pServerLink->m_bConnected);
    // The file holds the new address (network order: 127, 0, 0, 13).
    const auto bytes = FileBytes(m_dir.path() / "ZEL-Rerovora.cfg");
    ASSERT_EQ(bytes.size(), RelaySettings::kSize);
    const size_t stack3 = RelaySettings::kStack0 + 2 * RelaySettings::kStackSize;
    EXPECT_EQ((std::vector<int>{bytes[stack3], bytes[stack3 + 1], bytes[stack3 + 2], bytes[stack3 + 3]}),
              (std::vector<int>{127, 0, 0, 13}));
}

TEST_F(ConfigCommandTest, ChangingOnlyTheServerPortReconnectsTheServerLinkAndItsLampTurnsRed) {
    Simulator sink("server_sink", {"--port", "0"});
    Simulator other("server_sink", {"--port", "0"});
    Simulator instruments("instrument_sim", {"--port", "4000", "--address", "127.0.0.1-127.0.0.12"});
    ASSERT_TRUE(other.ready());
    Open(sink, instruments);
    const size_t acceptedBefore = Count(instruments.Stderr(), "accepted");
    RunConfig(
        [&](CConfig& dlg) {
            const std::string port = std::to_string(other.port());
            dlg.GetDlgItem(res::IDC_CONFIG_PORT)->SetWindowText(std::u16string(port.begin(), port.end()));
        },
        IDOK);
    EXPECT_FALSE(m_dlg->m_pServerLink->m_bConnected) << "closed at once";
    ASSERT_NE(m_dlg->m_pServerLink->m_pLamp, nullptr);
    EXPECT_EQ(m_dlg->m_pServerLink->m_pLamp->m_crOnEdge, COLORREF(0x0000FF)) << "red";
    ASSERT_TRUE(platform::PumpUntil([&] { return Count(other.Stdout(), "\n") >= 1; }, 5000))
        << "records reach the new port";
    EXPECT_EQ(Count(instruments.Stderr(), "accepted"), acceptedBefore) << "no stack reconnected";
}

TEST_F(ConfigCommandTest, OkBoundsTheValueBeforeSavingAndCancelWritesNothing) {
    Simulator sink("server_sink", {"--port", "0"});
    Simulator instruments("instrument_sim", {"--port", "4000", "--address", "127.0.0.1-127.0.0.12"});
    Open(sink, instruments);
    const fs::path file = m_dir.path() / "ZEL-Rerovora.cfg";
    const auto before = FileBytes(file);

    // Cancel: the edits are dropped, the file is not touched, every stack
    // shows its values again.
    RunConfig([](CConfig& dlg) { dlg.GetDlgItem(res::IDC_CONFIG_TITLE)->SetWindowText(u"CHANGED"); }, IDCANCEL);
    EXPECT_TRUE(dialogSeen);
    EXPECT_EQ(FileBytes(file), before);
    EXPECT_STREQ(m_dlg->Config().szTitle, "WIND RELAY TEST");
    for (int i = 0; i < 12; ++i) EXPECT_NE(m_dlg->m_pPanel->m_nState[i], STACK_NO_REPLY) << i;

    // OK with a bounded value of 5 in the copy: 10 is written.
    m_dlg->Config().nBoundedValue = 5;
    RunConfig([](CConfig& dlg) { dlg.GetDlgItem(res::IDC_CONFIG_TITLE)->SetWindowText(u"NEW TITLE"); }, IDOK);
    const auto after = FileBytes(file);
    ASSERT_EQ(after.size(), RelaySettings::kSize);
    EXPECT_EQ(after[248], 10);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&after[40])), "NEW TITLE");
    EXPECT_EQ(m_dlg->Config().nBoundedValue, 10);
    EXPECT_TRUE(m_dlg->m_pServerLink->m_bConnected) << "nothing to reconnect";

    // OK when the file cannot be written (read-only, also to root): the new
    // settings apply, the file stays as it was, and a box says so.
    fs::permissions(file, fs::perms(0444));
    std::vector<std::u16string> boxes;
    const auto previous = platform::SetMessageBoxHandler([&](const platform::MessageBoxRequest& box) {
        boxes.push_back(box.text);
        return IDOK;
    });
    RunConfig([](CConfig& dlg) { dlg.GetDlgItem(res::IDC_CONFIG_TITLE)->SetWindowText(u"NOT SAVED"); }, IDOK);
    platform::SetMessageBoxHandler(previous);
    EXPECT_STREQ(m_dlg->Config().szTitle, "NOT SAVED");
    EXPECT_EQ(FileBytes(file), after);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind(u"The settings could not be saved to \"" + (m_dir.path() / "ZEL-Rerovora.cfg").u16string() + u"\"", 0), 0u);
    EXPECT_NE(boxes[0].find(u"The file is left as it was"), std::u16string::npos);
}
