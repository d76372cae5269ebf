// The progress bar: a standard control that shows a position within a range.
#pragma once

#include "platform/window/wnd.h"

constexpr DWORD PBS_SMOOTH = 0x01;
constexpr UINT PBM_SETRANGE = WM_USER + 1;   // lParam: MAKELPARAM(low, high); returns the old range
constexpr UINT PBM_SETPOS = WM_USER + 2;     // returns the old position
constexpr UINT PBM_DELTAPOS = WM_USER + 3;
constexpr UINT PBM_SETSTEP = WM_USER + 4;
constexpr UINT PBM_STEPIT = WM_USER + 5;
constexpr UINT PBM_GETRANGE = WM_USER + 7;   // wParam TRUE: the low end, else the high end
constexpr UINT PBM_GETPOS = WM_USER + 8;

class CProgressCtrl : public CWnd {
public:
    CProgressCtrl();
    ~CProgressCtrl() override;

    void SetRange(short lower, short upper) { SendMessage(PBM_SETRANGE, 0, MAKELPARAM(lower, upper)); }
    void GetRange(int& lower, int& upper) const;
    // The position is kept within the range.
    int SetPos(int pos) { return int(SendMessage(PBM_SETPOS, WPARAM(pos), 0)); }
    int GetPos() const;
    int SetStep(int step) { return int(SendMessage(PBM_SETSTEP, WPARAM(step), 0)); }
    int StepIt() { return int(SendMessage(PBM_STEPIT)); }
    int OffsetPos(int delta) { return int(SendMessage(PBM_DELTAPOS, WPARAM(delta), 0)); }

protected:
    QWidget* CreateWidget(QWidget* parentWidget, bool topLevel) override;
    LRESULT ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    int m_low = 0;
    int m_high = 100;
    int m_pos = 0;
    int m_step = 10;
    void Show();
};
