#include "platform/system/file.h"

#include "platform/base/path_text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <glob.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace {

std::string ToFsPath(const std::u16string& path) { return platform::PathToBytes(path); }

[[noreturn]] void ThrowFileError(int cause, const std::u16string& path, const char* operation) {
    throw CFileException(cause, path, operation);
}

// Writes every byte, going on after short writes and interrupted calls: at
// the file's position, or at `offset` when one is given. 0, or the cause.
int WriteAll(int fd, const void* data, std::size_t size, off_t offset = -1) {
    const auto* p = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t n = offset < 0 ? ::write(fd, p, size) : ::pwrite(fd, p, size, offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        p += n;
        size -= std::size_t(n);
        if (offset >= 0) offset += n;
    }
    return 0;
}

constexpr std::string_view kTempMarker = ".~";
constexpr std::size_t kTempSuffixLength = 6;

bool IsTempOf(std::string_view entry, std::string_view name) {
    // ".<name>.~XXXXXX"
    if (entry.size() != 1 + name.size() + kTempMarker.size() + kTempSuffixLength) return false;
    if (entry.front() != '.') return false;
    entry.remove_prefix(1);
    if (entry.substr(0, name.size()) != name) return false;
    entry.remove_prefix(name.size());
    return entry.substr(0, kTempMarker.size()) == kTempMarker;
}

std::string RandomSuffix() {
    static constexpr char kChars[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[kTempSuffixLength];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            // No randomness: fall back to something that differs per call.
            static unsigned counter = 0;
            const unsigned v = unsigned(::getpid()) * 2654435761u + ++counter * 40503u;
            for (std::size_t i = got; i < sizeof bytes; ++i) bytes[i] = (unsigned char)(v >> (i * 5));
            break;
        }
        got += std::size_t(n);
    }
    std::string s;
    for (unsigned char b : bytes) s += kChars[b % (sizeof kChars - 1)];
    return s;
}

// Removes the leftovers of writers that died before their rename: temp files of
// `name` in `dir` that nobody holds locked. A live writer holds its file locked
// from before it writes until after its rename; one whose file is taken in the
// moment between its create and its lock sees the file gone and makes another.
// Best effort; errors are ignored.
void RemoveStaleTemps(const std::string& dir, const std::string& name) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    std::vector<std::string> candidates;
    while (const dirent* e = ::readdir(d)) {
        if (IsTempOf(e->d_name, name)) candidates.emplace_back(e->d_name);
    }
    ::closedir(d);
    for (const std::string& c : candidates) {
        const std::string full = dir + "/" + c;
        const int fd = ::open(full.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat st {}, named {};
        // Locked, and the name still the file locked (not renamed into place since).
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::lstat(full.c_str(), &named) == 0 && named.st_dev == st.st_dev && named.st_ino == st.st_ino) {
            ::unlink(full.c_str());
        }
        ::close(fd);
    }
}

// Whether the link `link` (its lstat) found in the folder `folder` (its lstat)
// is followed for this process, so that no account can steer another's writes
// or reads through a link it planted. As the kernel does: in a folder that
// every account may write and only owners may clear (sticky, like /tmp), only
// a link made by the folder's owner or by this process's own account. And for
// root, whose writes reach every file, no link another account made anywhere
// (a folder of that account's own on the way, such as a Capture folder made
// in a shared working folder, is no safer than /tmp): only root's own links.
bool KernelFollows(const struct stat& link, const struct stat& folder) {
    const uid_t self = ::geteuid();
    if (link.st_uid == self || link.st_uid == 0) return true;
    if (self == 0) return false;
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return !shared || link.st_uid == folder.st_uid;
}

// `path` with every symbolic link on its way replaced by what it names, taken
// name by name as the kernel walks a path (relative links from the link's own
// folder, ".." from the folder reached). A name that is not there ends the walk:
// the rest is kept as it stands (a file or folder not made yet).
struct LinkWalk {
    std::string path;       // where the data lies; no link on its way when `error` is 0
    int error = 0;          // ELOOP: too many links; EACCES with `refused`: see there; else what lstat said
    std::string refused;    // a link the kernel would not follow for this process
    bool found = true;      // false: a name on the way is not there
};

LinkWalk WalkLinks(const std::string& path) {
    LinkWalk walk;
    if (path.empty()) {
        walk.error = ENOENT;
        return walk;
    }
    // What is left to walk, one name per entry, the next one last.
    std::vector<std::string> left;
    const auto push = [&left](const std::string& text) {
        std::vector<std::string> names;
        for (std::size_t at = 0; at <= text.size();) {
            const std::size_t slash = std::min(text.find('/', at), text.size());
            if (slash > at) names.push_back(text.substr(at, slash - at));
            at = slash + 1;
        }
        left.insert(left.end(), names.rbegin(), names.rend());
    };
    // The folder reached so far, free of links; "" is the root.
    std::string done;
    if (path.front() != '/') {
        // Relative names start from the working folder, which has no link on its way.
        std::vector<char> cwd(512);
        bool known;
        while (!(known = ::getcwd(cwd.data(), cwd.size()) != nullptr) && errno == ERANGE) cwd.resize(cwd.size() * 2);
        done = known && cwd[0] == '/' ? std::string(cwd.data()) : std::string(".");
        if (done == "/") done.clear();
    }
    push(path);
    int links = 0;
    while (!left.empty()) {
        const std::string name = left.back();
        left.pop_back();
        if (name == ".") continue;
        if (name == ".." && done != ".") {
            const std::size_t slash = done.rfind('/');
            done = slash == std::string::npos ? std::string() : done.substr(0, slash);
            continue;
        }
        const std::string next = done + "/" + name;
        struct stat st {};
        if (::lstat(next.c_str(), &st) != 0) {
            if (errno != ENOENT && errno != ENOTDIR) {
                walk.error = errno;
                walk.path = next;
                return walk;
            }
            // Not there: the rest is kept as it stands.
            walk.found = false;
            done = next;
            while (!left.empty()) {
                done += "/" + left.back();
                left.pop_back();
            }
            break;
        }
        if (!S_ISLNK(st.st_mode)) {
            done = next;
            continue;
        }
        struct stat folder {};
        if (++links > 40) {
            walk.error = ELOOP;
            walk.path = next;
            return walk;
        }
        if (::lstat(done.empty() ? "/" : done.c_str(), &folder) != 0 || !KernelFollows(st, folder)) {
            walk.error = EACCES;
            walk.refused = next;
            walk.path = next;
            return walk;
        }
        std::string target(std::size_t(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        ssize_t n;
        while ((n = ::readlink(next.c_str(), target.data(), target.size())) >= ssize_t(target.size()))
            target.resize(target.size() * 2);
        if (n <= 0) {
            walk.error = n < 0 ? errno : ENOENT;
            walk.path = next;
            return walk;
        }
        target.resize(std::size_t(n));
        if (target.front() == '/') done.clear();
        push(target);
    }
    walk.path = done.empty() ? std::string("/") : done;
    return walk;
}

// The name that holds the data of `path`, as WalkLinks finds it; throws where
// the walk cannot go on (a link refused, too many links, a closed folder).
std::string ResolveLinks(const std::string& path, const std::u16string& original) {
    const LinkWalk walk = WalkLinks(path);
    if (!walk.refused.empty()) {
        std::fprintf(stderr,
                     "%s: not followed: the link %s was made by another account, which may not steer this "
                     "program's files through it (in a folder every account may write, or for root anywhere)\n",
                     path.c_str(), walk.refused.c_str());
        std::fflush(stderr);
        ThrowFileError(EACCES, original, "follow a link to");
    }
    if (walk.error != 0) ThrowFileError(walk.error, original, "resolve");
    return walk.path;
}

// Makes room on the medium for `size` bytes of `fd` without changing its
// length, so that a write in place does not run out of space half-way. A file
// system that cannot reserve room is written without.
int ReserveRoom(int fd, std::size_t size) {
    if (size == 0) return 0;
    int rc;
    do {
        rc = ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(size));
    } while (rc != 0 && errno == EINTR);
    if (rc == 0 || errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL) return 0;
    return errno;
}

// Writes the file where it is, for a folder that refuses new files: room is
// made first, then the bytes go over the old ones from the start, and only
// when all are written is the length cut to them; then onto the medium. A
// failure on the way puts back the old bytes that were written over and the
// old length; only where that fails too (a failing medium, a kill half-way) is
// the file left torn, and that is said.
void WriteInPlace(const std::string& target, const void* data, std::size_t size, const std::u16string& path) {
    int fd;
    bool readable = true;
    do {
        fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && (errno == EACCES || errno == ENOENT)) {
        readable = false;
        do {
            fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
        } while (fd < 0 && errno == EINTR);
    }
    if (fd < 0) ThrowFileError(errno, path, "open");
    const auto fail = [&](int cause, const char* operation) {
        ::close(fd);
        ThrowFileError(cause, path, operation);
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0) fail(errno, "open");
    if (!S_ISREG(st.st_mode)) fail(EINVAL, "open");
    if (const int cause = ReserveRoom(fd, size)) fail(cause, "make room for");

    // The old bytes that the new ones go over, to put back after a failure.
    const std::size_t overlap = std::min(std::size_t(st.st_size), size);
    std::vector<unsigned char> old;
    if (overlap == 0) {
        readable = true;  // nothing to put back but the length
    } else if (readable) {
        old.resize(overlap);
        std::size_t got = 0;
        while (got < overlap) {
            const ssize_t n = ::pread(fd, old.data() + got, overlap - got, off_t(got));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += std::size_t(n);
        }
        if (got < overlap) readable = false;
    }
    const auto failWritten = [&](int cause, const char* operation) {
        const bool putBack = readable && WriteAll(fd, old.data(), old.size(), 0) == 0 &&
                             ::ftruncate(fd, st.st_size) == 0 && ::fsync(fd) == 0;
        if (!putBack) {
            std::fprintf(stderr, "%s: writing it in place failed half-way (%s) and its old content could not be "
                                 "put back: it is torn\n",
                         target.c_str(), std::strerror(cause));
            std::fflush(stderr);
        }
        fail(cause, operation);
    };
    if (const int cause = WriteAll(fd, data, size, 0)) failWritten(cause, "write");
    if (off_t(size) < st.st_size && ::ftruncate(fd, off_t(size)) != 0) failWritten(errno, "write");
    if (::fsync(fd) != 0) failWritten(errno, "flush");
    if (::close(fd) != 0 && errno != EINTR) ThrowFileError(errno, path, "close");
}

// Whether a folder's refusal of a new file is one of rights (the folder closed
// to this account, a file system mounted read-only for it) rather than of
// room, quota or the medium: only then may the file be written in place.
bool RefusedByRights(int cause) { return cause == EACCES || cause == EPERM || cause == EROFS; }

// Gives the new file `fd` the owner, group and mode of `old`, and reads back
// into `made` what it has then: whether that is all three. A process may give a
// file away only where the system lets it (root; a group the user is in), and a
// file system may ignore both.
bool GiveOwnerAndMode(int fd, const struct stat& old, struct stat& made) {
    if (::fstat(fd, &made) != 0) return false;
    if ((made.st_uid != old.st_uid || made.st_gid != old.st_gid) && ::fchown(fd, old.st_uid, old.st_gid) != 0)
        return false;  // `made` is still what the file has
    ::fchmod(fd, old.st_mode & 07777);
    return ::fstat(fd, &made) == 0 && made.st_uid == old.st_uid && made.st_gid == old.st_gid &&
           (made.st_mode & 07777) == (old.st_mode & 07777);
}

}  // namespace

// ---- CFileException -----------------------------------------------------------

CFileException::CFileException(int cause, std::u16string path, const char* operation)
    : m_cause(cause), m_path(std::move(path)) {
    m_what = std::string(operation) + " " + platform::PathToBytes(m_path) + ": " + std::strerror(cause);
}

// ---- CFile --------------------------------------------------------------------

CFile::CFile(const std::u16string& path, UINT flags) {
    CFileException error(0, {}, "");
    if (!Open(path, flags, &error)) throw error;
}

CFile::~CFile() { Abort(); }

BOOL CFile::Open(const std::u16string& path, UINT flags, CFileException* error) {
    Abort();
    int oflags = O_CLOEXEC;
    if (flags & modeReadWrite) {
        oflags |= O_RDWR;
    } else if (flags & modeWrite) {
        oflags |= O_WRONLY;
    } else {
        oflags |= O_RDONLY;
    }
    if (flags & modeCreate) {
        oflags |= O_CREAT;
        if (!(flags & modeNoTruncate)) oflags |= O_TRUNC;
    }
    const std::string fsPath = ToFsPath(path);
    int fd;
    // Not blocking, so that a pipe by the file's name never holds the caller; a
    // regular file behaves the same either way, and the flag is cleared below.
    do {
        fd = ::open(fsPath.c_str(), oflags | O_NONBLOCK, 0666);
    } while (fd < 0 && errno == EINTR);
    int cause = fd < 0 ? errno : 0;
    if (fd >= 0) {
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            cause = errno;
        } else if (S_ISDIR(st.st_mode)) {
            cause = EISDIR;
        } else if (!S_ISREG(st.st_mode)) {
            cause = EINVAL;
        } else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
            cause = errno;
        }
        if (cause != 0) ::close(fd);
    }
    if (cause != 0) {
        if (error) *error = CFileException(cause, path, "open");
        return FALSE;
    }
    m_fd = fd;
    m_path = path;
    return TRUE;
}

UINT CFile::Read(void* buffer, UINT count) {
    if (m_fd < 0) ThrowFileError(EBADF, m_path, "read");
    auto* p = static_cast<unsigned char*>(buffer);
    UINT total = 0;
    while (total < count) {
        const ssize_t n = ::read(m_fd, p + total, count - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowFileError(errno, m_path, "read");
        }
        if (n == 0) break;
        total += UINT(n);
    }
    return total;
}

void CFile::Write(const void* buffer, UINT count) {
    if (m_fd < 0) ThrowFileError(EBADF, m_path, "write");
    if (const int cause = WriteAll(m_fd, buffer, count)) ThrowFileError(cause, m_path, "write");
}

void CFile::Flush() {
    if (m_fd < 0) ThrowFileError(EBADF, m_path, "flush");
    if (::fsync(m_fd) != 0) ThrowFileError(errno, m_path, "flush");
}

std::uint64_t CFile::GetLength() const {
    struct stat st {};
    if (m_fd < 0) ThrowFileError(EBADF, m_path, "length");
    if (::fstat(m_fd, &st) != 0) ThrowFileError(errno, m_path, "length");
    return std::uint64_t(st.st_size);
}

void CFile::Close() {
    if (m_fd < 0) return;
    const int fd = m_fd;
    m_fd = -1;
    // A failed close has still released the descriptor; EINTR is not a failure.
    if (::close(fd) != 0 && errno != EINTR) ThrowFileError(errno, m_path, "close");
}

void CFile::Abort() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

void CFile::Rename(const std::u16string& oldPath, const std::u16string& newPath) {
    if (::rename(ToFsPath(oldPath).c_str(), ToFsPath(newPath).c_str()) != 0)
        ThrowFileError(errno, oldPath, "rename");
}

void CFile::Remove(const std::u16string& path) {
    if (::unlink(ToFsPath(path).c_str()) != 0) ThrowFileError(errno, path, "remove");
}

// ---- working directory and paths ------------------------------------------------

DWORD GetCurrentDirectoryW(DWORD bufferLength, LPWSTR buffer) {
    const std::u16string dir = platform::CurrentDirectory();
    if (dir.empty()) return 0;
    if (dir.size() + 1 > bufferLength) {
        if (buffer && bufferLength > 0) buffer[0] = u'\0';
        return DWORD(dir.size() + 1);
    }
    std::copy(dir.begin(), dir.end(), buffer);
    buffer[dir.size()] = u'\0';
    return DWORD(dir.size());
}

namespace platform {

std::u16string CurrentDirectory() {
    std::vector<char> buf(512);
    for (;;) {
        if (::getcwd(buf.data(), buf.size())) return PathFromBytes(buf.data());
        if (errno != ERANGE) return {};
        buf.resize(buf.size() * 2);
    }
}

std::u16string PathJoin(std::u16string_view dir, std::u16string_view name) {
    if (dir.empty()) return std::u16string(name);
    std::u16string out(dir);
    if (out.back() != u'/') out += u'/';
    while (!name.empty() && name.front() == u'/') name.remove_prefix(1);
    out += name;
    return out;
}

bool FileExistsAt(const std::u16string& path) {
    const std::string fsPath = ToFsPath(path);
    if (fsPath.empty()) return false;
    if (fsPath.find_first_of("*?") == std::string::npos) {
        struct stat st {};
        return ::lstat(fsPath.c_str(), &st) == 0;
    }
    // Only '*' and '?' are wildcards; brackets and backslashes are plain characters.
    std::string pattern;
    for (char c : fsPath) {
        if (c == '[' || c == ']' || c == '\\') pattern += '\\';
        pattern += c;
    }
    glob_t g{};
    const int rc = ::glob(pattern.c_str(), GLOB_NOSORT | GLOB_PERIOD, nullptr, &g);
    const bool found = rc == 0 && g.gl_pathc > 0;
    ::globfree(&g);
    return found;
}

FilePlace FilePlaceAt(const std::u16string& path, std::u16string* resolved) {
    const std::string fsPath = ToFsPath(path);
    struct stat st {};
    if (fsPath.empty() || ::lstat(fsPath.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR || fsPath.empty()) return FilePlace::None;
        return errno == ELOOP ? FilePlace::LinkLoop : FilePlace::Unreachable;
    }
    const bool isLink = S_ISLNK(st.st_mode);
    const LinkWalk walk = WalkLinks(fsPath);
    if (!walk.refused.empty()) return FilePlace::RefusedLink;
    if (walk.error == ELOOP) return FilePlace::LinkLoop;
    if (walk.error != 0) return FilePlace::Unreachable;
    if (resolved) *resolved = PathFromBytes(walk.path);
    if (!walk.found) return isLink ? FilePlace::DanglingLink : FilePlace::None;
    if (::lstat(walk.path.c_str(), &st) != 0) return FilePlace::Unreachable;
    if (S_ISREG(st.st_mode)) return FilePlace::File;
    if (S_ISDIR(st.st_mode)) return FilePlace::Folder;
    return FilePlace::Special;
}

void ReplaceFileAtomically(const std::u16string& path, const void* data, std::size_t size) {
    const std::string target = ResolveLinks(ToFsPath(path), path);
    const std::size_t slash = target.rfind('/');
    const std::string dir =
        slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : target.substr(0, slash);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") ThrowFileError(EISDIR, path, "replace");

    // What stands at the name now: only a plain file that may be written is replaced.
    struct stat old {};
    const bool exists = ::lstat(target.c_str(), &old) == 0;
    if (exists) {
        if (S_ISDIR(old.st_mode)) ThrowFileError(EISDIR, path, "replace");
        if (!S_ISREG(old.st_mode)) ThrowFileError(EINVAL, path, "replace");
        // No write bit at all is a read-only file, also to root.
        if ((old.st_mode & 0222) == 0) ThrowFileError(EACCES, path, "replace");
        if (::access(target.c_str(), W_OK) != 0) ThrowFileError(errno, path, "replace");
    }

    RemoveStaleTemps(dir, name);

    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = (dir == "/" ? std::string() : dir) + "/." + name + std::string(kTempMarker) + RandomSuffix();
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST || errno == EINTR) continue;
            break;
        }
        // Held until the rename, so that a concurrent replace does not take this
        // file for a dead writer's leftover. A clean-up that took it before the
        // lock was held has unlinked it: then another name is tried.
        struct stat st {};
        while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {}
        if (::fstat(fd, &st) != 0 || st.st_nlink == 0) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0) {
        const int cause = errno;
        // A folder that refuses a new file to this account (closed to it,
        // read-only to it) while the file itself may be written: the file is
        // written where it is. A folder out of room, inodes or quota, or a
        // failing medium, fails the save and leaves the file as it is.
        if (!RefusedByRights(cause)) ThrowFileError(cause, path, "make a new file beside");
        WriteInPlace(target, data, size, path);
        return;
    }

    const auto fail = [&](int cause, const char* operation) {
        ::close(fd);
        ::unlink(temp.c_str());
        ThrowFileError(cause, path, operation);
    };

    // The new file takes the replaced one's owner, group and mode.
    struct stat made {};
    const bool kept = !exists || GiveOwnerAndMode(fd, old, made);

    if (const int cause = WriteAll(fd, data, size)) fail(cause, "write");
    if (::fsync(fd) != 0) fail(errno, "flush");
    if (!kept) {
        // The file is written where it stands instead, which keeps what it has.
        // The new file, whole on the medium, waits beside it until that is done:
        // where the file cannot be written in place either, it takes the file's
        // place, with this process's owner and group, and that is said.
        try {
            WriteInPlace(target, data, size, path);
            ::close(fd);
            ::unlink(temp.c_str());
            return;
        } catch (const CFileException& e) {
            std::fprintf(stderr,
                         "%s: its owner %u, group %u and mode %04o cannot be given to a new file, nor can it be "
                         "written in place (%s); it is replaced with owner %u, group %u and mode %04o\n",
                         target.c_str(), unsigned(old.st_uid), unsigned(old.st_gid), unsigned(old.st_mode & 07777),
                         std::strerror(e.Cause()), unsigned(made.st_uid), unsigned(made.st_gid),
                         unsigned(made.st_mode & 07777));
            std::fflush(stderr);
        }
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) fail(errno, "rename");
    ::close(fd);

    // Make the rename itself durable.
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

}  // namespace platform
