#include "platform/gdi/gdi.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QRawFont>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>

#include "platform/system/fonts.h"
#include "platform/gdi/gdi_impl.h"
#include "platform/gdi/paint_target.h"
#include "platform/base/sysmetrics.h"

namespace platform::detail {

QString ResolvedFamily(const std::u16string& face) {
    const std::u16string mapped = ResolveFaceName(face);
    return QString::fromUtf16(mapped.data(), qsizetype(mapped.size()));
}

std::u16string FaceOf(const LOGFONTW& lf) {
    std::u16string face;
    for (int i = 0; i < LF_FACESIZE && lf.lfFaceName[i]; ++i) face.push_back(lf.lfFaceName[i]);
    return face;
}

void SetFace(LOGFONTW& lf, const WCHAR* face) {
    int i = 0;
    for (; face && i + 1 < LF_FACESIZE && face[i]; ++i) lf.lfFaceName[i] = face[i];
    std::fill(lf.lfFaceName + i, lf.lfFaceName + LF_FACESIZE, WCHAR(0));
}

namespace {

// Cell height (ascent + descent) of a family per pixel of em size.
double CellPerEm(const QFont& font) {
    static std::map<QString, double> cache;
    const QString key = font.family() + QString::number(font.weight()) + (font.italic() ? "i" : "");
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    QFont probe(font);
    probe.setPixelSize(200);
    const QFontMetricsF fm(probe);
    double ratio = (fm.ascent() + fm.descent()) / 200.0;
    if (!(ratio > 0.2 && ratio < 5.0)) ratio = 1.0;
    cache.emplace(key, ratio);
    return ratio;
}

}  // namespace

QFont FontFromLogFont(const LOGFONTW& lf) {
    QFont font;
    const std::u16string face = FaceOf(lf);
    if (!face.empty()) font.setFamilies({ResolvedFamily(face)});
    const LONG weight = lf.lfWeight == FW_DONTCARE ? FW_NORMAL : std::clamp<LONG>(lf.lfWeight, 1, 1000);
    font.setWeight(QFont::Weight(weight));
    font.setItalic(lf.lfItalic != 0);
    font.setUnderline(lf.lfUnderline != 0);
    font.setStrikeOut(lf.lfStrikeOut != 0);
    if (lf.lfQuality == NONANTIALIASED_QUALITY) font.setStyleStrategy(QFont::NoAntialias);
    int pixels = 16;
    if (lf.lfHeight < 0) {
        pixels = int(std::min<LONG>(-lf.lfHeight, 4000));
    } else if (lf.lfHeight > 0) {
        const double cell = double(std::min<LONG>(lf.lfHeight, 4000));
        pixels = std::max(1, int(std::lround(cell / CellPerEm(font))));
    } else {
        pixels = std::max(1, int(std::lround(16.0 / CellPerEm(font))));
    }
    font.setPixelSize(std::max(1, pixels));
    if (lf.lfWidth > 0) {
        const QFontMetricsF fm(font);
        const double natural = fm.averageCharWidth();
        if (natural > 0) {
            const int stretch = int(std::lround(100.0 * lf.lfWidth / natural));
            font.setStretch(std::clamp(stretch, 1, 4000));
        }
    }
    return font;
}

std::shared_ptr<QImage> BitmapImage(const CBitmap* bitmap) {
    const auto* d = DataOf<BitmapData>(bitmap);
    return d ? d->image : nullptr;
}

void SetBitmapImage(CBitmap* bitmap, std::shared_ptr<QImage> image) {
    auto d = std::make_shared<BitmapData>();
    d->image = std::move(image);
    bitmap->SetData(CGdiObject::kBitmap, d);
}

namespace {

template <class T>
T* MakeStock(std::map<int, std::unique_ptr<T>>& store, int index) {
    auto& slot = store[index];
    if (!slot) {
        slot = std::make_unique<T>();
        slot->m_stock = true;
    }
    return slot.get();
}

LOGFONTW StockLogFont(int index) {
    LOGFONTW lf{};
    std::u16string face = u"System";
    switch (index) {
    case DEFAULT_GUI_FONT:
        face = u"MS Shell Dlg";
        lf.lfHeight = -11;
        lf.lfWeight = FW_NORMAL;
        break;
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT:
        face = u"Courier New";
        lf.lfHeight = 16;
        lf.lfWeight = FW_NORMAL;
        lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
        break;
    case ANSI_VAR_FONT:
        face = u"MS Sans Serif";
        lf.lfHeight = 13;
        lf.lfWeight = FW_NORMAL;
        break;
    default:
        lf.lfHeight = 16;
        lf.lfWeight = FW_BOLD;
        break;
    }
    SetFace(lf, face.c_str());
    lf.lfCharSet = DEFAULT_CHARSET;
    return lf;
}

}  // namespace

CPen* StockPen(int index) {
    static std::map<int, std::unique_ptr<CPen>> pens;
    CPen* p = MakeStock(pens, index);
    if (!p->HasData()) {
        if (index == NULL_PEN) p->CreatePen(PS_NULL, 0, 0);
        else p->CreatePen(PS_SOLID, 0, index == WHITE_PEN ? RGB(255, 255, 255) : RGB(0, 0, 0));
    }
    return p;
}

CBrush* StockBrush(int index) {
    static std::map<int, std::unique_ptr<CBrush>> brushes;
    CBrush* b = MakeStock(brushes, index);
    if (!b->HasData()) {
        switch (index) {
        case NULL_BRUSH: b->CreateStockHollowBrush(); break;
        case LTGRAY_BRUSH: b->CreateSolidBrush(RGB(192, 192, 192)); break;
        case GRAY_BRUSH: b->CreateSolidBrush(RGB(128, 128, 128)); break;
        case DKGRAY_BRUSH: b->CreateSolidBrush(RGB(64, 64, 64)); break;
        case BLACK_BRUSH: b->CreateSolidBrush(RGB(0, 0, 0)); break;
        default: b->CreateSolidBrush(RGB(255, 255, 255)); break;
        }
    }
    return b;
}

CFont* StockFont(int index) {
    static std::map<int, std::unique_ptr<CFont>> fonts;
    CFont* f = MakeStock(fonts, index);
    if (!f->HasData()) {
        const LOGFONTW lf = StockLogFont(index);
        f->CreateFontIndirect(&lf);
    }
    return f;
}

CBitmap* StockBitmap() {
    static CBitmap bitmap;
    if (!bitmap.HasData()) {
        bitmap.m_stock = true;
        auto image = std::make_shared<QImage>(1, 1, kImageFormat);
        image->fill(Qt::black);
        SetBitmapImage(&bitmap, image);
    }
    return &bitmap;
}

}  // namespace platform::detail

using namespace platform::detail;

const QFont& FontData::Font() const {
    if (!m_font) m_font = FontFromLogFont(logFont);
    return *m_font;
}

// ---------------------------------------------------------------------------
// CGdiObject and kinds

CGdiObject::~CGdiObject() = default;

void CGdiObject::SetData(Kind kind, std::shared_ptr<GdiObjectData> data) {
    m_kind = kind;
    m_data = std::move(data);
}

BOOL CGdiObject::DeleteObject() {
    if (m_stock) return TRUE;
    if (!m_data) return FALSE;
    if (m_kind == kBitmap) {
        if (auto* b = dynamic_cast<BitmapData*>(m_data.get())) FlushImage(b->image.get());
    }
    m_data.reset();
    m_kind = kNone;
    return TRUE;
}

int CGdiObject::GetObject(int size, void* out) const {
    if (!m_data || !out || size <= 0) return 0;
    auto copy = [&](const auto& record) {
        const int n = std::min<int>(size, int(sizeof(record)));
        std::memcpy(out, &record, size_t(n));
        return n;
    };
    switch (m_kind) {
    case kPen: {
        const auto* d = static_cast<const PenData*>(m_data.get());
        LOGPEN lp;
        lp.lopnStyle = UINT(d->style);
        lp.lopnWidth = POINT{d->width, 0};
        lp.lopnColor = d->colour;
        return copy(lp);
    }
    case kBrush: {
        const auto* d = static_cast<const BrushData*>(m_data.get());
        LOGBRUSH lb;
        lb.lbStyle = d->hollow ? 1 : 0;
        lb.lbColor = d->colour;
        return copy(lb);
    }
    case kFont: return copy(static_cast<const FontData*>(m_data.get())->logFont);
    case kBitmap: {
        const auto* d = static_cast<const BitmapData*>(m_data.get());
        BITMAP bm;
        if (d->image) {
            bm.bmWidth = d->image->width();
            bm.bmHeight = d->image->height();
            bm.bmWidthBytes = bm.bmWidth * 4;
        }
        return copy(bm);
    }
    default: return 0;
    }
}

BOOL CPen::CreatePen(int style, int width, COLORREF colour) {
    auto d = std::make_shared<PenData>();
    d->style = style & PS_STYLE_MASK;
    d->width = std::max(0, width);
    d->colour = colour & 0x00FFFFFF;
    SetData(kPen, d);
    return TRUE;
}

BOOL CPen::CreatePenIndirect(const LOGPEN* pen) {
    if (!pen) return FALSE;
    return CreatePen(int(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor);
}

BOOL CBrush::CreateSolidBrush(COLORREF colour) {
    auto d = std::make_shared<BrushData>();
    d->colour = colour & 0x00FFFFFF;
    SetData(kBrush, d);
    return TRUE;
}

BOOL CBrush::CreateStockHollowBrush() {
    auto d = std::make_shared<BrushData>();
    d->hollow = true;
    SetData(kBrush, d);
    return TRUE;
}

BOOL CBrush::CreateSysColorBrush(int index) { return CreateSolidBrush(GetSysColor(index)); }

BOOL CFont::CreateFontIndirect(const LOGFONTW* font) {
    if (!font) return FALSE;
    auto d = std::make_shared<FontData>();
    d->logFont = *font;
    d->logFont.lfFaceName[LF_FACESIZE - 1] = 0;
    SetData(kFont, d);
    return TRUE;
}

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                       BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision,
                       BYTE quality, BYTE pitchAndFamily, LPCWSTR faceName) {
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    lf.lfUnderline = underline;
    lf.lfStrikeOut = strikeOut;
    lf.lfCharSet = charSet;
    lf.lfOutPrecision = outPrecision;
    lf.lfClipPrecision = clipPrecision;
    lf.lfQuality = quality;
    lf.lfPitchAndFamily = pitchAndFamily;
    SetFace(lf, faceName);
    return CreateFontIndirect(&lf);
}

BOOL CFont::CreatePointFont(int pointSizeTenths, LPCWSTR faceName) {
    const int pixels = int(std::lround(pointSizeTenths / 10.0 * 96.0 / 72.0));
    return CreateFont(-pixels, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, faceName);
}

BOOL CBitmap::CreateCompatibleBitmap(CDC*, int width, int height) {
    if (width < 0 || height < 0) return FALSE;
    // Zero-sized requests give the platform's 1 x 1 bitmap.
    auto image = std::make_shared<QImage>(std::max(width, 1), std::max(height, 1), kImageFormat);
    if (image->isNull()) return FALSE;
    image->fill(Qt::black);
    SetBitmapImage(this, image);
    return TRUE;
}

BOOL CBitmap::CreateBitmap(int width, int height, UINT, UINT bitsPerPixel, const void* bits) {
    if (width <= 0 || height <= 0) return FALSE;
    auto image = std::make_shared<QImage>(width, height, kImageFormat);
    if (image->isNull()) return FALSE;
    image->fill(Qt::black);
    if (bits && bitsPerPixel == 32) {
        const auto* src = static_cast<const unsigned char*>(bits);
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<QRgb*>(image->scanLine(y));
            for (int x = 0; x < width; ++x, src += 4) row[x] = qRgb(src[2], src[1], src[0]);
        }
    }
    SetBitmapImage(this, image);
    return TRUE;
}

CSize CBitmap::GetSize() const {
    const auto image = BitmapImage(this);
    return image ? CSize(image->width(), image->height()) : CSize();
}

DWORD CBitmap::GetBitmapBits(DWORD count, void* bits) const {
    const auto image = BitmapImage(this);
    if (!image || !bits) return 0;
    FlushImage(image.get());
    const QImage argb = image->convertToFormat(QImage::Format_ARGB32);
    const DWORD total = DWORD(argb.width()) * DWORD(argb.height()) * 4;
    const DWORD n = std::min(count, total);
    auto* out = static_cast<unsigned char*>(bits);
    DWORD written = 0;
    for (int y = 0; y < argb.height() && written < n; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width() && written < n; ++x) {
            const unsigned char px[4] = {BYTE(qBlue(row[x])), BYTE(qGreen(row[x])), BYTE(qRed(row[x])),
                                         BYTE(qAlpha(row[x]))};
            for (int k = 0; k < 4 && written < n; ++k) out[written++] = px[k];
        }
    }
    return written;
}

DWORD CBitmap::SetBitmapBits(DWORD count, const void* bits) {
    const auto image = BitmapImage(this);
    if (!image || !bits) return 0;
    FlushImage(image.get());
    const auto* in = static_cast<const unsigned char*>(bits);
    DWORD read = 0;
    for (int y = 0; y < image->height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image->scanLine(y));
        for (int x = 0; x < image->width(); ++x) {
            if (read + 4 > count) return read;
            row[x] = qRgb(in[read + 2], in[read + 1], in[read]);
            read += 4;
        }
    }
    return read;
}

// ---------------------------------------------------------------------------
// Regions

namespace {
const QRegion* RegionOf(const CRgn* r) {
    const auto* d = DataOf<RegionData>(r);
    return d ? &d->region : nullptr;
}
}  // namespace

BOOL CRgn::CreateRectRgn(int left, int top, int right, int bottom) {
    auto d = std::make_shared<RegionData>();
    QRect r(QPoint(std::min(left, right), std::min(top, bottom)),
            QPoint(std::max(left, right) - 1, std::max(top, bottom) - 1));
    d->region = QRegion(r);
    SetData(kRegion, d);
    return TRUE;
}

BOOL CRgn::CreateRectRgnIndirect(LPCRECT rect) {
    return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : FALSE;
}

BOOL CRgn::CreateEllipticRgn(int left, int top, int right, int bottom) {
    auto d = std::make_shared<RegionData>();
    d->region = QRegion(QRect(left, top, right - left, bottom - top), QRegion::Ellipse);
    SetData(kRegion, d);
    return TRUE;
}

int CRgn::CombineRgn(const CRgn* a, const CRgn* b, int mode) {
    const QRegion* ra = RegionOf(a);
    const QRegion* rb = RegionOf(b);
    if (!ra || (mode != RGN_COPY && !rb)) return ERROR;
    QRegion result;
    switch (mode) {
    case RGN_AND: result = ra->intersected(*rb); break;
    case RGN_OR: result = ra->united(*rb); break;
    case RGN_XOR: result = ra->xored(*rb); break;
    case RGN_DIFF: result = ra->subtracted(*rb); break;
    case RGN_COPY: result = *ra; break;
    default: return ERROR;
    }
    auto d = std::make_shared<RegionData>();
    d->region = result;
    SetData(kRegion, d);
    return RegionKind(result);
}

BOOL CRgn::PtInRegion(int x, int y) const {
    const QRegion* r = RegionOf(this);
    return r && r->contains(QPoint(x, y));
}

int CRgn::GetRgnBox(LPRECT rect) const {
    const QRegion* r = RegionOf(this);
    if (!r || !rect) return ERROR;
    const QRect b = r->boundingRect();
    *rect = b.isEmpty() ? RECT{} : RECT{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    return RegionKind(*r);
}

int CRgn::OffsetRgn(int dx, int dy) {
    const auto* d = DataOf<RegionData>(this);
    if (!d) return ERROR;
    auto n = std::make_shared<RegionData>();
    n->region = d->region.translated(dx, dy);
    SetData(kRegion, n);
    return RegionKind(n->region);
}

// ---------------------------------------------------------------------------
// Free functions

namespace {
template <class T>
T* HeapObject() {
    auto* o = new T();
    o->m_deleteWithData = true;
    return o;
}
}  // namespace

HPEN CreatePen(int style, int width, COLORREF colour) {
    auto* p = HeapObject<CPen>();
    p->CreatePen(style, width, colour);
    return p;
}

HBRUSH CreateSolidBrush(COLORREF colour) {
    auto* b = HeapObject<CBrush>();
    b->CreateSolidBrush(colour);
    return b;
}

HFONT CreateFontIndirectW(const LOGFONTW* font) {
    if (!font) return nullptr;
    auto* f = HeapObject<CFont>();
    f->CreateFontIndirect(font);
    return f;
}

HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName) {
    auto* f = HeapObject<CFont>();
    f->CreateFont(height, width, escapement, orientation, weight, BYTE(italic), BYTE(underline),
                  BYTE(strikeOut), BYTE(charSet), BYTE(outPrecision), BYTE(clipPrecision), BYTE(quality),
                  BYTE(pitchAndFamily), faceName);
    return f;
}

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) {
    auto* b = HeapObject<CBitmap>();
    if (!b->CreateCompatibleBitmap(nullptr, width, height)) {
        delete b;
        return nullptr;
    }
    return b;
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    auto* r = HeapObject<CRgn>();
    r->CreateRectRgn(left, top, right, bottom);
    return r;
}

BOOL DeleteObject(HGDIOBJ object) {
    if (!object) return FALSE;
    if (object->m_stock) return TRUE;
    const BOOL ok = object->DeleteObject();
    if (object->m_deleteWithData) delete object;
    return ok;
}

HGDIOBJ GetStockObject(int index) {
    switch (index) {
    case WHITE_BRUSH:
    case LTGRAY_BRUSH:
    case GRAY_BRUSH:
    case DKGRAY_BRUSH:
    case BLACK_BRUSH:
    case NULL_BRUSH: return StockBrush(index);
    case WHITE_PEN:
    case BLACK_PEN:
    case NULL_PEN: return StockPen(index);
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
    case SYSTEM_FIXED_FONT:
    case DEFAULT_GUI_FONT: return StockFont(index);
    default: return nullptr;
    }
}

int GetObjectW(HGDIOBJ object, int size, void* out) { return object ? object->GetObject(size, out) : 0; }

namespace platform::detail {
int RegionKind(const QRegion& region) {
    if (region.isEmpty()) return NULLREGION;
    return region.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
}  // namespace platform::detail
