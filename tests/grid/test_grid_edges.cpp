// The grid at its edges: the first row in view after a sort, a large selection
// through clicks, pastes, drags and count changes, grids of derived classes,
// an owner's compare function, and a cell holding far more text than it shows.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "grid/cell_map.h"
#include "grid/grid_sums.h"
#include "grid/grid_cell_check.h"
#include "tests/grid/grid_input_fixture.h"
#include "tests/support/pixel_harness.h"

namespace {

using grid_test::InputGrid;
using grid_test::Pump;
using grid_test::UntouchedSlots;

// A data object carrying exactly `bytes` as CF_TEXT.
struct TextData {
    COleDataSource source;
    COleDataObject data;
    explicit TextData(const std::string& bytes) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
        source.CacheGlobalData(CF_TEXT, block);
        data.Attach(&source);
    }
};

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// What the selected-cell map holds beside its blocks: the measure of how much
// memory a selection takes, whatever the number of cells selected.
size_t HeldOneByOne(const CellMap& map) { return map.Cells().size() + map.ExceptionCount() + map.Blocks().size(); }

// Every cell's selected bit agrees with the map, and the map names exactly
// `expected` cells.
::testing::AssertionResult SelectionConsistent(CGridCtrl& grid, size_t expected) {
    size_t bits = 0;
    for (int r = 0; r < grid.GetRowCount(); ++r)
        for (int c = 0; c < grid.GetColumnCount(); ++c) {
            const bool bit = grid.GetItemState(r, c) & CIS_SELECTED;
            const bool mapped = grid.m_mapSelected.count(CellMap::KeyOf(r, c)) > 0;
            if (bit != mapped)
                return ::testing::AssertionFailure() << "cell " << r << "," << c << " bit " << bit << " map " << mapped;
            bits += bit;
        }
    if (bits != expected || grid.GetSelectedCount() != expected)
        return ::testing::AssertionFailure() << bits << " bits, " << grid.GetSelectedCount() << " in the map, "
                                             << expected << " expected";
    return ::testing::AssertionSuccess();
}

}  // namespace

// ---------------------------------------------------------------------------
// The first row in view after a sort

TEST(GridEdges, AfterASortALineScrollShowsTheRowThatTheScrollPositionNames) {
    InputGrid w(300, 200);
    w.Fill(60, 3);
    // Low rows above tall ones, and keys that reverse the rows: the sort
    // brings the tall rows to the top.
    for (int r = 1; r < 60; ++r) {
        w.grid.SetRowHeight(r, r <= 30 ? 10 : 40);
        const std::string key = std::to_string(1000 - r);
        w.grid.SetItemText(r, 1, Wide(key).c_str());
    }
    for (int i = 0; i < 9; ++i) w.grid.SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
    ASSERT_EQ(w.grid.GetTopLeftScrollCell().row, 10);

    ASSERT_TRUE(w.grid.SortItems(1, TRUE));
    w.grid.SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
    Pump();

    // The row the position names, found from the heights as they are now.
    const int pos = w.grid.GetScrollPosition(SB_VERT);
    int expected = 1;
    for (long long sum = 0; sum < pos; ++expected) sum += w.grid.GetRowHeight(expected);
    EXPECT_EQ(w.grid.GetTopLeftScrollCell().row, expected);
    const CCellID shown = w.grid.GetCellFromPt(CPoint(60, w.grid.GetFixedRowHeight() + 1));
    EXPECT_EQ(shown.row, expected) << "the row drawn at the top of the scrolling area";
}

// ---------------------------------------------------------------------------
// The selection held as blocks

// Against a plain set of cells, every operation of the map in random order.
TEST(GridEdges, TheSelectedCellMapHoldsTheSameCellsAsAPlainSet) {
    std::mt19937 random(7);
    auto pick = [&random](int n) { return int(random() % unsigned(n)); };
    const int rows = 40, cols = 12;
    for (int round = 0; round < 40; ++round) {
        CellMap map;
        std::set<std::pair<int, int>> model;
        for (int step = 0; step < 60; ++step) {
            const int r0 = pick(rows), c0 = pick(cols);
            const int r1 = std::min(rows - 1, r0 + pick(rows)), c1 = std::min(cols - 1, c0 + pick(cols));
            switch (pick(7)) {
            case 0:
            case 1:
                map.AddRange(CellRange(r0, c0, r1, c1));
                for (int r = r0; r <= r1; ++r)
                    for (int c = c0; c <= c1; ++c) model.insert({r, c});
                break;
            case 2:
                map.RemoveRange(CellRange(r0, c0, r1, c1));
                for (int r = r0; r <= r1; ++r)
                    for (int c = c0; c <= c1; ++c) model.erase({r, c});
                break;
            case 3:
                map.insert(CellMap::KeyOf(r0, c0), CCellID(r0, c0));
                model.insert({r0, c0});
                break;
            case 4:
                map.erase(CellMap::KeyOf(r0, c0));
                model.erase({r0, c0});
                break;
            case 5: {  // one row or column moved, as a drag moves it
                const bool byRow = pick(2) == 0;
                const int n = byRow ? rows : cols;
                const int from = pick(n), to = pick(n);
                auto after = [from, to](int i) {
                    if (i == from) return to;
                    if (from < to && i > from && i <= to) return i - 1;
                    if (from > to && i >= to && i < from) return i + 1;
                    return i;
                };
                map.Remap(byRow, after);
                std::set<std::pair<int, int>> moved;
                for (auto [r, c] : model) moved.insert(byRow ? std::pair(after(r), c) : std::pair(r, after(c)));
                model.swap(moved);
                break;
            }
            default: {
                const int keepRows = rows - pick(4), keepCols = cols - pick(3);
                map.ClipTo(keepRows, keepCols);
                std::erase_if(model, [&](const auto& cell) { return cell.first >= keepRows || cell.second >= keepCols; });
                break;
            }
            }
            std::set<std::pair<int, int>> held;
            for (const auto& [key, cell] : map) {
                EXPECT_EQ(key, CellMap::KeyOf(cell.row, cell.col));
                EXPECT_TRUE(held.insert({cell.row, cell.col}).second) << "a cell came twice";
            }
            ASSERT_EQ(held, model) << "round " << round << " step " << step;
            ASSERT_EQ(map.size(), model.size());
            for (int probe = 0; probe < 20; ++probe) {
                const int r = pick(rows), c = pick(cols);
                ASSERT_EQ(map.count(CellMap::KeyOf(r, c)), model.count({r, c}));
            }
            CellRange bounds(rows, cols, -1, -1), modelBounds(rows, cols, -1, -1);
            map.Bounds(&bounds);
            for (auto [r, c] : model) {
                modelBounds.minRow = std::min(modelBounds.minRow, r);
                modelBounds.minCol = std::min(modelBounds.minCol, c);
                modelBounds.maxRow = std::max(modelBounds.maxRow, r);
                modelBounds.maxCol = std::max(modelBounds.maxCol, c);
            }
            ASSERT_EQ(std::tie(bounds.minRow, bounds.minCol, bounds.maxRow, bounds.maxCol),
                      std::tie(modelBounds.minRow, modelBounds.minCol, modelBounds.maxRow, modelBounds.maxCol));
        }
    }
}

// Select all, then one thing that touches the selection: the cells stay
// selected as they should, and the map keeps holding blocks, not cells.
TEST(GridEdges, SelectAllStaysABlockThroughClicksPastesDragsAndCountChanges) {
    constexpr int kRows = 1500, kCols = 6;
    constexpr size_t kAll = size_t(kRows - 1) * (kCols - 1);
    struct Case {
        const char* name;
        std::function<void(InputGrid&)> touch;
        size_t selected;  // cells selected afterwards
    };
    const Case cases[] = {
        {"ctrl+click on a selected cell takes it out",
         [](InputGrid& w) { w.Click(w.At(2, 2), Qt::ControlModifier); }, kAll - 1},
        {"ctrl+click on a row header",
         [](InputGrid& w) { w.Click(w.At(3, 0), Qt::ControlModifier); }, kAll},
        {"paste of two lines",
         [](InputGrid& w) {
             TextData text("x\ty\tz\r\nu\tv\tw");
             ASSERT_TRUE(w.grid.PasteTextToGrid(CCellID(1, 1), &text.data, TRUE));
         },
         6},
        {"paste that selects nothing",
         [](InputGrid& w) {
             TextData text("p,q");
             ASSERT_TRUE(w.grid.PasteTextToGrid(CCellID(4, 2), &text.data, FALSE));
         },
         0},
        {"cells taken out one by one",
         [](InputGrid& w) {
             for (int r = 1; r < 400; ++r)
                 for (int c = 1; c < 4; ++c)
                     w.grid.SetItemState(r, c, w.grid.GetItemState(r, c) & ~CIS_SELECTED);
         },
         kAll - 399 * 3},
        {"a header column dragged",
         [](InputGrid& w) {
             w.grid.m_nCurrentColumn = 2;
             w.grid.m_idDropHighlight = CCellID(0, 4);
             ASSERT_TRUE(w.grid.OnDrop(nullptr, DROPEFFECT_MOVE, w.At(0, 4)));
         },
         kAll},
        {"fewer rows", [](InputGrid& w) { w.grid.SetRowCount(700); }, size_t(699) * (kCols - 1)},
        {"fewer columns", [](InputGrid& w) { w.grid.SetColumnCount(4); }, size_t(kRows - 1) * 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InputGrid w(300, 200);
        w.grid.SetColumnCount(kCols);
        w.grid.SetRowCount(kRows);
        w.grid.SetFixedRowCount(1);
        w.grid.SetFixedColumnCount(1);
        for (int col = 0; col < kCols; ++col) w.grid.SetColumnWidth(col, 40);
        w.grid.m_bColumnDragging = true;
        Pump();
        w.grid.OnEditSelectAll();
        ASSERT_TRUE(SelectionConsistent(w.grid, kAll));
        c.touch(w);
        Pump();
        EXPECT_TRUE(SelectionConsistent(w.grid, c.selected));
        EXPECT_LE(HeldOneByOne(w.grid.m_mapSelected), 64u) << "the selection is held cell by cell";
        EXPECT_LE(HeldOneByOne(w.grid.m_mapPrevSelected), 64u);
    }
}

TEST(GridEdges, ASelectedColumnDraggedElsewhereStaysSelectedAtItsNewPlace) {
    InputGrid w(300, 200);
    w.Fill(300, 6);
    w.grid.m_bColumnDragging = true;
    w.grid.SetSelectedRange(1, 2, 299, 2);
    w.grid.m_nCurrentColumn = 2;
    w.grid.m_idDropHighlight = CCellID(0, 4);
    ASSERT_TRUE(w.grid.OnDrop(nullptr, DROPEFFECT_MOVE, w.At(0, 4)));
    EXPECT_TRUE(SelectionConsistent(w.grid, 299));
    for (int r = 1; r < 300; r += 37) {
        EXPECT_TRUE(w.grid.IsCellSelected(r, 4)) << r;
        EXPECT_EQ(w.grid.GetItemText(r, 4), Wide(std::to_string(r) + ",2"));
    }
    EXPECT_LE(HeldOneByOne(w.grid.m_mapSelected), 4u);
}

// ---------------------------------------------------------------------------
// Derived grids

namespace {

class PlainDerivedGrid : public CGridCtrl {};

class CheckCellGrid : public CGridCtrl {
public:
    CGridCellBase* CreateCell(int row, int col) override {
        auto* cell = new CGridCellCheck;
        cell->SetGrid(this);
        if (row < GetFixedRowCount()) cell->SetState(cell->GetState() | CIS_FIXED | CIS_FIXEDROW);
        (void)col;
        return cell;
    }
};

class LabelledGrid : public CGridCtrl {
public:
    CGridCellBase* CreateCell(int row, int col) override {
        CGridCellBase* cell = CGridCtrl::CreateCell(row, col);
        if (cell) cell->SetText(u"new");
        return cell;
    }
};

}  // namespace

TEST(GridEdges, ADerivedGridKeepsCompactCellsWhenItsCellsArePlain) {
    struct Case {
        const char* name;
        std::unique_ptr<CGridCtrl> grid;
        bool compact;
        const char16_t* text;  // what an untouched cell reads
        bool check;            // its cells are check-box cells
    };
    Case cases[] = {
        {"the grid itself", std::make_unique<CGridCtrl>(), true, u"", false},
        {"a derived grid", std::make_unique<PlainDerivedGrid>(), true, u"", false},
        {"a derived grid that makes check cells", std::make_unique<CheckCellGrid>(), false, u"", true},
        {"a derived grid that labels new cells", std::make_unique<LabelledGrid>(), false, u"new", false},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        CGridCtrl& g = *c.grid;
        g.SetColumnCount(4);
        g.SetRowCount(200);
        g.SetFixedRowCount(1);
        for (int i = 0; i < 30; ++i) g.SetRowCount(g.GetRowCount() + 1);  // one at a time
        EXPECT_EQ(UntouchedSlots(g), c.compact ? g.GetRowCount() * 4 : 0);
        EXPECT_EQ(g.GetItemText(150, 2), c.text);
        EXPECT_EQ(g.GetItemState(150, 2) & CIS_FIXED, 0u);
        EXPECT_EQ(g.GetItemState(0, 2) & CIS_FIXEDROW, UINT(CIS_FIXEDROW));
        CGridCellBase* cell = g.GetCell(220, 3);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->IsKindOf(RUNTIME_CLASS(CGridCellCheck)), c.check);
        EXPECT_EQ(cell->GetFormat(), g.GetDefaultCell(FALSE, FALSE)->GetFormat());
    }
}

// ---------------------------------------------------------------------------
// An owner's compare function

namespace {

// Every call of the owner's compare function: the two texts and the two cells.
struct CompareCall {
    std::u16string first, second;
    const CGridCellBase* a;
    const CGridCellBase* b;
};
std::vector<CompareCall> g_calls;

int RecordingCompare(LPARAM a, LPARAM b, LPARAM third) {
    EXPECT_EQ(third, 0);
    const auto* ca = reinterpret_cast<const CGridCellBase*>(a);
    const auto* cb = reinterpret_cast<const CGridCellBase*>(b);
    g_calls.push_back({ca->GetText(), cb->GetText(), ca, cb});
    return CGridCtrl::CompareByText(a, b, 0);
}

// The sort as the grid's owner expects it to run, on the texts alone: the
// calls it makes, as (first, second) pairs.
void ReferenceSort(std::vector<std::u16string>& rows, bool ascending, int low, int high,
                   std::multiset<std::pair<std::u16string, std::u16string>>* calls) {
    if (high <= low) return;
    auto compare = [calls](const std::u16string& x, const std::u16string& y) {
        calls->insert({x, y});
        return x == y ? 0 : (x < y ? -1 : 1);  // by code unit, as the texts here are ASCII
    };
    const std::u16string pivot = rows[size_t((low + high) / 2)];
    int lo = low, hi = high;
    while (lo <= hi) {
        if (ascending) {
            while (lo < high && compare(rows[size_t(lo)], pivot) < 0) ++lo;
            while (hi > low && compare(rows[size_t(hi)], pivot) > 0) --hi;
        } else {
            while (lo < high && compare(rows[size_t(lo)], pivot) > 0) ++lo;
            while (hi > low && compare(rows[size_t(hi)], pivot) < 0) --hi;
        }
        if (lo <= hi) {
            if (compare(rows[size_t(lo)], rows[size_t(hi)]) != 0) std::swap(rows[size_t(lo)], rows[size_t(hi)]);
            ++lo;
            --hi;
        }
    }
    if (low < hi) ReferenceSort(rows, ascending, low, hi, calls);
    if (lo < high) ReferenceSort(rows, ascending, lo, high, calls);
}

}  // namespace

TEST(GridEdges, TheOwnersCompareFunctionGetsEachRowsOwnCellFirstAndThePivotSecond) {
    // Some cells of the sorted column are never written: each must still come
    // to the compare function as a cell of its own.
    const std::vector<std::u16string> texts = {u"m", u"", u"c", u"x", u"", u"a", u"q", u"", u"c", u"f", u"", u"z"};
    for (bool ascending : {true, false}) {
        SCOPED_TRACE(ascending ? "ascending" : "descending");
        CGridCtrl grid;
        grid.SetColumnCount(3);
        grid.SetRowCount(int(texts.size()) + 1);
        grid.SetFixedRowCount(1);
        for (size_t i = 0; i < texts.size(); ++i)
            if (!texts[i].empty()) grid.SetItemText(int(i) + 1, 1, texts[i].c_str());
        grid.SetCompareFunction(&RecordingCompare);
        g_calls.clear();
        ASSERT_TRUE(grid.SortItems(1, ascending));

        std::vector<std::u16string> rows = texts;
        std::multiset<std::pair<std::u16string, std::u16string>> expected, made;
        ReferenceSort(rows, ascending, 0, int(rows.size()) - 1, &expected);
        for (const CompareCall& call : g_calls) made.insert({call.first, call.second});
        EXPECT_EQ(made, expected) << "the calls, with their arguments in order";
        for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(grid.GetItemText(int(i) + 1, 1), rows[i]) << i;

        // Every cell the function saw is a cell of the sorted column, and each
        // row's cell is a different object.
        std::set<const CGridCellBase*> column;
        for (int r = 1; r < grid.GetRowCount(); ++r) column.insert(grid.GetCell(r, 1));
        EXPECT_EQ(column.size(), texts.size());
        for (const CompareCall& call : g_calls) {
            EXPECT_TRUE(column.count(call.a)) << "a stand-in, not the row's cell";
            EXPECT_TRUE(column.count(call.b));
        }
    }
}

// ---------------------------------------------------------------------------
// A cell that holds far more text than it shows

TEST(GridEdges, ALongTextIsPaintedAsItsVisiblePartWouldBe) {
    CGridCtrl grid;
    grid.SetColumnCount(2);
    grid.SetRowCount(2);
    std::u16string lineOfDigits;
    for (int i = 0; lineOfDigits.size() < 30000; ++i) lineOfDigits += Wide(std::to_string(i)) + u" ";
    // Lines of text, for the formats that keep line ends.
    std::u16string lines;
    for (int i = 0; i < 40; ++i) lines += lineOfDigits.substr(size_t(i) * 7, 3000) + u"\r\n";

    struct Case {
        const char* name;
        DWORD format;
        const std::u16string* text;
        std::u16string shown;  // what shows of it
    };
    const Case cases[] = {
        {"one line, cut with an ellipsis", 0x8824, &lineOfDigits, lineOfDigits.substr(0, 400)},
        {"one line, clipped", DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX, &lineOfDigits, lineOfDigits.substr(0, 400)},
        {"one line, right aligned and cut", DT_SINGLELINE | DT_RIGHT | DT_END_ELLIPSIS | DT_NOPREFIX, &lineOfDigits,
         lineOfDigits.substr(0, 400)},
        {"lines, clipped", DT_NOPREFIX, &lines, [&] {
             std::u16string first;
             for (int i = 0; i < 6; ++i) first += lines.substr(size_t(i) * 3002, 400) + u"\r\n";
             return first;
         }()},
        {"lines, each cut with an ellipsis", DT_NOPREFIX | DT_END_ELLIPSIS, &lines, [&] {
             std::u16string first;
             for (int i = 0; i < 6; ++i) first += lines.substr(size_t(i) * 3002, 400) + u"\n";
             return first;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CGridCellBase* cell = grid.GetCell(1, 1);
        ASSERT_NE(cell, nullptr);
        cell->SetFormat(c.format);
        auto paint = [&](const std::u16string& text, const std::string& tag) {
            cell->SetText(text.c_str());
            Canvas canvas(180, 70, RGB(200, 200, 200));
            EXPECT_TRUE(cell->Draw(&canvas.DC(), 1, 1, CRect(0, 0, 179, 69), TRUE));
            return canvas.Snap(tag);
        };
        auto whole = paint(*c.text, "whole");
        auto part = paint(c.shown, "part");
        ASSERT_EQ(whole->Image().size(), part->Image().size());
        int differing = 0;
        for (int y = 0; y < whole->Image().height(); ++y)
            for (int x = 0; x < whole->Image().width(); ++x) differing += whole->Pixel(x, y) != part->Pixel(x, y);
        EXPECT_EQ(differing, 0);
        const CRect ink = grid_test::InkBounds(whole->Image(), CRect(0, 0, 180, 70), RGB(255, 255, 255));
        EXPECT_GT(ink.Width(), 100) << "the text was drawn";
        if (differing) {
            SaveTestImage(whole->Image(), std::string(c.name) + "-whole");
            SaveTestImage(part->Image(), std::string(c.name) + "-part");
        }
    }
}

// ---------------------------------------------------------------------------
// Sorting many rows by text

TEST(GridEdges, ManyRowsSortByTextAsTheirTextsCompareUnitByUnit) {
    // Texts drawn from a few beginnings and a small alphabet (so that many
    // share long beginnings or are equal), with units past ASCII; in some
    // grids the first rows share more than the rest.
    struct Case {
        const char* name;
        std::vector<std::u16string> beginnings;
        std::u16string alphabet;
        int rows;
        bool firstRowsAlike;
    };
    const Case cases[] = {
        {"random letters", {u""}, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ", 6000, false},
        {"one shared beginning", {u"STACKID-"}, u"abc", 6000, false},
        {"first rows alike", {u"192.168.100.", u"192.168.1", u"10."}, u"0123456789", 6000, true},
        {"units past ASCII", {u"\u00e9t", u"\uac00", u"\U0001F600x"}, u"a\u00ff\u0100\uffff\U0001F600", 5000, false},
        {"long equal runs", {u"same text that runs past sixteen units"}, u"x", 5000, false},
    };
    std::mt19937 random(11);
    for (const Case& c : cases) {
        for (bool ascending : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (ascending ? " ascending" : " descending"));
            CGridCtrl grid;
            grid.SetColumnCount(3);
            grid.SetRowCount(c.rows);
            grid.SetFixedRowCount(1);
            std::vector<std::u16string> texts;
            for (int r = 1; r < c.rows; ++r) {
                std::u16string text = c.beginnings[random() % c.beginnings.size()];
                if (c.firstRowsAlike && r < 200) text = c.beginnings[0];
                const size_t length = random() % 14;
                for (size_t i = 0; i < length; ++i) text += c.alphabet[random() % c.alphabet.size()];
                texts.push_back(text);
                grid.SetItemText(r, 1, text.c_str());
                grid.SetItemText(r, 2, Wide(std::to_string(r)).c_str());
            }
            ASSERT_TRUE(grid.SortItems(1, ascending));
            std::vector<std::u16string> expected = texts;
            std::sort(expected.begin(), expected.end());  // by unsigned code unit
            if (!ascending) std::reverse(expected.begin(), expected.end());
            std::multiset<std::pair<std::u16string, std::u16string>> rowsBefore, rowsAfter;
            for (int r = 1; r < c.rows; ++r) {
                ASSERT_EQ(grid.GetItemText(r, 1), expected[size_t(r - 1)]) << "row " << r;
                rowsAfter.insert({grid.GetItemText(r, 1), grid.GetItemText(r, 2)});
                rowsBefore.insert({texts[size_t(r - 1)], Wide(std::to_string(r))});
            }
            EXPECT_EQ(rowsAfter, rowsBefore) << "each row kept its cells together";
        }
    }
}

// ---------------------------------------------------------------------------
// Row heights grown one at a time

TEST(GridEdges, HeightSumsStayRightWhileRowsAreAddedOneAtATime) {
    std::mt19937 random(5);
    SizeArray sizes;
    std::vector<long long> model;
    auto check = [&](int step) {
        ASSERT_EQ(sizes.size(), model.size());
        std::vector<long long> prefix(model.size() + 1, 0);
        for (size_t i = 0; i < model.size(); ++i) prefix[i + 1] = prefix[i] + model[i];
        ASSERT_EQ(sizes.Sum(0, (long long)model.size()), prefix.back()) << "step " << step;
        for (int probe = 0; probe < 8 && !model.empty(); ++probe) {
            const size_t a = random() % model.size(), b = a + random() % (model.size() - a + 1);
            ASSERT_EQ(sizes.Sum((long long)a, (long long)b), prefix[b] - prefix[a]) << "step " << step;
            const long long target = random() % (prefix.back() + 2);
            const size_t reached = size_t(std::lower_bound(prefix.begin(), prefix.end(), target) - prefix.begin());
            ASSERT_EQ(sizes.LowerBound(target), std::min(reached, model.size())) << "step " << step;
        }
    };
    for (int step = 0; step < 3000; ++step) {
        const unsigned pick = random() % 10;
        if (pick < 6) {  // one row more, the common case
            const UINT h = random() % 40;
            sizes.resize(sizes.size() + 1, h);
            model.push_back(h);
        } else if (pick == 6) {  // many at once
            const size_t n = model.size() + 1 + random() % 300;
            sizes.resize(n, 7);
            model.resize(n, 7);
        } else if (pick == 7 && !model.empty()) {  // a few fewer
            const size_t n = model.size() - std::min<size_t>(model.size(), random() % 10);
            sizes.resize(n);
            model.resize(n);
        } else if (!model.empty()) {  // one height changed
            const size_t i = random() % model.size();
            const UINT h = random() % 60;
            sizes[i] = h;
            model[i] = h;
        }
        check(step);
    }
    EXPECT_GT(model.size(), 1000u);
}
