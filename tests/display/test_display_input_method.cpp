// Korean typed through a real input method, as a Korean desktop has it: ibus
// with its Hangul engine (2-set keyboard) on a D-Bus session bus of the test's
// own, and the program on Qt's ibus module. A name cell clicked and then typed
// into stores the name as composed, exactly as one opened by a double click
// does; the title and the speed unit take the same text. With openbox and
// without a window manager.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tests/display/relay_fixture.h"
#include "tests/display/x_display.h"
#include "tests/support/child_process.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/relay_settings.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

using namespace display_test;

namespace {

// 한국 on the 2-set keyboard: ㅎ ㅏ ㄴ, ㄱ ㅜ ㄱ.
const char* const kHanguk = "gksrnr";
const std::string kHangukText = "\xED\x95\x9C\xEA\xB5\xAD";  // 한국 in UTF-8, the locale's character set here

// ibus-daemon with the Hangul engine, starting in Korean input, on a session
// bus of its own, for the programs this test starts on `x` from now on (they
// inherit the environment set here: Qt's ibus module finds the daemon through
// the address file under XDG_CONFIG_HOME). Both daemons listen on sockets in
// the file system, which the program reaches from its network namespace.
class HangulInputMethod {
public:
    explicit HangulInputMethod(const XDisplay& x) {
        for (const char* tool : {"/usr/bin/dbus-daemon", "/usr/bin/ibus-daemon", "/usr/bin/ibus",
                                 "/usr/libexec/ibus-engine-hangul"})
            if (!fs::exists(tool)) {
                m_failure = std::string(tool) + " is not installed";
                return;
            }
        // The engine reads its settings through GSettings: from a key file here.
        fs::create_directories(m_dir / "config/glib-2.0/settings");
        std::ofstream(m_dir / "config/glib-2.0/settings/keyfile")
            << "[org/freedesktop/ibus/engine/hangul]\ninitial-input-mode='hangul'\n";
        const std::string bus = "unix:path=" + (m_dir / "bus").string();
        Set("DISPLAY", x.Name());
        Set("XDG_CONFIG_HOME", (m_dir / "config").string());
        Set("GSETTINGS_BACKEND", "keyfile");
        Set("DBUS_SESSION_BUS_ADDRESS", bus);
        Set("QT_IM_MODULE", "ibus");
        Set("LC_ALL", "C.UTF-8");  // the settings keep Korean in the locale's character set
        m_bus = std::make_unique<ChildProcess>("/usr/bin/dbus-daemon",
                                               std::vector<std::string>{"--session", "--nofork", "--address=" + bus},
                                               m_dir.path());
        if (!WaitFor([&] { return fs::exists(m_dir / "bus"); }, 5000)) {
            m_failure = "dbus-daemon did not start: " + m_bus->Stderr();
            return;
        }
        m_ibus = std::make_unique<ChildProcess>(
            "/usr/bin/ibus-daemon",
            std::vector<std::string>{"--panel=disable", "--emoji-extension=disable",
                                     "--address=unix:path=" + (m_dir / "ibus").string()},
            m_dir.path());
        // The engine is chosen once the daemon answers.
        std::string why;
        const bool chosen = WaitFor(
            [&] {
                ChildProcess choose("/usr/bin/ibus", {"engine", "hangul"}, m_dir.path());
                if (choose.Wait(20000) == 0) return true;
                why = choose.Stderr();
                ::usleep(200000);
                return false;
            },
            30000);
        if (!chosen) m_failure = "ibus did not take the hangul engine: " + why + m_ibus->Stderr();
    }
    const std::string& Failure() const { return m_failure; }

private:
    void Set(const char* name, const std::string& value) { m_env.push_back(std::make_unique<ScopedEnv>(name, value.c_str())); }
    TempDir m_dir;
    std::vector<std::unique_ptr<ScopedEnv>> m_env;
    std::unique_ptr<ChildProcess> m_bus, m_ibus;  // ended in reverse: ibus, then its bus
    std::string m_failure;
};

// A text field of the settings file, up to its first NUL.

class KoreanInput : public ConfigTableBase, public ::testing::WithParamInterface<bool> {
protected:
    KoreanInput() : ConfigTableBase(GetParam()) {}
    void SetUp() override {
        NEED_X(x);
        ime = std::make_unique<HangulInputMethod>(x);
        if (!ime->Failure().empty()) {
            if (XDisplay::Required()) FAIL() << "no input method: " << ime->Failure();
            GTEST_SKIP() << "ibus with its hangul engine cannot start here: " << ime->Failure();
        }
        OpenDialog();
        if (HasFatalFailure()) return;
        FindTheTable();
    }
    void TearDown() override { relay.reset(); }  // the program goes before its input method
    // OK, then the settings file once it holds what `done` waits for.
    std::vector<unsigned char> OkAndSaved(std::size_t offset, std::size_t size, const std::string& before) {
        const QPoint ok = ItemCentre(d, u"Button", 4);
        x.Click(ok.x(), ok.y());
        EXPECT_TRUE(relay->WaitAlone(main->id)) << "OK did not close the dialog";
        std::vector<unsigned char> bytes;
        WaitFor(
            [&] {
                bytes = ReadAllBytes(relay->SettingsFile());
                return bytes.size() == RelaySettings::kSize && SettingsField(bytes, offset, size) != before;
            },
            5000);
        return bytes;
    }
    // The screen once what was just typed has gone through the input method
    // and been drawn: changed from `before`, then still. The keys reach the
    // program one by one, answered by the input method later, so a click sent
    // before the last answer would take the rest of the typing elsewhere.
    QImage TypedIn(const QImage& before) { return ShotAfterChange(x, before, d, 15000, kQuietMs); }
    static constexpr int kQuietMs = 700;
    std::unique_ptr<HangulInputMethod> ime;
};

}  // namespace

// Click, then type: the grid opens the cell's editor on the first composing
// key and the whole composition goes into it, replacing the name. #2 is left
// with its last syllable still composing by the click on #3, which must not
// take that syllable once more; #3 is left by OK the same way. #4 is opened by
// a double click and keeps its name, the composition added at its end.
TEST_P(KoreanInput, NamesTypedAfterAClickAreStoredAsComposed) {
    for (std::size_t row : {1, 2}) {
        const QPoint cell = NameCell(row);
        const QImage before = x.Shot();
        x.Click(cell.x(), cell.y());
        const QImage clicked = ShotAfterChange(x, before, d);
        x.Type(kHanguk);
        const QImage typed = TypedIn(clicked);
        if (row == 1) SaveTestImage(typed, GetParam() ? "name-composing-wm" : "name-composing");
    }
    const QPoint fourth = NameCell(3);
    const QImage before = x.Shot();
    x.Click(fourth.x(), fourth.y());
    x.Click(fourth.x(), fourth.y());
    const QImage opened = ShotAfterChange(x, before, d, 8000, kQuietMs);
    x.Type(kHanguk);
    TypedIn(opened);
    const auto saved = OkAndSaved(NameOffset(3), 80, "QC1104");
    EXPECT_EQ(SettingsField(saved, NameOffset(1), 80), kHangukText);
    EXPECT_EQ(SettingsField(saved, NameOffset(2), 80), kHangukText);
    EXPECT_EQ(SettingsField(saved, NameOffset(3), 80), "QC1104" + kHangukText);
    EXPECT_EQ(SettingsField(saved, NameOffset(0), 80), "QC1101");
    EXPECT_EQ(SettingsField(saved, NameOffset(4), 80), "QC1105");
}

// The title (emptied first), the speed unit (typed at its end) and the server
// address, each left by a click with the composition under way: each keeps
// what was composed in it, and only that.
TEST_P(KoreanInput, TheTitleTheUnitAndTheAddressTakeWhatIsTypedInThem) {
    const QPoint title = ItemCentre(d, u"Edit", 0);
    x.Click(title.x(), title.y());
    x.KeyWith("Control_L", "a");
    x.Key("BackSpace");
    const QImage emptied = ShotAfterChange(x, QImage(), d, 8000, kQuietMs);
    x.Type(kHanguk);
    const QImage titled = TypedIn(emptied);
    const QPoint unit = ItemCentre(d, u"Edit", 1);
    x.Click(unit.x(), unit.y());
    x.Key("End");
    const QImage atEnd = ShotAfterChange(x, titled, d, 8000, kQuietMs);
    x.Type(kHanguk);
    SaveTestImage(TypedIn(atEnd), GetParam() ? "unit-composing-wm" : "unit-composing");
    const QPoint address = InDialog(d, 22 + 81 / 8, 136 + 6);  // the first of Server IP's four fields
    const QImage before = x.Shot();
    x.Click(address.x(), address.y());
    const QImage inAddress = ShotAfterChange(x, before, d, 8000, kQuietMs);
    x.Type("10.1.2.3");
    TypedIn(inAddress);
    const auto saved = OkAndSaved(kUnitOffset, 40, "m/s");
    EXPECT_EQ(SettingsField(saved, kTitleOffset, 80), kHangukText);
    EXPECT_EQ(SettingsField(saved, kUnitOffset, 40), "m/s" + kHangukText);
    EXPECT_EQ(std::vector<unsigned char>(saved.begin() + kServerIpOffset, saved.begin() + kServerIpOffset + 4),
              (std::vector<unsigned char>{10, 1, 2, 3}));
}

// Korean typed into a name cell widens its editor as Latin text does:
// sixteen syllables, far wider than the name column, carry the editor over the address
// column beside it (read along the editor's top edge, above the cells' texts,
// where the address cell is otherwise its pale yellow).
TEST_P(KoreanInput, TheEditorWidensWithTheComposedText) {
    const std::size_t row = 2;
    const QPoint cell = NameCell(row);
    x.Click(cell.x(), cell.y());
    ::usleep(300000);
    std::string keys;
    for (int i = 0; i < 8; ++i) keys += kHanguk;  // 한국 eight times: sixteen syllables
    x.Type(keys);
    const int y = table->rows[row].first + 1;
    auto editorRight = [&](const QImage& shot) {
        int xAt = table->name.first + 4;
        while (xAt < d.right() && shot.pixel(xAt, y) != kCell) ++xAt;
        return xAt;
    };
    QImage shot;
    EXPECT_TRUE(WaitFor([&] { return editorRight(shot = x.Shot()) > table->address.first + 40; }, 5000))
        << "the editor ends at " << editorRight(shot) << ", the name column at " << table->name.second;
    SaveTestImage(shot.copy(d), GetParam() ? "widened-wm" : "widened");
    std::string typed;
    for (int i = 0; i < 8; ++i) typed += kHangukText;
    const auto saved = OkAndSaved(NameOffset(int(row)), 80, "QC1103");
    EXPECT_EQ(SettingsField(saved, NameOffset(int(row)), 80), typed);
}

INSTANTIATE_TEST_SUITE_P(Desktops, KoreanInput, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "WithWindowManager" : "WithoutWindowManager";
                         });
