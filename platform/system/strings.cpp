#include "platform/system/strings.h"

#include <map>
#include <mutex>

namespace {

std::mutex& TableMutex() {
    static std::mutex m;
    return m;
}

std::map<UINT, std::u16string>& Table() {
    static std::map<UINT, std::u16string> table;
    return table;
}

}  // namespace

namespace platform {

void RegisterString(UINT id, std::u16string text) {
    std::lock_guard lock(TableMutex());
    Table()[id] = std::move(text);
}

void RemoveString(UINT id) {
    std::lock_guard lock(TableMutex());
    Table().erase(id);
}

}  // namespace platform

BOOL LoadStringResource(UINT id, std::u16string& text) {
    std::lock_guard lock(TableMutex());
    auto it = Table().find(id);
    if (it == Table().end()) {
        text.clear();
        return FALSE;
    }
    text = it->second;
    return TRUE;
}
