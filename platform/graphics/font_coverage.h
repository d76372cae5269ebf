// Which characters a font family draws with its own glyphs. Text drawing falls
// back to other installed fonts for characters a family lacks; a caller that
// must draw a family's own glyph or nothing asks here first.
#pragma once

#include "platform/graphics/graphics.h"

namespace gfx {

// Whether `family` (installed or private) has a glyph of its own for the
// character `code` (a Unicode scalar value). False for a missing or invalid
// family, for surrogates and for values beyond Unicode.
bool FamilyHasGlyph(const FontFamily* family, char32_t code);

}  // namespace gfx
