// Data exchanged through the clipboard and by drag and drop: the data source
// that offers blocks of bytes by clipboard format, and the data object that
// reads them, from the clipboard or from the source of a running drag.
//
// CF_TEXT is text in the ANSI code page (platform/base/codepage.h). A source
// put on the clipboard offers its CF_TEXT bytes exactly as cached, under a type
// private to this program, and beside them as plain text (up to the first NUL)
// for other programs. Text that another program put on the clipboard reads as
// CF_TEXT converted to the ANSI code page, with one terminating NUL.
//
// The clipboard owns a source after SetClipboard: the source is deleted when
// other data replaces it on the clipboard, or by FlushClipboard, which leaves
// its data on the clipboard. The layer keeps track of that ownership itself.
#pragma once

#include <map>

#include "platform/base/global_memory.h"
#include "platform/base/types.h"

using CLIPFORMAT = WORD;
constexpr CLIPFORMAT CF_TEXT = 1;
constexpr CLIPFORMAT CF_UNICODETEXT = 13;

using DROPEFFECT = DWORD;
constexpr DROPEFFECT DROPEFFECT_NONE = 0;
constexpr DROPEFFECT DROPEFFECT_COPY = 1;
constexpr DROPEFFECT DROPEFFECT_MOVE = 2;
constexpr DROPEFFECT DROPEFFECT_LINK = 4;
constexpr DROPEFFECT DROPEFFECT_SCROLL = 0x80000000;

class COleDataSource {
public:
    COleDataSource();
    // Frees the cached blocks; a source that the clipboard owns leaves its data
    // on the clipboard and gives up the ownership.
    virtual ~COleDataSource();
    COleDataSource(const COleDataSource&) = delete;
    COleDataSource& operator=(const COleDataSource&) = delete;

    // Offers `block` as `format`; the source owns the block from now on (an
    // earlier block of that format is freed). The medium is accepted and ignored.
    void CacheGlobalData(CLIPFORMAT format, HGLOBAL block, void* medium = nullptr);
    // Frees every cached block.
    void Empty();
    // The block cached for `format` (owned by the source), or null.
    HGLOBAL GetCachedData(CLIPFORMAT format) const;

    // Puts this source's data on the clipboard and hands the source to it.
    void SetClipboard();
    // The source that owns the clipboard now, or null.
    static COleDataSource* GetClipboardOwner();
    // Deletes the owning source and leaves its data on the clipboard.
    static void FlushClipboard();

    // Drags this source's data over the program's windows (the drag loop of
    // platform/ole/droptarget.h) and returns the effect of the drop, or
    // DROPEFFECT_NONE. The start rectangle and drop source are accepted and ignored.
    DROPEFFECT DoDragDrop(DROPEFFECT allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK,
                          LPCRECT startRect = nullptr, void* dropSource = nullptr);

private:
    std::map<CLIPFORMAT, HGLOBAL> m_blocks;
};

class COleDataObject {
public:
    COleDataObject();
    virtual ~COleDataObject();
    COleDataObject(const COleDataObject&) = delete;
    COleDataObject& operator=(const COleDataObject&) = delete;

    // Reads from the clipboard (what it holds at each question) from now on.
    BOOL AttachClipboard();
    // Reads from `source` (not owned) from now on: the data of a drag.
    void Attach(COleDataSource* source);
    // Reads from nothing.
    void Release();

    BOOL IsDataAvailable(CLIPFORMAT format) const;
    // A new block with the data of `format`, which the caller frees with
    // GlobalFree; null when the format is not there.
    HGLOBAL GetGlobalData(CLIPFORMAT format) const;

private:
    bool m_clipboard = false;
    COleDataSource* m_source = nullptr;
};

// Whether the clipboard holds data of `format` (CF_TEXT, CF_UNICODETEXT).
BOOL IsClipboardFormatAvailable(UINT format);
