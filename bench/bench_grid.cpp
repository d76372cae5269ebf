// The grid window at 100, 10,000, 100,000 rows (cells stored in the grid) and
// up to 1,000,000 rows (virtual mode, texts from a fill callback), 5 data
// columns with a fixed header row and column, in a 1000 x 600 window.
//
// Per grid size: setting the row count, setting every row's height, a full
// paint, a line and a page scroll with their paints, EnsureVisible of the last
// row from the top, select all, copy of the selection, sort by a column.
// Beside them, plain cells without a window: the memory of empty rows, and
// sorting by one text column (the other columns empty) to 1,000,000 rows. The
// first argument is the row count, the second 1 for virtual mode. "cells"
// counts the cells drawn per paint; "heap_MB" is the heap the grid's rows took
// (mallinfo2).
//
// At the grid's edges, with plain cells: sorting a grid whose every data
// column holds text, by a column of random texts and by one whose texts share
// their first eight characters (10,000 to 1,000,000 rows; the exponent from
// 100,000 to 1,000,000 rows is log10 of the ratio of the two times); a paste
// of 1 MiB of tab-separated lines into a 1,000,000-row grid whose every cell
// is selected; rows added one at a time to grids of 10,000 and 1,000,000 rows,
// cells stored and virtual;
// and the heap a selection of every cell of 1,000,000 rows takes after a
// Ctrl+click, a paste, a column drag or fewer rows ("selection_MB"); a cell
// holding 1 MiB of text painted.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "grid/grid_ctrl.h"
#include "platform/runtime/app.h"
#include "platform/window/wnd.h"

namespace {

constexpr int kColumns = 6;  // one fixed, five data columns

long long g_cellsDrawn = 0;

class CountingCell : public CGridCell {
    DECLARE_DYNCREATE(CountingCell)
public:
    BOOL Draw(CDC* pDC, int row, int col, CRect rect, BOOL erase) override {
        ++g_cellsDrawn;
        return CGridCell::Draw(pDC, row, col, rect, erase);
    }
};
IMPLEMENT_DYNCREATE(CountingCell, CGridCell)

// A key per data row that is not in row order, for sorting.
int KeyOf(int row) { return int((unsigned(row) * 2654435761u) % 1000003u); }

std::u16string TextOf(int row, int col) {
    const std::string t = std::to_string(KeyOf(row) + col);
    return std::u16string(t.begin(), t.end());
}

// Virtual mode: the owner's data.
BOOL Fill(GridDispInfo* info, LPARAM) {
    info->item.strText = TextOf(info->item.row, info->item.col);
    return TRUE;
}
bool VirtualLess(int a, int b) { return KeyOf(a) < KeyOf(b); }

// The heap in use, with the blocks large enough to be mapped on their own.
size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

struct Scene {
    CWnd top;
    CGridCtrl grid;
    int rows;
    bool virtualMode;
    double heapMB = 0;

    Scene(int rowCount, bool isVirtual) : rows(rowCount), virtualMode(isVirtual) {
        top.CreateEx(0, nullptr, u"bench", WS_POPUP | WS_VISIBLE, CRect(0, 0, 1020, 620), nullptr, 0);
        grid.SetDefaultCellType(RUNTIME_CLASS(CountingCell));
        grid.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(10, 10, 1010, 610), &top, 1);
        if (virtualMode) {
            grid.m_bVirtualMode = TRUE;
            grid.m_pfnFill = &Fill;
            grid.SetVirtualCompare(&VirtualLess);
        }
        grid.SetColumnCount(kColumns);
        const size_t before = HeapInUse();
        grid.SetRowCount(rows);
        heapMB = double(HeapInUse() - before) / 1e6;
        grid.SetFixedRowCount(1);
        grid.SetFixedColumnCount(1);
        if (!virtualMode)
            for (int r = 1; r < rows; ++r)
                for (int c = 1; c < kColumns; ++c) grid.SetItemText(r, c, TextOf(r, c).c_str());
        for (int c = 0; c < kColumns; ++c) grid.SetColumnWidth(c, 150);
        grid.ResetScrollBars();
        grid.SendMessage(WM_PAINT);
    }
};

// One grid at a time: the last one asked for.
std::unique_ptr<Scene> g_scene;

Scene& SceneFor(const benchmark::State& state) {
    const int rows = int(state.range(0));
    const bool isVirtual = state.range(1) != 0;
    if (!g_scene || g_scene->rows != rows || g_scene->virtualMode != isVirtual) {
        g_scene.reset();
        g_scene = std::make_unique<Scene>(rows, isVirtual);
    }
    return *g_scene;
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (int rows : {100, 10000, 100000}) b->Args({rows, 0});
    for (int rows : {100, 10000, 100000, 1000000}) b->Args({rows, 1});
    b->ArgNames({"rows", "virtual"});
    b->Unit(benchmark::kMillisecond);
}

void ReportCells(benchmark::State& state, long long cells) {
    state.counters["cells"] = benchmark::Counter(double(cells), benchmark::Counter::kAvgIterations);
}

void BM_GridSetRowCount(benchmark::State& state) {
    double heap = 0;
    for (auto _ : state) {
        state.PauseTiming();
        g_scene.reset();
        state.ResumeTiming();
        heap = SceneFor(state).heapMB;  // the count is set while the scene is made
    }
    state.counters["heap_MB"] = heap;
}
BENCHMARK(BM_GridSetRowCount)->Apply(Sizes)->Iterations(1);

void BM_GridSetEveryRowHeight(benchmark::State& state) {
    Scene& s = SceneFor(state);
    int round = 0;
    for (auto _ : state) {
        ++round;
        for (int r = 0; r < s.rows; ++r) s.grid.SetRowHeight(r, 19 + (r + round) % 3);
    }
}
BENCHMARK(BM_GridSetEveryRowHeight)->Apply(Sizes)->Iterations(2);

void BM_GridFullPaint(benchmark::State& state) {
    Scene& s = SceneFor(state);
    s.grid.SendMessage(WM_VSCROLL, SB_TOP, 0);
    const long long before = g_cellsDrawn;
    for (auto _ : state) {
        s.grid.Invalidate();
        s.grid.SendMessage(WM_PAINT);
    }
    ReportCells(state, g_cellsDrawn - before);
}
BENCHMARK(BM_GridFullPaint)->Apply(Sizes);

// Scrolls down and back up by one step of `code` from the middle of the grid,
// painting after each step.
void ScrollAndPaint(benchmark::State& state, UINT down, UINT up) {
    Scene& s = SceneFor(state);
    s.grid.SetScrollPosition(SB_VERT, s.grid.m_nVScrollMax / 2);
    s.grid.Invalidate();
    s.grid.SendMessage(WM_PAINT);
    const long long before = g_cellsDrawn;
    bool forward = true;
    for (auto _ : state) {
        s.grid.SendMessage(WM_VSCROLL, forward ? down : up, 0);
        s.grid.SendMessage(WM_PAINT);
        forward = !forward;
    }
    ReportCells(state, g_cellsDrawn - before);
}

void BM_GridLineScrollPaint(benchmark::State& state) { ScrollAndPaint(state, SB_LINEDOWN, SB_LINEUP); }
BENCHMARK(BM_GridLineScrollPaint)->Apply(Sizes);

void BM_GridPageScrollPaint(benchmark::State& state) { ScrollAndPaint(state, SB_PAGEDOWN, SB_PAGEUP); }
BENCHMARK(BM_GridPageScrollPaint)->Apply(Sizes);

void BM_GridEnsureVisibleLastRow(benchmark::State& state) {
    Scene& s = SceneFor(state);
    for (auto _ : state) {
        state.PauseTiming();
        s.grid.SendMessage(WM_VSCROLL, SB_TOP, 0);
        s.grid.SendMessage(WM_PAINT);
        state.ResumeTiming();
        s.grid.EnsureVisible(s.rows - 1, 1);
    }
    state.counters["top_row"] = s.grid.GetTopLeftScrollCell().row;
}
BENCHMARK(BM_GridEnsureVisibleLastRow)->Apply(Sizes)->Iterations(2);

void BM_GridSelectAll(benchmark::State& state) {
    Scene& s = SceneFor(state);
    for (auto _ : state) {
        state.PauseTiming();
        s.grid.SetSelectedRange(-1, -1, -1, -1);
        const size_t before = HeapInUse();
        state.ResumeTiming();
        s.grid.OnEditSelectAll();
        state.counters["heap_MB"] = double(HeapInUse() - before) / 1e6;
    }
}
BENCHMARK(BM_GridSelectAll)->Apply(Sizes)->Iterations(2);

void BM_GridCopy(benchmark::State& state) {
    Scene& s = SceneFor(state);
    if (s.grid.GetSelectedCount() == 0) s.grid.OnEditSelectAll();
    for (auto _ : state) delete s.grid.CopyTextFromGrid();
}
BENCHMARK(BM_GridCopy)->Apply(Sizes)->Iterations(2);

void BM_GridSort(benchmark::State& state) {
    Scene& s = SceneFor(state);
    bool ascending = true;
    for (auto _ : state) {
        s.grid.SortItems(1, ascending);
        ascending = !ascending;
    }
}
BENCHMARK(BM_GridSort)->Apply(Sizes)->Iterations(2);

// A grid of plain cells without a window, 5 columns, one fixed row and column.
// A grid of a class derived from the grid's, as an owner may make one.
class DerivedGrid : public CGridCtrl {};

std::unique_ptr<CGridCtrl> PlainGrid(int rows, bool derived = false) {
    std::unique_ptr<CGridCtrl> grid = derived ? std::make_unique<DerivedGrid>() : std::make_unique<CGridCtrl>();
    grid->SetColumnCount(5);
    grid->SetRowCount(rows);
    grid->SetFixedRowCount(1);
    grid->SetFixedColumnCount(1);
    return grid;
}

// Empty cells: the heap that rows x 5 columns of them take ("heap_MB", with the
// fixed row and column set), and what select all adds to it ("select_MB"), in a
// grid of the grid's own class and of a derived one.
void BM_GridEmptyRows(benchmark::State& state) {
    g_scene.reset();
    const int rows = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        const size_t before = HeapInUse();
        state.ResumeTiming();
        std::unique_ptr<CGridCtrl> grid = PlainGrid(rows, state.range(1) != 0);
        state.PauseTiming();
        state.counters["heap_MB"] = double(HeapInUse() - before) / 1e6;
        const size_t unselected = HeapInUse();
        grid->SelectAllCells();
        state.counters["select_MB"] = double(HeapInUse() - unselected) / 1e6;
        grid.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_GridEmptyRows)
    ->ArgsProduct({{100000, 1000000}, {0, 1}})
    ->ArgNames({"rows", "derived"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Sorting plain cells by a column that holds text (the other columns empty),
// to 1,000,000 rows.
void BM_GridSortTextColumn(benchmark::State& state) {
    g_scene.reset();
    const int rows = int(state.range(0));
    std::unique_ptr<CGridCtrl> grid = PlainGrid(rows);
    for (int r = 1; r < rows; ++r) grid->SetItemText(r, 1, TextOf(r, 1).c_str());
    bool ascending = true;
    for (auto _ : state) {
        grid->SortItems(1, ascending);
        ascending = !ascending;
    }
}
BENCHMARK(BM_GridSortTextColumn)->Arg(10000)->Arg(100000)->Arg(1000000)->ArgName("rows")->Unit(benchmark::kMillisecond)->Iterations(2);

// ---------------------------------------------------------------------------
// At the grid's edges

// `n` random capital letters.
std::u16string RandomText(std::mt19937& random, size_t n) {
    std::u16string text(n, u'A');
    for (char16_t& c : text) c = char16_t(u'A' + random() % 26);
    return text;
}

// A plain grid of `rows` rows whose every data column holds text; column 1
// holds random texts of 6 to 12 letters, after a shared 8-letter beginning when
// `sharedPrefix`.
std::unique_ptr<CGridCtrl> FilledGrid(int rows, bool sharedPrefix) {
    std::unique_ptr<CGridCtrl> grid = PlainGrid(rows);
    std::mt19937 random{unsigned(rows)};
    for (int r = 1; r < rows; ++r) {
        std::u16string key = sharedPrefix ? u"STACKID-" : u"";
        key += RandomText(random, 6 + random() % 7);
        grid->SetItemText(r, 1, key.c_str());
        for (int c = 2; c < 5; ++c) grid->SetItemText(r, c, TextOf(r, c).c_str());
    }
    return grid;
}

// Sorting a filled grid by its column of random texts, ascending; each
// iteration sorts a grid freshly filled in the same random order.
void BM_GridSortFilled(benchmark::State& state) {
    g_scene.reset();
    const int rows = int(state.range(0));
    const bool shared = state.range(1) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<CGridCtrl> grid = FilledGrid(rows, shared);
        state.ResumeTiming();
        grid->SortItems(1, TRUE);
        state.PauseTiming();
        grid.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_GridSortFilled)
    ->ArgsProduct({{10000, 100000, 1000000}, {0, 1}})
    ->ArgNames({"rows", "shared_prefix"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// What a selection holds beside its blocks: its single cells, exceptions and
// blocks.
double HeldOneByOne(const CellMap& map) {
    return double(map.Cells().size() + map.ExceptionCount() + map.Blocks().size());
}

// The heap now, for the memory a step adds.
struct HeapMark {
    size_t at = HeapInUse();
    double MB() const { return (double(HeapInUse()) - double(at)) / 1e6; }
};

// A windowed plain grid of `rows` rows, 5 columns, one fixed row and column.
struct EdgeScene {
    CWnd top;
    CGridCtrl grid;
    explicit EdgeScene(int rows, bool isVirtual = false) {
        top.CreateEx(0, nullptr, u"bench", WS_POPUP | WS_VISIBLE, CRect(0, 0, 1020, 620), nullptr, 0);
        grid.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(10, 10, 1010, 610), &top, 1);
        if (isVirtual) {
            grid.m_bVirtualMode = TRUE;
            grid.m_pfnFill = &Fill;
        }
        grid.SetColumnCount(5);
        grid.SetRowCount(rows);
        grid.SetFixedRowCount(1);
        grid.SetFixedColumnCount(1);
        for (int c = 0; c < 5; ++c) grid.SetColumnWidth(c, 150);
        grid.SendMessage(WM_PAINT);
    }
};

// A data object holding `text` as CF_TEXT.
struct Clip {
    COleDataSource source;
    COleDataObject data;
    explicit Clip(const std::string& text) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size());
        std::copy(text.begin(), text.end(), static_cast<char*>(GlobalLock(block)));
        GlobalUnlock(block);
        source.CacheGlobalData(CF_TEXT, block);
        data.Attach(&source);
    }
};

// 1 MiB of lines of four tab-separated fields.
std::string MebibyteOfLines() {
    std::string text;
    std::mt19937 random(3);
    while (text.size() < (1u << 20)) {
        for (int f = 0; f < 4; ++f) {
            for (int i = 0; i < 7; ++i) text += char('a' + random() % 26);
            text += f < 3 ? '\t' : '\r';
        }
        text += '\n';
    }
    text.resize(1u << 20);
    return text;
}

// A real 1 MiB paste into a 1,000,000-row grid whose every cell is selected:
// "cells" is the cells written (and selected afterwards), "heap_MB" the heap
// the paste left (the written cells' objects and texts), "selection_held" what
// the selection holds one by one.
void BM_GridPasteMebibyteLines(benchmark::State& state) {
    g_scene.reset();
    const std::string text = MebibyteOfLines();
    long long written = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto scene = std::make_unique<EdgeScene>(int(state.range(0)));
        scene->grid.OnEditSelectAll();
        Clip clip(text);
        const HeapMark mark;
        state.ResumeTiming();
        scene->grid.PasteTextToGrid(CCellID(1, 1), &clip.data, TRUE);
        state.PauseTiming();
        const CellRange pasted = scene->grid.GetSelectionBounds();
        written = pasted.Count();
        state.counters["heap_MB"] = mark.MB();
        state.counters["selection_held"] = double(HeldOneByOne(scene->grid.m_mapSelected));
        scene.reset();
        state.ResumeTiming();
    }
    state.counters["cells"] = double(written);
}
BENCHMARK(BM_GridPasteMebibyteLines)->Arg(1000000)->ArgName("rows")->Unit(benchmark::kMillisecond)->Iterations(2);

// 1,000 rows added one at a time (SetRowCount(n + 1)) to a windowed grid just
// made with 10,000 or 1,000,000 rows, cells stored or virtual: "us_per_row" is
// the time of one, "slowest_us" the slowest one (the grid's tables take room
// to spare when a large count is set, and grow by half as much again when it
// runs out).
void BM_GridAddRowsOneByOne(benchmark::State& state) {
    g_scene.reset();
    double seconds = 0;
    double slowest = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto scene = std::make_unique<EdgeScene>(int(state.range(0)), state.range(1) != 0);
        state.ResumeTiming();
        for (int i = 0; i < 1000; ++i) {
            const auto start = std::chrono::steady_clock::now();
            scene->grid.SetRowCount(scene->grid.GetRowCount() + 1);
            const double one = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            seconds += one;
            slowest = std::max(slowest, one);
        }
        state.PauseTiming();
        scene.reset();
        state.ResumeTiming();
    }
    state.counters["us_per_row"] = seconds * 1e6 / (double(state.iterations()) * 1000);
    state.counters["slowest_us"] = slowest * 1e6;
}
BENCHMARK(BM_GridAddRowsOneByOne)
    ->ArgsProduct({{10000, 1000000}, {0, 1}})
    ->ArgNames({"rows", "virtual"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// Every cell of 1,000,000 rows selected, then touched once: 0 a Ctrl+click on
// a selected cell, 1 a Ctrl+click that adds a block, 2 a paste of two lines,
// 3 a header column dragged, 4 half the rows dropped. "selection_MB" is the
// heap the touch added.
void BM_GridSelectionTouched(benchmark::State& state) {
    g_scene.reset();
    const int touch = int(state.range(1));
    for (auto _ : state) {
        state.PauseTiming();
        auto scene = std::make_unique<EdgeScene>(int(state.range(0)));
        CGridCtrl& g = scene->grid;
        g.m_bColumnDragging = true;
        g.OnEditSelectAll();
        Clip clip("a\tb\tc\r\nd\te\tf");
        const HeapMark mark;
        state.ResumeTiming();
        switch (touch) {
        case 0:
            g.m_mapPrevSelected = g.m_mapSelected;
            g.SetSelectedRange(5, 2, 5, 2, FALSE, FALSE);
            break;
        case 1:
            g.m_mapPrevSelected = g.m_mapSelected;
            g.SetSelectedRange(10, 1, 20, 3, FALSE, TRUE);
            break;
        case 2:
            g.PasteTextToGrid(CCellID(1, 1), &clip.data, TRUE);
            break;
        case 3:
            g.m_nCurrentColumn = 2;
            g.m_idDropHighlight = CCellID(0, 4);
            g.OnDrop(nullptr, DROPEFFECT_MOVE, CPoint(0, 0));
            break;
        default:
            g.SetRowCount(g.GetRowCount() / 2);
            break;
        }
        state.PauseTiming();
        state.counters["selection_MB"] = mark.MB();
        state.counters["selected"] = double(g.GetSelectedCount());
        state.counters["selection_held"] = double(HeldOneByOne(g.m_mapSelected));
        scene.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_GridSelectionTouched)
    ->ArgsProduct({{1000000}, {0, 1, 2, 3, 4}})
    ->ArgNames({"rows", "touch"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// A cell holding 1 MiB of text (one line, the default format) painted.
void BM_GridPaintMebibyteCell(benchmark::State& state) {
    g_scene.reset();
    EdgeScene scene(100);
    std::u16string text;
    while (text.size() < (1u << 20)) text += u"192.168.100.1";
    scene.grid.SetItemText(1, 1, text.c_str());
    for (auto _ : state) {
        scene.grid.Invalidate();
        scene.grid.SendMessage(WM_PAINT);
    }
}
BENCHMARK(BM_GridPaintMebibyteCell)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace


int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    platform::StartGui(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_scene.reset();
    platform::StopGui();
    return 0;
}
