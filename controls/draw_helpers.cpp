#include "controls/draw_helpers.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/runtime/app.h"
#include "platform/base/codepage.h"
#include "platform/base/wformat.h"

// ---------------------------------------------------------------------------
// _CQuorMemDC

_CQuorMemDC::_CQuorMemDC(CDC* target, const CRect* rect) : CBufferedDC(target) {
    if (!target) return;  // nothing to draw on, nothing to copy
    if (rect) m_rect = *rect;
    else target->GetClipBox(&m_rect);
    if (!m_bMemDC) return;  // printing: drawn straight onto the target
    CRect device = m_rect;
    target->LPtoDP(&device);
    CRect logical = device;
    target->DPtoLP(&logical);
    BeginBuffer(logical, device.Width(), device.Height());
    SetMapMode(target->GetMapMode());
    SetWindowExt(target->GetWindowExt());
    SetViewportExt(target->GetViewportExt());
    SetWindowOrg(m_rect.left, m_rect.top);
}

// ---------------------------------------------------------------------------
// Message boxes

void MessageBoxFormatA(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    const std::size_t n = platform::FormatNarrowV(buffer, sizeof buffer, format, args);
    va_end(args);
    const std::u16string text = AnsiToWide(std::string_view(buffer, n));
    AfxMessageBox(text.c_str(), 0, 0);
}

int MessageBoxFormatW(const char16_t* format, ...) {
    char16_t buffer[1024];
    va_list args;
    va_start(args, format);
    platform::FormatWideV(buffer, 1024, format, args);
    va_end(args);
    return AfxMessageBox(buffer, 0, 0);
}

// ---------------------------------------------------------------------------
// Number text

namespace {

std::string PlainFixed(int decimals, double value) {
    return platform::FormatNarrow("%.*f", std::clamp(decimals, 0, 20), value);
}

// The locale call's number layout: round the "%f" text at `decimals` places
// (half away from zero, on the digits), group, no leading zero before the
// point, a blank where the empty currency symbol goes. Empty when it fails.
std::u16string LocaleLayout(int decimals, const std::u16string& separator, const std::string& fixed) {
    if (decimals < 0 || decimals > 9) return std::u16string();
    std::size_t i = 0;
    const bool negative = !fixed.empty() && fixed[0] == '-';
    if (negative) ++i;
    std::string whole, fraction;
    while (i < fixed.size() && fixed[i] >= '0' && fixed[i] <= '9') whole.push_back(fixed[i++]);
    if (i < fixed.size() && fixed[i] == '.') {
        ++i;
        while (i < fixed.size() && fixed[i] >= '0' && fixed[i] <= '9') fraction.push_back(fixed[i++]);
    }
    if (i != fixed.size() || whole.empty()) return std::u16string();
    const bool roundUp = fraction.size() > std::size_t(decimals) && fraction[std::size_t(decimals)] >= '5';
    fraction.resize(std::size_t(decimals), '0');
    if (roundUp) {
        std::string digits = whole + fraction;
        int k = int(digits.size()) - 1;
        while (k >= 0 && digits[std::size_t(k)] == '9') digits[std::size_t(k--)] = '0';
        if (k >= 0) ++digits[std::size_t(k)];
        else digits.insert(digits.begin(), '1');
        whole = digits.substr(0, digits.size() - fraction.size());
        fraction = digits.substr(digits.size() - fraction.size());
    }
    while (whole.size() > 1 && whole[0] == '0') whole.erase(whole.begin());
    std::u16string out;
    if (negative) out.push_back(u'-');
    if (!(whole == "0" && decimals > 0)) {
        for (std::size_t k = 0; k < whole.size(); ++k) {
            if (k > 0 && (whole.size() - k) % 3 == 0) out += separator;
            out.push_back(char16_t(whole[k]));
        }
    }
    if (decimals > 0) {
        out.push_back(u'.');
        for (char c : fraction) out.push_back(char16_t(c));
    }
    out.push_back(u' ');
    // The output buffer holds 120 characters with the terminator.
    if (out.size() > 119) return std::u16string();
    return out;
}

}  // namespace

CString FormatNumber(int decimals, CString thousandsSeparator, double value) {
    std::u16string result;
    if (std::isfinite(value)) {
        result = LocaleLayout(decimals, thousandsSeparator, platform::FormatNarrow("%f", value));
    }
    if (result.empty()) {
        // The locale call would have failed: plain digits instead.
        const std::string plain = PlainFixed(decimals, value);
        return CString(plain.begin(), plain.end());
    }
    if (result[0] == u'.') result.insert(result.begin(), u'0');
    if (result.back() == u' ') result.pop_back();
    if (result.size() >= 2 && result[0] == u'-' && result[1] == u'.') result = u"-0" + result.substr(1);
    return result;
}

// ---------------------------------------------------------------------------
// Colour arithmetic

namespace {
int Clamp255(int v) { return std::clamp(v, 0, 255); }
}  // namespace

COLORREF OffsetColor(COLORREF c, int delta) {
    auto ch = [&](BYTE v) { return BYTE(Clamp255(int(v) + std::clamp(delta, -256, 256))); };
    return RGB(ch(GetRValue(c)), ch(GetGValue(c)), ch(GetBValue(c)));
}

COLORREF ScaleColor(COLORREF c, float factor) {
    auto ch = [&](BYTE channel) -> BYTE {
        const float v = channel == 0 ? 10.0f : float(channel);
        const float product = v * factor;
        const float x = product + v;
        if (!(x > 0.0f)) return 0;  // also NaN
        if (x >= 255.0f) return 255;
        return BYTE(int(x));
    };
    return RGB(ch(GetRValue(c)), ch(GetGValue(c)), ch(GetBValue(c)));
}

COLORREF InvertColor(COLORREF c) {
    return RGB(BYTE(255 - GetRValue(c)), BYTE(255 - GetGValue(c)), BYTE(255 - GetBValue(c)));
}

COLORREF AverageGray(COLORREF c) {
    const COLORREF g = (COLORREF(GetRValue(c)) + GetGValue(c) + GetBValue(c)) / 3;
    return g * 0x010101u;
}

COLORREF LumaGray(COLORREF c) {
    const double l = GetGValue(c) * 0.59 + GetRValue(c) * 0.3 + GetBValue(c) * 0.11 + 0.5;
    const COLORREF v = std::min<COLORREF>(COLORREF(l), 200);
    return v * 0x010101u;
}

gfx::ARGB ColorToArgb(BYTE alpha, COLORREF c) {
    return gfx::Color::FromCOLORREF(c, alpha).GetValue();
}
