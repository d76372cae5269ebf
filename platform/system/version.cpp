#include "platform/system/version.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace platform {
namespace {

std::u16string LowerAscii(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out) {
        if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
    }
    return out;
}

}  // namespace

void VersionBlock::SetBinary(std::u16string_view path, std::vector<std::uint8_t> bytes) {
    Value v;
    v.bytes = std::move(bytes);
    m_values[LowerAscii(path)] = std::move(v);
}

void VersionBlock::SetText(std::u16string_view path, std::u16string_view text) {
    Value v;
    v.text = std::u16string(text);
    v.isText = true;
    m_values[LowerAscii(path)] = std::move(v);
}

bool VersionBlock::Query(std::u16string_view path, const void** data, UINT* length) const {
    const auto it = m_values.find(LowerAscii(path));
    if (it == m_values.end()) return false;
    const Value& v = it->second;
    if (v.isText) {
        *data = v.text.c_str();
        *length = UINT(v.text.size() + 1);
    } else {
        *data = v.bytes.data();
        *length = UINT(v.bytes.size());
    }
    return true;
}

}  // namespace platform

BOOL VerQueryValueW(const void* block, LPCWSTR subBlock, void** buffer, UINT* length) {
    if (!block || !subBlock || !buffer || !length) return FALSE;
    const void* data = nullptr;
    UINT len = 0;
    if (!static_cast<const platform::VersionBlock*>(block)->Query(subBlock, &data, &len)) return FALSE;
    *buffer = const_cast<void*>(data);
    *length = len;
    return TRUE;
}

WORD GetUserDefaultLangID() {
    struct Entry {
        const char* name;  // language, or language_TERRITORY
        WORD id;
    };
    static constexpr Entry kIds[] = {
        {"ko_KR", 0x0412}, {"ko", 0x0412},    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en", 0x0409},
        {"ja_JP", 0x0411}, {"ja", 0x0411},    {"zh_CN", 0x0804}, {"zh_TW", 0x0404}, {"zh", 0x0804},
        {"de_DE", 0x0407}, {"de", 0x0407},    {"fr_FR", 0x040C}, {"fr", 0x040C},    {"es_ES", 0x0C0A},
        {"es", 0x0C0A},    {"it_IT", 0x0410}, {"it", 0x0410},    {"ru_RU", 0x0419}, {"ru", 0x0419},
        {"pt_BR", 0x0416}, {"pt", 0x0816},    {"nl_NL", 0x0413}, {"nl", 0x0413},
    };
    constexpr WORD kDefault = 0x0409;

    const char* value = nullptr;
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) {
            value = v;
            break;
        }
    }
    if (!value) return kDefault;
    std::string_view name(value);
    name = name.substr(0, name.find_first_of(".@"));
    const std::string_view language = name.substr(0, name.find('_'));
    for (const std::string_view candidate : {name, language}) {
        for (const Entry& e : kIds) {
            if (candidate == e.name) return e.id;
        }
    }
    return kDefault;
}
