// The real program, started as an operator would start it.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

const fs::path kProgram = fs::path(REROVORA_BINARY_DIR) / "rerovora";
constexpr std::uintmax_t kConfigSize = 428544;

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
    // A settings file of the right size with a stack count of 5 and a title of our own.
    std::vector<unsigned char> bytes(kConfigSize, 0);
    const char title[] = "WIND FARM";
    std::copy(std::begin(title), std::end(title), bytes.begin() + 40);
    bytes[418016] = 5;
    WriteAllBytes(dir / "ZEL-Rerovora.cfg", bytes.data(), bytes.size());
    {
        ChildProcess program(kProgram, {}, dir.path());
        // It reads the file within moments of starting; still running after two
        // seconds, it is killed, which skips the save on exit.
        EXPECT_FALSE(WaitFor([&] { return !program.Running(); }, 2000)) << program.Stderr();
        EXPECT_TRUE(program.Stop(SIGKILL, 5000));
    }
    // Nothing was rewritten by the start (the file is written on exit and on OK only).
    EXPECT_EQ(ReadAllBytes(dir / "ZEL-Rerovora.cfg"), bytes);
}
