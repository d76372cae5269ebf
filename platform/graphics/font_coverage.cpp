#include "platform/graphics/font_coverage.h"

#include <QFont>
#include <QRawFont>

namespace gfx {

bool FamilyHasGlyph(const FontFamily* family, char32_t code) {
    if (!family || !family->Valid() || family->QtFamily().empty()) return false;
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    const QString name = QString::fromUtf16(family->QtFamily().data(), qsizetype(family->QtFamily().size()));
    QFont font;
    font.setFamilies({name});
    font.setPixelSize(32);
    const QRawFont raw = QRawFont::fromFont(font);
    // A family the system does not have resolves to another one: that is no glyph of this family.
    if (!raw.isValid() || raw.familyName().compare(name, Qt::CaseInsensitive) != 0) return false;
    return raw.supportsCharacter(uint(code));
}

}  // namespace gfx
