// Font families, fonts, private font collections and text outlines of the
// graphics layer.
#include <QByteArray>
#include <span>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QRawFont>
#include <QSet>
#include <QString>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "platform/base/kept_lru.h"
#include "platform/system/fonts.h"
#include "platform/gdi/gdi_impl.h"
#include "platform/graphics/graphics.h"
#include "platform/graphics/graphics_impl.h"

namespace gfx {

namespace {

// Outlines are made once at this pixel size and scaled: without hinting they
// scale exactly.
constexpr double kRef = 256.0;

QString Q(const std::u16string& s) { return QString::fromUtf16(s.data(), qsizetype(s.size())); }
std::u16string U(const QString& s) { return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size())); }

struct FamilyIndex {
    QHash<QString, QString> installed;  // lower-case name -> name
    QSet<QString> privateOnly;          // lower-case names that only collections hold
    QSet<QString> missing;              // names looked for in vain since the last reload
    bool loaded = false;

    void Load() {
        loaded = true;
        for (const QString& f : QFontDatabase::families())
            if (!installed.contains(f.toLower())) installed.insert(f.toLower(), f);
    }
    // The family for a lower-case name; fonts added to the process since the
    // last look are found by reading the database again (once per unknown name).
    QString Find(const QString& lower) {
        auto it = installed.find(lower);
        if (it == installed.end() && !missing.contains(lower)) {
            Load();
            it = installed.find(lower);
            if (it == installed.end()) {
                const QString local = LocalName(lower);
                if (local.isEmpty()) missing.insert(lower);
                else it = installed.insert(lower, local);
            }
        }
        return it == installed.end() || privateOnly.contains(lower) ? QString() : it.value();
    }

private:
    // A font may name its family in several languages (fonts-nanum: NanumGothic
    // and 나눔고딕). The database lists it under the name in the language of the
    // locale the program was started under (the Korean one under ko_KR) and keeps
    // the others as aliases, which the font matching resolves: the family listed
    // for the alias `lower`, or nothing when no installed family has that name.
    QString LocalName(const QString& lower) const {
        if (!QFontDatabase::hasFamily(lower)) return QString();
        QFont font;
        font.setFamilies({lower});
        const QString listed = QFontInfo(font).family().toLower();
        const auto it = installed.find(listed);
        return it == installed.end() || privateOnly.contains(listed) ? QString() : it.value();
    }
};

FamilyIndex& Families() {
    static FamilyIndex index;
    if (!index.loaded) index.Load();
    return index;
}

QFont MakeFont(const QString& family, INT style, double pixels) {
    QFont font;
    font.setFamilies({family});
    font.setPixelSize(std::max(1, int(pixels)));
    font.setBold((style & FontStyleBold) != 0);
    font.setItalic((style & FontStyleItalic) != 0);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(true);
    return font;
}

struct FaceMetrics {
    double ascent = 0.8, descent = 0.2, lineSpacing = 1.0;  // per pixel of em size
    int unitsPerEm = 2048;
};

const FaceMetrics& MetricsOf(const QString& family, INT style) {
    static std::unordered_map<std::u16string, FaceMetrics> cache;
    const std::u16string key = U(family) + u'|' + char16_t(u'0' + (style & 3));
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    const QFont font = MakeFont(family, style, kRef);
    const QFontMetricsF fm(font);
    FaceMetrics m;
    m.ascent = fm.ascent() / kRef;
    m.descent = fm.descent() / kRef;
    m.lineSpacing = fm.lineSpacing() / kRef;
    const QRawFont raw = QRawFont::fromFont(font);
    if (raw.isValid() && raw.unitsPerEm() > 0) m.unitsPerEm = int(raw.unitsPerEm());
    return cache.emplace(key, m).first->second;
}

// One line of text as GDI+ figures at the reference size, baseline at y = 0.
struct LineOutline {
    std::vector<PointF> points;
    std::vector<BYTE> types;
    double width = 0;  // to the end of the last glyph that is not a blank
};

void Convert(const QPainterPath& q, double dx, std::vector<PointF>& pts, std::vector<BYTE>& types) {
    size_t figureStart = pts.size();
    auto finish = [&] {
        const size_t n = pts.size() - figureStart;
        if (n == 0) return;
        if (n == 1) {
            pts.pop_back();
            types.pop_back();
            return;
        }
        // The closing line back to the start is implied by the close flag.
        if ((types.back() & PathPointTypePathTypeMask) == PathPointTypeLine && pts.back() == pts[figureStart] &&
            n > 2) {
            pts.pop_back();
            types.pop_back();
        }
        types.back() |= PathPointTypeCloseSubpath;
    };
    for (int i = 0; i < q.elementCount(); ++i) {
        const QPainterPath::Element e = q.elementAt(i);
        const PointF p(REAL(e.x + dx), REAL(e.y));
        switch (e.type) {
        case QPainterPath::MoveToElement:
            finish();
            figureStart = pts.size();
            pts.push_back(p);
            types.push_back(PathPointTypeStart);
            break;
        case QPainterPath::LineToElement:
            pts.push_back(p);
            types.push_back(PathPointTypeLine);
            break;
        case QPainterPath::CurveToElement:
        case QPainterPath::CurveToDataElement:
            pts.push_back(p);
            types.push_back(PathPointTypeBezier);
            break;
        }
    }
    finish();
}

void AppendGlyphs(const QRawFont& raw, const QList<quint32>& glyphs, const QList<QPointF>& positions, double dx,
                  double dy, LineOutline& out) {
    for (qsizetype k = 0; k < glyphs.size(); ++k) {
        if (glyphs[k] == 0) continue;  // no glyph for that character
        QPainterPath p = raw.pathForGlyph(glyphs[k]);
        if (p.isEmpty()) continue;
        p.translate(positions[k].x(), positions[k].y() + dy);
        Convert(p, dx, out.points, out.types);
    }
}

LineOutline LayOut(const QString& family, INT style, const QString& text) {
    LineOutline out;
    const QFont font = MakeFont(family, style, kRef);
    double x = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        // Control characters (the icon font's symbols 16 and 18 among them) are
        // dropped by text shaping: they go by glyph index straight from the font.
        const bool control = text[i].unicode() < 0x20;
        qsizetype j = i;
        while (j < text.size() && (text[j].unicode() < 0x20) == control) ++j;
        const QString segment = text.mid(i, j - i);
        if (control) {
            const QRawFont raw = QRawFont::fromFont(font);
            if (raw.isValid()) {
                const QList<quint32> glyphs = raw.glyphIndexesForString(segment);
                const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs);
                QList<QPointF> positions;
                double pen = 0;
                for (const QPointF& a : advances) {
                    positions.push_back(QPointF(pen, 0));
                    pen += a.x();
                }
                AppendGlyphs(raw, glyphs, positions, x, 0, out);
                x += pen;
                out.width = x;
            }
        } else {
            QTextLayout layout(segment, font);
            QTextOption option;
            option.setUseDesignMetrics(true);
            option.setWrapMode(QTextOption::NoWrap);
            layout.setTextOption(option);
            layout.setCacheEnabled(false);
            layout.beginLayout();
            QTextLine line = layout.createLine();
            if (line.isValid()) line.setLineWidth(1.0e6);
            layout.endLayout();
            if (line.isValid()) {
                const double ascent = line.ascent();
                for (const QGlyphRun& run : layout.glyphRuns())
                    AppendGlyphs(run.rawFont(), run.glyphIndexes(), run.positions(), x, -ascent, out);
                out.width = x + line.naturalTextWidth();
                x += line.horizontalAdvance();
            }
        }
        i = j;
    }
    return out;
}

// The outlines of the lines laid out last, by face, style and text. Labels
// keep their placed outlines themselves; what is kept here serves a text
// placed anew: about sixty lines of a few words.
constexpr size_t kKeptLineBytes = 256 * 1024;

const LineOutline& CachedLine(const QString& family, INT style, const QString& text) {
    static platform::KeptLru<std::u16string, LineOutline> cache(kKeptLineBytes);
    std::u16string key = U(family);
    key += u'\x1';
    key += char16_t(u'0' + (style & 3));
    key += U(text);
    const std::uint64_t hash = platform::HashBytes(platform::kHashSeed, key.data(), key.size() * sizeof(char16_t));
    if (const LineOutline* kept = cache.Find(key, hash)) return *kept;
    LineOutline made = LayOut(family, style, text);
    const size_t cost = sizeof(LineOutline) + made.points.size() * sizeof(PointF) + made.types.size() +
                        key.size() * sizeof(char16_t) + 64;
    return *cache.Put(std::move(key), hash, std::move(made), cost);
}

struct Placement {
    double scale, pad, top, lineHeight, ascent;
    StringAlignment align, lineAlign;
};

Placement Place(const FontFamily& family, INT style, REAL emSize, const RectF& layout, const StringFormat* format,
                size_t lines) {
    const StringFormat* f = format ? format : StringFormat::GenericDefault();
    const FaceMetrics& m = MetricsOf(Q(family.QtFamily()), style);
    Placement p{};
    p.scale = emSize / kRef;
    p.pad = f->IsTypographic() ? 0.0 : emSize / 6.0;
    p.lineHeight = m.lineSpacing * emSize;
    p.ascent = m.ascent * emSize;
    p.align = f->GetAlignment();
    p.lineAlign = f->GetLineAlignment();
    const double total = p.lineHeight * double(lines);
    switch (p.lineAlign) {
    case StringAlignmentCenter: p.top = layout.Y + (layout.Height - total) / 2.0; break;
    case StringAlignmentFar: p.top = layout.Y + layout.Height - total; break;
    default: p.top = layout.Y; break;
    }
    return p;
}

double LineLeft(const Placement& p, const RectF& layout, double width) {
    switch (p.align) {
    case StringAlignmentCenter: return layout.X + (layout.Width - width) / 2.0;
    case StringAlignmentFar: return layout.X + layout.Width - width - p.pad;
    default: return layout.X + p.pad;
    }
}

QStringList Lines(const std::u16string& text) {
    QString s = Q(text);
    s.remove(u'\r');
    return s.split(u'\n');
}

}  // namespace

// ---------------------------------------------------------------------------
// String formats

const StringFormat* StringFormat::GenericDefault() {
    static const StringFormat format;
    return &format;
}

const StringFormat* StringFormat::GenericTypographic() {
    static const StringFormat format = [] {
        StringFormat f(StringFormatFlagsNoClip | StringFormatFlagsLineLimit | StringFormatFlagsNoFitBlackBox);
        f.m_typographic = true;
        f.m_trimming = StringTrimmingNone;
        return f;
    }();
    return &format;
}

// ---------------------------------------------------------------------------
// Families and fonts

FontFamily::FontFamily(const WCHAR* name, const PrivateFontCollection* collection) {
    if (!name) {
        m_last = InvalidParameter;
        return;
    }
    m_name = name;
    if (collection) {
        m_qtFamily = collection->Find(m_name);
    } else {
        const QString found = Families().Find(platform::detail::ResolvedFamily(m_name).toLower());
        if (!found.isEmpty()) m_qtFamily = U(found);
    }
    m_valid = !m_qtFamily.empty();
    if (!m_valid) m_last = FontFamilyNotFound;
}

Status FontFamily::GetFamilyName(WCHAR name[32], WCHAR) const {
    if (!name) return m_last = InvalidParameter;
    const std::u16string& n = m_valid ? m_qtFamily : m_name;
    const size_t count = std::min<size_t>(n.size(), 31);
    std::copy(n.begin(), n.begin() + std::ptrdiff_t(count), name);
    name[count] = 0;
    return Ok;
}

int FontFamily::GetEmHeight(INT style) const {
    return m_valid ? MetricsOf(Q(m_qtFamily), style).unitsPerEm : 0;
}
int FontFamily::GetCellAscent(INT style) const {
    if (!m_valid) return 0;
    const FaceMetrics& m = MetricsOf(Q(m_qtFamily), style);
    return int(std::lround(m.ascent * m.unitsPerEm));
}
int FontFamily::GetCellDescent(INT style) const {
    if (!m_valid) return 0;
    const FaceMetrics& m = MetricsOf(Q(m_qtFamily), style);
    return int(std::lround(m.descent * m.unitsPerEm));
}
int FontFamily::GetLineSpacing(INT style) const {
    if (!m_valid) return 0;
    const FaceMetrics& m = MetricsOf(Q(m_qtFamily), style);
    return int(std::lround(m.lineSpacing * m.unitsPerEm));
}

Status FontFamily::GetLastStatus() const {
    const Status s = m_last;
    m_last = Ok;
    return s;
}

namespace {
FontFamily Generic(QFontDatabase::SystemFont which, const char16_t* fallback) {
    const QString f = QFontDatabase::systemFont(which).family();
    const std::u16string name = f.isEmpty() ? std::u16string(fallback) : U(f);
    return FontFamily(name.c_str());
}
}  // namespace

const FontFamily* FontFamily::GenericSansSerif() {
    static const FontFamily f = Generic(QFontDatabase::GeneralFont, u"DejaVu Sans");
    return &f;
}
const FontFamily* FontFamily::GenericSerif() {
    static const FontFamily f(u"DejaVu Serif");
    return &f;
}
const FontFamily* FontFamily::GenericMonospace() {
    static const FontFamily f = Generic(QFontDatabase::FixedFont, u"DejaVu Sans Mono");
    return &f;
}

Font::Font(const FontFamily* family, REAL emSize, INT style, Unit unit) : m_size(emSize), m_style(style), m_unit(unit) {
    if (!family) {
        m_last = InvalidParameter;
        return;
    }
    m_family = *family;
    if (!m_family.Valid()) m_last = InvalidParameter;
}

Font::Font(const WCHAR* familyName, REAL emSize, INT style, Unit unit, const PrivateFontCollection* collection)
    : m_family(familyName, collection), m_size(emSize), m_style(style), m_unit(unit) {
    if (!m_family.Valid()) m_last = m_family.GetLastStatus();
}

Font::Font(HDC, const LOGFONTW* lf) : m_unit(UnitPixel) {
    if (!lf) {
        m_last = InvalidParameter;
        return;
    }
    m_family = FontFamily(platform::detail::FaceOf(*lf).c_str());
    if (lf->lfWeight >= FW_SEMIBOLD) m_style |= FontStyleBold;
    if (lf->lfItalic) m_style |= FontStyleItalic;
    if (lf->lfUnderline) m_style |= FontStyleUnderline;
    if (lf->lfStrikeOut) m_style |= FontStyleStrikeout;
    if (lf->lfHeight < 0) {
        m_size = REAL(-lf->lfHeight);
    } else if (lf->lfHeight > 0 && m_family.Valid()) {
        const FaceMetrics& m = MetricsOf(Q(m_family.QtFamily()), m_style);
        m_size = REAL(lf->lfHeight / std::max(0.1, m.ascent + m.descent));
    } else {
        m_size = 12;
    }
    if (!m_family.Valid()) m_last = m_family.GetLastStatus();
}

Font::Font(HDC dc, HFONT font) : m_unit(UnitPixel) {
    LOGFONTW lf{};
    if (!font || !font->GetLogFont(&lf)) {
        m_last = InvalidParameter;
        return;
    }
    *this = Font(dc, &lf);
}

Status Font::GetFamily(FontFamily* family) const {
    if (!family) return m_last = InvalidParameter;
    *family = m_family;
    return Ok;
}

REAL Font::EmPixels() const {
    switch (m_unit) {
    case UnitPoint: return m_size * 96.0f / 72.0f;
    case UnitInch: return m_size * 96.0f;
    case UnitDocument: return m_size * 96.0f / 300.0f;
    case UnitMillimeter: return m_size * 96.0f / 25.4f;
    default: return m_size;
    }
}

REAL Font::GetHeight(REAL) const {
    if (!m_family.Valid()) return 0;
    return REAL(MetricsOf(Q(m_family.QtFamily()), m_style).lineSpacing * EmPixels());
}

Status Font::GetLastStatus() const {
    const Status s = m_last;
    m_last = Ok;
    return s;
}

// ---------------------------------------------------------------------------
// Private collections

PrivateFontCollection::~PrivateFontCollection() {
    for (int id : m_fontIds) platform::RemovePrivateFont(id);
}

Status PrivateFontCollection::AddMemoryFont(const void* data, INT length) {
    if (!data || length <= 0) return m_last = InvalidParameter;
    FamilyIndex& index = Families();
    const platform::PrivateFont font =
        platform::AddPrivateFont(std::span<const std::byte>(static_cast<const std::byte*>(data), size_t(length)));
    if (!font.ok()) return m_last = GenericError;
    m_fontIds.push_back(font.handle);
    for (const std::u16string& name16 : font.families) {
        const QString family = Q(name16);
        const QString key = family.toLower();
        if (!index.installed.contains(key)) {
            index.privateOnly.insert(key);
            index.installed.insert(key, family);
        }
        index.missing.remove(key);
        const std::u16string name = U(family);
        if (std::find(m_families.begin(), m_families.end(), name) == m_families.end()) m_families.push_back(name);
    }
    return Ok;
}

Status PrivateFontCollection::AddFontFile(const WCHAR* path) {
    if (!path) return m_last = InvalidParameter;
    QFile file(QString::fromUtf16(path));
    if (!file.open(QIODevice::ReadOnly)) return m_last = FileNotFound;
    const QByteArray bytes = file.readAll();
    return AddMemoryFont(bytes.constData(), INT(bytes.size()));
}

Status PrivateFontCollection::GetFamilies(INT wanted, FontFamily* families, INT* found) const {
    if (!families || !found || wanted < 0) return m_last = InvalidParameter;
    const INT n = std::min<INT>(wanted, INT(m_families.size()));
    for (INT i = 0; i < n; ++i) {
        FontFamily f;
        f.m_name = m_families[size_t(i)];
        f.m_qtFamily = m_families[size_t(i)];
        f.m_valid = true;
        families[i] = f;
    }
    *found = n;
    return Ok;
}

Status PrivateFontCollection::GetLastStatus() const {
    const Status s = m_last;
    m_last = Ok;
    return s;
}

std::u16string PrivateFontCollection::Find(const std::u16string& name) const {
    const QString wanted = Q(name).toLower();
    for (const std::u16string& f : m_families)
        if (Q(f).toLower() == wanted) return f;
    return std::u16string();
}

// ---------------------------------------------------------------------------
// Outlines

namespace detail {

Status AppendText(GraphicsPath& path, const std::u16string& text, const FontFamily& family, INT style, REAL emSize,
                  const RectF& layout, const StringFormat* format) {
    if (!family.Valid()) return InvalidParameter;
    if (text.empty() || !(emSize > 0) || !std::isfinite(emSize)) return Ok;
    const QString qfamily = Q(family.QtFamily());
    const QStringList lines = Lines(text);
    const Placement p = Place(family, style, emSize, layout, format, size_t(lines.size()));
    std::vector<PointF> pts;
    std::vector<BYTE> types;
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const LineOutline& line = CachedLine(qfamily, style, lines[k]);
        if (line.points.empty()) continue;
        const double left = LineLeft(p, layout, line.width * p.scale);
        const double baseline = p.top + double(k) * p.lineHeight + p.ascent;
        const size_t base = pts.size();
        pts.resize(base + line.points.size());
        for (size_t i = 0; i < line.points.size(); ++i)
            pts[base + i] = PointF(REAL(left + line.points[i].X * p.scale), REAL(baseline + line.points[i].Y * p.scale));
        types.insert(types.end(), line.types.begin(), line.types.end());
    }
    AppendRaw(path, pts, types);
    return Ok;
}

RectF MeasureText(const std::u16string& text, const FontFamily& family, INT style, REAL emSize, const RectF& layout,
                  const StringFormat* format) {
    if (!family.Valid() || !(emSize > 0)) return RectF(layout.X, layout.Y, 0, 0);
    const QString qfamily = Q(family.QtFamily());
    const QStringList lines = Lines(text);
    const Placement p = Place(family, style, emSize, layout, format, size_t(lines.size()));
    double left = 1e30, right = -1e30;
    for (const QString& l : lines) {
        const double w = CachedLine(qfamily, style, l).width * p.scale;
        const double x = LineLeft(p, layout, w);
        left = std::min(left, x - p.pad);
        right = std::max(right, x + w + p.pad);
    }
    return RectF(REAL(left), REAL(p.top), REAL(right - left), REAL(p.lineHeight * double(lines.size())));
}

}  // namespace detail
}  // namespace gfx
