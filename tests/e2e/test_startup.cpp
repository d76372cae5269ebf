// The real program, started as an operator would start it.
#include <gtest/gtest.h>

#include <csignal>
#include <array>
#include <ctime>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/child_process.h"
#include "tests/support/process_memory.h"
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

    // Another folder, same machine: the second start is refused and writes nothing.
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
