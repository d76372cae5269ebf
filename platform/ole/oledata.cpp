#include "platform/ole/oledata.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <cstring>

#include "platform/base/codepage.h"
#include "platform/ole/droptarget.h"

namespace {

// The exact CF_TEXT bytes of a source of this program, beside the plain text.
const char* const kAnsiTextType = "application/x-rerovora-ansi-text";

// The source that owns the clipboard, and the data it put there. Each handing
// over gets a new number, so a late notice about older data changes nothing.
COleDataSource* g_owner = nullptr;
QPointer<QMimeData> g_ownerData;
unsigned g_ownerSerial = 0;

QClipboard* Clipboard() { return qGuiApp ? QGuiApplication::clipboard() : nullptr; }

const QMimeData* ClipboardData() {
    QClipboard* c = Clipboard();
    return c ? c->mimeData() : nullptr;
}

QByteArray BlockBytes(HGLOBAL block) {
    const SIZE_T size = GlobalSize(block);
    const void* bytes = GlobalLock(block);
    if (!bytes) return {};
    QByteArray copy(static_cast<const char*>(bytes), qsizetype(size));
    GlobalUnlock(block);
    return copy;
}

HGLOBAL NewBlock(const QByteArray& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, SIZE_T(bytes.size()));
    if (!block) return nullptr;
    if (void* p = GlobalLock(block)) {
        std::memcpy(p, bytes.constData(), size_t(bytes.size()));
        GlobalUnlock(block);
    }
    return block;
}

// The clipboard's text as CF_TEXT bytes: this program's exact bytes, or plain
// text in the ANSI code page with its terminator.
bool ClipboardAnsiText(QByteArray* out) {
    const QMimeData* data = ClipboardData();
    if (!data) return false;
    if (data->hasFormat(kAnsiTextType)) {
        if (out) *out = data->data(kAnsiTextType);
        return true;
    }
    if (!data->hasText()) return false;
    if (out) {
        const QString text = data->text();
        const std::string ansi = WideToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())));
        *out = QByteArray(ansi.data(), qsizetype(ansi.size()));
        out->append('\0');
    }
    return true;
}

bool ClipboardUnicodeText(QByteArray* out) {
    const QMimeData* data = ClipboardData();
    if (!data || !data->hasText()) return false;
    if (out) {
        const QString text = data->text();
        *out = QByteArray(reinterpret_cast<const char*>(text.utf16()), qsizetype(text.size() * 2));
        out->append(2, '\0');
    }
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// COleDataSource

COleDataSource::COleDataSource() = default;

COleDataSource::~COleDataSource() {
    if (g_owner == this) {
        g_owner = nullptr;
        ++g_ownerSerial;
    }
    Empty();
}

void COleDataSource::CacheGlobalData(CLIPFORMAT format, HGLOBAL block, void*) {
    auto it = m_blocks.find(format);
    if (it != m_blocks.end()) {
        if (it->second != block) GlobalFree(it->second);
        it->second = block;
    } else {
        m_blocks[format] = block;
    }
}

void COleDataSource::Empty() {
    for (auto& [format, block] : m_blocks) GlobalFree(block);
    m_blocks.clear();
}

HGLOBAL COleDataSource::GetCachedData(CLIPFORMAT format) const {
    auto it = m_blocks.find(format);
    return it == m_blocks.end() ? nullptr : it->second;
}

void COleDataSource::SetClipboard() {
    QClipboard* clipboard = Clipboard();
    if (!clipboard) {
        delete this;  // the clipboard owns the source, even when there is none
        return;
    }
    auto* data = new QMimeData;
    if (HGLOBAL text = GetCachedData(CF_TEXT)) {
        const QByteArray bytes = BlockBytes(text);
        data->setData(kAnsiTextType, bytes);
        const qsizetype end = bytes.indexOf('\0');
        const std::u16string wide = AnsiToWide(std::string_view(bytes.constData(), size_t(end < 0 ? bytes.size() : end)));
        data->setText(QString::fromUtf16(wide.data(), qsizetype(wide.size())));
    } else if (HGLOBAL unicode = GetCachedData(CF_UNICODETEXT)) {
        const QByteArray bytes = BlockBytes(unicode);
        QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
        const qsizetype end = text.indexOf(QChar(0));
        data->setText(end < 0 ? text : text.left(end));
    }
    // The previous owner goes when its data is replaced (below); this one takes over.
    if (g_owner && g_owner != this) {
        COleDataSource* previous = g_owner;
        g_owner = nullptr;
        delete previous;
    }
    g_owner = this;
    const unsigned serial = ++g_ownerSerial;
    g_ownerData = data;
    QObject::connect(data, &QObject::destroyed, [serial] {
        if (g_ownerSerial != serial || !g_owner) return;
        COleDataSource* owner = g_owner;
        g_owner = nullptr;
        delete owner;
    });
    clipboard->setMimeData(data);
}

COleDataSource* COleDataSource::GetClipboardOwner() {
    if (!g_owner) return nullptr;
    if (!g_ownerData || ClipboardData() != g_ownerData.data()) return nullptr;
    return g_owner;
}

void COleDataSource::FlushClipboard() {
    COleDataSource* owner = g_owner;
    if (!owner) return;
    g_owner = nullptr;
    ++g_ownerSerial;
    delete owner;
}

DROPEFFECT COleDataSource::DoDragDrop(DROPEFFECT allowed, LPCRECT, void*) {
    COleDataObject data;
    data.Attach(this);
    return DoDragLoop(&data, allowed);
}

// ---------------------------------------------------------------------------
// COleDataObject

COleDataObject::COleDataObject() = default;
COleDataObject::~COleDataObject() = default;

BOOL COleDataObject::AttachClipboard() {
    m_source = nullptr;
    m_clipboard = Clipboard() != nullptr;
    return m_clipboard;
}

void COleDataObject::Attach(COleDataSource* source) {
    m_clipboard = false;
    m_source = source;
}

void COleDataObject::Release() {
    m_clipboard = false;
    m_source = nullptr;
}

BOOL COleDataObject::IsDataAvailable(CLIPFORMAT format) const {
    if (m_source) return m_source->GetCachedData(format) != nullptr;
    if (!m_clipboard) return FALSE;
    return IsClipboardFormatAvailable(format);
}

HGLOBAL COleDataObject::GetGlobalData(CLIPFORMAT format) const {
    if (m_source) {
        HGLOBAL block = m_source->GetCachedData(format);
        return block ? NewBlock(BlockBytes(block)) : nullptr;
    }
    if (!m_clipboard) return nullptr;
    QByteArray bytes;
    if (format == CF_TEXT && ClipboardAnsiText(&bytes)) return NewBlock(bytes);
    if (format == CF_UNICODETEXT && ClipboardUnicodeText(&bytes)) return NewBlock(bytes);
    return nullptr;
}

BOOL IsClipboardFormatAvailable(UINT format) {
    if (format == CF_TEXT) return ClipboardAnsiText(nullptr);
    if (format == CF_UNICODETEXT) return ClipboardUnicodeText(nullptr);
    return FALSE;
}
