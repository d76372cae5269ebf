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
#include "platform/base/codepage.h"
#include "platform/net/inet.h"
#include "platform/runtime/app.h"
#include "platform/stdctrl/button.h"
#include "platform/stdctrl/edit.h"
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
// inside its loop; a dialog left open ends with -5 after a minute (a guard
// against a dialog that never closes: a loaded machine with the sanitizers
// takes more than ten seconds over a megabyte of text).
struct DialogRun {
    std::unique_ptr<CConfig> dlg = std::make_unique<CConfig>();
    std::vector<std::u16string> boxes;  // message boxes shown
    platform::MessageBoxHandler previous;

    // A dialog on the site's settings.
    DialogRun() : DialogRun(*SiteConfig()) {}
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
        guard.start(60000);
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

TEST(ConfigDialog, KeysChooseXAndTickedBoxesStoreOneButNeitherEnterNorEscapeCloses) {
    auto cfg = SiteConfig();
    DialogRun run(*cfg);
    CConfig& d = *run.dlg;
    bool openAfterKeys = false;
    CString chosen;
    const INT_PTR result = run.Run({
        [&] {
            // X from "4" to "5" with the keyboard.
            d.m_comboX.SetFocus();
            PressKey(&d.m_comboX, Qt::Key_Down);
            chosen = ComboText(d.m_comboX);
        },
        [&] { PressKey(run.Item(res::IDC_CONFIG_TITLE), Qt::Key_Return); },
        [&] { PressKey(run.Item(res::IDC_CONFIG_TITLE), Qt::Key_Escape); },
        [&] { openAfterKeys = d.IsWindowVisible() != FALSE; },
        // The boxes as a click leaves them (the grid's own mouse handling toggles them).
        [&] { static_cast<CGridCellCheck*>(d.m_grid.GetCell(5, CConfig::kColShowDirection))->SetCheck(TRUE); },
        [&] { static_cast<CGridCellCheck*>(d.m_grid.GetCell(2, CConfig::kColShowDirection))->SetCheck(FALSE); },
        [&] { run.ClickButton(IDOK); },
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(chosen, u"5");
    EXPECT_TRUE(openAfterKeys) << "Enter and Escape move the focus instead";
    EXPECT_EQ(d.m_config.byGridX, 4) << "\"5\" is stored as 4";
    EXPECT_EQ(d.m_config.aStacks[4].bShowDirection, 1);
    EXPECT_EQ(d.m_config.aStacks[1].bShowDirection, 0);
}

TEST(ConfigDialog, OkRefusesWhatIsNotAPortPeriodOrAddressAndStoresNothing) {
    struct Case {
        int field;  // edit id, or 0 for the address of stack 4
        QString text;
        const char16_t* named;
    } cases[] = {
        {res::IDC_CONFIG_PORT, "0", u"Port"},
        {res::IDC_CONFIG_PORT, "70000", u"Port"},
        {res::IDC_CONFIG_PORT, "22a", u"Port"},
        {res::IDC_CONFIG_PERIOD, "", u"전송 주기"},
        {res::IDC_CONFIG_PERIOD, "86401", u"전송 주기"},
        {res::IDC_CONFIG_PERIOD, "-5", u"전송 주기"},
        {0, "10.0.0.256", u"Stack #4"},
        {0, "abc", u"Stack #4"},
        {0, "10.0.0", u"Stack #4"},
    };
    for (const Case& c : cases) {
        auto cfg = SiteConfig();
        DialogRun run(*cfg);
        CConfig& d = *run.dlg;
        bool stillOpen = false;
        bool selected = false;
        const INT_PTR result = run.Run({
            [&] {
                d.GetDlgItem(res::IDC_CONFIG_TITLE)->SetWindowText(u"Edited");
                if (c.field) d.GetDlgItem(c.field)->SetWindowText(reinterpret_cast<const char16_t*>(c.text.utf16()));
                else d.m_grid.SetItemText(4, CConfig::kColAddress, reinterpret_cast<const char16_t*>(c.text.utf16()));
            },
            [&] { run.ClickButton(IDOK); },
            [&] {
                stillOpen = d.IsWindowVisible() != FALSE;
                if (c.field) {
                    int start = 0, end = 0;
                    static_cast<CEdit*>(d.GetDlgItem(c.field))->GetSel(start, end);
                    selected = CWnd::GetFocus() == d.GetDlgItem(c.field) && start == 0 && end == c.text.size();
                } else {
                    selected = d.m_grid.GetFocusCell() == CCellID(4, CConfig::kColAddress) &&
                               d.m_grid.IsCellSelected(4, CConfig::kColAddress);
                }
            },
            [&] { run.ClickButton(IDCANCEL); },
        });
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_TRUE(stillOpen);
        EXPECT_TRUE(selected);
        ASSERT_EQ(run.boxes.size(), 1u);
        EXPECT_NE(run.boxes[0].find(c.named), std::u16string::npos);
        EXPECT_EQ(std::memcmp(&d.m_config, cfg.get(), sizeof *cfg), 0) << "nothing stored";
    }
}

// A stack name the server record could not carry as it is (its marks ^, { and
// }, or a control character) is refused like the other entries: named, its
// cell selected, nothing stored. Any other name is taken.
TEST(ConfigDialog, OkRefusesAStackNameHoldingARecordMarkOrAControlCharacter) {
    const std::u16string rule =
        u"; a name may hold no ^, { or } (they mark the server record's fields) and no control character.";
    struct Case {
        std::u16string name;
        std::u16string quoted;  // null-free quote in the box; empty: the name is taken
        std::u16string held;
    } cases[] = {
        {u"A^B", u"A^B", u"\"^\""},
        {u"{north", u"{north", u"\"{\""},
        {u"north}", u"north}", u"\"}\""},
        {u"X}\n{20991231235959^EVIL^9.9^9}", u"X}…", u"\"}\""},
        {u"a\x01" u"b", u"a\x01" u"b", u"a control character (U+0001)"},
        {u"tab\there", u"tab\there", u"a control character (U+0009)"},
        {u"del\x7f", u"del\x7f", u"a control character (U+007F)"},
        {u"c1\x85", u"c1\x85", u"a control character (U+0085)"},
        {u"QC 1104-a (b?c)", u"", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.name));
        auto cfg = SiteConfig();
        DialogRun run(*cfg);
        CConfig& d = *run.dlg;
        bool stillOpen = false, selected = false;
        const INT_PTR result = run.Run({
            [&] { d.m_grid.SetItemText(4, CConfig::kColName, c.name.c_str()); },
            [&] { run.ClickButton(IDOK); },
            [&] {
                stillOpen = d.m_hWnd && d.IsWindowVisible() != FALSE;
                selected = stillOpen && d.m_grid.GetFocusCell() == CCellID(4, CConfig::kColName) &&
                           d.m_grid.IsCellSelected(4, CConfig::kColName);
            },
            [&] {
                if (d.m_hWnd) run.ClickButton(IDCANCEL);
            },
        });
        if (c.quoted.empty()) {
            EXPECT_EQ(result, IDOK);
            EXPECT_TRUE(run.boxes.empty());
            EXPECT_EQ(AnsiFieldToWide(d.m_config.aStacks[3].szName, sizeof d.m_config.aStacks[3].szName), c.name);
            continue;
        }
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_TRUE(stillOpen);
        EXPECT_TRUE(selected);
        ASSERT_EQ(run.boxes.size(), 1u);
        EXPECT_EQ(run.boxes[0], u"Stack #4: 호기명 \"" + c.quoted + u"\" holds " + c.held + rule);
        EXPECT_EQ(std::memcmp(&d.m_config, cfg.get(), sizeof *cfg), 0) << "nothing stored";
    }
}

TEST(ConfigDialog, LongTextsAreCutToTheirFieldsAndAGridByteWithoutItemIsKept) {
    auto cfg = SiteConfig();
    cfg->byGridX = 12;  // no such item: the box shows no selection
    cfg->byGridY = 0xFF;
    DialogRun run(*cfg);
    CConfig& d = *run.dlg;
    const std::u16string longTitle(120, u'T');
    const std::u16string longUnit(60, u'U');
    const std::u16string longName(100, u'N');
    int xSel = 0;
    run.Run({
        [&] {
            xSel = d.m_comboX.GetCurSel();
            d.GetDlgItem(res::IDC_CONFIG_TITLE)->SetWindowText(longTitle);
            d.GetDlgItem(res::IDC_CONFIG_UNIT)->SetWindowText(longUnit);
            d.m_grid.SetItemText(1, CConfig::kColName, longName.c_str());
        },
        [&] { run.ClickButton(IDOK); },
    });
    EXPECT_EQ(xSel, CB_ERR);
    EXPECT_EQ(d.m_config.byGridX, 12);
    EXPECT_EQ(d.m_config.byGridY, 0xFF);
    EXPECT_EQ(std::string(d.m_config.szTitle), std::string(79, 'T'));
    EXPECT_EQ(std::string(d.m_config.szSpeedUnit), std::string(39, 'U'));
    EXPECT_EQ(d.m_config.reserved160, cfg->reserved160) << "the field after the unit is untouched";
    EXPECT_EQ(std::string(d.m_config.aStacks[0].szName), std::string(79, 'N'));
    EXPECT_EQ(d.m_config.aStacks[0].reserved84[0], cfg->aStacks[0].reserved84[0]);
}

TEST(ConfigDialog, ColumnThreeTakesWhatTheGridWindowLeaves) {
    struct Case {
        int width;
        int expected;  // -1: the width it had
    } cases[] = {{200, -1}, {264, 0}, {400, 136}};
    for (const Case& c : cases) {
        RegisterOnce();
        auto cfg = SiteConfig();
        CConfig d;
        std::memcpy(&d.m_config, cfg.get(), sizeof *cfg);
        ASSERT_TRUE(d.Create(res::IDD_CONFIG, nullptr));
        CRect rc;
        d.m_grid.GetWindowRect(&rc);
        d.ScreenToClient(&rc);
        d.m_grid.MoveWindow(rc.left, rc.top, c.width, rc.Height());
        const int before = d.m_grid.GetColumnWidth(3);
        d.SetupGrid();
        EXPECT_EQ(d.m_grid.GetColumnWidth(3), c.expected < 0 ? before : c.expected) << c.width;
        EXPECT_EQ(d.m_grid.GetColumnWidth(0), 50);
        EXPECT_EQ(d.m_grid.GetColumnWidth(1), 90);
        EXPECT_EQ(d.m_grid.GetColumnWidth(2), 100);
        d.DestroyWindow();
    }
}

TEST(ConfigDialog, F1OpensTheCalendarOverTheDialog) {
    auto cfg = SiteConfig();
    DialogRun run(*cfg);
    CConfig& d = *run.dlg;
    std::u16string calendarTitle;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        CWnd* active = CWnd::GetActiveWindow();
        if (active && active != &d && calendarTitle.empty()) {
            calendarTitle = active->GetWindowText();
            static_cast<CButton*>(active->GetDlgItem(IDOK))->Click();
        }
    });
    probe.start(20);
    const INT_PTR result = run.Run({
        [&] { PressKey(run.Item(res::IDC_CONFIG_TITLE), Qt::Key_F1); },
        [&] { run.ClickButton(IDCANCEL); },
    });
    EXPECT_EQ(calendarTitle, u"CALENDAR");
    EXPECT_EQ(result, IDCANCEL);
}

TEST(ConfigDialog, AnotherStackCountKeepsTheTableEditsAndRefillsIt) {
    RegisterOnce();
    auto cfg = SiteConfig();
    CConfig d;
    std::memcpy(&d.m_config, cfg.get(), sizeof *cfg);
    ASSERT_TRUE(d.Create(res::IDD_CONFIG, nullptr));
    d.m_grid.SetItemText(2, CConfig::kColName, u"RENAMED");
    d.m_grid.SetItemText(3, CConfig::kColAddress, u"not an address");
    // The box is disabled for the operator; the program's own change of it
    // still runs the handler when the box reports it.
    d.m_comboMaxNo.SetCurSel(4);
    d.SendMessage(WM_COMMAND, MAKEWPARAM(res::IDC_CONFIG_MAXNO, CBN_SELCHANGE),
                  reinterpret_cast<LPARAM>(d.m_comboMaxNo.GetSafeHwnd()));
    EXPECT_EQ(d.m_config.nStackCount, 5);
    EXPECT_EQ(d.m_grid.GetRowCount(), 6);
    EXPECT_EQ(d.m_grid.GetItemText(2, CConfig::kColName), u"RENAMED") << "read back before the refill";
    EXPECT_EQ(d.m_grid.GetItemText(3, CConfig::kColAddress), u"10.0.0.3") << "a text that is no address keeps it";
    EXPECT_STREQ(d.m_config.aStacks[1].szName, "RENAMED");
    for (int r = 1; r <= 5; ++r) EXPECT_NE(dynamic_cast<CGridCellCheck*>(d.m_grid.GetCell(r, 3)), nullptr);
    d.DestroyWindow();
}

TEST(ConfigDialog, AClickTicksABoxAndTypingRenamesAStack) {
    // The table as the operator uses it: a click in stack 5's box ticks it, a
    // click on stack 3's name and a typed "Z" with Enter renames it.
    auto cfg = SiteConfig();
    DialogRun run(*cfg);
    CConfig& d = *run.dlg;
    const auto clickAt = [&](int row, int col, bool inBox) {
        CRect cell;
        ASSERT_TRUE(d.m_grid.GetCellRect(row, col, &cell));
        CPoint at = cell.CenterPoint();
        if (inBox) at = static_cast<CGridCellCheck*>(d.m_grid.GetCell(row, col))->GetCheckPlacement().CenterPoint();
        MousePress(&d.m_grid, at.x, at.y);
        MouseRelease(&d.m_grid, at.x, at.y);
    };
    const INT_PTR result = run.Run({
        [&] { d.m_grid.EnsureVisible(5, CConfig::kColShowDirection); },
        [&] { clickAt(5, CConfig::kColShowDirection, true); },
        [&] { clickAt(3, CConfig::kColName, false); },
        [&] { PressKey(&d.m_grid, Qt::Key_Z, Qt::ShiftModifier); },
        [&] { PressKey(d.m_grid.GetFocus(), Qt::Key_Return); },
        [&] { run.ClickButton(IDOK); },
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(d.m_config.aStacks[4].bShowDirection, 1) << "row 5 is stack 5";
    EXPECT_STREQ(d.m_config.aStacks[2].szName, "Z");
}

TEST(ConfigDialog, BlanksAroundAnEntryAreTakenAlikeAtBothEnds) {
    struct Case {
        const char16_t* address;  // stack 4's
        const char16_t* port;
    } cases[] = {
        {u" 10.0.0.99", u"22701 "},
        {u"10.0.0.99 ", u" 22701"},
        {u"\t 10.0.0.99  ", u"\t22701\t"},
        {u"10.0.0.99\t", u"  22701  "},
    };
    for (const Case& c : cases) {
        DialogRun run;
        CConfig& d = *run.dlg;
        const INT_PTR result = run.Run({
            [&] {
                d.m_grid.SetItemText(4, CConfig::kColAddress, c.address);
                d.GetDlgItem(res::IDC_CONFIG_PORT)->SetWindowText(c.port);
            },
            [&] { run.ClickButton(IDOK); },
        });
        SCOPED_TRACE(QString::fromUtf16(c.address).toStdString());
        EXPECT_EQ(result, IDOK);
        EXPECT_TRUE(run.boxes.empty());
        EXPECT_EQ(d.m_config.aStacks[3].dwIp, inet_addr("10.0.0.99"));
        EXPECT_EQ(d.m_config.nServerPort, 22701);
    }
}

TEST(ConfigDialog, ARefusalQuotesAtMostALineOfTheEntry) {
    const std::u16string sixty(60, u'A');
    const std::u16string megabyte(1 << 20, u'A');
    const std::u16string face = u"\U0001F600";  // two UTF-16 units
    struct Case {
        int field;  // edit id, or 0 for the address of stack 4
        std::u16string text;
        std::u16string quoted;
    } cases[] = {
        {0, megabyte, sixty + u"…"},
        {0, sixty, sixty},
        {0, sixty + u"B", sixty + u"…"},
        {0, u"10.0.0.1\r\n10.0.0.2", u"10.0.0.1…"},
        {0, std::u16string(59, u'A') + face + u"tail", std::u16string(59, u'A') + u"…"},
        {0, std::u16string(58, u'A') + face + u"tail", std::u16string(58, u'A') + face + u"…"},
        {res::IDC_CONFIG_PORT, std::u16string(5000, u'7'), std::u16string(60, u'7') + u"…"},
        {res::IDC_CONFIG_PERIOD, u"한글" + std::u16string(100, u'x'), u"한글" + std::u16string(58, u'x') + u"…"},
    };
    for (const Case& c : cases) {
        DialogRun run;
        CConfig& d = *run.dlg;
        const INT_PTR result = run.Run({
            [&] {
                if (c.field) d.GetDlgItem(c.field)->SetWindowText(c.text);
                else d.m_grid.SetItemText(4, CConfig::kColAddress, c.text.c_str());
            },
            [&] { run.ClickButton(IDOK); },
            [&] { run.ClickButton(IDCANCEL); },
        });
        SCOPED_TRACE(c.text.size());
        EXPECT_EQ(result, IDCANCEL);
        ASSERT_EQ(run.boxes.size(), 1u);
        const std::u16string expected =
            c.field == res::IDC_CONFIG_PORT     ? u"Port \"" + c.quoted + u"\" is not a port number (1 to 65535)."
            : c.field == res::IDC_CONFIG_PERIOD ? u"전송 주기 \"" + c.quoted +
                                                      u"\" is not a whole number of seconds (1 to 86400)."
                                                : u"Stack #4: IP Address \"" + c.quoted +
                                                      u"\" is not an IPv4 address such as 192.168.0.10.";
        EXPECT_EQ(run.boxes[0], expected);
    }
}
