#include "controls/utility.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "controls/hmi_fonts.h"
#include "platform/system/display.h"
#include "platform/system/file.h"
#include "platform/system/version.h"
#include "res/version_block.h"

BOOL CUtility::FileExists(const CString& path) const {
    return platform::FileExistsAt(path) ? TRUE : FALSE;
}

void CUtility::GetMonitorRect(int displayIndex, RECT* rect) const {
    *rect = RECT{0, 0, 0, 0};
    platform::DisplayInfo info;
    if (!platform::GetDisplay(displayIndex, &info)) return;
    rect->right = info.modeWidth;
    rect->bottom = info.modeHeight;
}

void CUtility::CaptureScreen(const CString& path, int displayIndex) const {
    platform::DisplayInfo info;
    if (!platform::GetDisplay(displayIndex, &info)) return;
    platform::CaptureDesktopToPng(info.desktopRect, path);
}

gfx::Image* CUtility::LoadPngResource(UINT id) const { return ::LoadPngResource(id); }

CString CUtility::GetVersionString(int key) const {
    static constexpr const char* kNames[] = {
        "FileVersion",    "InternalName", "LegalCopyright", "OriginalFilename",
        "ProductVersion", "ProductName",  "CompanyName",
    };
    if (key < 0 || key >= int(std::size(kNames))) return {};

    const void* block = res::FindVersionResource();
    if (!block) return {};

    char path[128];
    void* translation = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block, u"\\VarFileInfo\\Translation", &translation, &length) && length == 4) {
        unsigned char t[4];
        std::memcpy(t, translation, 4);
        const unsigned language = t[0] | (t[1] << 8);
        const unsigned codePage = t[2] | (t[3] << 8);
        std::snprintf(path, sizeof path, "\\StringFileInfo\\%02X%02X%02X%02X\\%s", language >> 8,
                      language & 0xFF, codePage >> 8, codePage & 0xFF, kNames[key]);
    } else {
        std::snprintf(path, sizeof path, "\\StringFileInfo\\%04X04B0\\%s", unsigned(GetUserDefaultLangID()),
                      kNames[key]);
    }

    void* value = nullptr;
    if (!VerQueryValueW(block, Utf8ToUtf16(path).c_str(), &value, &length) || !value) return {};
    return CString(static_cast<const char16_t*>(value));
}
