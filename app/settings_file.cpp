#include "app/settings_file.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "controls/utility.h"
#include "platform/system/file.h"

namespace {

void SayDefaults(const CString& path, const char* what) {
    std::fprintf(stderr, "settings file %s %s: running on the default settings\n", Utf16ToUtf8(path).c_str(), what);
    std::fflush(stderr);
}

}  // namespace

void LoadConfigFile(const CString& path, ConfigData& cfg, CUtility& utility) {
    const bool exists = utility.FileExists(path) != FALSE;
    switch (exists ? platform::FilePlaceAt(path) : platform::FilePlace::None) {
    case platform::FilePlace::File:
        try {
            CFile file(path, CFile::modeRead | CFile::typeBinary);
            // Read aside first, so that a read that fails half-way leaves the record as it was.
            auto buffer = std::make_unique<unsigned char[]>(sizeof(ConfigData));
            const UINT got = file.Read(buffer.get(), UINT(sizeof(ConfigData)));
            file.Close();
            std::memcpy(&cfg, buffer.get(), got);
        } catch (const CFileException&) {
            // Settings that cannot be read (no rights, a failing medium): a
            // record of zeros would run with no title, no names and no server,
            // sending nothing and saying nothing. Run on the defaults and say so.
            FillConfigDefaults(cfg);
            SayDefaults(path, "cannot be read");
        }
        break;
    case platform::FilePlace::None:
        // The first start in this folder.
        FillConfigDefaults(cfg);
        SaveConfigFile(path, cfg);
        break;
    case platform::FilePlace::DanglingLink:
        // A link is followed to the file it names, and that file is not there
        // yet: as at a first start, the defaults are written there.
        FillConfigDefaults(cfg);
        SaveConfigFile(path, cfg);
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
    }
    cfg.nStackCount = kStackCount;
}

bool SaveConfigFile(const CString& path, const ConfigData& cfg) {
    try {
        platform::ReplaceFileAtomically(path, &cfg, sizeof cfg);
        return true;
    } catch (const CFileException&) {
        return false;
    }
}
