// Global memory blocks: the byte blocks that carry clipboard and drag data, and
// the shared file that writes one.
//
// A block is reached through its handle; its bytes through GlobalLock. Blocks
// never move here, so a lock is only counted. GMEM_ZEROINIT zeroes new bytes;
// the other allocation flags are accepted and ignored.
#pragma once

#include <cstddef>

#include "platform/base/types.h"

using HGLOBAL = void*;
using SIZE_T = std::size_t;

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GMEM_DDESHARE = 0x2000;
constexpr UINT GMEM_SHARE = GMEM_DDESHARE;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

// A new block of `bytes` bytes (null when it cannot be had).
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// Resizes a block: the bytes it keeps stay, new ones are zero with GMEM_ZEROINIT.
// Returns the block (the same handle), or null on failure (the block stays).
HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags);
// The block's bytes (null for a null or unknown handle; also for a block of 0 bytes).
void* GlobalLock(HGLOBAL block);
// FALSE once the block is no longer locked.
BOOL GlobalUnlock(HGLOBAL block);
// The block's size in bytes; 0 for a null or unknown handle.
SIZE_T GlobalSize(HGLOBAL block);
// Frees a block; returns null, or the handle when it was not a block.
HGLOBAL GlobalFree(HGLOBAL block);

// A file written into a growing global memory block, which Detach hands over.
class CSharedFile {
public:
    explicit CSharedFile(UINT allocFlags = GMEM_DDESHARE | GMEM_MOVEABLE, UINT growBytes = 4096);
    ~CSharedFile();
    CSharedFile(const CSharedFile&) = delete;
    CSharedFile& operator=(const CSharedFile&) = delete;

    // Appends `count` bytes; FALSE (nothing written) when the block cannot grow.
    BOOL Write(const void* data, UINT count);
    SIZE_T GetLength() const { return m_length; }
    // Hands over the block (as long as the file grew it, with the spare bytes of
    // its last growth) and starts afresh; null when nothing was written.
    HGLOBAL Detach();

private:
    UINT m_flags;
    UINT m_grow;
    HGLOBAL m_block = nullptr;
    SIZE_T m_length = 0;
};
