// Files, the working directory and path helpers.
//
// Paths are UTF-16 inside the program and UTF-8 on the file system; a name
// that is not valid UTF-8 keeps its bytes (platform/base/path_text.h).
#pragma once

#include <cstddef>
#include <exception>
#include <string>

#include "platform/base/types.h"

// A failed file operation. `Cause()` is the errno value the system reported.
class CFileException : public std::exception {
public:
    CFileException(int cause, std::u16string path, const char* operation);
    int Cause() const noexcept { return m_cause; }
    const std::u16string& FileName() const noexcept { return m_path; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    int m_cause;
    std::u16string m_path;
    std::string m_what;
};

// An open file. The constructor with a path throws CFileException on failure;
// Open reports failure by its result instead. The destructor closes quietly.
class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,  // sharing flags are accepted and have no effect here
        modeCreate = 0x1000,     // create, or cut an existing file to length 0...
        modeNoTruncate = 0x2000, // ...unless this is also given
        typeBinary = 0x8000,
    };

    CFile() = default;
    CFile(const std::u16string& path, UINT flags);
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens `path`, which must be a regular file (or a link to one): a directory is
    // refused with EISDIR, anything else (a pipe, a device, a socket) with EINVAL,
    // and the open never waits for a pipe's other end. On failure returns FALSE
    // and, when `error` is given, stores the cause there.
    BOOL Open(const std::u16string& path, UINT flags, CFileException* error = nullptr);
    // Reads up to `count` bytes; fewer only at the end of the file. Throws on error.
    UINT Read(void* buffer, UINT count);
    // Writes all `count` bytes. Throws on error.
    void Write(const void* buffer, UINT count);
    // Puts the written data on the medium (fsync). Throws on error.
    void Flush();
    std::uint64_t GetLength() const;
    const std::u16string& GetFilePath() const { return m_path; }
    bool IsOpen() const { return m_fd >= 0; }
    // Closes the file; throws when the system reports a failed close.
    void Close();
    // Closes without reporting errors.
    void Abort();

    static void Rename(const std::u16string& oldPath, const std::u16string& newPath);
    static void Remove(const std::u16string& path);

private:
    int m_fd = -1;
    std::u16string m_path;
};

// The process's current directory. Like the Windows call: on success returns its
// length without the terminator; when `bufferLength` is too small (the program
// passes 260), writes an empty text when there is room for one and returns the
// length needed, terminator included; returns 0 when the directory cannot be read.
DWORD GetCurrentDirectoryW(DWORD bufferLength, LPWSTR buffer);

namespace platform {

// The process's current directory without a length limit; empty when it cannot
// be read (for example when it was removed).
std::u16string CurrentDirectory();

// `dir` and `name` joined by the platform's separator (one separator only).
std::u16string PathJoin(std::u16string_view dir, std::u16string_view name);

// Whether any directory entry matches `path`, as a directory search would find it:
// '*' and '?' in the last parts are wildcards (matching names that start with a
// dot too); every other character stands for itself. Directories count.
bool FileExistsAt(const std::u16string& path);

// What stands at `path`, its links followed as the kernel follows them for this
// process, at every link on the way: in a folder every account may write and
// only owners may clear (sticky and world-writable, like /tmp), a link is
// followed only when the folder's owner or this process's own account made it;
// and root follows only root's own links, wherever they are.
enum class FilePlace {
    None,          // nothing by that name
    File,          // a regular file, or a link to one
    Folder,        // a directory, or a link to one
    Special,       // a pipe, a device or a socket, or a link to one
    DanglingLink,  // a link (or a chain of them) to a name where nothing is
    LinkLoop,      // links that lead round in a circle (or too many in a row)
    Unreachable,   // something the process may not look at (a closed folder on the way)
    RefusedLink,   // a link on the way that the kernel would not follow (see above)
};
// When `resolved` is given and the walk got through, it takes the path with every
// link replaced by what it names (for File, Folder, Special, DanglingLink, None).
FilePlace FilePlaceAt(const std::u16string& path, std::u16string* resolved = nullptr);

// Replaces the file at `path` with `size` bytes as one step: the bytes go to a new
// file in the same folder, are put on the medium, and that file is renamed over
// `path`. Whoever reads `path` sees the old content or the new, never a mix, even
// when the process dies half-way. Throws CFileException; after a failure `path` is
// as it was and the new file is gone.
//
// - A symbolic link is followed, link after link, as the kernel follows it (see
//   FilePlace): the file it leads to is replaced (or made) and the link stays.
//   A link the kernel would not follow fails the replace with EACCES, and a line
//   on stderr names it; nothing is written.
// - Only a regular file is replaced, and only one this process may write: one
//   without any write bit is read-only also to root (EACCES); a directory is
//   refused with EISDIR, anything else (a pipe, a device) with EINVAL.
// - A new file gets the usual creation rights; a replaced one keeps its owner,
//   group and mode.
// - Where the folder refuses a new file by its rights (EACCES, EPERM, EROFS: a
//   folder closed to the user holding a file the user may write), or the new file
//   cannot be given the old one's owner, group or mode (another account's file the
//   user may write), the file is written in place instead: room for the bytes is
//   made first where the file system can, the bytes go over the old ones from the
//   start, and only then is the length cut to them and all put on the medium; a
//   failure on the way puts the old bytes and length back (a line on stderr says
//   when even that fails: the file is torn). In the second case the new file is
//   written whole first, and where the file cannot be written in place either
//   (another program holds it), the new file replaces it with the process's own
//   owner and group, and a line on stderr says so.
// - Any other failure to make the new file (no room, no inode, quota, too many
//   open files, an I/O error), to write it whole or to put it on the medium fails
//   the replace, and the file at `path` is not touched.
//
// Leftovers: a process killed before the rename leaves its new file behind, named
// ".<name>.~XXXXXX" beside `path`. Each writer holds its new file locked from
// before it writes until after its rename, so the next replace of the same `path`
// removes every such leftover that no live writer holds, never a live writer's
// file, and at most one per killed writer exists in between. Concurrent replaces
// all succeed, and the last rename wins whole.
void ReplaceFileAtomically(const std::u16string& path, const void* data, std::size_t size);

}  // namespace platform
