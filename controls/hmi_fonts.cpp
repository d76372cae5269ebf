#include "controls/hmi_fonts.h"

#include "controls/draw_helpers.h"
#include "platform/system/resources.h"

void HmiFontSet::LoadPrivateFonts() {
    struct Row {
        UINT id;
        gfx::PrivateFontCollection* collection;
        gfx::FontFamily* family;
        const char16_t* failure;
    };
    const Row rows[] = {
        {hmi_resources::kSegmentFont, &m_segmentFonts, &m_segmentFamily, u"FND Font add fails"},
        {hmi_resources::kMatrixLcdFont, &m_matrixLcdFonts, &m_matrixLcdFamily, u"Matrix LCD Font add fails"},
        {hmi_resources::kRoundLcdFont, &m_roundLcdFonts, &m_roundLcdFamily, u"Round LCD Font add fails"},
        {hmi_resources::kIconFont, &m_iconFonts, &m_iconFamily, u"HMI Icon Font add fails"},
    };
    for (const Row& row : rows) {
        const auto bytes = platform::FindResource(hmi_resources::kFontType, row.id);
        if (!bytes) continue;
        const gfx::Status status = row.collection->AddMemoryFont(bytes->data(), int(bytes->size()));
        if (status != gfx::Ok) MessageBoxFormatW(row.failure, u"Error");
        int found = 0;
        row.collection->GetFamilies(1, row.family, &found);
    }
}

gfx::Image* LoadPngResource(UINT id) {
    const auto bytes = platform::FindResource(hmi_resources::kImageType, id);
    if (!bytes) return gfx::Image::FromBytes(nullptr, 0);
    return gfx::Image::FromBytes(bytes->data(), bytes->size());
}
