#include "tests/display/relay_fixture.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <sstream>

#include "platform/base/sysmetrics.h"
#include "platform/window/dialog.h"
#include "res/resources.h"

namespace display_test {

namespace {
bool Red(QRgb p) { return qRed(p) > 200 && qGreen(p) < 90 && qBlue(p) < 90; }

}  // namespace

::testing::AssertionResult LaidOut(const QImage& shot, QRect c) {
    std::ostringstream why;
    // The red EXIT symbol stands in the bar's last segment, at the window's right end.
    long sx = 0, sy = 0, n = 0;
    for (int y = c.top(); y < c.top() + 90 && y <= c.bottom(); ++y)
        for (int x = std::max(c.left(), c.right() - 300); x <= c.right(); ++x)
            if (Red(shot.pixel(x, y))) sx += x, sy += y, ++n;
    const int exitLeft = c.right() - 82, exitRight = c.right() - 12;
    if (n < 50) why << "no red EXIT symbol at the window's right end; ";
    else if (sx / n < exitLeft || sx / n > exitRight || sy / n < c.top() + 8 || sy / n > c.top() + 78)
        why << "the EXIT symbol is at " << sx / n << "," << sy / n << ", not in x " << exitLeft << ".." << exitRight
            << ", y " << c.top() + 8 << ".." << c.top() + 78 << "; ";
    // The background shows above the title row, in the gap under it, along both
    // sides and along the bottom: a shifted layout or an unpainted part breaks it.
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const QRgb grey = qRgb(GetRValue(face), GetGValue(face), GetBValue(face));
    int wrong = 0, greyPixels = 0;
    auto expect = [&](int x, int y) {
        if (shot.pixel(x, y) != kBackground && wrong++ < 3)
            why << "pixel " << x << "," << y << " is " << std::hex << shot.pixel(x, y) << std::dec << "; ";
    };
    for (int x = c.left(); x <= c.right(); ++x) {
        expect(x, c.top() + 2);
        expect(x, c.top() + 83);
        expect(x, c.bottom());
    }
    for (int y = c.top(); y <= c.bottom(); ++y) {
        expect(c.left(), y);
        expect(c.right(), y);
    }
    // An unpainted part shows the system's face colour in whole blocks (text
    // smoothing makes that grey too, but never in a block). The server lamp
    // stands on the face colour itself.
    const QRect lamp(c.left() + c.width() + 8 - 264, c.top() + 8, 52, 74);
    for (int y = c.top(); y + 8 <= c.bottom(); y += 8)
        for (int x = c.left(); x + 8 <= c.right(); x += 8) {
            if (lamp.intersects(QRect(x, y, 8, 8))) continue;
            bool all = true;
            for (int dy = 0; dy < 8 && all; ++dy)
                for (int dx = 0; dx < 8 && all; ++dx) all = shot.pixel(x + dx, y + dy) == grey;
            greyPixels += all ? 64 : 0;
        }
    if (wrong) why << wrong << " pixels are not the background; ";
    if (greyPixels) why << greyPixels << " unpainted (light grey) pixels; ";
    // The last row of cards ends above the panel's bottom, 22 pixels above the window's.
    const int column = c.left() + 3 * c.width() / 8;
    int lowest = c.bottom();
    while (lowest > c.top() && shot.pixel(column, lowest) == kBackground) --lowest;
    if (lowest > c.bottom() - 22 || lowest < c.bottom() - 22 - 150)
        why << "the last row of cards ends at " << lowest << ", not above " << c.bottom() - 22 << "; ";
    if (why.str().empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << why.str();
}

QPoint BarSegment(const QRect& c, int segment) {
    const int barLeft = c.left() + c.width() + 8 - 10 - kBarWidth;  // R - 10 - 212, R = width + 8
    return QPoint(barLeft + 70 * segment + 35, c.top() + 43);
}

// A point of the configuration dialog, from its template: the template's
// dialog units scale to the client rectangle the window manager shows.
QPoint InDialog(const QRect& client, int xDlu, int yDlu) {
    res::RegisterConfigTemplate();
    const DialogTemplate* t = platform::FindDialogTemplate(137);
    return client.topLeft() + QPoint(xDlu * client.width() / t->cx, yDlu * client.height() / t->cy);
}

QPoint ItemCentre(const QRect& client, const std::u16string& className, int nth) {
    res::RegisterConfigTemplate();
    for (const DialogItemTemplate& item : platform::FindDialogTemplate(137)->items)
        if (item.className == className && nth-- == 0) return InDialog(client, item.x + item.cx / 2, item.y + item.cy / 2);
    return QPoint();
}

// The table's visible rows (top and bottom of each, on the screen) and its
// name and address columns, found by the pale yellow of their cells.

std::optional<Table> FindTable(const QImage& shot, const QRect& dialog) {
    QRect box;
    for (int y = dialog.top(); y <= dialog.bottom(); ++y)
        for (int x = dialog.left(); x <= dialog.right(); ++x)
            if (shot.pixel(x, y) == kCell) box |= QRect(x, y, 1, 1);
    if (box.width() < 40) return std::nullopt;
    Table t;
    // Columns along the top pixel row of the first cell, rows down the address column.
    const int y0 = box.top() + 1;
    for (int x = box.left(); x <= box.right();) {
        if (shot.pixel(x, y0) != kCell) { ++x; continue; }
        const int start = x;
        while (x <= box.right() && shot.pixel(x, y0) == kCell) ++x;
        (t.name.second == 0 ? t.name : t.address) = {start, x - 1};
        if (t.address.second) break;
    }
    const int x0 = t.address.first + 2;
    for (int y = box.top(); y <= box.bottom();) {
        if (shot.pixel(x0, y) != kCell) { ++y; continue; }
        const int start = y;
        while (y <= box.bottom() && shot.pixel(x0, y) == kCell) ++y;
        if (y - start > 8) t.rows.push_back({start, y - 1});
    }
    if (!t.address.second || t.rows.size() < 3) return std::nullopt;
    return t;
}

namespace {
// Whether two screens differ by more than a text field's caret: the pixels
// that differ span more than a thin upright line. An edit's caret blinks, so
// a screen with one never stays the same for long.
bool Differs(const QImage& a, const QImage& b, const QRect& area) {
    if (a.isNull() || b.isNull() || a.size() != b.size()) return a.isNull() != b.isNull() || a.size() != b.size();
    const QRect r = area.intersected(a.rect());
    int left = INT_MAX, right = -1, top = INT_MAX, bottom = -1;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const auto* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = r.left(); x <= r.right(); ++x)
            if (pa[x] != pb[x]) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    }
    return right >= 0 && (right - left > 2 || bottom - top > 40);
}
}  // namespace

QImage ShotAfterChange(XDisplay& x, const QImage& before, const QRect& area, int timeoutMs, int quietMs) {
    using Clock = std::chrono::steady_clock;
    QImage last = x.Shot();
    Clock::time_point since = Clock::now();  // when the screen last changed
    WaitFor(
        [&] {
            QImage now = x.Shot();
            if (Differs(now, last, area)) since = Clock::now();
            const bool settled = Differs(now, before, area) && !Differs(now, last, area) &&
                                 Clock::now() - since >= std::chrono::milliseconds(quietMs);
            last = std::move(now);
            return settled;
        },
        timeoutMs);
    return last;
}

QImage Cell(const QImage& shot, const Table& t, std::size_t row, const std::pair<int, int>& column) {
    return shot.copy(QRect(QPoint(column.first, t.rows[row].first), QPoint(column.second, t.rows[row].second)));
}

void ConfigDialogBase::OpenDialog(const RelaySettings& settings) {
    NEED_X(x);
    relay = std::make_unique<Relay>(x, settings);
    main = relay->WaitLaidOut();
    ASSERT_TRUE(main) << "no window; stderr: " << relay->Stderr();
    ClickConfig();
}

void ConfigDialogBase::ClickConfig() {
    const QPoint config = BarSegment(main->client, 1);
    x.Click(config.x(), config.y());
    dialog = relay->WaitOther(main->id);
    ASSERT_TRUE(dialog) << "CONFIG opened nothing";
    d = dialog->client;
    ASSERT_TRUE(WaitFor([&] { return FindTable(x.Shot(), d).has_value(); }, 5000)) << "no table";
}

void ConfigDialogBase::TypePortAndOk(const std::string& text) {
    const QPoint port = ItemCentre(d, u"Edit", 2);
    x.Click(port.x(), port.y());
    x.Key("End");
    for (int i = 0; i < 6; ++i) x.Key("BackSpace");
    x.Type(text);
    const QPoint ok = ItemCentre(d, u"Button", 4);  // after the three group boxes: OK
    x.Click(ok.x(), ok.y());
}

std::optional<TopWindow> ConfigDialogBase::WaitRefusal() {
    std::optional<TopWindow> refusal;
    WaitFor(
        [&] {
            for (const TopWindow& w : x.Windows())
                if (w.id != main->id && w.id != dialog->id) refusal = w;
            return refusal.has_value();
        },
        8000);
    return refusal;
}

void ConfigTableBase::FindTheTable() {
    table = FindTable(x.Shot(), d);
    ASSERT_TRUE(table);
}

QPoint ConfigTableBase::NameCell(std::size_t row) const {
    return QPoint((table->name.first + table->name.second) / 2, (table->rows[row].first + table->rows[row].second) / 2);
}

QPoint ConfigTableBase::RowHeader(std::size_t row) const {
    return QPoint(table->name.first - 12, (table->rows[row].first + table->rows[row].second) / 2);
}

std::string SettingsField(const std::vector<unsigned char>& bytes, std::size_t offset, std::size_t size) {
    std::string s;
    for (std::size_t i = offset; i < offset + size && i < bytes.size() && bytes[i]; ++i) s += char(bytes[i]);
    return s;
}

std::size_t NameOffset(int stack) { return RelaySettings::kStack0 + std::size_t(stack) * RelaySettings::kStackSize + 4; }

}  // namespace display_test
