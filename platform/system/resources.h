// The program's binary resources: blocks of bytes built into the program and
// found by a type name ("BINARY", "PNG", "ICON") and a numeric id.
//
// The bytes are not copied: whoever registers a resource keeps its bytes valid
// while it is registered (the program's own resources are arrays with static
// storage, valid for the whole run).
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/base/types.h"

namespace platform {

using ResourceBytes = std::span<const std::byte>;

// Makes `bytes` the resource (type, id), in place of any registered before.
// Type names are matched without regard to letter case.
void RegisterResource(std::string_view type, UINT id, ResourceBytes bytes);
// Forgets the resource (type, id); returns whether there was one.
bool RemoveResource(std::string_view type, UINT id);
// The bytes of resource (type, id), or nothing when the program has no such
// resource. A resource may be present and empty.
std::optional<ResourceBytes> FindResource(std::string_view type, UINT id);

// Views of the program's own static data as resource bytes.
inline ResourceBytes AsResourceBytes(const unsigned char* data, std::size_t size) {
    return {reinterpret_cast<const std::byte*>(data), size};
}

// Puts other bytes in place of one resource (or, with no bytes, takes it away)
// until the object is destroyed, then restores what was there before; for tests
// of a program whose resource is corrupt or missing.
class ScopedResourceOverride {
public:
    ScopedResourceOverride(std::string_view type, UINT id, std::optional<ResourceBytes> bytes);
    ~ScopedResourceOverride();
    ScopedResourceOverride(const ScopedResourceOverride&) = delete;
    ScopedResourceOverride& operator=(const ScopedResourceOverride&) = delete;

private:
    std::string m_type;
    UINT m_id;
    std::optional<ResourceBytes> m_previous;
};

}  // namespace platform
