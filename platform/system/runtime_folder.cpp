#include "platform/system/runtime_folder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace platform {

namespace {

std::string Octal(unsigned mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", mode & 07777);
    return text;
}

// The home folder of the effective user in the password database.
std::string HomeFromPasswordDatabase() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? std::size_t(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    while (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE)
        buffer.resize(buffer.size() * 2);
    return found && found->pw_dir ? std::string(found->pw_dir) : std::string();
}

}  // namespace

int OpenPrivateFolder(const std::string& path, std::string* why) {
    auto fail = [&](const std::string& reason) {
        if (why) *why = path + ": " + reason;
        return -1;
    };
    if (path.empty() || path[0] != '/') return fail("not an absolute path");
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return fail("a link, not a folder");
        return fail(error == ENOTDIR ? "not a folder" : std::strerror(error));
    }
    struct stat st {};
    std::string reason;
    if (::fstat(fd, &st) != 0)
        reason = std::strerror(errno);
    else if (st.st_uid != ::geteuid())
        reason = "owned by another account (uid " + std::to_string(st.st_uid) + ")";
    else if ((st.st_mode & 07777) != 0700)
        reason = "mode " + Octal(st.st_mode) + ", not 0700";
    if (reason.empty()) return fd;
    ::close(fd);
    return fail(reason);
}

RuntimeFolder InstanceLockFolder() {
    RuntimeFolder result;
    const uid_t uid = ::geteuid();
    const std::string home = HomeFromPasswordDatabase();
    if (home.empty()) {
        result.notes = "no home folder for uid " + std::to_string(uid) + " in the password database";
        return result;
    }
    const std::string name = ".rerovora-runtime-" + std::to_string(uid);
    const std::string path = home + (home.back() == '/' ? "" : "/") + name;
    // Names in the home folder are made by the user and root alone, or another
    // account could put its own folder (or a link) there before the first start.
    const int homeFd = ::open(home.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (homeFd < 0) {
        result.notes = "the home folder " + home + ": " + std::strerror(errno);
        return result;
    }
    struct stat st {};
    if (::fstat(homeFd, &st) != 0) {
        result.notes = "the home folder " + home + ": " + std::strerror(errno);
    } else if (st.st_uid != uid && st.st_uid != 0) {
        result.notes = "the home folder " + home + " is owned by another account (uid " + std::to_string(st.st_uid) + ")";
    } else if ((st.st_mode & 022) != 0) {
        result.notes = "the home folder " + home + " is open to other accounts (mode " + Octal(st.st_mode) + ")";
    } else if (::mkdirat(homeFd, name.c_str(), 0700) == 0) {
        // Made just now by this user: only the umask can have narrowed it.
        const int fd = ::openat(homeFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat made {};
        if (fd >= 0 && ::fstat(fd, &made) == 0 && made.st_uid == uid) (void)!::fchmod(fd, 0700);
        if (fd >= 0) ::close(fd);
    } else if (errno != EEXIST) {
        result.notes = path + ": cannot be made: " + std::strerror(errno);
    }
    ::close(homeFd);
    if (!result.notes.empty()) return result;
    std::string why;
    const int fd = OpenPrivateFolder(path, &why);
    if (fd < 0) {
        result.notes = why;
        return result;
    }
    ::close(fd);
    result.path = path;
    return result;
}

RuntimeFolder PrivateRuntimeFolder() {
    RuntimeFolder result;
    auto note = [&](const std::string& text) {
        if (!result.notes.empty()) result.notes += "; ";
        result.notes += text;
    };
    auto usable = [&](const std::string& path) {
        std::string why;
        const int fd = OpenPrivateFolder(path, &why);
        if (fd < 0) {
            note(why);
            return false;
        }
        ::close(fd);
        result.path = path;
        return true;
    };

    const char* named = std::getenv("XDG_RUNTIME_DIR");
    if (named && *named && usable(named)) return result;
    if (!named || !*named) note("XDG_RUNTIME_DIR is not set");
    // The login manager's folder is used only as it finds it: it makes it, not us.
    const std::string session = "/run/user/" + std::to_string(::geteuid());
    struct stat st {};
    if (::lstat(session.c_str(), &st) == 0) {
        if (usable(session)) return result;
    }
    const RuntimeFolder own = InstanceLockFolder();
    if (own.path.empty()) note(own.notes);
    result.path = own.path;
    return result;
}

}  // namespace platform
