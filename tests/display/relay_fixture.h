// What the real-display tests share: the program with its simulators in a
// network namespace of its own on an X server, the main window's layout read
// off a screenshot, where things stand in the main window and the
// configuration dialog, and a fixture with the dialog open.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QPoint>
#include <QRect>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/display/x_display.h"
#include "tests/support/child_process.h"
#include "tests/support/relay_settings.h"
#include "tests/support/temp_dir.h"

namespace display_test {

namespace fs = std::filesystem;
using TopWindow = XDisplay::TopWindow;

constexpr QRgb kBackground = 0xFF383F4C;  // the main window's background, 0x4C3F38 as a COLORREF
constexpr int kBarWidth = 212;            // three segments of 70 pixels and the frame

// The main window's layout read off a screenshot, with the client rectangle
// `c` (screen coordinates); success or every difference found.
::testing::AssertionResult LaidOut(const QImage& shot, QRect c);

// The program with its simulators in a namespace of their own, on `x`.
class Relay {
public:
    // `simulator`: options for the instrument simulator (e.g. {"--values", "250,15.3"}).
    explicit Relay(XDisplay& x, const RelaySettings& settings = RelaySettings(),
                   const std::vector<std::string>& simulator = {})
        : m_x(x) {
        fs::create_directories(m_dir / "relay");
        settings.WriteTo(m_dir / "relay");
        const fs::path script = fs::path(REROVORA_SOURCE_DIR) / "tests/display/relay_in_namespace.sh";
        std::vector<std::string> args{"-n", "-m", "/bin/bash", script.string(), REROVORA_BINARY_DIR, x.Name(),
                                      m_dir.path().string()};
        args.insert(args.end(), simulator.begin(), simulator.end());
        m_process = std::make_unique<ChildProcess>("/usr/bin/unshare", args, m_dir.path());
    }

    fs::path SettingsFile() const { return m_dir / "relay" / "ZEL-Rerovora.cfg"; }
    std::string Records() const {
        std::ifstream in(m_dir / "records.log");
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ChildProcess& Process() { return *m_process; }
    std::string Stderr() const { return m_process->Stderr(); }

    // The main window (the largest of the program's), once it stands laid out
    // at `where` (its client rectangle; by default whatever it is).
    std::optional<TopWindow> WaitLaidOut(std::optional<QRect> where = std::nullopt, int timeoutMs = 20000) {
        std::optional<TopWindow> main;
        WaitFor(
            [&] {
                main = Main();
                if (!main || (where && main->client != *where)) return false;
                m_shot = m_x.Shot();
                return bool(LaidOut(m_shot, main->client));
            },
            timeoutMs);
        if (main) m_shot = m_x.Shot();
        return main;
    }
    const QImage& LastShot() const { return m_shot; }

    std::optional<TopWindow> Main() {
        std::optional<TopWindow> main;
        for (const TopWindow& w : m_x.Windows())
            if (!main || w.client.width() * w.client.height() > main->client.width() * main->client.height()) main = w;
        return main;
    }
    // A window of the program that is not the main one, once one shows.
    std::optional<TopWindow> WaitOther(unsigned long mainId, int timeoutMs = 8000) {
        std::optional<TopWindow> other;
        WaitFor(
            [&] {
                for (const TopWindow& w : m_x.Windows())
                    if (w.id != mainId) other = w;
                return other.has_value();
            },
            timeoutMs);
        return other;
    }
    bool WaitAlone(unsigned long mainId, int timeoutMs = 5000) {
        return WaitFor(
            [&] {
                const auto all = m_x.Windows();
                return all.size() == 1 && all[0].id == mainId;
            },
            timeoutMs);
    }

private:
    XDisplay& m_x;
    TempDir m_dir;
    std::unique_ptr<ChildProcess> m_process;
    QImage m_shot;
};

// Where things are in the main window, in screen coordinates: the centre of
// the button bar's segment (0 CAPTURE, 1 CONFIG, 2 EXIT).
QPoint BarSegment(const QRect& c, int segment);

// A point of the configuration dialog, from its template: the template's
// dialog units scale to the client rectangle the window manager shows.
QPoint InDialog(const QRect& client, int xDlu, int yDlu);
// The centre of the `nth` item of class `className` in the dialog's template.
QPoint ItemCentre(const QRect& client, const std::u16string& className, int nth);

// The table's visible rows (top and bottom of each, on the screen) and its
// name and address columns, found by the pale yellow of their cells.
struct Table {
    std::vector<std::pair<int, int>> rows;
    std::pair<int, int> name, address;
};
constexpr QRgb kCell = 0xFFFFFFE0;
std::optional<Table> FindTable(const QImage& shot, const QRect& dialog);
QImage Cell(const QImage& shot, const Table& t, std::size_t row, const std::pair<int, int>& column);

// The screen once its `area` differs from `before` and then holds still (the
// same in two shots in a row, or for `quietMs` when given; a blinking caret
// counts as still); the last shot when that does not come in `timeoutMs`. The
// area leaves out what changes by itself (the main window's live values). A loaded machine paints late: this waits for
// the paint instead of a time. Keys that go through an input method reach the
// program one by one, each a change of its own: a quiet time tells when the
// last of them has been drawn.
QImage ShotAfterChange(XDisplay& x, const QImage& before, const QRect& area, int timeoutMs = 8000,
                       int quietMs = 0);

// The program with the configuration dialog open over it: `x`, `relay`, the
// main window `main`, the dialog `dialog` and its client rectangle `d`. The
// X server has a window manager unless the constructor says otherwise.
class ConfigDialogBase : public ::testing::Test {
protected:
    explicit ConfigDialogBase(bool windowManager = true) : x(1280, 1024, windowManager) {}
    // Starts the program with `settings` and opens CONFIG.
    void OpenDialog(const RelaySettings& settings = RelaySettings());
    // Opens CONFIG again over the running program (after OK or Cancel).
    void ClickConfig();
    // Types `text` into the Port field in place of what it holds, then clicks OK.
    void TypePortAndOk(const std::string& text);
    // The box that shows over the dialog (a refusal), once it shows.
    std::optional<TopWindow> WaitRefusal();
    XDisplay x;
    std::unique_ptr<Relay> relay;
    std::optional<TopWindow> main, dialog;
    QRect d;
};

// The dialog with its table found (FindTheTable): where its cells and buttons are.
class ConfigTableBase : public ConfigDialogBase {
protected:
    using ConfigDialogBase::ConfigDialogBase;
    void FindTheTable();
    QPoint NameCell(std::size_t row) const;
    QPoint RowHeader(std::size_t row) const;
    QPoint Ok() const { return ItemCentre(d, u"Button", 4); }
    QPoint Cancel() const { return ItemCentre(d, u"Button", 5); }
    QPoint SpeedUnit() const { return ItemCentre(d, u"Edit", 1); }
    std::optional<Table> table;
};

// A text field of the settings file's bytes, up to its first NUL, and where
// the fields the tests read stand in the file.
std::string SettingsField(const std::vector<unsigned char>& bytes, std::size_t offset, std::size_t size);
std::size_t NameOffset(int stack);
constexpr std::size_t kTitleOffset = 40, kUnitOffset = 120, kServerIpOffset = 424444;

class ConfigDialog : public ConfigDialogBase {
protected:
    void SetUp() override { OpenDialog(); }
};

}  // namespace display_test

#define START_X(x)                                             \
    NEED_X(x);                                             \
    do {                                                       \
    } while (0)

// A new X server of 1280 x 1024 with the program laid out on it: `x`, `relay`
// and the main window `main`.
#define RUN_RELAY(windowManager)               \
    XDisplay x(1280, 1024, windowManager);     \
    START_X(x);                                \
    Relay relay(x);                            \
    const auto main = relay.WaitLaidOut();     \
    ASSERT_TRUE(main) << "no window; stderr: " << relay.Stderr()
