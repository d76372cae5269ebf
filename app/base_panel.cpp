#include "app/base_panel.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "controls/draw_helpers.h"
#include "controls/fnd.h"
#include "controls/indicator.h"
#include "controls/quor_text.h"
#include "platform/base/codepage.h"
#include "platform/base/wformat.h"

namespace {

// The frame of every indicator and direction label: the button bar's frame blue, darker.
COLORREF StackFrameColour() { return ScaleColor(0xBC7200, -0.2f); }

// Numeric display placement: the value left of the unit, and centred.
constexpr float kShiftWithUnit = -0.25f;

// The text the numeric display makes of `speed`: a new speed that reads the
// same (the wind moved less than the last decimal) needs no paint.
CString ShownText(const CIndicator* ind, float speed) {
    const int decimals = std::clamp(ind->m_pFnd ? ind->m_pFnd->m_nDecimals : 1, 0, 5);
    return FormatNumber(decimals, CString(), double(speed) * ind->m_dScale);
}

}  // namespace

bool StackCellRects(const RECT& panel, int columns, int rows, int i, RECT* indicator, RECT* label) {
    // Without columns or rows there are no cells (and no cell size to divide by).
    if (columns < 1 || rows < 1 || i < 0 || i >= columns * rows) return false;
    const int cellW = (panel.right - panel.left) / columns;
    const int cellH = (panel.bottom - panel.top) / rows;
    const int mx = (cellW / columns) / 2;
    const int my = (cellH / rows) / 2;
    const int r = i / columns, c = i % columns;
    RECT ind;
    ind.left = panel.left + c * cellW + mx / 2;
    ind.right = ind.left - mx + cellW;
    ind.top = panel.top + r * cellH;
    ind.bottom = ind.top + (2 * cellH) / 3 - my;
    if (indicator) *indicator = ind;
    if (label) *label = RECT{ind.left, ind.bottom, ind.right, ind.bottom + cellH / 3};
    return true;
}

CBasePanel::CBasePanel() = default;

CBasePanel::~CBasePanel() { DestroyStacks(); }

int CBasePanel::ConfiguredCount() const {
    if (!m_pConfig) return 0;
    return std::clamp(int(m_pConfig->nStackCount), 0, kMaxStacks);
}

CString CBasePanel::SpeedUnit() const {
    if (!m_pConfig) return {};
    return AnsiFieldToWide(m_pConfig->szSpeedUnit, sizeof m_pConfig->szSpeedUnit);
}

void CBasePanel::CreateStacks() {
    m_nStacks = std::clamp(m_nStacks, 0, kMaxStacks);
    m_ppIndicators = new CIndicator*[m_nStacks]();
    m_ppLabels = new CQuorText*[m_nStacks]();
    const COLORREF frame = StackFrameColour();
    for (int i = 0; i < m_nStacks; ++i) {
        const UINT id = IDC_STACK_INDICATOR + UINT(i);
        auto* ind = new CIndicator;
        ind->CreateEx(0, u"STATIC", u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 0, 0), this, id);
        m_ppIndicators[i] = ind;
        ind->Init(u"", u"", 1, 0, 0, 1, 1);
        if (CFnd* fnd = ind->m_pFnd) {
            fnd->m_dwFlags |= CFnd::kCreated;
            fnd->m_pFamily = m_pSegmentFont;
        }
        ind->m_dTitleHeight = 0.35;
        ind->m_dTitleWidth = 0.01;
        ind->m_dValueWidth = 0.99;
        ind->m_dTitleSize = 0.2;
        ind->m_dValueSize = 0.9;
        ind->m_dUnitSize = 0.2;
        if (CFnd* fnd = ind->m_pFnd) fnd->m_dTextSize = 0.9;
        ind->SetColor(0xFFFFFF);
        ind->m_crBorder = frame;
        ind->m_dwFlags &= ~CIndicator::kColourChoice;
        if (CFnd* fnd = ind->m_pFnd) {
            fnd->m_fShiftX = kShiftWithUnit;
            fnd->m_fCenterY = 0.05f;
        }
        ind->m_nRadius = 0;

        auto* label = new CQuorText;
        label->CreateEx(0, u"STATIC", u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(0, 0, 0, 0), this, id);
        m_ppLabels[i] = label;
        label->Init(0x00FFFF, 0x4080FF, 0, 2);
        if (label->m_dwFlags & CQuorText::kCreated) {
            label->m_crText = 0xFFFFFF;
            label->m_crBox = 0x000000;
            label->m_crTextOutline = 0x000000;
        }
        label->m_dwFlags |= CQuorText::kFrame;
        label->m_nFillMode = 0;
        label->m_crBox = 0x000000;
        label->m_crFrame = frame;
        label->m_fTextScale = 0.7f;
        label->Format(u"0");

        m_bShowDir[i] = 0;
        m_nState[i] = STACK_VALUES;
        m_bAnswered[i] = false;
        m_nShownState[i] = 0;
    }
}

void CBasePanel::DestroyStacks() {
    for (int i = 0; i < m_nStacks; ++i) {
        if (m_ppIndicators) delete m_ppIndicators[i];
        if (m_ppLabels) delete m_ppLabels[i];
    }
    delete[] m_ppIndicators;
    delete[] m_ppLabels;
    m_ppIndicators = nullptr;
    m_ppLabels = nullptr;
}

void CBasePanel::Rebuild(ConfigData* config) {
    m_pConfig = config;
    if (!config) return;
    const int count = ConfiguredCount();
    if (m_nStacks != count) {
        DestroyStacks();
        m_nStacks = count;
        CreateStacks();
    }
    // Laid out anew: what was measured before goes to the server again only
    // after a new answer.
    std::fill(std::begin(m_bAnswered), std::end(m_bAnswered), false);
    const CString unit = SpeedUnit();
    for (int i = 0; i < m_nStacks; ++i) {
        const StackInfo& stack = config->aStacks[i];
        if (CIndicator* ind = m_ppIndicators[i]) {
            ind->SetWindowText(AnsiFieldToWide(stack.szName, sizeof stack.szName));
            if (ind->m_pFnd) ind->m_pFnd->SetUnit(unit);
        }
    }
    LayoutGrid();
    UpdateAll();
}

void CBasePanel::LayoutGrid() {
    if (m_pConfig) {
        // The grid bytes are columns and rows minus one, read as signed bytes.
        const int columns = int(static_cast<signed char>(m_pConfig->byGridX)) + 1;
        const int rows = int(static_cast<signed char>(m_pConfig->byGridY)) + 1;
        const int count = std::min(ConfiguredCount(), m_nStacks);
        for (int i = 0; i < count; ++i) {
            RECT ind, label;
            if (!StackCellRects(m_rcPanel, columns, rows, i, &ind, &label)) continue;
            m_rcIndicator[i] = ind;
            if (m_ppIndicators[i]) m_ppIndicators[i]->MoveWindow(&ind, TRUE);
            m_rcLabel[i] = label;
            if (m_ppLabels[i]) m_ppLabels[i]->Reposition(label);
        }
    }
    if (m_hWnd) RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CBasePanel::UpdateStack(int i, int state) {
    if (i < 0 || i >= m_nStacks || i >= ConfiguredCount() || !m_ppIndicators || !m_ppIndicators[i]) return;
    CIndicator* ind = m_ppIndicators[i];
    CFnd* fnd = ind->m_pFnd;
    CQuorText* label = m_ppLabels[i];
    m_nState[i] = state;
    if (state == STACK_NO_REPLY) {
        m_bAnswered[i] = false;
        m_nShownState[i] = STACK_NO_REPLY;
        ind->SetColor(0xFFFFFF);
        if (fnd) {
            if (!(fnd->m_dwFlags & CFnd::kNoValue)) {
                fnd->m_fShiftX = 0.0f;
                fnd->m_fCenterY = 0.5f;
                fnd->SetUnit(u"");
                fnd->m_dwFlags |= CFnd::kNoValue;
                fnd->m_dwFlags &= ~(CFnd::kError | CFnd::kOver);
            }
            fnd->Invalidate(TRUE);
        }
        if (label) label->Format(u"");
        return;
    }
    // Only what changed is drawn again: a stack answering the same value paints nothing.
    bool changed = m_nShownState[i] != STACK_VALUES ||
                   (std::memcmp(&m_fShownSpeed[i], &m_fSpeed[i], sizeof(float)) != 0 &&
                    ShownText(ind, m_fShownSpeed[i]) != ShownText(ind, m_fSpeed[i]));
    if (fnd) {
        fnd->m_fShiftX = kShiftWithUnit;
        fnd->m_fCenterY = 0.5f;
        const CString unit = SpeedUnit();
        if (fnd->m_strUnit != unit) {
            fnd->SetUnit(unit);
            changed = true;
        }
        if (fnd->m_dwFlags & CFnd::kNoValue) {
            fnd->m_dwFlags &= ~(CFnd::kNoValue | CFnd::kError | CFnd::kOver);
            changed = true;
        }
    }
    ind->SetColor(0xFFFFFF);
    if (changed) ind->SetValue(double(m_fSpeed[i]));
    m_nShownState[i] = STACK_VALUES;
    m_fShownSpeed[i] = m_fSpeed[i];
    if (!label) return;
    if (!m_bShowDir[i]) {
        if (!label->m_strText.empty()) label->Format(u"");
        return;
    }
    CString& text = m_strDirectionText[i];
    if (text.empty() || std::memcmp(&m_fDirectionOfText[i], &m_fDirection[i], sizeof(float)) != 0) {
        text = platform::FormatWide(u"   %1.0f\u00B0", double(m_fDirection[i]));
        m_fDirectionOfText[i] = m_fDirection[i];
    }
    if (text != label->m_strText) label->SetText(text);
}

void CBasePanel::UpdateAll() {
    const int count = std::min(ConfiguredCount(), m_nStacks);
    for (int i = 0; i < count; ++i) UpdateStack(i, m_nState[i]);
}

void CBasePanel::MeasurePanel() {
    RECT rc{};
    GetWindowRect(&rc);
    ScreenToClient(&rc);
    m_rcPanel = rc;
}

BOOL CBasePanel::OnEraseBkgnd(CDC* dc) {
    MeasurePanel();
    if (!dc) return FALSE;
    gfx::Graphics g(dc);
    gfx::SolidBrush brush(Opaque(m_crBack));
    // Left and top are 0: the width and height are the right and bottom.
    g.FillRectangle(&brush, m_rcPanel.left, m_rcPanel.top, m_rcPanel.right, m_rcPanel.bottom);
    return FALSE;
}

BOOL CBasePanel::PreTranslateMessage(MSG* msg) { return CWnd::PreTranslateMessage(msg); }

void CBasePanel::OnSize(UINT, int, int) {
    if (!m_bReady) return;
    MeasurePanel();
    LayoutGrid();
}

LRESULT CBasePanel::OnIndicatorNotify(WPARAM id, LPARAM) {
    const int i = int(id) - int(IDC_STACK_INDICATOR);
    if (i >= 0 && i < ConfiguredCount()) {
        if (CWnd* target = GetNotifyTarget()) target->SendMessage(WM_PANEL_NOTIFY, WPARAM(GetDlgCtrlID()), LPARAM(i));
    }
    return 0;
}

LRESULT CBasePanel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return OnEraseBkgnd(reinterpret_cast<CDC*>(wParam));
    case WM_DESTROY: {
        const LRESULT r = CWnd::WindowProc(message, wParam, lParam);
        DestroyStacks();
        return r;
    }
    case WM_SIZE: {
        const HWND self = m_hWnd;
        CWnd::WindowProc(message, wParam, lParam);
        if (IsWindow(self)) OnSize(UINT(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    }
    case WM_INDICATOR_NOTIFY:
        return OnIndicatorNotify(wParam, lParam);
    default:
        return CWnd::WindowProc(message, wParam, lParam);
    }
}
