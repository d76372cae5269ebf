// The program's version block: one Korean (0x0412) string table in UTF-16
// (code page 1200, 0x04B0), announced by the translation table.
#include <string>

#include "res/version_block.h"
#include "res/version_values.h"

namespace {

// "1.0.0" -> "1.0.0.0": versions are shown with four parts.
std::u16string FourPartVersion(std::string_view v) {
    std::u16string out(v.begin(), v.end());
    int parts = v.empty() ? 0 : 1;
    for (char c : v) parts += c == '.';
    for (; parts < 4; ++parts) out += parts == 0 ? u"0" : u".0";
    return out;
}

platform::VersionBlock MakeBlock() {
    constexpr std::uint16_t kLanguage = 0x0412;
    constexpr std::uint16_t kCodePage = 0x04B0;
    platform::VersionBlock block;
    block.SetBinary(u"\\VarFileInfo\\Translation",
                    {std::uint8_t(kLanguage & 0xFF), std::uint8_t(kLanguage >> 8),
                     std::uint8_t(kCodePage & 0xFF), std::uint8_t(kCodePage >> 8)});

    const std::u16string version = FourPartVersion(REROVORA_PROJECT_VERSION);
    const auto ascii = [](std::string_view s) { return std::u16string(s.begin(), s.end()); };
    const std::pair<const char16_t*, std::u16string> values[] = {
        {u"CompanyName", ascii(REROVORA_COMPANY_NAME)},
        {u"FileDescription", ascii(REROVORA_FILE_DESCRIPTION)},
        {u"FileVersion", version},
        {u"InternalName", ascii(REROVORA_INTERNAL_NAME)},
        {u"LegalCopyright", ascii(REROVORA_COPYRIGHT)},
        {u"OriginalFilename", ascii(REROVORA_ORIGINAL_FILENAME)},
        {u"ProductName", ascii(REROVORA_PRODUCT_NAME)},
        {u"ProductVersion", version},
    };
    for (const auto& [name, value] : values)
        block.SetText(std::u16string(u"\\StringFileInfo\\041204B0\\") + name, value);
    return block;
}

}  // namespace

namespace res {
namespace {
bool g_replaced = false;
const platform::VersionBlock* g_replacement = nullptr;
}  // namespace

const platform::VersionBlock* FindVersionResource() {
    if (g_replaced) return g_replacement;
    static const platform::VersionBlock block = MakeBlock();
    return &block;
}

ScopedVersionResource::ScopedVersionResource(const platform::VersionBlock* block)
    : m_hadReplacement(g_replaced), m_previous(g_replacement) {
    g_replaced = true;
    g_replacement = block;
}

ScopedVersionResource::~ScopedVersionResource() {
    g_replaced = m_hadReplacement;
    g_replacement = m_previous;
}

}  // namespace res
