#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/config_data.h"
#include "app/settings_file.h"
#include "controls/utility.h"
#include "platform/base/codepage.h"
#include "tests/support/child_process.h"
#include "tests/support/namespaces.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kSize = 428544;
constexpr std::size_t kCountOffset = 418016;

// The record is too large for the stack; made zero, as at set-up.
std::unique_ptr<ConfigData> ZeroRecord() { return std::make_unique<ConfigData>(); }

std::vector<unsigned char> Bytes(const ConfigData& cfg) {
    const auto* p = reinterpret_cast<const unsigned char*>(&cfg);
    return {p, p + sizeof cfg};
}

template <typename T>
T At(const std::vector<unsigned char>& b, std::size_t offset) {
    T v;
    std::memcpy(&v, b.data() + offset, sizeof v);
    return v;
}

std::string TextAt(const std::vector<unsigned char>& b, std::size_t offset, std::size_t size) {
    const char* p = reinterpret_cast<const char*>(b.data() + offset);
    return std::string(p, ::strnlen(p, size));
}

bool AllZero(const std::vector<unsigned char>& b, std::size_t from, std::size_t to) {
    return std::all_of(b.begin() + std::ptrdiff_t(from), b.begin() + std::ptrdiff_t(to),
                       [](unsigned char c) { return c == 0; });
}

std::vector<unsigned char> Pattern(std::size_t size, unsigned seed) {
    std::vector<unsigned char> v(size);
    std::mt19937 gen(seed);
    for (auto& c : v) c = static_cast<unsigned char>(gen() | 1);  // never zero
    return v;
}

// A piece run in a forked child (as another account when `unprivileged` and
// the tests run as root) with its stderr kept: its result and what it said.
struct SaidRun {
    ForkedRun run;
    std::string said;
};
SaidRun RunSaying(const std::function<int()>& body, bool unprivileged = false) {
    TempDir dir;
    fs::permissions(dir.path(), fs::perms(0755));
    const fs::path err = dir / "stderr.txt";
    WriteAllBytes(err, "", 0);
    fs::permissions(err, fs::perms(0666));
    SaidRun out;
    out.run = RunForked(
        [&] {
            const int fd = ::open(err.c_str(), O_WRONLY);
            if (fd < 0 || ::dup2(fd, 2) < 0) return 125;
            return body();
        },
        20000, unprivileged);
    const std::vector<unsigned char> said = ReadAllBytes(err);
    out.said.assign(said.begin(), said.end());
    return out;
}

bool Says(const std::string& said, const std::string& what) { return said.find(what) != std::string::npos; }

}  // namespace

TEST(SettingsFile, FirstStartWritesEveryDefaultAtItsOffset) {
    TempDir dir;
    const auto path = dir / "ZEL-Rerovora.cfg";
    auto cfg = ZeroRecord();
    CUtility util;
    const time_t before = ::time(nullptr);
    EXPECT_TRUE(LoadConfigFile(U16(path), *cfg, util)) << "a first start's defaults are the file's";

    ASSERT_EQ(fs::file_size(path), kSize);
    const std::vector<unsigned char> b = ReadAllBytes(path);
    EXPECT_EQ(b, Bytes(*cfg));  // the file is the record

    EXPECT_EQ(TextAt(b, 0, 40), "1.0");
    EXPECT_EQ(TextAt(b, 40, 80), "ZEL REROVORA");
    EXPECT_EQ(TextAt(b, 120, 40), "m/s");
    EXPECT_TRUE(AllZero(b, 3, 40) && AllZero(b, 52, 120) && AllZero(b, 123, 160));
    for (auto [offset, value] : {std::pair{160, 1}, {164, 2}, {200, 9600}, {204, 9600}, {240, 1}, {244, 1},
                                 {248, 10}, {344, 0}, {348, 250}, {352, 51200}, {396, 1}})
        EXPECT_EQ(At<std::int32_t>(b, offset), value) << "offset " << offset;
    EXPECT_EQ(At<double>(b, 256), 1.0);
    EXPECT_EQ(At<double>(b, 264), 0.7);
    const std::uint32_t colours[10] = {0x800000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x4080FF,
                                       0x0000FF, 0x0000FF, 0x0000FF, 0x0000FF, 0x0000FF};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(At<std::uint32_t>(b, 356 + 4 * i), colours[i]) << i;
    EXPECT_TRUE(AllZero(b, 168, 200) && AllZero(b, 272, 344) && AllZero(b, 400, 1180));

    // Both time stamps: the local time of the first start.
    std::tm now{};
    ::localtime_r(&before, &now);
    for (std::size_t offset : {1180u, 1196u}) {
        EXPECT_GE(At<std::uint16_t>(b, offset), now.tm_year + 1900) << offset;
        EXPECT_GE(At<std::uint16_t>(b, offset + 2), 1) << offset;
        EXPECT_LE(At<std::uint16_t>(b, offset + 2), 12) << offset;
    }
    EXPECT_TRUE(AllZero(b, 1212, 1216));

    for (int i = 0; i < 100; ++i) {
        const std::size_t s = 1216 + std::size_t(i) * 4168;
        EXPECT_EQ(At<std::uint32_t>(b, s), 0u);
        EXPECT_EQ(TextAt(b, s + 4, 80), "QC" + std::to_string(1101 + i));
        EXPECT_EQ(At<double>(b, s + 88), 60.0);
        EXPECT_EQ(At<double>(b, s + 96), 30.0);
        EXPECT_EQ(At<double>(b, s + 104), 40.0);
        EXPECT_EQ(At<double>(b, s + 112), 45.0);
        EXPECT_TRUE(AllZero(b, s + 120, s + 4168)) << "stack " << i;  // flags and reserved
    }

    EXPECT_EQ(At<std::int32_t>(b, 418016), 12);
    EXPECT_EQ(At<std::uint32_t>(b, 418020), 0x008000u);
    EXPECT_EQ(At<std::uint32_t>(b, 418024), 0x4080FFu);
    EXPECT_EQ(At<std::uint32_t>(b, 418028), 0x0000FFu);
    EXPECT_TRUE(AllZero(b, 418032, 424440));
    EXPECT_EQ(b[424440], 3);
    EXPECT_EQ(b[424441], 2);
    EXPECT_EQ(At<std::uint32_t>(b, 424444), 0u);
    EXPECT_EQ(At<std::int32_t>(b, 424448), 22700);
    EXPECT_EQ(At<std::int32_t>(b, 424452), 30);
    EXPECT_TRUE(AllZero(b, 424456, kSize));
}

TEST(SettingsFile, ExistingFileIsTakenAsItStandsExceptTheStackCount) {
    TempDir dir;
    const auto path = dir / "ZEL-Rerovora.cfg";
    auto written = ZeroRecord();
    FillConfigDefaults(*written);
    std::memset(written->szTitle, 'T', sizeof written->szTitle);  // no terminator in the field
    written->nStackCount = 5;
    written->nServerPort = 1234;
    written->nBoundedValue = 1000;  // out of range: loading does not touch it
    written->aStacks[3].bShowDirection = 1;
    ASSERT_TRUE(SaveConfigFile(U16(path), *written));

    auto cfg = ZeroRecord();
    CUtility util;
    EXPECT_TRUE(LoadConfigFile(U16(path), *cfg, util));
    EXPECT_EQ(cfg->nStackCount, 12);
    // The unterminated title is read up to its field's end, not into the next field.
    EXPECT_EQ(AnsiFieldToWide(cfg->szTitle, sizeof cfg->szTitle), std::u16string(80, u'T'));
    EXPECT_EQ(AnsiFieldToWide(cfg->szSpeedUnit, sizeof cfg->szSpeedUnit), u"m/s");
    EXPECT_EQ(cfg->nServerPort, 1234);
    EXPECT_EQ(cfg->nBoundedValue, 1000);
    EXPECT_EQ(cfg->aStacks[3].bShowDirection, 1);
    cfg->nStackCount = 5;
    EXPECT_EQ(Bytes(*cfg), Bytes(*written));
    EXPECT_EQ(At<std::int32_t>(ReadAllBytes(path), kCountOffset), 5);  // loading writes nothing
}

// A file of another size than the record is taken as it stands (a short one
// fills the front of the record, a long one gives only the record's bytes), and
// says so on stderr with its length; a file of the right size says nothing.
TEST(SettingsFile, AFileOfTheWrongSizeIsTakenAsItStandsAndSaidSo) {
    const struct {
        const char* what;
        std::size_t size;
        const char* said;  // null: nothing
    } cases[] = {
        {"an empty file", 0, "is 0 bytes long, not 428544: the settings past its end are zero"},
        {"a file cut short", 100, "is 100 bytes long, not 428544: the settings past its end are zero"},
        {"a file one byte short", kSize - 1, "is 428543 bytes long, not 428544"},
        {"a file too long", kSize + 1000, "is 429544 bytes long, not 428544: only its first bytes are settings"},
        {"a file of the record's size", kSize, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const auto path = dir / "ZEL-Rerovora.cfg";
        const std::vector<unsigned char> content = Pattern(c.size, unsigned(c.size));
        WriteAllBytes(path, content.data(), content.size());
        std::vector<unsigned char> expected(kSize, 0);
        std::copy_n(content.begin(), std::min(kSize, content.size()), expected.begin());
        const std::int32_t twelve = 12;
        std::memcpy(expected.data() + kCountOffset, &twelve, 4);
        const SaidRun out = RunSaying([&] {
            auto cfg = ZeroRecord();
            CUtility util;
            LoadConfigFile(U16(path), *cfg, util);
            return Bytes(*cfg) == expected ? 0 : 1;
        });
        ASSERT_EQ(out.run.outcome, ForkedRun::kExited);
        EXPECT_EQ(out.run.code, 0) << "the record is not the file's front";
        if (c.said) {
            EXPECT_TRUE(Says(out.said, "settings file " + path.string() + " " + c.said)) << out.said;
        } else {
            EXPECT_EQ(out.said, "");
        }
        EXPECT_EQ(ReadAllBytes(path), content) << "loading writes nothing";
    }
}

TEST(SettingsFile, UnwritablePlaceFailsAndKeepsTheDefaultsInMemory) {
    TempDir dir;
    WriteAllBytes(dir / "plain-file", "x", 1);
    CUtility util;
    for (const fs::path& path : {dir / "missing-folder" / "ZEL-Rerovora.cfg", dir / "plain-file" / "ZEL-Rerovora.cfg"}) {
        auto cfg = ZeroRecord();
        LoadConfigFile(U16(path), *cfg, util);
        EXPECT_STREQ(cfg->szTitle, "ZEL REROVORA") << path;
        EXPECT_EQ(cfg->nServerPort, 22700) << path;
        EXPECT_EQ(cfg->nStackCount, 12);
        EXPECT_FALSE(SaveConfigFile(U16(path), *cfg));
    }
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) names.push_back(e.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"plain-file"});
}

// A writer killed at any moment leaves the old file or the new one, whole; its
// leftover temp file is removed by the next save.
TEST(SettingsFile, KillDuringSaveLeavesAWholeFile) {
    TempDir dir;
    const auto path = dir / "ZEL-Rerovora.cfg";
    auto a = ZeroRecord();
    auto b = ZeroRecord();
    FillConfigDefaults(*a);
    FillConfigDefaults(*b);
    std::memset(b->reserved418032, 0xB7, sizeof b->reserved418032);
    std::snprintf(b->szTitle, sizeof b->szTitle, "RECORD B");
    ASSERT_TRUE(SaveConfigFile(U16(path), *a));
    const std::vector<unsigned char> bytesA = Bytes(*a), bytesB = Bytes(*b);

    std::mt19937 gen(20260101);
    std::uniform_int_distribution<int> pause(0, 8000);
    for (int round = 0; round < 60; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (unsigned n = 0;; ++n) SaveConfigFile(U16(path), (n % 2) ? *a : *b);
        }
        ::usleep(useconds_t(pause(gen)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        const std::vector<unsigned char> now = ReadAllBytes(path);
        ASSERT_EQ(now.size(), kSize) << "round " << round;
        ASSERT_TRUE(now == bytesA || now == bytesB) << "round " << round;
        const auto entries = std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator());
        ASSERT_LE(entries, 2) << "round " << round;  // the file and at most one leftover
    }
    ASSERT_TRUE(SaveConfigFile(U16(path), *a));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

// The settings file's place taken by something that is not a file. Nothing
// is read from it (a pipe would make the load wait for a writer that never
// comes); the program runs on its defaults, never on a record of zeros, and
// says so on stderr. A link to nothing is a file not made yet, as at a first
// start: the defaults are written where it points, through the link. Anything
// else is left as it is by the save.
TEST(SettingsFile, APlaceThatIsNotAFileRunsOnTheDefaults) {
    enum Left { kLeftAlone, kWrittenThrough, kNothingMade };
    struct Case {
        const char* what;
        std::function<void(const fs::path& path)> make;
        const char* said;
        Left left;
    };
    const Case cases[] = {
        {"a folder", [](const fs::path& p) { fs::create_directory(p); }, "a folder", kLeftAlone},
        {"a pipe", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }, "not a regular file",
         kLeftAlone},
        {"a loop of links",
         [](const fs::path& p) {
             fs::create_symlink("loop-b", p.parent_path() / "loop-a");
             fs::create_symlink("loop-a", p.parent_path() / "loop-b");
             fs::create_symlink("loop-a", p);
         },
         "a loop of links", kLeftAlone},
        {"a link to nothing",
         [](const fs::path& p) {
             fs::create_directory(p.parent_path() / "kept");
             fs::create_symlink("kept/settings.bin", p);
         },
         "a link to nothing", kWrittenThrough},
        {"a link into a folder that is not there",
         [](const fs::path& p) { fs::create_symlink("gone/settings.bin", p); }, "a link to nothing", kNothingMade},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const auto path = dir / "ZEL-Rerovora.cfg";
        c.make(path);
        const fs::file_status before = fs::symlink_status(path);
        const auto err = dir / "stderr.txt";
        // In a child, so that a load that waits on a pipe cannot hang the test.
        const ForkedRun run = RunForked(
            [&] {
                const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                ::dup2(fd, 2);
                auto cfg = ZeroRecord();
                std::memset(static_cast<void*>(cfg.get()), 0x5A, sizeof *cfg);
                CUtility util;
                LoadConfigFile(U16(path), *cfg, util);
                int failed = 0;
                failed |= std::strcmp(cfg->szTitle, "ZEL REROVORA") != 0 ? 1 : 0;
                failed |= cfg->nServerPort != 22700 || cfg->nSendPeriod != 30 || cfg->nStackCount != 12 ? 2 : 0;
                failed |= std::strcmp(cfg->aStacks[11].szName, "QC1112") != 0 || cfg->byGridX != 3 ? 4 : 0;
                failed |= SaveConfigFile(U16(path), *cfg) != (c.left == kWrittenThrough) ? 8 : 0;
                return failed;
            },
            5000);
        ASSERT_EQ(run.outcome, ForkedRun::kExited) << "the load waits";
        EXPECT_EQ(run.code & 1, 0) << "the default title is in memory";
        EXPECT_EQ(run.code & 2, 0) << "the default port, period and count are in memory";
        EXPECT_EQ(run.code & 4, 0) << "the default names and grid are in memory";
        EXPECT_EQ(run.code & 8, 0) << "the save's result";
        const std::vector<unsigned char> said = ReadAllBytes(err);
        const std::string message(said.begin(), said.end());
        EXPECT_NE(message.find(path.string()), std::string::npos) << message;
        EXPECT_NE(message.find(c.said), std::string::npos) << message;
        EXPECT_NE(message.find("default settings"), std::string::npos) << message;
        // The place itself: still what it was, a link still a link.
        EXPECT_EQ(fs::symlink_status(path).type(), before.type());
        switch (c.left) {
        case kLeftAlone:
            if (fs::is_directory(fs::symlink_status(path))) { EXPECT_TRUE(fs::is_empty(path)); }
            break;
        case kWrittenThrough: {
            const auto target = dir / "kept" / "settings.bin";
            ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(target)));
            const std::vector<unsigned char> written = ReadAllBytes(target);
            ASSERT_EQ(written.size(), kSize);
            EXPECT_EQ(TextAt(written, 40, 80), "ZEL REROVORA");
            EXPECT_EQ(At<std::int32_t>(written, 424448), 22700);
            break;
        }
        case kNothingMade:
            EXPECT_FALSE(fs::exists(dir / "gone"));
            break;
        }
    }
}

// A settings file that cannot be read (here: its owner may write it but not
// read it) is not a record of zeros: the program runs on its defaults and says
// so, and no save writes those defaults over the site's settings while the
// file cannot be read; once it can be read again, a save goes through. The
// folder is the saver's own, so that nothing but that rule keeps the file.
TEST(SettingsFile, AnUnreadableFileRunsOnTheDefaultsAndIsNotWrittenOver) {
    TempDir dir;
    const auto path = dir / "ZEL-Rerovora.cfg";
    auto kept = ZeroRecord();
    FillConfigDefaults(*kept);
    std::snprintf(kept->szTitle, sizeof kept->szTitle, "KEPT TITLE");
    ASSERT_TRUE(SaveConfigFile(U16(path), *kept));
    if (::geteuid() == 0) {
        // Root reads every file: the steps run as another account, owning both.
        ASSERT_EQ(::chown(dir.path().c_str(), UnprivilegedUid(), UnprivilegedGid()), 0);
        ASSERT_EQ(::chown(path.c_str(), UnprivilegedUid(), UnprivilegedGid()), 0);
    }
    fs::permissions(path, fs::perms::owner_write);
    enum : int { kNotDefaults = 1, kSavedOver = 2, kNotSavedOnceReadable = 4, kTakenAsRead = 8, kReadable = 100 };
    const SaidRun out = RunSaying(
        [&] {
            if (::access(path.c_str(), R_OK) == 0) return int(kReadable);
            auto cfg = ZeroRecord();
            CUtility util;
            // The load says the defaults stand in for the file: the exit then
            // leaves it alone even once it can be read.
            int failed = LoadConfigFile(U16(path), *cfg, util) ? int(kTakenAsRead) : 0;
            if (std::strcmp(cfg->szTitle, "ZEL REROVORA") != 0 || cfg->nServerPort != 22700 ||
                std::strcmp(cfg->aStacks[0].szName, "QC1101") != 0)
                failed |= kNotDefaults;
            if (SaveConfigFile(U16(path), *cfg)) failed |= kSavedOver;  // as at CONFIG's OK or at exit
            ::chmod(path.c_str(), 0600);
            std::snprintf(cfg->szTitle, sizeof cfg->szTitle, "CONFIGURED");
            if (!SaveConfigFile(U16(path), *cfg)) failed |= kNotSavedOnceReadable;
            return failed;
        },
        /*unprivileged=*/true);
    if (out.run.outcome == ForkedRun::kNoUnprivilegedUser) GTEST_SKIP() << "no unprivileged user";
    ASSERT_EQ(out.run.outcome, ForkedRun::kExited);
    ASSERT_NE(out.run.code, kReadable) << "the file was readable to the child";
    EXPECT_EQ(out.run.code & kNotDefaults, 0) << "not the defaults in memory";
    EXPECT_EQ(out.run.code & kTakenAsRead, 0) << "the load took the defaults for the file's settings";
    EXPECT_EQ(out.run.code & kSavedOver, 0) << "the defaults were written over the unread settings";
    EXPECT_EQ(out.run.code & kNotSavedOnceReadable, 0) << "a save once the file can be read";
    EXPECT_TRUE(Says(out.said, "cannot be read (Permission denied); it is not written over until it can be: running "
                               "on the default settings"))
        << out.said;
    EXPECT_TRUE(Says(out.said, "settings file " + path.string() + " not saved: it cannot be read")) << out.said;
    const std::vector<unsigned char> now = ReadAllBytes(path);
    ASSERT_EQ(now.size(), kSize);
    EXPECT_EQ(TextAt(now, 40, 80), "CONFIGURED");
}

// The settings file's name is a link in a folder every account may write
// (sticky, mode 1777): a link another account planted there is not followed,
// neither to read settings from (a readable text file, a root-only file) nor
// to write them (nor to make a file where it points); the program runs on its
// defaults and says so. The site's own link keeps working both ways.
TEST(SettingsFile, ALinkAnotherAccountPlantedInASharedFolderIsNotFollowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to make links owned by other accounts";
    auto site = ZeroRecord();
    FillConfigDefaults(*site);
    std::snprintf(site->szTitle, sizeof site->szTitle, "SITE TITLE");
    const std::vector<unsigned char> siteBytes = Bytes(*site);
    const std::string text = "root:x:0:0:root:/root:/bin/bash\n";
    const struct {
        const char* what;
        uid_t linkOwner;
        std::vector<unsigned char> content;  // empty: the link points at nothing
        mode_t mode;
        bool followed;
    } cases[] = {
        {"another account's link to a readable text file", UnprivilegedUid(), {text.begin(), text.end()}, 0644, false},
        {"another account's link to a root-only file", UnprivilegedUid(), siteBytes, 0600, false},
        {"another account's link to nothing", UnprivilegedUid(), {}, 0, false},
        {"the site's own link to its settings", 0, siteBytes, 0600, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        fs::permissions(dir.path(), fs::perms(0755));
        const fs::path shared = dir / "shared";
        fs::create_directory(shared);
        ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
        const fs::path target = dir / "target.cfg";
        if (!c.content.empty()) {
            WriteAllBytes(target, c.content.data(), c.content.size());
            ASSERT_EQ(::chmod(target.c_str(), c.mode), 0);
        }
        const fs::path path = shared / "ZEL-Rerovora.cfg";
        fs::create_symlink(target, path);
        ASSERT_EQ(::lchown(path.c_str(), c.linkOwner, c.linkOwner), 0);
        const SaidRun out = RunSaying([&] {
            auto cfg = ZeroRecord();
            CUtility util;
            LoadConfigFile(U16(path), *cfg, util);
            const std::string title = cfg->szTitle;
            std::snprintf(cfg->szTitle, sizeof cfg->szTitle, "SAVED");
            const bool saved = SaveConfigFile(U16(path), *cfg);
            return (title == (c.followed ? "SITE TITLE" : "ZEL REROVORA") ? 0 : 1) | (saved == c.followed ? 0 : 2);
        });
        ASSERT_EQ(out.run.outcome, ForkedRun::kExited);
        EXPECT_EQ(out.run.code & 1, 0) << "the title loaded";
        EXPECT_EQ(out.run.code & 2, 0) << "the save's result";
        EXPECT_TRUE(fs::is_symlink(path));
        if (c.followed) {
            EXPECT_EQ(TextAt(ReadAllBytes(target), 40, 80), "SAVED");
        } else {
            EXPECT_TRUE(Says(out.said, "settings file " + path.string() +
                                           " is a link made by another account"))
                << out.said;
            EXPECT_TRUE(Says(out.said, "default settings")) << out.said;
            EXPECT_TRUE(Says(out.said, "not saved")) << out.said;
            if (c.content.empty()) {
                EXPECT_FALSE(fs::exists(target));
            } else {
                EXPECT_EQ(ReadAllBytes(target), c.content);
            }
        }
    }
}

// A save on a file system with no inode left (no new file can be made beside
// the old one): the save fails, says so, and the old settings stay byte for
// byte; a full record does not fit in the old file's room either.
TEST(SettingsFile, ASaveOnAFullFileSystemSaysSoAndLeavesTheOldFile) {
    TempDir dir;
    fs::permissions(dir.path(), fs::perms(0755));
    const std::string mount = (dir / "fs").string();
    fs::create_directory(mount);
    const CoveredRun run = RunOnOwnTmpfs(
        mount, "size=2m,nr_inodes=32,mode=0755",
        [&]() -> std::string {
            const fs::path path = fs::path(mount) / "ZEL-Rerovora.cfg";
            const std::vector<unsigned char> old = Pattern(1000, 7);
            WriteAllBytes(path, old.data(), old.size());
            UseUpInodes(mount);
            auto cfg = ZeroRecord();
            FillConfigDefaults(*cfg);
            const SaidRun out = RunSaying([&] { return SaveConfigFile(U16(path), *cfg) ? 1 : 0; });
            std::string report;
            if (out.run.outcome != ForkedRun::kExited || out.run.code != 0) report += "the save did not fail; ";
            if (!Says(out.said, "settings file " + path.string() + " not saved: ") ||
                !Says(out.said, "No space left on device; the file is left as it was"))
                report += "said: " + out.said;
            if (ReadAllBytes(path) != old) report += "the file changed; ";
            return report.empty() ? "ok" : report;
        },
        60000);
    if (!run.ran) GTEST_SKIP() << "cannot mount a tmpfs of its own here (needs root): " << run.report;
    EXPECT_EQ(run.report, "ok");
}
