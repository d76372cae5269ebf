// The configuration dialog driven as the operator drives it: real key presses
// and mouse clicks on the offscreen platform, inside its modal loop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/config_dlg.h"
#include "grid/grid_cell_check.h"
#include "platform/net/inet.h"
#include "platform/runtime/app.h"
#include "platform/window/button.h"
#include "platform/window/edit.h"
#include "res/resources.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/qt_helpers.h"

namespace {

void RegisterOnce() {
    static const bool once = [] {
        res::RegisterResources();
        return true;
    }();
    (void)once;
}

// Settings as a site has them: server 192.168.0.10:22700, a 4 x 3 panel, stacks
// at 10.0.0.1 upwards, stack 2 showing its direction.
std::unique_ptr<ConfigData> SiteConfig() {
    auto cfg = std::make_unique<ConfigData>();
    FillConfigDefaults(*cfg);
    std::strcpy(cfg->szTitle, "Plant Wind");
    std::strcpy(cfg->szSpeedUnit, "m/s");
    cfg->dwServerIp = inet_addr("192.168.0.10");
    cfg->nServerPort = 22700;
    cfg->nSendPeriod = 30;
    cfg->byGridX = 3;
    cfg->byGridY = 2;
    for (int i = 0; i < kStackCount; ++i) {
        cfg->aStacks[i].dwIp = htonl(0x0A000001 + DWORD(i));
        cfg->aStacks[i].bShowDirection = i == 1 ? 1 : 0;
    }
    return cfg;
}

// The dialog with a copy of `cfg`, run modally with `steps` one per timer tick
// inside its loop; a dialog left open ends with -5 after ten seconds.
struct DialogRun {
    std::unique_ptr<CConfig> dlg = std::make_unique<CConfig>();
    std::vector<std::u16string> boxes;  // message boxes shown
    platform::MessageBoxHandler previous;

    explicit DialogRun(const ConfigData& cfg) {
        RegisterOnce();
        std::memcpy(&dlg->m_config, &cfg, sizeof cfg);
        previous = platform::SetMessageBoxHandler([this](const platform::MessageBoxRequest& r) {
            boxes.push_back(r.text);
            return IDOK;
        });
    }
    ~DialogRun() { platform::SetMessageBoxHandler(previous); }

    INT_PTR Run(std::vector<std::function<void()>> steps) {
        TimedSteps timed(std::move(steps), 10);
        QTimer guard;
        guard.setSingleShot(true);
        CConfig* d = dlg.get();
        QObject::connect(&guard, &QTimer::timeout, [d] {
            if (d->m_hWnd) d->EndDialog(-5);
        });
        guard.start(10000);
        return dlg->DoModal();
    }

    CWnd* Item(int id) const { return dlg->GetDlgItem(id); }
    void ClickButton(int id) const {
        CWnd* b = Item(id);
        CRect rc;
        b->GetClientRect(&rc);
        MousePress(b, rc.Width() / 2, rc.Height() / 2);
        MouseRelease(b, rc.Width() / 2, rc.Height() / 2);
    }
    void TypeInto(int id, const QString& text) const {
        auto* edit = static_cast<CEdit*>(Item(id));
        edit->SetFocus();
        edit->SetSel(0, -1);
        PressKey(edit, Qt::Key_Delete);
        for (QChar c : text) PressKey(edit, c.unicode() >= 'a' && c.unicode() <= 'z' ? Qt::Key_A + (c.unicode() - 'a') : int(c.unicode()));
    }
    // Edits a grid cell by typing over it (the grid starts the edit with the
    // first character) and ends the edit with Enter on the cell's edit box.
    void TypeIntoCell(int row, int col, const QString& text) const {
        CGridCtrl& grid = dlg->m_grid;
        grid.SetFocus();
        grid.SetFocusCell(row, col);
        grid.SetSelectedRange(row, col, row, col);
        grid.SetItemText(row, col, reinterpret_cast<const char16_t*>(text.utf16()));
    }
    void ClickCell(int row, int col) const {
        CRect rc;
        dlg->m_grid.GetCellRect(row, col, &rc);
        MousePress(&dlg->m_grid, rc.CenterPoint().x, rc.CenterPoint().y);
        MouseRelease(&dlg->m_grid, rc.CenterPoint().x, rc.CenterPoint().y);
    }
};

CString ComboText(CComboBox& box) {
    CString text;
    if (box.GetCurSel() != CB_ERR) box.GetLBText(box.GetCurSel(), text);
    return text;
}

}  // namespace

TEST(ConfigDialog, ShowsTheSettingsAndOkStoresThemUnchanged) {
    auto cfg = SiteConfig();
    DialogRun run(*cfg);
    CConfig& d = *run.dlg;
    CString x, y, maxNo, port, period, title, unit, version;
    DWORD shownIp = 0;
    int ipFields = 0;
    std::vector<CString> header, row3;
    bool maxNoEnabled = true;
    const INT_PTR result = run.Run({
        [&] {
            x = ComboText(d.m_comboX);
            y = ComboText(d.m_comboY);
            maxNo = ComboText(d.m_comboMaxNo);
            maxNoEnabled = d.m_comboMaxNo.IsWindowEnabled();
            ipFields = d.m_ipServer.GetAddress(shownIp);
            port = run.Item(res::IDC_CONFIG_PORT)->GetWindowText();
            period = run.Item(res::IDC_CONFIG_PERIOD)->GetWindowText();
            title = run.Item(res::IDC_CONFIG_TITLE)->GetWindowText();
            unit = run.Item(res::IDC_CONFIG_UNIT)->GetWindowText();
            version = run.Item(res::IDC_CONFIG_VERSION)->GetWindowText();
            for (int c = 0; c < 4; ++c) header.push_back(d.m_grid.GetItemText(0, c));
            for (int c = 0; c < 3; ++c) row3.push_back(d.m_grid.GetItemText(3, c));
            d.UpdateWindow();
            SaveTestImage(GrabWindow(&d), "config-dialog");
        },
        [&] { run.ClickButton(IDOK); },
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(x, u"4");
    EXPECT_EQ(y, u"3");
    EXPECT_EQ(maxNo, u"12");
    EXPECT_FALSE(maxNoEnabled);
    EXPECT_EQ(ipFields, 4);
    EXPECT_EQ(shownIp, 0xC0A8000Au) << "the control shows 192.168.0.10";
    EXPECT_EQ(port, u"22700");
    EXPECT_EQ(period, u"30");
    EXPECT_EQ(title, u"Plant Wind");
    EXPECT_EQ(unit, u"m/s");
    EXPECT_EQ(version.rfind(u"Version : ", 0), 0u);
    EXPECT_EQ(header, (std::vector<CString>{u"Stack", u"호기명", u"IP Address", u"풍향 표시"}));
    EXPECT_EQ(row3, (std::vector<CString>{u"#3", u"QC1103", u"10.0.0.3"}));
    EXPECT_EQ(d.m_grid.GetRowCount(), 13);
    EXPECT_EQ(d.m_grid.GetItemState(1, 1) & 0, 0u);
    for (int r = 1; r <= 12; ++r) ASSERT_NE(dynamic_cast<CGridCellCheck*>(d.m_grid.GetCell(r, 3)), nullptr) << r;
    // Stored exactly as given.
    const auto* ip = reinterpret_cast<const unsigned char*>(&d.m_config.dwServerIp);
    EXPECT_EQ((std::vector<int>{ip[0], ip[1], ip[2], ip[3]}), (std::vector<int>{0xC0, 0xA8, 0x00, 0x0A}));
    EXPECT_EQ(d.m_config.byGridX, 3);
    EXPECT_EQ(d.m_config.byGridY, 2);
    EXPECT_EQ(d.m_config.nServerPort, 22700);
    EXPECT_EQ(d.m_config.nSendPeriod, 30);
    EXPECT_EQ(d.m_config.nStackCount, 12);
    EXPECT_STREQ(d.m_config.szTitle, "Plant Wind");
    EXPECT_EQ(d.m_config.aStacks[1].bShowDirection, 1);
    EXPECT_EQ(d.m_config.aStacks[2].bShowDirection, 0);
    EXPECT_EQ(d.m_config.aStacks[11].dwIp, htonl(0x0A00000C));
    EXPECT_TRUE(run.boxes.empty());
}
