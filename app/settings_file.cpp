#include "app/settings_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "controls/utility.h"
#include "platform/system/file.h"

namespace {

void SayDefaults(const CString& path, const char* what) {
    std::fprintf(stderr, "settings file %s %s: running on the default settings\n", Utf16ToUtf8(path).c_str(), what);
    std::fflush(stderr);
}

constexpr const char* kRefusedLink =
    "is a link made by another account, in a folder every account may write or for root; it is not followed";

// Reads the front of the file at `path` (no links left on its way) into
// `buffer`, up to the record's size: how many bytes came, and the file's
// length. Throws CFileException when the file cannot be opened or read.
struct ReadBack {
    UINT got = 0;
    std::uint64_t length = 0;
};
ReadBack ReadRecordBytes(const CString& path, unsigned char* buffer) {
    CFile file(path, CFile::modeRead | CFile::typeBinary);
    ReadBack read;
    read.length = file.GetLength();
    read.got = file.Read(buffer, UINT(sizeof(ConfigData)));
    file.Close();
    return read;
}

// Why the place at `path` may not take a save, or empty when it may: a file
// is written over only when it can be read now, so that settings the program
// could not read never give way to the ones in memory; anything that is not a
// file is left alone.
std::string WhyNotWritable(const CString& path) {
    CString resolved;
    switch (platform::FilePlaceAt(path, &resolved)) {
    case platform::FilePlace::None:
    case platform::FilePlace::DanglingLink: return {};
    case platform::FilePlace::File:
        try {
            auto buffer = std::make_unique<unsigned char[]>(sizeof(ConfigData));
            ReadRecordBytes(resolved, buffer.get());
            return {};
        } catch (const CFileException& e) {
            return std::string("it cannot be read (") + std::strerror(e.Cause()) +
                   "), and settings that cannot be read are not written over until they can be";
        }
    case platform::FilePlace::Folder: return "it is a folder";
    case platform::FilePlace::Special: return "it is not a regular file";
    case platform::FilePlace::LinkLoop: return "it is a loop of links";
    case platform::FilePlace::Unreachable: return "it cannot be reached";
    case platform::FilePlace::RefusedLink: return std::string("it ") + kRefusedLink;
    }
    return {};
}

}  // namespace

bool LoadConfigFile(const CString& path, ConfigData& cfg, CUtility& utility) {
    bool fromFile = false;
    const bool exists = utility.FileExists(path) != FALSE;
    CString resolved;
    switch (exists ? platform::FilePlaceAt(path, &resolved) : platform::FilePlace::None) {
    case platform::FilePlace::File:
        try {
            // Read aside first, so that a read that fails half-way leaves the record as it was.
            auto buffer = std::make_unique<unsigned char[]>(sizeof(ConfigData));
            const ReadBack read = ReadRecordBytes(resolved, buffer.get());
            std::memcpy(&cfg, buffer.get(), read.got);
            fromFile = true;
            if (read.length != sizeof(ConfigData)) {
                // Taken as it stands, as a record of that size is, but said: a
                // file cut short (an old program's half-written save, a copy
                // that stopped) leaves the rest of the record as it was.
                std::fprintf(stderr, "settings file %s is %llu bytes long, not %zu: %s\n",
                             Utf16ToUtf8(path).c_str(), static_cast<unsigned long long>(read.length),
                             sizeof(ConfigData),
                             read.length < sizeof(ConfigData)
                                 ? "the settings past its end are zero (no title, no names, port 0)"
                                 : "only its first bytes are settings, and a save cuts the rest off");
                std::fflush(stderr);
            }
        } catch (const CFileException& e) {
            // Settings that cannot be read (no rights, a failing medium): a
            // record of zeros would run with no title, no names and no server,
            // sending nothing and saying nothing. Run on the defaults and say
            // so; the saves leave the file alone while it cannot be read.
            FillConfigDefaults(cfg);
            const std::string what = std::string("cannot be read (") + std::strerror(e.Cause()) +
                                     "); it is not written over until it can be";
            SayDefaults(path, what.c_str());
        }
        break;
    case platform::FilePlace::None:
        // The first start in this folder.
        FillConfigDefaults(cfg);
        SaveConfigFile(path, cfg);
        fromFile = true;  // nothing was there to keep
        break;
    case platform::FilePlace::DanglingLink:
        // A link is followed to the file it names, and that file is not there
        // yet: as at a first start, the defaults are written there.
        FillConfigDefaults(cfg);
        SaveConfigFile(path, cfg);
        fromFile = true;  // nothing was there to keep
        SayDefaults(path, "is a link to nothing; they are written where it points");
        break;
    case platform::FilePlace::Special:
        // A pipe or a device by the file's name: reading it could wait for ever,
        // and it holds no settings. The save leaves it alone.
        FillConfigDefaults(cfg);
        SayDefaults(path, "is not a regular file");
        break;
    case platform::FilePlace::Folder:
        // Nothing to read, and the save leaves it alone as well.
        FillConfigDefaults(cfg);
        SayDefaults(path, "is not a regular file but a folder");
        break;
    case platform::FilePlace::LinkLoop:
        FillConfigDefaults(cfg);
        SayDefaults(path, "is not a regular file but a loop of links");
        break;
    case platform::FilePlace::Unreachable:
        FillConfigDefaults(cfg);
        SayDefaults(path, "cannot be reached");
        break;
    case platform::FilePlace::RefusedLink:
        // Another account's link in a shared folder such as /tmp: following it
        // would read or write wherever that account chose.
        FillConfigDefaults(cfg);
        SayDefaults(path, kRefusedLink);
        break;
    }
    cfg.nStackCount = kStackCount;
    return fromFile;
}

bool SaveConfigFile(const CString& path, const ConfigData& cfg, std::string* why) {
    std::string cause = WhyNotWritable(path);
    if (cause.empty()) {
        try {
            platform::ReplaceFileAtomically(path, &cfg, sizeof cfg);
            return true;
        } catch (const CFileException& e) {
            cause = e.what();
        }
    }
    std::fprintf(stderr, "settings file %s not saved: %s; the file is left as it was\n", Utf16ToUtf8(path).c_str(),
                 cause.c_str());
    std::fflush(stderr);
    if (why) *why = cause;
    return false;
}
