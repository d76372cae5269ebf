#include "platform/system/resources.h"

#include <map>
#include <mutex>
#include <utility>

namespace platform {

namespace {

using Key = std::pair<std::string, UINT>;

struct Table {
    std::mutex mutex;
    std::map<Key, ResourceBytes> entries;
};

Table& Resources() {
    static Table table;
    return table;
}

Key MakeKey(std::string_view type, UINT id) {
    std::string upper(type);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return {std::move(upper), id};
}

}  // namespace

void RegisterResource(std::string_view type, UINT id, ResourceBytes bytes) {
    Table& t = Resources();
    std::lock_guard lock(t.mutex);
    t.entries.insert_or_assign(MakeKey(type, id), bytes);
}

bool RemoveResource(std::string_view type, UINT id) {
    Table& t = Resources();
    std::lock_guard lock(t.mutex);
    return t.entries.erase(MakeKey(type, id)) > 0;
}

std::optional<ResourceBytes> FindResource(std::string_view type, UINT id) {
    Table& t = Resources();
    std::lock_guard lock(t.mutex);
    const auto it = t.entries.find(MakeKey(type, id));
    if (it == t.entries.end()) return std::nullopt;
    return it->second;
}

ScopedResourceOverride::ScopedResourceOverride(std::string_view type, UINT id,
                                               std::optional<ResourceBytes> bytes)
    : m_type(type), m_id(id), m_previous(FindResource(type, id)) {
    if (bytes)
        RegisterResource(type, id, *bytes);
    else
        RemoveResource(type, id);
}

ScopedResourceOverride::~ScopedResourceOverride() {
    if (m_previous)
        RegisterResource(m_type, m_id, *m_previous);
    else
        RemoveResource(m_type, m_id);
}

}  // namespace platform
