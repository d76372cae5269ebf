// The grid window's paints: a 100 x 20 grid with a fixed header row and column
// in a 1000 x 600 window, painted whole, and painted again after scrolling by a
// line and by a page. Times are per paint; "cells" counts the cells drawn per
// paint. The window layer paints the whole client area on every paint, so a
// scroll by a line draws every visible cell again.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "grid/grid_ctrl.h"
#include "platform/runtime/app.h"
#include "platform/window/wnd.h"

namespace {

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

struct Scene {
    CWnd top;
    CGridCtrl grid;
    Scene() {
        top.CreateEx(0, nullptr, u"bench", WS_POPUP | WS_VISIBLE, CRect(0, 0, 1020, 620), nullptr, 0);
        grid.SetDefaultCellType(RUNTIME_CLASS(CountingCell));
        grid.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(10, 10, 1010, 610), &top, 1);
        grid.SetRowCount(100);
        grid.SetColumnCount(20);
        grid.SetFixedRowCount(1);
        grid.SetFixedColumnCount(1);
        for (int r = 0; r < 100; ++r)
            for (int c = 0; c < 20; ++c) {
                const std::string t = "R" + std::to_string(r) + "C" + std::to_string(c);
                grid.SetItemText(r, c, std::u16string(t.begin(), t.end()).c_str());
            }
        for (int c = 0; c < 20; ++c) grid.SetColumnWidth(c, 70);
        for (int r = 0; r < 100; ++r) grid.SetRowHeight(r, 20);
        grid.ResetScrollBars();
        grid.SendMessage(WM_PAINT);
    }
};

Scene* g_scene = nullptr;

void Report(benchmark::State& state, long long cells) {
    state.counters["cells"] = benchmark::Counter(double(cells), benchmark::Counter::kAvgIterations);
}

void BM_GridFullPaint(benchmark::State& state) {
    CGridCtrl& grid = g_scene->grid;
    const long long before = g_cellsDrawn;
    for (auto _ : state) {
        grid.Invalidate();
        grid.SendMessage(WM_PAINT);
    }
    Report(state, g_cellsDrawn - before);
}
BENCHMARK(BM_GridFullPaint)->Unit(benchmark::kMicrosecond);

// Scrolls down and back up by one step of `code`, painting after each step.
void ScrollAndPaint(benchmark::State& state, UINT down, UINT up) {
    CGridCtrl& grid = g_scene->grid;
    grid.SendMessage(WM_VSCROLL, SB_TOP, 0);
    grid.SendMessage(WM_PAINT);
    const long long before = g_cellsDrawn;
    bool forward = true;
    for (auto _ : state) {
        grid.SendMessage(WM_VSCROLL, forward ? down : up, 0);
        grid.SendMessage(WM_PAINT);
        forward = !forward;
    }
    Report(state, g_cellsDrawn - before);
}

void BM_GridLineScrollPaint(benchmark::State& state) { ScrollAndPaint(state, SB_LINEDOWN, SB_LINEUP); }
BENCHMARK(BM_GridLineScrollPaint)->Unit(benchmark::kMicrosecond);

void BM_GridPageScrollPaint(benchmark::State& state) { ScrollAndPaint(state, SB_PAGEDOWN, SB_PAGEUP); }
BENCHMARK(BM_GridPageScrollPaint)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    platform::StartGui(argc, argv);
    {
        Scene scene;
        g_scene = &scene;
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        g_scene = nullptr;
    }
    platform::StopGui();
    return 0;
}
