// Text: string formats (alignment and line layout about a point or inside a
// rectangle), font families found by name among the installed fonts or a private
// collection, fonts (a family at a size and style), and font files added from
// memory. Drawing and measuring text is the graphics object's; glyph outlines
// are the path's (GraphicsPath::AddString).
#pragma once

#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/graphics/graphics_types.h"

namespace gfx {

class StringFormat {
public:
    explicit StringFormat(INT flags = 0) : m_flags(flags) {}
    StringFormat* Clone() const { return new StringFormat(*this); }
    // Near/Centre/Far about a layout point, or inside a layout rectangle.
    Status SetAlignment(StringAlignment a) { m_align = a; return Ok; }
    StringAlignment GetAlignment() const { return m_align; }
    Status SetLineAlignment(StringAlignment a) { m_lineAlign = a; return Ok; }
    StringAlignment GetLineAlignment() const { return m_lineAlign; }
    Status SetFormatFlags(INT flags) { m_flags = flags; return Ok; }
    INT GetFormatFlags() const { return m_flags; }
    Status SetTrimming(StringTrimming t) { m_trimming = t; return Ok; }
    StringTrimming GetTrimming() const { return m_trimming; }
    // The default format keeps a sixth of the em size free before and after each
    // line; the typographic one lays the glyphs out without it.
    static const StringFormat* GenericDefault();
    static const StringFormat* GenericTypographic();
    bool IsTypographic() const { return m_typographic; }
    Status GetLastStatus() const { return Ok; }

private:
    INT m_flags = 0;
    StringAlignment m_align = StringAlignmentNear;
    StringAlignment m_lineAlign = StringAlignmentNear;
    StringTrimming m_trimming = StringTrimmingCharacter;
    bool m_typographic = false;
};

class PrivateFontCollection;

class FontFamily {
public:
    FontFamily() = default;
    // By name among the installed fonts (through the face-name mapping), or among
    // the families of `collection`. A missing family gives FontFamilyNotFound.
    FontFamily(const WCHAR* name, const PrivateFontCollection* collection = nullptr);
    FontFamily* Clone() const { return new FontFamily(*this); }
    // The language is accepted and ignored: a family has one name here.
    Status GetFamilyName(WCHAR name[32], WCHAR language = 0) const;
    std::u16string GetFamilyName() const { return m_name; }
    BOOL IsAvailable() const { return m_valid; }
    BOOL IsStyleAvailable(INT /*style*/) const { return m_valid; }
    // Metrics in design units of the face.
    int GetEmHeight(INT style) const;
    int GetCellAscent(INT style) const;
    int GetCellDescent(INT style) const;
    int GetLineSpacing(INT style) const;
    Status GetLastStatus() const;
    static const FontFamily* GenericSansSerif();
    static const FontFamily* GenericSerif();
    static const FontFamily* GenericMonospace();

    // Layer internals: the installed family name the face is drawn with.
    const std::u16string& QtFamily() const { return m_qtFamily; }
    bool Valid() const { return m_valid; }

private:
    friend class PrivateFontCollection;
    std::u16string m_name;
    std::u16string m_qtFamily;
    bool m_valid = false;
    mutable Status m_last = Ok;
};

class Font {
public:
    Font(const FontFamily* family, REAL emSize, INT style = FontStyleRegular, Unit unit = UnitPoint);
    Font(const WCHAR* familyName, REAL emSize, INT style = FontStyleRegular, Unit unit = UnitPoint,
         const PrivateFontCollection* collection = nullptr);
    // From a device context's font record (its height in pixels).
    // (The context of both is accepted and ignored: heights are in pixels either way.)
    Font(HDC dc, const LOGFONTW* logFont);
    Font(HDC dc, HFONT font);
    Font* Clone() const { return new Font(*this); }
    Status GetFamily(FontFamily* family) const;
    REAL GetSize() const { return m_size; }
    INT GetStyle() const { return m_style; }
    Unit GetUnit() const { return m_unit; }
    BOOL IsAvailable() const { return m_family.Valid(); }
    // Line spacing in pixels.
    // The resolution is accepted and ignored: the height is in pixels.
    REAL GetHeight(REAL dpi = 96.0f) const;
    Status GetLastStatus() const;
    // The em size in pixels.
    REAL EmPixels() const;
    const FontFamily& Family() const { return m_family; }

private:
    FontFamily m_family;
    REAL m_size = 0;
    INT m_style = FontStyleRegular;
    Unit m_unit = UnitPoint;
    mutable Status m_last = Ok;
};

// Font files added from memory; their families are known to this collection only.
class PrivateFontCollection {
public:
    PrivateFontCollection() = default;
    PrivateFontCollection(const PrivateFontCollection&) = delete;
    PrivateFontCollection& operator=(const PrivateFontCollection&) = delete;
    ~PrivateFontCollection();
    // The bytes are copied.
    Status AddMemoryFont(const void* data, INT length);
    Status AddFontFile(const WCHAR* path);
    INT GetFamilyCount() const { return INT(m_families.size()); }
    // Fills up to `wanted` families; `found` takes how many were written.
    Status GetFamilies(INT wanted, FontFamily* families, INT* found) const;
    Status GetLastStatus() const;
    // The collection's face name for a family name, or empty.
    std::u16string Find(const std::u16string& name) const;

private:
    std::vector<int> m_fontIds;
    std::vector<std::u16string> m_families;
    mutable Status m_last = Ok;
};

}  // namespace gfx
