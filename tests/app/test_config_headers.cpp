// The table of the configuration dialog, laid out from its template as the
// program lays it out: each header's text lies whole inside its cell, every
// glyph drawn, as the same text drawn on a free canvas in the header's font.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/config_dlg.h"
#include "res/resources.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"

namespace {

// Text is black; the cells' edge lines are greys no darker than 105.
bool Ink(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 80; }

// The first and last columns of `image` inside `area` that hold ink; (-1, -1) when none.
std::pair<int, int> InkColumns(const QImage& image, const CRect& area) {
    std::pair<int, int> span{-1, -1};
    for (int x = area.left; x < area.right; ++x)
        for (int y = area.top; y < area.bottom; ++y)
            if (Ink(PixelAt(image, x, y))) {
                if (span.first < 0) span.first = x;
                span.second = x;
                break;
            }
    return span;
}

}  // namespace

TEST(ConfigDialogTable, EveryHeaderIsWholeInsideItsCell) {
    res::RegisterResources();
    auto cfg = std::make_unique<ConfigData>();
    FillConfigDefaults(*cfg);
    CConfig d;
    std::memcpy(&d.m_config, cfg.get(), sizeof *cfg);
    ASSERT_TRUE(d.Create(res::IDD_CONFIG, nullptr));
    d.ShowWindow(SW_SHOW);
    const QImage table = GrabWindow(&d.m_grid);
    SaveTestImage(table, "table");
    const CGridDefaultCell* header = d.m_grid.GetDefaultCell(TRUE, FALSE);
    ASSERT_NE(header, nullptr);
    for (int col = 0; col < 4; ++col) {
        const CString text = d.m_grid.GetItemText(0, col);
        SCOPED_TRACE(Utf16ToUtf8(text));
        CRect cell;
        ASSERT_TRUE(d.m_grid.GetCellRect(0, col, &cell));
        // The cell's inside: within its edge lines.
        const CRect inside(cell.left + 1, cell.top + 1, cell.right - 1, cell.bottom - 1);
        const auto drawn = InkColumns(table, inside);

        // The same text on a free canvas, far from any edge.
        Canvas free(400, cell.Height() + 1, RGB(255, 255, 255));
        CFont* font = header->GetFontObject();
        ASSERT_NE(font, nullptr);
        free.DC().SelectObject(font);
        free.DC().SetTextColor(RGB(0, 0, 0));
        free.DC().SetBkMode(TRANSPARENT);
        CRect wide(0, 0, 400, cell.Height() + 1);
        free.DC().DrawText(text.c_str(), -1, &wide, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        const QImage whole = free.Image();
        const auto unclipped = InkColumns(whole, CRect(0, 0, 400, cell.Height() + 1));
        ASSERT_GE(unclipped.first, 0);

        ASSERT_GE(drawn.first, 0) << "no text in the header";
        EXPECT_NEAR(drawn.second - drawn.first, unclipped.second - unclipped.first, 1) << "glyphs missing or cut";
        // A blank of the margin's width on either side, within the cell.
        const int margin = int(header->GetMargin());
        EXPECT_GE(drawn.first - inside.left, margin / 2) << "runs into the left edge";
        EXPECT_GE(inside.right - 1 - drawn.second, margin / 2) << "runs into the right edge";
    }
    d.DestroyWindow();
}
