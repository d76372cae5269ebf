// The four private fonts the controls draw with, loaded from the program's own
// resources (never installed on the system), and images from PNG resources.
#pragma once

#include "platform/graphics/graphics.h"
#include "platform/base/types.h"

// The resources the controls load: fonts of type "BINARY", images of type "PNG".
namespace hmi_resources {
constexpr const char* kFontType = "BINARY";
constexpr const char* kImageType = "PNG";
constexpr UINT kSegmentFont = 150;    // seven-segment display
constexpr UINT kMatrixLcdFont = 190;  // alphanumeric matrix LCD
constexpr UINT kRoundLcdFont = 191;   // rounded LCD
constexpr UINT kIconFont = 189;       // the controls' symbols
}  // namespace hmi_resources

// Each collection holds one font file added from memory; each family is the
// collection's first family, empty (not available) until LoadPrivateFonts has
// found it. The owner hands the families to its controls by address: they stay
// valid as long as this object lives.
class HmiFontSet {
public:
    HmiFontSet() = default;
    HmiFontSet(const HmiFontSet&) = delete;
    HmiFontSet& operator=(const HmiFontSet&) = delete;

    // Adds the seven-segment (resource 150), matrix-LCD (190), round-LCD (191)
    // and HMI icon (189) fonts, in that order. A missing resource is skipped
    // without a word; a font that is rejected is reported in a message box
    // ("FND Font add fails", "Matrix LCD Font add fails", "Round LCD Font add
    // fails", "HMI Icon Font add fails") and loading goes on. Each family is
    // then asked of its collection, whether the add worked or not.
    void LoadPrivateFonts();

    gfx::PrivateFontCollection m_segmentFonts;
    gfx::FontFamily m_segmentFamily;
    gfx::PrivateFontCollection m_matrixLcdFonts;
    gfx::FontFamily m_matrixLcdFamily;
    gfx::PrivateFontCollection m_roundLcdFonts;
    gfx::FontFamily m_roundLcdFamily;
    gfx::PrivateFontCollection m_iconFonts;
    gfx::FontFamily m_iconFamily;
};

// A new image decoded from the PNG resource `id`; the caller deletes it. The
// image keeps its own pixels, so it depends on nothing that loaded it. For an
// id without a resource, or bytes that are no image, the image's status is an
// error and it draws nothing.
gfx::Image* LoadPngResource(UINT id);
