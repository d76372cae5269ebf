// The real program, started as an operator would start it.
#include <gtest/gtest.h>

#include <csignal>
#include <array>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/child_process.h"
#include "tests/support/loopback_peer.h"
#include "tests/support/namespaces.h"
#include "tests/support/relay_settings.h"
#include "tests/support/runtime_places.h"
#include "tests/support/process_memory.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

const fs::path kProgram = fs::path(REROVORA_BINARY_DIR) / "rerovora";
constexpr std::uintmax_t kConfigSize = 428544;
constexpr std::size_t kTitleOffset = 40;
constexpr std::size_t kCountOffset = 418016;

}  // namespace

TEST(Startup, FirstStartWritesTheSettingsAndASecondInstanceStops) {
    TempDir first, second;
    ChildProcess running(kProgram, {}, first.path());
    const fs::path cfg = first / "ZEL-Rerovora.cfg";
    ASSERT_TRUE(WaitFor([&] { return fs::exists(cfg) && fs::file_size(cfg) == kConfigSize; }, 20000))
        << running.Stderr();
    ASSERT_TRUE(running.Running());

    // Another folder, same user: the second start is refused and writes nothing.
    ChildProcess refused(kProgram, {}, second.path());
    EXPECT_TRUE(refused.WaitForStderr("message box: Already Running!", 20000)) << refused.Stderr();
    EXPECT_FALSE(fs::exists(second / "ZEL-Rerovora.cfg"));
    EXPECT_TRUE(refused.Stop(SIGKILL, 5000));
    EXPECT_TRUE(running.Running());

    // Once the first is gone (killed, never releasing anything itself), a start proceeds.
    ASSERT_TRUE(running.Stop(SIGKILL, 5000));
    fs::remove(second / "child.stderr");
    ChildProcess after(kProgram, {}, second.path());
    EXPECT_TRUE(WaitFor([&] { return fs::exists(second / "ZEL-Rerovora.cfg"); }, 20000)) << after.Stderr();
    EXPECT_EQ(after.Stderr().find("Already Running!"), std::string::npos);
}

TEST(Startup, AnExistingSettingsFileIsLoadedNotReplaced) {
    TempDir dir;
    // A settings file of the right size with a stack count of 5 and a title of our
    // own, unique to this run, so that nothing but the file can put it in the program.
    std::vector<unsigned char> bytes(kConfigSize, 0);
    const std::string title = "WIND FARM " + std::to_string(::getpid()) + "-" + std::to_string(::time(nullptr));
    std::copy(title.begin(), title.end(), bytes.begin() + kTitleOffset);
    bytes[kCountOffset] = 5;
    WriteAllBytes(dir / "ZEL-Rerovora.cfg", bytes.data(), bytes.size());
    bool readable = true;
    {
        ChildProcess program(kProgram, {}, dir.path());
        // The live record in the running program: the file's title, and the stack
        // count set to 12 after the load (the file's own bytes say 5).
        bool loaded = false;
        WaitFor([&] {
            const auto found = FindInProcessMemory(program.pid(), title);
            readable = found.has_value();
            if (!found) return true;
            for (std::uint64_t at : *found) {
                if (at < kTitleOffset) continue;
                const std::uint64_t record = at - kTitleOffset;
                std::int32_t count = 0;
                std::array<unsigned char, kTitleOffset> version{};
                if (ReadProcessMemory(program.pid(), record + kCountOffset, &count, 4) &&
                    ReadProcessMemory(program.pid(), record, version.data(), version.size()))
                    loaded = loaded || (count == 12 && version == std::array<unsigned char, kTitleOffset>{});
            }
            return loaded || !program.Running();
        }, 20000);
        EXPECT_TRUE(program.Running()) << program.Stderr();
        if (readable) {
            EXPECT_TRUE(loaded) << "no settings record holding the file's title and 12 stacks";
        }
        // Killed, the program skips the save on exit.
        EXPECT_TRUE(program.Stop(SIGKILL, 5000));
    }
    // Nothing was rewritten by the start (the file is written on exit and on OK only).
    EXPECT_EQ(ReadAllBytes(dir / "ZEL-Rerovora.cfg"), bytes);
    if (!readable) GTEST_SKIP() << "the loading is not seen: another process's memory cannot be read here";
}

// A pipe by the settings file's name: the program neither waits on it nor
// replaces it; it runs on its defaults and says why.
TEST(Startup, APipeAtTheSettingsPathDoesNotHoldTheStart) {
    TempDir dir;
    const fs::path cfg = dir / "ZEL-Rerovora.cfg";
    ASSERT_EQ(::mkfifo(cfg.c_str(), 0644), 0);
    ChildProcess program(kProgram, {}, dir.path());
    EXPECT_TRUE(program.WaitForStderr("not a regular file", 20000)) << program.Stderr();
    EXPECT_TRUE(program.Running()) << program.Stderr();
    EXPECT_TRUE(program.Stop(SIGKILL, 5000));
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(cfg)));
}

// ---------------------------------------------------------------------------
// One instance per user however it is started, on machines arranged in a view
// of the file system of the test's own (the home folder, /run and /tmp empty).

namespace {

// Starts the program in a new folder of `places`' scratch with the environment
// of `xdg` (HOME differing per start); true once it writes its settings.
struct Start {
    std::unique_ptr<TempDir> dir;
    std::unique_ptr<ChildProcess> program;
};

Start StartProgram(const RuntimePlaces& places, const std::string& xdg, const std::string& home) {
    SetStartEnvironment(places, xdg, home);
    Start s;
    s.dir = std::make_unique<TempDir>();
    s.program = std::make_unique<ChildProcess>(kProgram, std::vector<std::string>{}, s.dir->path());
    return s;
}

bool WroteSettings(const Start& s) {
    const fs::path cfg = s.dir->path() / "ZEL-Rerovora.cfg";
    return WaitFor([&] { return fs::exists(cfg) && fs::file_size(cfg) == kConfigSize; }, 20000);
}

}  // namespace

// The demo's start (./run names no runtime folder) and a start by hand from a
// session (naming the login manager's folder, or the home folder's when there
// is no login session) are one instance: the second says "Already Running!".
// So are a start at boot, before the login manager made the session's folder,
// and a start by hand from the session made later.
TEST(Startup, TheDemoAndAStartByHandAreOneInstance) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root for a view of the file system of its own";
    const struct {
        const char* name;
        RuntimeMachine machine;
        const char* first;
        const char* second;
        bool sessionAppears = false;  // the login manager makes /run/user/<uid> between the starts
    } cases[] = {
        {"the demo's start, then one from a desktop session", {RuntimeMachine::kSession}, "", "session"},
        {"a start from a desktop session, then the demo's", {RuntimeMachine::kSession}, "session", ""},
        {"no login session: the demo's, then one naming the home folder's", {}, "", "home"},
        {"a service at boot, then a start from the session made later", {}, "", "session", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CoveredRun run = RunWithCoveredFolders(
            CoveredForRuntime(),
            [&]() -> std::string {
                RuntimePlaces places;
                if (const std::string failed = ArrangeRuntime(c.machine, &places); !failed.empty()) return failed;
                Start first = StartProgram(places, c.first, "home-a");
                if (!WroteSettings(first)) return "the first start wrote no settings: " + first.program->Stderr();
                if (c.sessionAppears && ::mkdir(places.session.c_str(), 0700) != 0)
                    return "the session's folder could not be made";
                Start second = StartProgram(places, c.second, "home-b");
                if (!second.program->WaitForStderr("message box: Already Running!", 20000))
                    return "the second start was not refused: " + second.program->Stderr();
                if (fs::exists(second.dir->path() / "ZEL-Rerovora.cfg")) return "the refused start wrote settings";
                if (!first.program->Running()) return "the first start ended: " + first.program->Stderr();
                return "";
            },
            60000);
        EXPECT_TRUE(run.ran) << run.report;
        EXPECT_EQ(run.report, "");
    }
}

// Without a folder of its own for the lock (the home folder's taken by
// another account) the program says why the guard is off, and relays.
TEST(Startup, WithoutAPrivateRuntimeFolderItSaysSoAndRuns) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root for a view of the file system of its own";
    const CoveredRun run = RunWithCoveredFolders(
        CoveredForRuntime(),
        [&]() -> std::string {
            RuntimePlaces places;
            if (const std::string failed =
                    ArrangeRuntime({RuntimeMachine::kNoSession, RuntimeMachine::kOthers}, &places);
                !failed.empty())
                return failed;
            Start start = StartProgram(places, "", "home-a");
            if (!WroteSettings(start)) return "no settings written: " + start.program->Stderr();
            const std::string said = start.program->Stderr();
            for (const char* text : {"instance lock: no folder private to this user for the lock",
                                     "owned by another account", "the single-instance guard is off"})
                if (said.find(text) == std::string::npos) return std::string("not said: ") + text + "\n" + said;
            if (said.find("Already Running!") != std::string::npos) return "refused: " + said;
            return start.program->Running() ? "" : "ended: " + said;
        },
        60000);
    EXPECT_TRUE(run.ran) << run.report;
    EXPECT_EQ(run.report, "");
}

// A second start with no display, as a service manager restarting the program
// makes it: nobody can see "Already Running!", so the box says it on stderr,
// answers itself and the start ends. With a platform chosen the box is a box
// (the tests' own boxes are answered by them), and it waits to be answered.
TEST(Startup, ARefusedStartWithoutADisplayEndsByItself) {
    const ScopedEnv display("DISPLAY", nullptr), wayland("WAYLAND_DISPLAY", nullptr),
        platform("QT_QPA_PLATFORM", nullptr);
    TempDir first;
    ChildProcess running(kProgram, {}, first.path());
    const fs::path cfg = first / "ZEL-Rerovora.cfg";
    ASSERT_TRUE(WaitFor([&] { return fs::exists(cfg) && fs::file_size(cfg) == kConfigSize; }, 20000))
        << running.Stderr();
    {
        TempDir second;
        ChildProcess refused(kProgram, {}, second.path());
        EXPECT_EQ(refused.Wait(30000), 0) << "the refused start did not end by itself:\n" << refused.Stderr();
        EXPECT_NE(refused.Stderr().find("message box: Already Running! [no display: answered OK]\n"),
                  std::string::npos)
            << refused.Stderr();
        EXPECT_FALSE(fs::exists(second / "ZEL-Rerovora.cfg"));
    }
    {
        const ScopedEnv chosen("QT_QPA_PLATFORM", "offscreen");
        TempDir second;
        ChildProcess refused(kProgram, {}, second.path());
        EXPECT_TRUE(refused.WaitForStderr("message box: Already Running!\n", 20000)) << refused.Stderr();
        EXPECT_EQ(refused.Stderr().find("no display"), std::string::npos) << refused.Stderr();
        EXPECT_TRUE(refused.Stop(SIGKILL, 5000));
    }
    EXPECT_TRUE(running.Running()) << running.Stderr();
}

// Started with no display it can reach (a service at boot, a remote shell) and
// no platform chosen, the program says so and relays on the offscreen platform:
// a record with the instruments' values reaches the server. A platform chosen
// still wins, and is not remarked on.
TEST(Startup, WithoutADisplayItSaysSoAndRelays) {
    // A display number nobody serves: no X socket by that name.
    int unserved = 900 + int(::getpid() % 90);
    while (fs::exists("/tmp/.X11-unix/X" + std::to_string(unserved))) ++unserved;
    const std::string unreachable = ":" + std::to_string(unserved);
    const struct {
        const char* name;
        const char* display;
        const char* platform;
        const char* said;  // on stderr, or null: nothing said of a display
    } cases[] = {
        {"no DISPLAY", nullptr, nullptr, "no display (DISPLAY is not set)"},
        {"a DISPLAY nobody serves", unreachable.c_str(), nullptr, "cannot be reached"},
        {"no DISPLAY, offscreen chosen", nullptr, "offscreen", nullptr},
    };
    Simulator instruments("instrument_sim",
                          {"--port", "4000", "--address", "127.0.0.1-127.0.0.12", "--values", "90,2.5"});
    ASSERT_TRUE(instruments.ready()) << instruments.Stderr();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ScopedEnv display("DISPLAY", c.display), wayland("WAYLAND_DISPLAY", nullptr),
            platform("QT_QPA_PLATFORM", c.platform);
        Simulator sink("server_sink", {"--port", "0"});
        ASSERT_TRUE(sink.ready()) << sink.Stderr();
        TempDir dir;
        RelaySettings settings;
        settings.serverPort = sink.port();
        settings.WriteTo(dir.path());
        ChildProcess program(kProgram, {}, dir.path());
        const bool relayed = WaitFor(
            [&] {
                for (const SinkRecord& r : ParseSinkOutput(sink.Stdout()))
                    if (r.fields.size() > 2 && r.fields[2] == "2.5") return true;
                return !program.Running();
            },
            20000);
        EXPECT_TRUE(relayed && program.Running()) << program.Stderr() << "\nsink:\n" << sink.Stdout();
        const std::string said = program.Stderr();
        if (c.said) {
            EXPECT_NE(said.find(c.said), std::string::npos) << said;
            EXPECT_NE(said.find("offscreen"), std::string::npos) << said;
        } else {
            EXPECT_EQ(said.find("no display"), std::string::npos) << said;
        }
        EXPECT_TRUE(program.Stop(SIGTERM, 5000));
    }
}
