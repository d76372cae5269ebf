// A real grid window for the input tests: a top-level window that logs the
// grid's notifications and commands, cells of uniform size with texts "r,c",
// and the mouse and keys delivered as Qt events at client points of the grid.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "grid/grid_ctrl.h"
#include "tests/grid/grid_fixture.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/recording_wnd.h"

namespace grid_test {

struct InputGrid {
    MessageLog log;
    RecordingWnd top{"top", &log};
    CGridCtrl grid;
    std::vector<GridNotifyInfo> notes;
    // Replies to the notification codes (default 0).
    std::map<UINT, LRESULT> replies;

    static constexpr int kEdge = 2;  // the grid's client edge

    InputGrid(int width = 300, int height = 200) {
        top.logOnly = {WM_NOTIFY, WM_COMMAND, WM_NEXTDLGCTL};
        top.handlers[WM_NOTIFY] = [this](WPARAM, LPARAM l) -> LRESULT {
            const auto* hdr = reinterpret_cast<const NMHDR*>(l);
            if (hdr->code == GRIDN_ODCACHEHINT || hdr->code == GRIDN_GETDISPINFO) return 0;
            notes.push_back(*reinterpret_cast<const GridNotifyInfo*>(l));
            auto it = replies.find(hdr->code);
            return it == replies.end() ? 0 : it->second;
        };
        EXPECT_TRUE(top.CreateEx(0, nullptr, u"grid", WS_POPUP | WS_VISIBLE, CRect(40, 40, 80 + width, 80 + height),
                                 nullptr, 0));
        EXPECT_TRUE(grid.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                                CRect(10, 10, 10 + 2 * kEdge + width, 10 + 2 * kEdge + height), &top, 77));
        grid.SetFocus();
    }

    // rows x cols cells of `width` x `height` with texts "r,c".
    void Fill(int rows, int cols, int fixedRows = 1, int fixedCols = 1, int width = 50, int height = 20) {
        grid.SetRowCount(rows);
        grid.SetColumnCount(cols);
        grid.SetFixedRowCount(fixedRows);
        grid.SetFixedColumnCount(fixedCols);
        for (int c = 0; c < cols; ++c) grid.SetColumnWidth(c, width);
        for (int r = 0; r < rows; ++r) {
            grid.SetRowHeight(r, height);
            for (int c = 0; c < cols; ++c) {
                const std::string t = std::to_string(r) + "," + std::to_string(c);
                grid.SetItemText(r, c, std::u16string(t.begin(), t.end()).c_str());
            }
        }
        grid.ResetScrollBars();
        Pump();
    }

    // The client point at the middle of a cell (its left part, over the text).
    CPoint At(int row, int col) {
        CRect r;
        EXPECT_TRUE(grid.GetCellRect(row, col, &r));
        return CPoint(r.left + 8, (r.top + r.bottom) / 2);
    }

    void Mouse(QEvent::Type type, CPoint client, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* w = grid.Widget();
        const QPointF local(client.x + kEdge, client.y + kEdge);
        QMouseEvent e(type, local, w->mapToGlobal(local), button, buttons, mods);
        QApplication::sendEvent(w, &e);
    }
    void Press(CPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        Mouse(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton, mods);
    }
    void Release(CPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        Mouse(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton, mods);
    }
    void Move(CPoint p, bool leftDown) {
        Mouse(QEvent::MouseMove, p, Qt::NoButton, leftDown ? Qt::LeftButton : Qt::NoButton);
    }
    void Click(CPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        Press(p, mods);
        Release(p, mods);
        Pump();
    }
    void DoubleClick(CPoint p) {
        Press(p);
        Release(p);
        Mouse(QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton);
        Release(p);
        Pump();
    }
    void Wheel(int delta) {
        QWidget* w = grid.Widget();
        const QPointF local(30, 30);
        QWheelEvent e(local, w->mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &e);
    }
    // A key with modifiers ends with them let go, as on a keyboard: Qt reports
    // the modifiers of the last key press it was sent, which would otherwise
    // hold Ctrl or Shift down for whatever comes next (a click, an input
    // method's text, the next test). A press that names no key and carries no
    // text sets them back and reaches no window as a message.
    void Key(int qtKey, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        PressKey(&grid, qtKey, mods);
        if (mods != Qt::NoModifier) {
            QKeyEvent letGo(QEvent::KeyPress, 0, Qt::NoModifier);
            QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : grid.Widget(), &letGo);
        }
        Pump();
    }

    std::vector<UINT> Codes() const {
        std::vector<UINT> out;
        for (const auto& n : notes) out.push_back(n.hdr.code);
        return out;
    }
    int CountCode(UINT code) const {
        int n = 0;
        for (const auto& note : notes) n += note.hdr.code == code;
        return n;
    }
    // The cells whose selected bit is set, as "r,c" texts in row order.
    std::vector<std::string> Selected() {
        std::vector<std::string> out;
        for (int r = 0; r < grid.GetRowCount(); ++r)
            for (int c = 0; c < grid.GetColumnCount(); ++c)
                if (grid.IsCellSelected(r, c)) out.push_back(std::to_string(r) + "," + std::to_string(c));
        return out;
    }
    // The in-place editor open on the grid, or null.
    CWnd* Editor() {
        for (CWnd* child : grid.GetChildren())
            if (child->GetDlgCtrlID() == 8 && child->IsWindowVisible()) return child;
        return nullptr;
    }
};

inline std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

}  // namespace grid_test
