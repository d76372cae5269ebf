// The program's version resource.
#pragma once

#include "platform/system/version.h"

namespace res {

// The version block built into the program, or the one a ScopedVersionResource
// put in its place; null when that put none.
const platform::VersionBlock* FindVersionResource();

// Puts `block` (null: no version resource at all) in place of the program's own
// until the object is destroyed; for tests of the paths that a block without a
// usable translation, or a program without a block, takes.
class ScopedVersionResource {
public:
    explicit ScopedVersionResource(const platform::VersionBlock* block);
    ~ScopedVersionResource();
    ScopedVersionResource(const ScopedVersionResource&) = delete;
    ScopedVersionResource& operator=(const ScopedVersionResource&) = delete;

private:
    bool m_hadReplacement;
    const platform::VersionBlock* m_previous;
};

}  // namespace res
