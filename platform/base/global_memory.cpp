#include "platform/base/global_memory.h"

#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>
#include <vector>

namespace {

struct Block {
    std::vector<unsigned char> bytes;
    int locks = 0;
};

// Live blocks, so that a stale or foreign handle is refused instead of used.
std::unordered_set<Block*>& Live() {
    static std::unordered_set<Block*> live;
    return live;
}
std::mutex g_mutex;

Block* Find(HGLOBAL h) {
    auto* b = static_cast<Block*>(h);
    return b && Live().count(b) ? b : nullptr;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT, SIZE_T bytes) {
    auto* b = new (std::nothrow) Block;
    if (!b) return nullptr;
    try {
        b->bytes.assign(bytes, 0);
    } catch (const std::bad_alloc&) {
        delete b;
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    Live().insert(b);
    return b;
}

HGLOBAL GlobalReAlloc(HGLOBAL h, SIZE_T bytes, UINT) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Block* b = Find(h);
    if (!b) return nullptr;
    try {
        b->bytes.resize(bytes, 0);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return b;
}

void* GlobalLock(HGLOBAL h) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Block* b = Find(h);
    if (!b || b->bytes.empty()) return nullptr;
    ++b->locks;
    return b->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL h) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Block* b = Find(h);
    if (!b || b->locks == 0) return FALSE;
    return --b->locks > 0;
}

SIZE_T GlobalSize(HGLOBAL h) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Block* b = Find(h);
    return b ? b->bytes.size() : 0;
}

HGLOBAL GlobalFree(HGLOBAL h) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Block* b = Find(h);
    if (!b) return h;
    Live().erase(b);
    delete b;
    return nullptr;
}

CSharedFile::CSharedFile(UINT allocFlags, UINT growBytes)
    : m_flags(allocFlags), m_grow(growBytes ? growBytes : 1024) {}

CSharedFile::~CSharedFile() {
    if (m_block) GlobalFree(m_block);
}

BOOL CSharedFile::Write(const void* data, UINT count) {
    if (count == 0) return TRUE;
    const SIZE_T need = m_length + count;
    const SIZE_T have = GlobalSize(m_block);
    if (need > have) {
        const SIZE_T size = (need + m_grow - 1) / m_grow * m_grow;
        HGLOBAL grown = m_block ? GlobalReAlloc(m_block, size, m_flags) : GlobalAlloc(m_flags, size);
        if (!grown) return FALSE;
        m_block = grown;
    }
    auto* bytes = static_cast<unsigned char*>(GlobalLock(m_block));
    if (!bytes) return FALSE;
    std::memcpy(bytes + m_length, data, count);
    GlobalUnlock(m_block);
    m_length = need;
    return TRUE;
}

HGLOBAL CSharedFile::Detach() {
    HGLOBAL block = m_block;
    m_block = nullptr;
    m_length = 0;
    return block;
}
