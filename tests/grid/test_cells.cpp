// Cell identifiers and ranges, the text cell, the default cell and the
// virtual-mode lookup, drawn into images and read back.
#include <gtest/gtest.h>

#include <memory>

#include "grid/grid_cell.h"
#include "grid/grid_cell_check.h"
#include "grid/in_place_edit.h"
#include "platform/gdi/gdi.h"
#include "tests/grid/grid_fixture.h"
#include "tests/support/pixel_harness.h"

using namespace grid_test;
using namespace colours;

namespace {

constexpr COLORREF kHighlight = RGB(0, 120, 215);    // COLOR_HIGHLIGHT
constexpr COLORREF kLightEdge = RGB(255, 255, 255);  // COLOR_3DHIGHLIGHT
constexpr COLORREF kDarkEdge = RGB(105, 105, 105);   // COLOR_3DDKSHADOW

struct IdCase {
    CCellID a, b;
    bool equal;
};

struct RangeCase {
    CellRange range;
    bool valid;
};

}  // namespace

TEST(CellIds, EqualityComparesRowAndColumn) {
    const IdCase cases[] = {
        {CCellID(-1, -1), CCellID(-1, -1), true}, {CCellID(2, 3), CCellID(2, 3), true},
        {CCellID(2, 3), CCellID(2, 4), false},   {CCellID(2, 3), CCellID(3, 3), false},
        {CCellID(), CCellID(0, -1), false},
    };
    for (const IdCase& c : cases) {
        EXPECT_EQ(c.a == c.b, c.equal) << c.a.row << "," << c.a.col << " vs " << c.b.row << "," << c.b.col;
        EXPECT_EQ(c.a != c.b, !c.equal);
    }
    EXPECT_EQ(CCellID(), CCellID(-1, -1));
}

TEST(CellIds, RangeValidityAndCount) {
    const RangeCase cases[] = {
        {CellRange(0, 0, 0, 0), true},    {CellRange(2, 1, 5, 4), true},   {CellRange(3, 0, 2, 0), false},
        {CellRange(0, 3, 0, 2), false},   {CellRange(-1, 0, 0, 0), false}, {CellRange(0, 0, 0, -1), false},
        {CellRange(), false},
    };
    for (const RangeCase& c : cases)
        EXPECT_EQ(bool(c.range.IsValid()), c.valid)
            << c.range.minRow << "," << c.range.minCol << "," << c.range.maxRow << "," << c.range.maxCol;
    EXPECT_EQ(CellRange().Count(), 1);
    EXPECT_EQ(CellRange(1, 1, 2, 3).Count(), 6);
}

TEST(CellClasses, RunTimeClassesNameTestAndCreate) {
    EXPECT_FALSE(RUNTIME_CLASS(CGridCellBase)->IsCreatable());
    EXPECT_EQ(RUNTIME_CLASS(CGridCellBase)->CreateObject(), nullptr);
    const CRuntimeClass* creatable[] = {RUNTIME_CLASS(CGridCell), RUNTIME_CLASS(CGridDefaultCell),
                                        RUNTIME_CLASS(CGridCellCheck)};
    for (const CRuntimeClass* cls : creatable) {
        std::unique_ptr<CObject> made(cls->CreateObject());
        ASSERT_NE(made, nullptr) << cls->m_lpszClassName;
        EXPECT_EQ(made->GetRuntimeClass(), cls);
        EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CGridCellBase)));
        EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CObject)));
    }
    EXPECT_STREQ(RUNTIME_CLASS(CGridCellCheck)->m_lpszClassName, "CGridCellCheck");
    CGridCellCheck check;
    EXPECT_TRUE(check.IsKindOf(RUNTIME_CLASS(CGridCell)));
    EXPECT_FALSE(check.IsKindOf(RUNTIME_CLASS(CGridDefaultCell)));
}

TEST(GridCell, NewBodyCellTakesTheDefaultCellsAttributes) {
    GridScene scene(240, 80);
    scene.grid.Fill(2, 2);
    CGridCellBase* cell = scene.grid.GetCell(1, 1);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->GetFormat(), 0x8824u);
    EXPECT_EQ(cell->GetMargin(), scene.grid.m_cellDefault.GetMargin());
    EXPECT_GT(cell->GetMargin(), 0u);
    EXPECT_EQ(cell->GetFont(), scene.grid.m_cellDefault.GetFont());
    EXPECT_EQ(cell->GetFontObject(), scene.grid.m_cellDefault.GetFontObject());
    EXPECT_EQ(cell->GetTextClr(), CLR_DEFAULT);  // no fall-back in the getter
    EXPECT_TRUE(cell->IsDefaultFont());

    cell->SetText(u"Stack");
    Canvas canvas(80, 24, kSilver);
    ASSERT_TRUE(cell->Draw(&canvas.DC(), 1, 1, CRect(0, 0, 79, 23), TRUE));
    auto snap = canvas.Snap();
    SaveTestImage(snap->Image());
    // Erased in the default cell's back colour (right and bottom edge left for the grid lines).
    EXPECT_TRUE(snap->Match({{1, 1, kWhite}, {78, 22, kWhite}, {79, 5, kSilver}, {5, 23, kSilver}}));
    const CRect ink = InkBounds(snap->Image(), CRect(0, 0, 79, 23), kWhite);
    ASSERT_FALSE(ink.IsRectEmpty());
    EXPECT_GE(ink.left, LONG(cell->GetMargin()));  // left aligned inside the margin
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 11.5, 3.0);  // vertically centred
    EXPECT_LT(ink.right, 60);
}

TEST(GridCell, OwnBackColourIsFilledEvenWithoutErase) {
    GridScene scene(240, 80);
    scene.grid.Fill(1, 1);
    CGridCellBase* cell = scene.grid.GetCell(0, 0);
    Canvas canvas(40, 20, kSilver);
    ASSERT_TRUE(cell->Draw(&canvas.DC(), 0, 0, CRect(0, 0, 39, 19), FALSE));
    EXPECT_TRUE(canvas.Snap("default")->Match({{5, 5, kSilver}, {30, 15, kSilver}}));
    cell->SetBackClr(kYellow);
    ASSERT_TRUE(cell->Draw(&canvas.DC(), 0, 0, CRect(0, 0, 39, 19), FALSE));
    EXPECT_TRUE(canvas.Snap("own")->Match({{5, 5, kYellow}, {38, 18, kYellow}, {39, 19, kSilver}}));
}

TEST(GridCell, StatesPickBackgroundFrameAndEdges) {
    GridScene scene(240, 80);
    scene.grid.Fill(2, 2, 1, 0);
    struct Case {
        int row;
        DWORD state;
        std::initializer_list<PixelRow> pixels;
    };
    const CRect rect(0, 0, 39, 19);
    const Case cases[] = {
        // Selected: highlight colour over the whole rectangle, edges included.
        {1, CIS_SELECTED, {{5, 5, kHighlight}, {39, 19, kHighlight}}},
        // Focused: erased (own colour forces it below) and framed in the text colour.
        {1, CIS_FOCUSED, {{0, 0, kBlack}, {38, 18, kBlack}, {5, 5, kWhite}, {39, 19, kSilver}}},
        // Focused and selected: highlight fill, framed in the highlight text colour.
        {1, CIS_FOCUSED | CIS_SELECTED, {{0, 0, kWhite}, {5, 5, kHighlight}}},
        // A fixed cell: light top and left, dark right and bottom.
        {0, CIS_FIXED | CIS_FIXEDROW, {{10, 0, kLightEdge}, {0, 10, kLightEdge}, {39, 10, kDarkEdge}, {10, 19, kDarkEdge}}},
    };
    for (const Case& c : cases) {
        CGridCellBase* cell = scene.grid.GetCell(c.row, 1);
        cell->SetState(c.state);
        if (c.state & CIS_FOCUSED) cell->SetBackClr(kWhite);
        Canvas canvas(44, 24, kSilver);
        ASSERT_TRUE(cell->Draw(&canvas.DC(), c.row, 1, rect, FALSE));
        EXPECT_TRUE(canvas.Snap("state" + std::to_string(c.state))->Match(c.pixels)) << "state " << c.state;
    }
}

TEST(GridCell, RefusedDrawsAndHiddenCells) {
    CGridCell orphan;
    Canvas canvas(20, 20);
    EXPECT_FALSE(orphan.Draw(&canvas.DC(), 0, 0, CRect(0, 0, 10, 10)));  // no grid
    GridScene scene(100, 40);
    scene.grid.Fill(1, 1);
    CGridCellBase* cell = scene.grid.GetCell(0, 0);
    EXPECT_FALSE(cell->Draw(nullptr, 0, 0, CRect(0, 0, 10, 10)));
    EXPECT_FALSE(cell->Draw(&canvas.DC(), 0, 0, CRect(5, 5, 5, 10)));
    cell->SetShown(FALSE);
    cell->SetBackClr(kRed);
    EXPECT_TRUE(cell->Draw(&canvas.DC(), 0, 0, CRect(0, 0, 10, 10)));
    EXPECT_TRUE(canvas.Snap()->Match({{3, 3, kWhite}}));  // nothing drawn
}

TEST(DefaultCell, IsReadOnlyAndIgnoresStateAndData) {
    CGridDefaultCell def;
    EXPECT_EQ(def.GetFormat(), 0x8824u);
    EXPECT_EQ(def.GetState() & CIS_READONLY, CIS_READONLY);
    def.SetState(CIS_SELECTED);
    def.SetData(42);
    EXPECT_EQ(def.GetState(), DWORD(CIS_READONLY));
    EXPECT_EQ(def.GetData(), 0);
    ASSERT_NE(def.GetFont(), nullptr);
    const LOGFONTW before = *def.GetFont();
    const int width = def.GetWidth();
    def.SetFont(nullptr);
    ASSERT_NE(def.GetFont(), nullptr);
    EXPECT_EQ(def.GetFont()->lfHeight, before.lfHeight);
    EXPECT_EQ(def.GetWidth(), width);
    EXPECT_GT(def.GetWidth(), 30);  // measured from " XXXXXXXXXXXX "
    EXPECT_GT(def.GetHeight(), 10);
    LOGFONTW big = before;
    big.lfHeight = -24;
    def.SetFont(&big);
    EXPECT_GT(def.GetWidth(), width);
    EXPECT_EQ(def.GetFont()->lfHeight, -24);
}

TEST(GridCell, FontOfItsOwnAndBackToTheDefault) {
    GridScene scene(100, 40);
    scene.grid.Fill(1, 1);
    CGridCellBase* cell = scene.grid.GetCell(0, 0);
    LOGFONTW lf = *scene.grid.m_cellDefault.GetFont();
    lf.lfHeight = -20;
    cell->SetFont(&lf);
    EXPECT_FALSE(cell->IsDefaultFont());
    EXPECT_EQ(cell->GetFont()->lfHeight, -20);
    CFont* shared = cell->GetFontObject();
    ASSERT_NE(shared, nullptr);
    EXPECT_NE(shared, scene.grid.m_cellDefault.GetFontObject());
    cell->SetFont(nullptr);
    EXPECT_TRUE(cell->IsDefaultFont());
    EXPECT_EQ(cell->GetFont(), scene.grid.m_cellDefault.GetFont());
}

TEST(GridCell, AssignCopiesEverythingAndResetClears) {
    GridScene scene(100, 40);
    scene.grid.Fill(1, 2);
    CGridCellBase* from = scene.grid.GetCell(0, 0);
    from->SetText(u"QC1101");
    from->SetImage(2);
    from->SetData(77);
    from->SetState(CIS_READONLY | CIS_MODIFIED);
    from->SetFormat(DT_CENTER | DT_SINGLELINE);
    from->SetTextClr(kRed);
    from->SetBackClr(kBlue);
    from->SetMargin(6);
    from->SetMergeOwner(CCellID(0, 1));
    from->SetMergeRange(CellRange(0, 0, 0, 1));
    from->SetShown(FALSE);

    CGridCellCheck to;
    to.Assign(*from);
    EXPECT_EQ(CString(to.GetText()), u"QC1101");
    EXPECT_EQ(to.GetImage(), 2);
    EXPECT_EQ(to.GetData(), 77);
    EXPECT_EQ(to.GetState(), DWORD(CIS_READONLY | CIS_MODIFIED));
    EXPECT_EQ(to.GetFormat(), DWORD(DT_CENTER | DT_SINGLELINE));
    EXPECT_EQ(to.GetTextClr(), kRed);
    EXPECT_EQ(to.GetBackClr(), kBlue);
    EXPECT_EQ(to.GetMargin(), 6u);
    EXPECT_TRUE(to.IsDefaultFont());
    EXPECT_EQ(to.GetGrid(), &scene.grid);
    EXPECT_TRUE(to.IsCovered());
    EXPECT_EQ(to.GetMergeRange(), CellRange(0, 0, 0, 1));
    EXPECT_FALSE(to.IsShown());

    to.Reset();
    EXPECT_EQ(CString(to.GetText()), u"");
    EXPECT_EQ(to.GetGrid(), nullptr);
    EXPECT_EQ(to.GetState(), 0u);
    EXPECT_EQ(to.GetFormat(), 0u);  // no grid: no default cell
    EXPECT_FALSE(to.IsCovered());
    EXPECT_TRUE(to.IsShown());
}

TEST(GridCell, WordBreakCellIsAsWideAsItsLongestLine) {
    GridScene scene(100, 40);
    scene.grid.Fill(1, 1);
    CGridCellBase* cell = scene.grid.GetCell(0, 0);
    cell->SetFormat(DT_WORDBREAK | DT_NOPREFIX);
    CClientDC dc(&scene.grid);
    const CSize single = cell->GetTextExtent(u"the second line", &dc);
    const CSize two = cell->GetTextExtent(u"one\nthe second line", &dc);
    EXPECT_EQ(two.cx, single.cx);
    EXPECT_GT(two.cy, single.cy);
    // A null text measures as the default cell.
    EXPECT_EQ(cell->GetTextExtent(nullptr, &dc), CSize(scene.grid.m_cellDefault.GetWidth(), scene.grid.m_cellDefault.GetHeight()));
    // Without a context the grid window's is taken.
    EXPECT_EQ(cell->GetTextExtent(u"one\nthe second line"), two);
}

TEST(GridCell, SortArrowOnlyWhereThereIsRoomForIt) {
    GridScene scene(200, 80);
    scene.grid.Fill(2, 2, 1, 0);
    scene.grid.m_nSortColumn = 1;
    CGridCellBase* header = scene.grid.GetCell(0, 1);
    auto shadowPixels = [](const QImage& image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if ((image.pixel(x, y) & 0xFFFFFF) == 0xA0A0A0) ++n;
        return n;
    };
    {
        Canvas canvas(80, 24, kSilver);
        ASSERT_TRUE(header->Draw(&canvas.DC(), 0, 1, CRect(0, 0, 79, 23), TRUE));
        auto snap = canvas.Snap("tall");
        SaveTestImage(snap->Image(), "tall");
        EXPECT_GT(shadowPixels(snap->Image()), 5);
        // The arrow sits at the right.
        const CRect arrow = InkBounds(snap->Image(), CRect(40, 2, 78, 22), RGB(240, 240, 240), 30);
        EXPECT_GT(arrow.left, 55);
    }
    {
        // A row too low for an arrow: none, and the text keeps its width.
        Canvas canvas(80, 6, kSilver);
        header->SetMargin(0);
        ASSERT_TRUE(header->Draw(&canvas.DC(), 0, 1, CRect(0, 0, 79, 3), TRUE));
        EXPECT_EQ(shadowPixels(canvas.Snap("low")->Image()), 0);
    }
    {
        // Text written upwards: the arrow is centred.
        LOGFONTW lf = *scene.grid.m_cellDefault.GetFont();
        lf.lfEscapement = 900;
        header->SetFont(&lf);
        header->SetMargin(2);
        Canvas canvas(80, 24, kSilver);
        ASSERT_TRUE(header->Draw(&canvas.DC(), 0, 1, CRect(0, 0, 79, 23), TRUE));
        auto snap = canvas.Snap("vertical");
        int minX = 80, maxX = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 80; ++x)
                if ((snap->Image().pixel(x, y) & 0xFFFFFF) == 0xA0A0A0) minX = std::min(minX, x), maxX = std::max(maxX, x);
        EXPECT_NEAR((minX + maxX) / 2.0, 40.0, 3.0);
    }
}

TEST(GridCell, MonochromePrintUsesTheColoursBrightness) {
    struct Case {
        COLORREF in;
        BYTE grey;
    } cases[] = {{RGB(255, 0, 0), 76}, {RGB(0, 255, 0), 150}, {RGB(0, 0, 255), 28}, {RGB(255, 255, 255), 255}, {RGB(0, 0, 0), 0}};
    for (const Case& c : cases) EXPECT_EQ(PrintGrey(c.in), RGB(c.grey, c.grey, c.grey)) << std::hex << c.in;
}

TEST(GridCell, PrintsTextAndFrameOnThePrinterContext) {
    GridScene scene(100, 40);
    scene.grid.Fill(1, 1);
    CGridCellBase* cell = scene.grid.GetCell(0, 0);
    cell->SetText(u"W");
    cell->SetBackClr(kYellow);
    Canvas canvas(60, 30, kWhite);
    canvas.DC().m_bPrinting = TRUE;
    ASSERT_TRUE(cell->PrintCell(&canvas.DC(), 0, 0, CRect(5, 5, 50, 25)));
    // A frame one pixel outside; the own back colour fills up to the right and bottom frame lines.
    EXPECT_TRUE(canvas.Snap()->Match({{4, 4, kBlack}, {4, 15, kBlack}, {20, 4, kBlack}, {8, 8, kYellow}, {50, 15, kYellow}, {52, 27, kWhite}}));
    scene.grid.m_nPrintColours = 0;
    Canvas plain(60, 30, kWhite);
    ASSERT_TRUE(cell->PrintCell(&plain.DC(), 0, 0, CRect(5, 5, 50, 25)));
    EXPECT_TRUE(plain.Snap("plain")->Match({{8, 8, kWhite}}));
}

TEST(VirtualMode, OneSharedCellHoldsTheLastLookup) {
    GridScene scene(200, 80);
    scene.grid.m_bVirtualMode = TRUE;
    scene.grid.m_nRowCount = 5;
    scene.grid.m_nColumnCount = 3;
    scene.grid.m_nFixedRowCount = 1;
    scene.grid.m_idFocus = CCellID(2, 1);
    scene.grid.selected = {{2, 1}};
    scene.grid.m_vecRowOrder = {0, 4, 3};  // holds rows 0..2 only
    static std::vector<std::pair<int, int>> asked;
    asked.clear();
    scene.grid.m_pfnFill = [](GridDispInfo* info, LPARAM param) -> BOOL {
        asked.push_back({info->item.row, info->item.col});
        info->item.strText = u"r" + Utf8ToUtf16(std::to_string(info->item.row)) + u"c" +
                             Utf8ToUtf16(std::to_string(info->item.col));
        info->item.lParam = param;
        return TRUE;
    };
    scene.grid.m_lFillParam = 99;

    CGridCellBase* first = scene.grid.GetCell(2, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(CString(first->GetText()), u"r3c1");
    EXPECT_EQ(first->GetState(), DWORD(CIS_SELECTED | CIS_FOCUSED));
    EXPECT_EQ(first->GetData(), 99);
    CGridCellBase* second = scene.grid.GetCell(0, 2);
    EXPECT_EQ(second, first);
    EXPECT_EQ(CString(first->GetText()), u"r0c2");
    EXPECT_EQ(first->GetState(), DWORD(CIS_FIXED | CIS_FIXEDROW));
    EXPECT_EQ(first->GetGrid(), &scene.grid);
    // A row the order does not hold is asked for as itself.
    scene.grid.GetCell(4, 0);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[2], std::make_pair(4, 0));
    EXPECT_EQ(scene.grid.GetCell(5, 0), nullptr);
    EXPECT_EQ(scene.grid.GetCell(0, -1), nullptr);

    // Without a callback the owner is asked with GRIDN_GETDISPINFO.
    scene.grid.m_pfnFill = nullptr;
    scene.top.handlers[WM_NOTIFY] = [](WPARAM id, LPARAM lp) -> LRESULT {
        auto* info = reinterpret_cast<GridDispInfo*>(lp);
        if (info->hdr.code == GRIDN_GETDISPINFO && id == 1234) info->item.strText = u"from owner";
        return 0;
    };
    EXPECT_EQ(CString(scene.grid.GetCell(1, 1)->GetText()), u"from owner");
    // While the grid is being destroyed nobody is asked.
    scene.grid.m_bDestroying = true;
    EXPECT_EQ(CString(scene.grid.GetCell(1, 1)->GetText()), u"");
}

TEST(CellLookup, ColumnsGoThroughTheColumnOrder) {
    GridScene scene(200, 80);
    scene.grid.Fill(2, 3);
    scene.grid.GetCell(1, 2)->SetText(u"third");
    scene.grid.m_vecColumnOrder = {2, 1, 0};
    EXPECT_EQ(CString(scene.grid.GetCell(1, 0)->GetText()), u"third");
    EXPECT_EQ(scene.grid.GetCell(2, 0), nullptr);
    delete (*scene.grid.m_rows[0])[1].Cell();
    (*scene.grid.m_rows[0])[1] = nullptr;
    EXPECT_EQ(scene.grid.GetCell(0, 1), nullptr);
}

TEST(GridCell, EditBoxThatWentAwayIsNotUsed) {
    GridScene scene(200, 80);
    scene.grid.Fill(2, 2);
    CGridCellBase* cell = scene.grid.GetCell(1, 1);
    cell->SetText(u"old");
    ASSERT_TRUE(cell->Edit(1, 1, scene.grid.CellRect(1, 1), CPoint(), 8, VK_LBUTTON));
    CWnd* edit = cell->GetEditWnd();
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(cell->IsEditing());
    // The box is destroyed behind the cell's back (its end never reaches the cell).
    scene.grid.logging = false;
    edit->DestroyWindow();
    EXPECT_EQ(cell->GetEditWnd(), nullptr);
    cell->EndEdit();  // nothing to end, nothing touched
    ASSERT_TRUE(cell->Edit(1, 1, scene.grid.CellRect(1, 1), CPoint(), 8, 'x'));
    ASSERT_NE(cell->GetEditWnd(), nullptr);
    cell->EndEdit();
    EXPECT_FALSE(cell->IsEditing());
    EXPECT_EQ(cell->GetEditWnd(), nullptr);
}
