// Layer-private data of GDI objects (includes Qt; only platform/ and tests use it).
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRegion>
#include <memory>
#include <optional>
#include <string>

#include "platform/gdi/gdi.h"

struct GdiObjectData {
    virtual ~GdiObjectData() = default;
};

struct PenData : GdiObjectData {
    int style = PS_SOLID;
    int width = 1;
    COLORREF colour = 0;
};

struct BrushData : GdiObjectData {
    bool hollow = false;
    COLORREF colour = 0;
};

struct FontData : GdiObjectData {
    LOGFONTW logFont{};
    // The Qt font the record stands for, made at first use.
    const QFont& Font() const;

private:
    mutable std::optional<QFont> m_font;
};

struct BitmapData : GdiObjectData {
    // Shared with the memory contexts the bitmap is selected into.
    std::shared_ptr<QImage> image;
};

struct RegionData : GdiObjectData {
    QRegion region;
};

namespace platform::detail {

// NULLREGION, SIMPLEREGION or COMPLEXREGION: what a region call reports.
int RegionKind(const QRegion& region);
// A COLORREF (0x00BBGGRR) as an opaque Qt colour.
inline QColor QtColour(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

// The Qt font for a font record: face through the face-name mapping, height,
// width, weight, italic, underline and strike-out (the escapement is the
// drawing code's).
QFont FontFromLogFont(const LOGFONTW& lf);
// The face name of a font record.
std::u16string FaceOf(const LOGFONTW& lf);
// Sets the face name of a font record (cut to fit, zero-terminated; null: none).
void SetFace(LOGFONTW& lf, const WCHAR* face);
// The installed family a face name stands for (through the face-name mapping).
QString ResolvedFamily(const std::u16string& face);
// The format every bitmap and window image uses.
constexpr QImage::Format kImageFormat = QImage::Format_ARGB32_Premultiplied;

template <class T>
const T* DataOf(const CGdiObject* object) {
    return object ? dynamic_cast<const T*>(object->Data().get()) : nullptr;
}
// The pixels of a bitmap object (null for an empty one).
std::shared_ptr<QImage> BitmapImage(const CBitmap* bitmap);
// Makes `bitmap` a bitmap holding `image` (shared, not copied).
void SetBitmapImage(CBitmap* bitmap, std::shared_ptr<QImage> image);

// Stock objects: the defaults of a new context.
CPen* StockPen(int index);
CBrush* StockBrush(int index);
CFont* StockFont(int index);
CBitmap* StockBitmap();

}  // namespace platform::detail
