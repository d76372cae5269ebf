#include "app/settings_file.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "controls/utility.h"
#include "platform/system/file.h"

void LoadConfigFile(const CString& path, ConfigData& cfg, CUtility& utility) {
    const bool exists = utility.FileExists(path) != FALSE;
    if (exists && platform::IsSpecialFileAt(path)) {
        // A pipe or a device by the file's name: reading it could wait for ever, and
        // it holds no settings. Run on the defaults; the save leaves it alone.
        FillConfigDefaults(cfg);
        std::fprintf(stderr, "settings file %s is not a regular file: running on the default settings\n",
                     Utf16ToUtf8(path).c_str());
        std::fflush(stderr);
    } else if (exists) {
        try {
            CFile file(path, CFile::modeRead | CFile::typeBinary);
            // Read aside first, so that a read that fails half-way leaves the record as it was.
            auto buffer = std::make_unique<unsigned char[]>(sizeof(ConfigData));
            const UINT got = file.Read(buffer.get(), UINT(sizeof(ConfigData)));
            file.Close();
            std::memcpy(&cfg, buffer.get(), got);
        } catch (const CFileException&) {
            // Unreadable settings: run on with the record as it is.
        }
    } else {
        FillConfigDefaults(cfg);
        SaveConfigFile(path, cfg);
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
