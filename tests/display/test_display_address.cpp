// The data server's address typed into CONFIG's Server IP as an operator types
// it, character by character through XTest, with openbox and without a window
// manager: after a click on the first field, and after Ctrl+A there; OK; the
// settings file then holds the address as typed. And a long entry refused by
// OK is quoted cut, on the screen and on stderr.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/display/relay_fixture.h"
#include "tests/display/x_display.h"
#include "tests/support/child_process.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/relay_settings.h"

using namespace display_test;

namespace {

constexpr std::size_t kServerIpOffset = 424444;  // network order: the first number first

using Bytes = std::array<int, 4>;

struct Address {
    const char* typed;
    Bytes stored;
};
// Each differs from the one before, so a typing that changes nothing fails.
const Address kAddresses[] = {
    {"127.0.0.1", {127, 0, 0, 1}},
    {"192.168.0.10", {192, 168, 0, 10}},
    {"10.1.2.3", {10, 1, 2, 3}},
};

Bytes StoredServerIp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    in.seekg(std::streamoff(kServerIpOffset));
    unsigned char b[4] = {};
    if (!in.read(reinterpret_cast<char*>(b), 4)) return {-1, -1, -1, -1};
    return {b[0], b[1], b[2], b[3]};
}

std::string Dotted(const Bytes& b) {
    std::ostringstream s;
    s << b[0] << '.' << b[1] << '.' << b[2] << '.' << b[3];
    return s.str();
}

class ServerAddressTyping : public ConfigDialogBase {
protected:
    explicit ServerAddressTyping(bool windowManager) : ConfigDialogBase(windowManager) {}

    void TypeEachAddressBothWays(const std::string& tag) {
        NEED_X(x);
        RelaySettings settings;
        settings.serverIp = 0;  // 0.0.0.0, as a first start leaves it
        OpenDialog(settings);
        if (HasFatalFailure()) return;
        bool first = true;
        for (const bool ctrlA : {false, true}) {
            for (const Address& a : kAddresses) {
                SCOPED_TRACE(std::string(a.typed) + (ctrlA ? " after Ctrl+A" : " after a click"));
                if (!first) {
                    ClickConfig();
                    if (HasFatalFailure()) return;
                }
                first = false;
                // Server IP stands at 22, 136 (81 x 12 dialog units): its first field is the left quarter.
                const QPoint firstField = InDialog(d, 22 + 81 / 8, 136 + 6);
                x.Click(firstField.x(), firstField.y());
                if (ctrlA) {
                    x.Key("End");  // the caret off the selection the click made
                    x.KeyWith("Control_L", "a");
                }
                x.Type(a.typed);
                if (a.stored == kAddresses[2].stored && ctrlA) {
                    ::usleep(200000);
                    SaveTestImage(x.Shot().copy(d), "server-address-" + tag);
                }
                const QPoint ok = ItemCentre(d, u"Button", 4);  // after the three group boxes: OK
                x.Click(ok.x(), ok.y());
                ASSERT_TRUE(relay->WaitAlone(main->id)) << "OK did not close the dialog";
                Bytes stored{};
                EXPECT_TRUE(WaitFor(
                    [&] {
                        stored = StoredServerIp(relay->SettingsFile());
                        return stored == a.stored;
                    },
                    5000))
                    << "stored " << Dotted(stored);
            }
        }
    }
};

class ServerAddressTypingWithWindowManager : public ServerAddressTyping {
protected:
    ServerAddressTypingWithWindowManager() : ServerAddressTyping(true) {}
};

class ServerAddressTypingWithoutWindowManager : public ServerAddressTyping {
protected:
    ServerAddressTypingWithoutWindowManager() : ServerAddressTyping(false) {}
};

}  // namespace

TEST_F(ServerAddressTypingWithWindowManager, IsStoredAsTypedAfterAClickAndAfterCtrlA) {
    TypeEachAddressBothWays("openbox");
}

TEST_F(ServerAddressTypingWithoutWindowManager, IsStoredAsTypedAfterAClickAndAfterCtrlA) {
    TypeEachAddressBothWays("no-wm");
}

// A port of a hundred digits typed into CONFIG: the refusal quotes sixty of
// them and "…", on the screen and in the line the program writes to stderr.
TEST_F(ConfigDialog, ARefusalQuotesALongEntryCutOnScreenAndOnStderr) {
    TypePortAndOk(std::string(100, '7'));
    const std::optional<TopWindow> refusal = WaitRefusal();
    ASSERT_TRUE(refusal) << "no refusal";
    const std::string line = "message box: Port \"" + std::string(60, '7') + "…\" is not a port number (1 to 65535).\n";
    EXPECT_TRUE(relay->Process().WaitForStderr(line, 3000)) << relay->Stderr().substr(0, 600);
    // A box of a few short lines: the hundred digits in one word would need more
    // than half the screen's width.
    EXPECT_LT(refusal->client.width(), x.Size().width() / 2) << refusal->client.width();
    EXPECT_LT(refusal->client.height(), x.Size().height() / 4) << refusal->client.height();
    ::usleep(300000);
    SaveTestImage(x.Shot().copy(refusal->client), "long-port-refusal");
    x.Key("Return");
    EXPECT_TRUE(WaitFor([&] { return x.Windows().size() == 2; }, 5000)) << "the refusal did not close";
}
