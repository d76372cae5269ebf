#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/system/directory.h"
#include "platform/system/file.h"
#include "tests/support/child_process.h"
#include "tests/support/namespaces.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

int CauseOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const CFileException& e) {
        return e.Cause();
    }
    return 0;
}

std::vector<std::string> Entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<unsigned char> Text(const std::string& s) { return {s.begin(), s.end()}; }

// What ReplaceFileAtomically reports: 0 or the cause of its failure.
int ReplaceCause(const fs::path& path, const std::string& content) {
    return CauseOf([&] { platform::ReplaceFileAtomically(U16(path), content.data(), content.size()); });
}

}  // namespace

TEST(CFile, WritesReadsAndHonoursCreateModes) {
    TempDir dir;
    const auto path = U16(dir / "data.bin");
    {
        CFile f(path, CFile::modeCreate | CFile::modeWrite);
        f.Write("hello world", 11);
        f.Flush();
        EXPECT_EQ(f.GetLength(), 11u);
        f.Close();
        EXPECT_FALSE(f.IsOpen());
    }
    char buf[64] = {};
    {
        CFile f(path, CFile::modeRead | CFile::shareDenyNone);
        EXPECT_EQ(f.Read(buf, sizeof buf), 11u);  // asking for more stops at the end
        EXPECT_EQ(std::string(buf, 11), "hello world");
        EXPECT_EQ(f.Read(buf, sizeof buf), 0u);
    }
    {
        CFile f(path, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite);
        EXPECT_EQ(f.GetLength(), 11u);
        f.Write("J", 1);
    }
    EXPECT_EQ(ReadAllBytes(dir / "data.bin").front(), 'J');
    { CFile f(path, CFile::modeCreate | CFile::modeWrite); }
    EXPECT_EQ(fs::file_size(dir / "data.bin"), 0u);
}

TEST(CFile, FailuresCarryTheSystemCause) {
    TempDir dir;
    fs::create_directory(dir / "sub");
    EXPECT_EQ(CauseOf([&] { CFile f(U16(dir / "missing"), CFile::modeRead); }), ENOENT);
    EXPECT_EQ(CauseOf([&] { CFile f(U16(dir / "no" / "file"), CFile::modeCreate | CFile::modeWrite); }), ENOENT);

    CFile f;
    CFileException error(0, {}, "");
    EXPECT_FALSE(f.Open(U16(dir / "sub"), CFile::modeRead, &error));  // a directory is no file
    EXPECT_EQ(error.Cause(), EISDIR);
    EXPECT_EQ(CauseOf([&] { f.Read(nullptr, 1); }), EBADF);

    EXPECT_EQ(CauseOf([&] { CFile::Remove(U16(dir / "missing")); }), ENOENT);
    EXPECT_EQ(CauseOf([&] { CFile::Rename(U16(dir / "missing"), U16(dir / "x")); }), ENOENT);
    WriteAllBytes(dir / "a", "1", 1);
    CFile::Rename(U16(dir / "a"), U16(dir / "b"));
    CFile::Remove(U16(dir / "b"));
    EXPECT_TRUE(Entries(dir.path()) == std::vector<std::string>{"sub"});
}

TEST(FileExistsAt, FindsFilesDirectoriesAndWildcardMatches) {
    TempDir dir;
    WriteAllBytes(dir / "ZEL-Rerovora.cfg", "x", 1);
    WriteAllBytes(dir / ".hidden", "x", 1);
    WriteAllBytes(dir / "a[1].txt", "x", 1);
    WriteAllBytes(dir / "b1.txt", "x", 1);
    fs::create_directory(dir / "Capture");

    EXPECT_TRUE(platform::FileExistsAt(U16(dir / "ZEL-Rerovora.cfg")));
    EXPECT_TRUE(platform::FileExistsAt(U16(dir / "Capture")));
    EXPECT_FALSE(platform::FileExistsAt(U16(dir / "missing.cfg")));
    EXPECT_FALSE(platform::FileExistsAt(u""));

    EXPECT_TRUE(platform::FileExistsAt(U16(dir / "*.cfg")));
    EXPECT_TRUE(platform::FileExistsAt(U16(dir / "ZEL-?erovora.cfg")));
    EXPECT_TRUE(platform::FileExistsAt(U16(dir / "*idden")));  // names starting with a dot match too
    EXPECT_FALSE(platform::FileExistsAt(U16(dir / "*.png")));
    // Brackets are plain characters: "b[1]*" must not match "b1.txt".
    EXPECT_TRUE(platform::FileExistsAt(U16(dir / "a[1]*")));
    EXPECT_FALSE(platform::FileExistsAt(U16(dir / "b[1]*")));
}

TEST(ReplaceFileAtomically, ReplacesContentAndKeepsRights) {
    TempDir dir;
    const auto target = dir / "settings.cfg";
    platform::ReplaceFileAtomically(U16(target), "first", 5);
    ASSERT_EQ(ReadAllBytes(target), std::vector<unsigned char>({'f', 'i', 'r', 's', 't'}));

    ::chmod(target.c_str(), 0640);
    platform::ReplaceFileAtomically(U16(target), "2nd", 3);
    EXPECT_EQ(ReadAllBytes(target), std::vector<unsigned char>({'2', 'n', 'd'}));
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_TRUE(Entries(dir.path()) == std::vector<std::string>{"settings.cfg"});
}

TEST(ReplaceFileAtomically, FailureLeavesTargetAsItWasAndNoTempFile) {
    TempDir dir;
    EXPECT_EQ(CauseOf([&] { platform::ReplaceFileAtomically(U16(dir / "no" / "f.cfg"), "x", 1); }), ENOENT);

    // A directory where the file should be: the rename fails after the data was written.
    fs::create_directory(dir / "f.cfg");
    WriteAllBytes(dir / "f.cfg" / "inside", "keep", 4);
    EXPECT_NE(CauseOf([&] { platform::ReplaceFileAtomically(U16(dir / "f.cfg"), "x", 1); }), 0);
    EXPECT_TRUE(fs::is_directory(dir / "f.cfg"));
    EXPECT_EQ(ReadAllBytes(dir / "f.cfg" / "inside").size(), 4u);
    EXPECT_TRUE(Entries(dir.path()) == std::vector<std::string>{"f.cfg"});
}

TEST(ReplaceFileAtomically, RemovesLeftoversOfDeadWritersOnly) {
    TempDir dir;
    WriteAllBytes(dir / ".f.cfg.~dead01", "old", 3);      // a writer died here
    WriteAllBytes(dir / ".f.cfg.~live01", "busy", 4);     // a writer still at work
    WriteAllBytes(dir / ".f.cfg.~notmine", "other", 5);   // not a temp of ours (wrong length)
    WriteAllBytes(dir / ".g.cfg.~dead02", "other", 5);    // another file's temp
    const int live = ::open((dir / ".f.cfg.~live01").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(live, 0);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);

    platform::ReplaceFileAtomically(U16(dir / "f.cfg"), "new", 3);
    ::close(live);
    EXPECT_TRUE(Entries(dir.path()) ==
                (std::vector<std::string>{".f.cfg.~live01", ".f.cfg.~notmine", ".g.cfg.~dead02", "f.cfg"}));
}

// The operator may write the settings file but not create files beside it (a
// folder owned by the site's administrator): the file is written where it is.
TEST(ReplaceFileAtomically, AWritableFileInAFolderClosedToNewFilesIsWrittenInPlace) {
    TempDir dir;
    const fs::path folder = dir / "site";
    const fs::path target = folder / "settings.cfg";
    fs::create_directory(folder);
    WriteAllBytes(target, "old settings", 12);
    if (::geteuid() == 0) {
        // Root's folder, the operator's file: the operator may pass but not create.
        ASSERT_EQ(::chown(target.c_str(), UnprivilegedUid(), UnprivilegedGid()), 0);
        fs::permissions(dir.path(), fs::perms(0755));
    }
    fs::permissions(folder, fs::perms(0555));

    const ForkedRun run = RunForked([&] { return ReplaceCause(target, "new"); }, 20000, true);
    fs::permissions(folder, fs::perms(0755));
    if (run.outcome == ForkedRun::kNoUnprivilegedUser) GTEST_SKIP() << "cannot run as an unprivileged user here";
    ASSERT_EQ(run.outcome, ForkedRun::kExited);
    EXPECT_EQ(run.code, 0) << "cause of the failed save";
    EXPECT_EQ(ReadAllBytes(target), Text("new"));
    EXPECT_TRUE(Entries(folder) == std::vector<std::string>{"settings.cfg"});
}

// A file nobody may write is left alone, also by root (like a read-only file on
// Windows); so is anything that is not a plain file.
TEST(ReplaceFileAtomically, AReadOnlyFileOrAPipeIsLeftAlone) {
    TempDir dir;
    const fs::path readOnly = dir / "settings.cfg";
    WriteAllBytes(readOnly, "keep me", 7);
    fs::permissions(readOnly, fs::perms(0444));
    EXPECT_EQ(ReplaceCause(readOnly, "new"), EACCES);
    EXPECT_EQ(ReadAllBytes(readOnly), Text("keep me"));
    struct stat st {};
    ASSERT_EQ(::stat(readOnly.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);

    const fs::path pipe = dir / "pipe.cfg";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_NE(ReplaceCause(pipe, "new"), 0);
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(pipe)));
    EXPECT_TRUE(Entries(dir.path()) == (std::vector<std::string>{"pipe.cfg", "settings.cfg"}));
}

// A settings file kept elsewhere and linked into the working folder: the file
// linked to takes the new content, and the link stays a link (also a link to a
// link, and a relative one).
TEST(ReplaceFileAtomically, ASymbolicLinkHasItsTargetReplaced) {
    TempDir dir;
    fs::create_directory(dir / "shared");
    const fs::path real = dir / "shared" / "real.cfg";
    WriteAllBytes(real, "old", 3);
    fs::create_symlink("shared/real.cfg", dir / "middle.cfg");
    fs::create_symlink(dir / "middle.cfg", dir / "settings.cfg");

    EXPECT_EQ(ReplaceCause(dir / "settings.cfg", "new"), 0);
    EXPECT_EQ(ReadAllBytes(real), Text("new"));
    EXPECT_TRUE(fs::is_symlink(dir / "settings.cfg"));
    EXPECT_TRUE(fs::is_symlink(dir / "middle.cfg"));
    EXPECT_TRUE(Entries(dir / "shared") == std::vector<std::string>{"real.cfg"});

    // A relative link that climbs out of its folder, reached through a linked folder.
    fs::create_directory(dir / "sub");
    fs::create_symlink("../shared/real.cfg", dir / "sub" / "up.cfg");
    fs::create_directory_symlink("sub", dir / "linked-sub");
    EXPECT_EQ(ReplaceCause(dir / "linked-sub" / "up.cfg", "up"), 0);
    EXPECT_EQ(ReadAllBytes(real), Text("up"));
    EXPECT_TRUE(fs::is_symlink(dir / "sub" / "up.cfg"));

    // A link to a file not made yet: the file is made where the link points.
    fs::create_symlink("shared/later.cfg", dir / "later.cfg");
    EXPECT_EQ(ReplaceCause(dir / "later.cfg", "made"), 0);
    EXPECT_EQ(ReadAllBytes(dir / "shared" / "later.cfg"), Text("made"));
    EXPECT_TRUE(fs::is_symlink(dir / "later.cfg"));
}

TEST(ReplaceFileAtomically, AReplacedFileKeepsItsOwnerGroupAndMode) {
    TempDir dir;
    const fs::path target = dir / "settings.cfg";
    WriteAllBytes(target, "old", 3);
    // Root may hand the file to anyone; another user keeps its own and one of its groups.
    const uid_t owner = ::geteuid() == 0 ? 4321 : ::geteuid();
    const gid_t group = ::geteuid() == 0 ? 8765 : ::getegid();
    ASSERT_EQ(::chown(target.c_str(), owner, group), 0);
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);

    EXPECT_EQ(ReplaceCause(target, "new"), 0);
    EXPECT_EQ(ReadAllBytes(target), Text("new"));
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, owner);
    EXPECT_EQ(st.st_gid, group);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// A settings file the site's accounts share: root's, in a folder open to all,
// saved by another account. Null when the tests do not run as root.
std::optional<fs::path> SharedSettings(const TempDir& dir) {
    if (::geteuid() != 0) return std::nullopt;
    fs::create_directory(dir / "shared");
    fs::permissions(dir.path(), fs::perms(0755));
    fs::permissions(dir / "shared", fs::perms(0777));
    WriteAllBytes(dir / "shared" / "settings.cfg", "old settings", 12);
    fs::permissions(dir / "shared" / "settings.cfg", fs::perms(0666));
    return dir / "shared" / "settings.cfg";
}

// The saver cannot give its new file root as the owner: the file is written in
// place and stays root's, with its mode.
TEST(ReplaceFileAtomically, AFileWhoseOwnerCannotBeKeptIsWrittenInPlace) {
    TempDir dir;
    const auto target = SharedSettings(dir);
    if (!target) GTEST_SKIP() << "needs root, to give the file to another account than the saver";
    const ForkedRun run = RunForked([&] { return ReplaceCause(*target, "new"); }, 20000, true);
    if (run.outcome == ForkedRun::kNoUnprivilegedUser) GTEST_SKIP() << "cannot run as an unprivileged user here";
    ASSERT_EQ(run.outcome, ForkedRun::kExited);
    EXPECT_EQ(run.code, 0) << "cause of the failed save";
    EXPECT_EQ(ReadAllBytes(*target), Text("new"));
    struct stat st {};
    ASSERT_EQ(::stat(target->c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_EQ(st.st_gid, 0u);
    EXPECT_EQ(st.st_mode & 07777, 0666u);
    EXPECT_TRUE(Entries(target->parent_path()) == std::vector<std::string>{"settings.cfg"});
}

// The same while another program holds the file under a lease (a file server's
// oplock), so it cannot be opened for writing without waiting: the new file
// takes its place whole, with the saver as its owner, and the saver says so.
TEST(ReplaceFileAtomically, AFileNeitherKeptNorWritableInPlaceIsReplacedAndItIsSaid) {
    TempDir dir;
    const auto target = SharedSettings(dir);
    if (!target) GTEST_SKIP() << "needs root, to give the file to another account than the saver";
    const fs::path said = dir / "stderr.txt";
    WriteAllBytes(said, "", 0);
    fs::permissions(said, fs::perms(0666));
    const int holder = ::open(target->c_str(), O_RDONLY | O_CLOEXEC);
    const auto previous = std::signal(SIGIO, SIG_IGN);  // the lease's break is announced to its holder
    if (::fcntl(holder, F_SETLEASE, F_RDLCK) != 0) {
        ::close(holder);
        std::signal(SIGIO, previous);
        GTEST_SKIP() << "no file leases here";
    }
    const ForkedRun run = RunForked(
        [&] {
            const int err = ::open(said.c_str(), O_WRONLY);
            return err < 0 || ::dup2(err, 2) < 0 ? 99 : ReplaceCause(*target, "new");
        },
        20000, true);
    ::close(holder);
    std::signal(SIGIO, previous);
    if (run.outcome == ForkedRun::kNoUnprivilegedUser) GTEST_SKIP() << "cannot run as an unprivileged user here";
    ASSERT_EQ(run.outcome, ForkedRun::kExited);
    EXPECT_EQ(run.code, 0) << "cause of the failed save";
    EXPECT_EQ(ReadAllBytes(*target), Text("new"));
    struct stat st {};
    ASSERT_EQ(::stat(target->c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, UnprivilegedUid());
    const auto text = ReadAllBytes(said);
    EXPECT_NE(std::string(text.begin(), text.end()).find("settings.cfg: its owner 0, group 0 and mode 0666 cannot be given"),
              std::string::npos);
    EXPECT_TRUE(Entries(target->parent_path()) == std::vector<std::string>{"settings.cfg"});
}

// Savers at work together never take each other's new file for a dead writer's
// leftover: every save succeeds, and what stays is one saver's content, whole.
TEST(ReplaceFileAtomically, ConcurrentSaversAllSucceedAndOneContentWinsWhole) {
    TempDir dir;
    const fs::path target = dir / "settings.cfg";
    constexpr int kSavers = 4;
    constexpr int kSaves = 3000;
    std::vector<std::string> contents;
    for (int i = 0; i < kSavers; ++i) contents.push_back(std::string(4096, char('A' + i)));
    std::vector<int> failures(kSavers, 0);
    std::vector<std::thread> savers;
    for (int i = 0; i < kSavers; ++i) {
        savers.emplace_back([&, i] {
            for (int n = 0; n < kSaves; ++n) failures[std::size_t(i)] += ReplaceCause(target, contents[std::size_t(i)]) != 0;
        });
    }
    for (auto& t : savers) t.join();
    for (int i = 0; i < kSavers; ++i) EXPECT_EQ(failures[std::size_t(i)], 0) << "saver " << i;
    const std::vector<unsigned char> now = ReadAllBytes(target);
    EXPECT_TRUE(std::any_of(contents.begin(), contents.end(), [&](const std::string& c) { return now == Text(c); }));
    EXPECT_TRUE(Entries(dir.path()) == std::vector<std::string>{"settings.cfg"});
}

TEST(WorkingDirectory, ReportsCurrentDirectoryWithinTheBufferOrItsNeededSize) {
    TempDir dir;
    const fs::path before = fs::current_path();
    // Deep enough to pass 260 characters.
    fs::path deep = dir.path();
    while (deep.string().size() <= 300) deep /= std::string(40, 'd');
    fs::create_directories(deep);

    fs::current_path(dir.path());
    WCHAR buf[260];
    const DWORD n = GetCurrentDirectoryW(260, buf);
    EXPECT_EQ(std::u16string(buf), U16(fs::canonical(dir.path())));
    EXPECT_EQ(n, std::u16string(buf).size());

    fs::current_path(deep);
    buf[0] = u'x';
    const DWORD needed = GetCurrentDirectoryW(260, buf);
    const std::u16string full = platform::CurrentDirectory();
    EXPECT_EQ(full, U16(fs::canonical(deep)));
    EXPECT_EQ(needed, full.size() + 1);
    EXPECT_EQ(buf[0], u'\0');
    fs::current_path(before);
}

TEST(PathJoin, UsesOneSeparator) {
    EXPECT_EQ(platform::PathJoin(u"/work/site", u"ZEL-Rerovora.cfg"), u"/work/site/ZEL-Rerovora.cfg");
    EXPECT_EQ(platform::PathJoin(u"/", u"ZEL-Rerovora.cfg"), u"/ZEL-Rerovora.cfg");
    EXPECT_EQ(platform::PathJoin(u"/work/", u"/Capture"), u"/work/Capture");
    EXPECT_EQ(platform::PathJoin(u"", u"a.png"), u"a.png");
}

// A working folder whose name is not valid UTF-8 (a folder named on a system
// with another character set): the program's path of it leads back to the
// same folder, byte for byte, and a file made, found and read through it is
// the file in that folder.
TEST(WorkingDirectory, AFolderNameNotValidUtf8KeepsItsBytes) {
    const struct {
        const char* what;
        std::string name;
    } cases[] = {
        {"EUC-KR bytes", "\xB9\xD9\xB6\xF7"},
        {"a Latin-1 letter", "caf\xE9"},
        {"a byte no character starts with", "\xFF\xFE x"},
        {"an encoded surrogate", "\xED\xA0\x80"},
        {"an overlong slash", "a\xC0\xAFz"},
        {"a character cut short", "euro \xE2\x82"},
        {"valid UTF-8 beside a bad byte", "\xEB\xB0\x94\xEB\x9E\x8C \x80"},
    };
    const fs::path previous = fs::current_path();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string folder = dir.path().string() + "/" + c.name;
        ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
        ASSERT_EQ(::chdir(folder.c_str()), 0);
        char real[4096];
        ASSERT_NE(::getcwd(real, sizeof real), nullptr);

        const std::u16string cwd = platform::CurrentDirectory();
        const std::u16string cfg = platform::PathJoin(cwd, u"ZEL-Rerovora.cfg");
        platform::ReplaceFileAtomically(cfg, "settings", 8);
        EXPECT_EQ(ReadAllBytes(std::string(real) + "/ZEL-Rerovora.cfg"), (std::vector<unsigned char>{
                                                                              's', 'e', 't', 't', 'i', 'n', 'g', 's'}));
        EXPECT_TRUE(platform::FileExistsAt(cfg));
        CFile file;
        ASSERT_TRUE(file.Open(cfg, CFile::modeRead));
        char back[8] = {};
        EXPECT_EQ(file.Read(back, 8), 8u);
        file.Close();
        EXPECT_TRUE(CreateDirectoryW(platform::PathJoin(cwd, u"Capture").c_str(), nullptr));
        EXPECT_TRUE(fs::is_directory(std::string(real) + "/Capture"));
        ASSERT_EQ(::chdir(previous.c_str()), 0);
    }
}

// ---- a full file system ---------------------------------------------------------

namespace {

// What stands in `folder`: every name with its bytes (the fillers by name only).
std::vector<std::pair<std::string, std::vector<unsigned char>>> Snapshot(const fs::path& folder) {
    std::vector<std::pair<std::string, std::vector<unsigned char>>> all;
    for (const std::string& name : Entries(folder)) {
        const bool filler = name == "blocks" || name.rfind("inode-", 0) == 0;
        all.emplace_back(name, filler ? std::vector<unsigned char>{} : ReadAllBytes(folder / name));
    }
    return all;
}

}  // namespace

// A save on a file system with no room left, of blocks or of inodes: it fails
// with the system's cause and the old settings stay byte for byte, also where
// the folder refuses new files to the saver and the file is written in place
// (which must then not grow it half-way). Each case on a tmpfs of its own.
TEST(ReplaceFileAtomically, AFullFileSystemFailsTheSaveAndLeavesTheFileAsItWas) {
    struct Case {
        const char* what;
        bool inodes, blocks;  // what is used up
        bool closedFolder;    // the folder refuses new files to the saver, who may write the file
        int cause;
    };
    const Case cases[] = {
        {"no inode left", true, false, false, ENOSPC},
        {"no block left", false, true, false, ENOSPC},
        {"neither inode nor block left", true, true, false, ENOSPC},
        {"written in place with no block left", false, true, true, ENOSPC},
    };
    const std::vector<unsigned char> old = Text(std::string(1000, 'o'));
    const std::string bigger(428544, 'n');  // a whole settings record
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        fs::permissions(dir.path(), fs::perms(0755));
        const std::string mount = (dir / "fs").string();
        fs::create_directory(mount);
        const CoveredRun run = RunOnOwnTmpfs(
            mount, "size=1m,nr_inodes=64,mode=0755",
            [&]() -> std::string {
                const fs::path folder = fs::path(mount) / "site";
                const fs::path target = folder / "settings.cfg";
                fs::create_directory(folder);
                WriteAllBytes(target, old.data(), old.size());
                if (c.closedFolder) {
                    if (::chown(target.c_str(), UnprivilegedUid(), UnprivilegedGid()) != 0) return "chown";
                    fs::permissions(folder, fs::perms(0555));
                }
                if (c.blocks) UseUpBlocks(c.closedFolder ? mount : folder.string());
                if (c.inodes) UseUpInodes(folder.string());
                const auto before = Snapshot(folder);
                int cause = 0;
                if (c.closedFolder) {
                    const ForkedRun saver = RunForked([&] { return ReplaceCause(target, bigger); }, 20000, true);
                    if (saver.outcome != ForkedRun::kExited) return "the saver as another account did not run";
                    cause = saver.code;
                } else {
                    cause = ReplaceCause(target, bigger);
                }
                std::string report;
                if (cause != c.cause) report += "cause " + std::to_string(cause) + " (" + std::strerror(cause) + "); ";
                if (Snapshot(folder) != before) report += "the folder changed; ";
                if (ReadAllBytes(target) != old) report += "the file changed to " + std::to_string(fs::file_size(target)) + " bytes; ";
                return report.empty() ? "ok" : report;
            },
            60000);
        if (!run.ran) GTEST_SKIP() << "cannot mount a tmpfs of its own here (needs root): " << run.report;
        EXPECT_EQ(run.report, "ok");
    }
}

// ---- links in a shared folder ---------------------------------------------------

// Links in a folder every account may write (sticky, mode 1777, like /tmp),
// made by accounts other than the saver: the kernel follows only the folder
// owner's links and the process's own there, and so does the save, at the
// settings file's own name and at a folder on the way (CAPTURE's folder). A
// refused link leaves every place alone: a root-only file, a file not made yet,
// a readable file. The site's own links keep working. Outside such a folder an
// account's links are followed as the kernel follows them, but root follows no
// other account's link anywhere.
TEST(ReplaceFileAtomically, LinksAreFollowedOnlyWhereTheKernelFollowsThem) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to make links owned by other accounts";
    const uid_t nobody = UnprivilegedUid();
    constexpr uid_t kThird = 4321;  // an account that is neither the folder's owner nor the saver
    enum Target { kRootOnly, kMissing, kReadable, kFolder };
    struct Case {
        const char* what;
        unsigned folderMode;
        uid_t linkOwner;
        bool saverIsNobody;
        Target target;
        bool followed;
    };
    const Case cases[] = {
        {"another account's link to a root-only file", 01777, nobody, false, kRootOnly, false},
        {"another account's link to a missing file", 01777, nobody, false, kMissing, false},
        {"another account's link to a readable file", 01777, nobody, false, kReadable, false},
        {"another account's link as the capture folder", 01777, nobody, false, kFolder, false},
        {"the site's own link (the saver's and the folder owner's)", 01777, 0, false, kReadable, true},
        {"the site's own link as the capture folder", 01777, 0, false, kFolder, true},
        {"the site's own link to a file not made yet", 01777, 0, false, kMissing, true},
        {"the saver's own link, the folder being root's", 01777, nobody, true, kReadable, true},
        {"the folder owner's link, saved by another account", 01777, 0, true, kReadable, true},
        {"a third account's link, saved by another account", 01777, kThird, true, kReadable, false},
        {"another account's link, saved by root, in a folder that is not sticky", 0777, nobody, false, kReadable, false},
        {"another account's link as the capture folder, saved by root, in a folder that is not sticky", 0777, nobody,
         false, kFolder, false},
        {"another account's link, saved by root, in a sticky folder not open to all", 01775, nobody, false, kReadable,
         false},
        {"a third account's link in a folder that is not sticky", 0777, kThird, true, kReadable, true},
        {"a third account's link in a sticky folder not open to all", 01775, kThird, true, kReadable, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        fs::permissions(dir.path(), fs::perms(0755));
        const fs::path shared = dir / "shared";
        const fs::path elsewhere = dir / "elsewhere";
        fs::create_directory(shared);
        fs::create_directory(elsewhere);
        ASSERT_EQ(::chmod(shared.c_str(), c.folderMode), 0);
        ASSERT_EQ(::chmod(elsewhere.c_str(), 0777), 0);
        const fs::path file = elsewhere / "real.cfg";
        const std::vector<unsigned char> old = Text(c.target == kRootOnly ? "root only" : "readable");
        if (c.target == kRootOnly || c.target == kReadable) {
            WriteAllBytes(file, old.data(), old.size());
            ASSERT_EQ(::chmod(file.c_str(), c.target == kRootOnly ? 0600 : 0666), 0);
        }
        // The place saved to, and the name the link stands at.
        const bool throughFolder = c.target == kFolder;
        const fs::path link = shared / (throughFolder ? "Capture" : "settings.cfg");
        const fs::path saved = throughFolder ? link / "20261208_101010.png" : link;
        const fs::path written = throughFolder ? elsewhere / "20261208_101010.png" : file;
        fs::create_symlink(throughFolder ? elsewhere : file, link);
        ASSERT_EQ(::lchown(link.c_str(), c.linkOwner, c.linkOwner), 0);

        const fs::path err = dir / "stderr.txt";
        WriteAllBytes(err, "", 0);
        fs::permissions(err, fs::perms(0666));
        const ForkedRun run = RunForked(
            [&] {
                const int fd = ::open(err.c_str(), O_WRONLY);
                if (fd < 0 || ::dup2(fd, 2) < 0) return 99;
                const platform::FilePlace place = platform::FilePlaceAt(U16(link));
                const int cause = ReplaceCause(saved, "new");
                const bool refused = place == platform::FilePlace::RefusedLink;
                return (cause == 0 ? 0 : cause == EACCES ? 1 : 2) | (refused ? 4 : 0);
            },
            20000, c.saverIsNobody);
        if (run.outcome == ForkedRun::kNoUnprivilegedUser) GTEST_SKIP() << "cannot run as an unprivileged user here";
        ASSERT_EQ(run.outcome, ForkedRun::kExited);
        const auto said = ReadAllBytes(err);
        const std::string message(said.begin(), said.end());
        EXPECT_TRUE(fs::is_symlink(link));
        if (c.followed) {
            EXPECT_EQ(run.code, 0) << message;
            EXPECT_EQ(ReadAllBytes(written), Text("new"));
        } else {
            EXPECT_EQ(run.code, 1 | 4) << "refused with EACCES, and the place is a refused link";
            EXPECT_NE(message.find(link.string() + " was made by another account"), std::string::npos)
                << message;
            EXPECT_FALSE(fs::exists(written) && ReadAllBytes(written) != old) << "the target was written";
            if (c.target == kMissing || c.target == kFolder) {
                EXPECT_FALSE(fs::exists(written));
            }
            if (c.target == kRootOnly) {
                struct stat st {};
                ASSERT_EQ(::stat(file.c_str(), &st), 0);
                EXPECT_EQ(st.st_mode & 07777, 0600u);
            }
        }
    }
}

// A folder another account made on the way (a Capture folder made in a shared
// working folder, whatever its mode) with links of its own in it, named as the
// screenshots will be: root saves through none of them, so no root-only file
// is replaced by a picture.
TEST(ReplaceFileAtomically, RootFollowsNoLinkInAFolderAnotherAccountMade) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to make links owned by other accounts";
    TempDir dir;
    const fs::path capture = dir / "Capture", victim = dir / "victim";
    const std::vector<unsigned char> secret = Text("secret");
    WriteAllBytes(victim, secret.data(), secret.size());
    ASSERT_EQ(::chmod(victim.c_str(), 0600), 0);
    fs::create_directory(capture);
    for (const unsigned mode : {0755u, 0777u}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(::chmod(capture.c_str(), mode), 0);
        const fs::path planted = capture / "20261208_101010.png";
        fs::remove(planted);
        fs::create_symlink(victim, planted);
        ASSERT_EQ(::lchown(planted.c_str(), UnprivilegedUid(), UnprivilegedGid()), 0);
        ASSERT_EQ(::chown(capture.c_str(), UnprivilegedUid(), UnprivilegedGid()), 0);
        EXPECT_EQ(ReplaceCause(planted, "PNG"), EACCES);
        EXPECT_EQ(ReadAllBytes(victim), secret);
        EXPECT_TRUE(fs::is_symlink(planted));
    }
}
