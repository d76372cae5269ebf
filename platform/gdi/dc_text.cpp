// Text output of device contexts: DrawText's layout rules, TextOut and measuring.
#include <QFontMetrics>
#include <QString>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/gdi/dc.h"
#include "platform/gdi/dc_impl.h"

using namespace platform::detail;

namespace {

QString ToQ(LPCWSTR text, int count) {
    if (!text) return QString();
    if (count < 0) {
        count = 0;
        while (text[count]) ++count;
    }
    return QString::fromUtf16(text, count);
}

const QFont& CurrentFont(const DCImpl* d) { return d->state.fontData->Font(); }
int Escapement(const DCImpl* d) { return int(d->state.fontData->logFont.lfEscapement); }

// '&' marks the next character as a mnemonic; "&&" stands for '&'.
QString StripPrefix(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'&') {
            if (i + 1 < s.size() && s[i + 1] == u'&') {
                out += u'&';
                ++i;
            }
            continue;
        }
        out += s[i];
    }
    return out;
}

QString ExpandTabs(const QString& s) {
    QString out;
    for (QChar c : s) {
        if (c == u'\t') {
            const qsizetype n = 8 - out.size() % 8;
            out += QString(n, u' ');
        } else {
            out += c;
        }
    }
    return out;
}

// Splits a paragraph into lines no wider than `width`, breaking after blanks; a
// word wider than the line stands alone (broken by characters with `breakWords`).
std::vector<QString> WrapParagraph(const QString& text, int width, const QFontMetrics& fm, bool breakWords) {
    std::vector<QString> lines;
    if (fm.horizontalAdvance(text) <= width || text.isEmpty()) {
        lines.push_back(text);
        return lines;
    }
    QString current;
    qsizetype i = 0;
    while (i < text.size()) {
        // Next word with its trailing blanks.
        qsizetype j = i;
        while (j < text.size() && text[j] != u' ') ++j;
        while (j < text.size() && text[j] == u' ') ++j;
        const QString word = text.mid(i, j - i);
        const QString candidate = current + word;
        if (fm.horizontalAdvance(candidate.trimmed()) <= width || current.isEmpty()) {
            if (current.isEmpty() && fm.horizontalAdvance(word.trimmed()) > width && breakWords) {
                QString piece;
                for (QChar c : word) {
                    if (!piece.isEmpty() && fm.horizontalAdvance(piece + c) > width) {
                        lines.push_back(piece);
                        piece.clear();
                    }
                    piece += c;
                }
                current = piece;
            } else {
                current = candidate;
            }
        } else {
            lines.push_back(current);
            current = word;
        }
        i = j;
    }
    if (!current.isEmpty()) lines.push_back(current);
    for (QString& l : lines) {
        while (l.endsWith(u' ')) l.chop(1);
    }
    return lines;
}

// The longest start of `text` that fits `width` with "..." after it.
QString EndEllipsis(const QString& text, int width, const QFontMetrics& fm) {
    const QString dots = QStringLiteral("...");
    if (fm.horizontalAdvance(text) <= width) return text;
    qsizetype n = text.size();
    while (n > 0 && fm.horizontalAdvance(text.left(n) + dots) > width) --n;
    return text.left(n) + dots;
}

QString PathEllipsis(const QString& text, int width, const QFontMetrics& fm) {
    const QString dots = QStringLiteral("...");
    if (fm.horizontalAdvance(text) <= width) return text;
    const qsizetype slash = std::max(text.lastIndexOf(u'\\'), text.lastIndexOf(u'/'));
    const QString tail = slash >= 0 ? text.mid(slash) : QString();
    QString head = slash >= 0 ? text.left(slash) : text;
    while (!head.isEmpty() && fm.horizontalAdvance(head + dots + tail) > width) head.chop(1);
    if (head.isEmpty() && tail.isEmpty()) return EndEllipsis(text, width, fm);
    return head + dots + tail;
}

// Font sizes are logical: under a mapping mode that scales (a printer's page),
// text is drawn at the device size the mapping gives it. Whether it does, and
// that font.
bool ScalesText(const DCImpl* d, const QFont& font) {
    const double scale = d->ScaleY();
    return scale != 1.0 && scale > 0.0 && font.pixelSize() > 0;
}
QFont DeviceFont(const DCImpl* d, const QFont& font) {
    QFont scaled = font;
    scaled.setPixelSize(std::max(1, int(std::lround(font.pixelSize() * d->ScaleY()))));
    return scaled;
}

// The width `text` takes on the device, in logical units. A font's advances
// do not scale with its size (they are rounded, and hinted, at each size), so
// the text drawn at the device size can be wider or narrower than the logical
// font's width scaled; aligning by the logical width would push a
// right-aligned text's end past its rectangle, where the clip cuts it off.
int DrawnWidth(const DCImpl* d, const QFont& font, const QFontMetrics& fm, const QString& text) {
    const double sx = std::abs(d->ScaleX());
    if (!ScalesText(d, font) || sx <= 0.0) return fm.horizontalAdvance(text);
    const QFontMetrics device(DeviceFont(d, font));
    return int(std::ceil(device.horizontalAdvance(text) / sx));
}

void DrawLine(QPainter* p, const DCImpl* d, const QFont& font, const QFontMetrics& fm, QPoint at,
              const QString& text, int lineHeight) {
    if (text.isEmpty()) return;
    if (ScalesText(d, font)) {
        const double scale = d->ScaleY();
        const QFont scaled = DeviceFont(d, font);
        const QFontMetrics scaledMetrics(scaled);
        const DCImpl* dd = d;
        const int esc = Escapement(dd);
        p->save();
        if (esc != 0) {
            p->translate(at);
            p->rotate(-esc / 10.0);
            at = QPoint(0, 0);
        }
        if (dd->state.bkMode == OPAQUE)
            p->fillRect(QRect(at.x(), at.y(), scaledMetrics.horizontalAdvance(text),
                              int(std::lround(lineHeight * scale))),
                        QtColour(dd->state.bkColour));
        p->setFont(scaled);
        p->setPen(QtColour(dd->state.textColour));
        p->drawText(QPoint(at.x(), at.y() + scaledMetrics.ascent()), text);
        p->restore();
        return;
    }
    const int esc = Escapement(d);
    p->save();
    if (esc != 0) {
        p->translate(at);
        p->rotate(-esc / 10.0);
        at = QPoint(0, 0);
    }
    if (d->state.bkMode == OPAQUE)
        p->fillRect(QRect(at.x(), at.y(), fm.horizontalAdvance(text), lineHeight), QtColour(d->state.bkColour));
    p->setFont(font);
    p->setPen(QtColour(d->state.textColour));
    p->drawText(QPoint(at.x(), at.y() + fm.ascent()), text);
    p->restore();
}

}  // namespace

int CDC::DrawText(const std::u16string& text, LPRECT rect, UINT format) {
    return DrawText(text.c_str(), int(text.size()), rect, format);
}

int CDC::DrawText(LPCWSTR text, int count, LPRECT rect, UINT format) {
    if (!m_hDC || !rect || !text) return 0;
    DCImpl* d = m_hDC;
    const QFont& font = CurrentFont(d);
    const QFontMetrics fm(font);
    const int lineHeight = fm.height() + ((format & DT_EXTERNALLEADING) ? fm.leading() : 0);

    QString s = ToQ(text, count);
    if (!(format & DT_NOPREFIX)) s = StripPrefix(s);
    if (format & DT_EXPANDTABS) s = ExpandTabs(s);

    const int width = int(rect->right - rect->left);
    std::vector<QString> lines;
    if (format & DT_SINGLELINE) {
        s.remove(u'\r');
        s.replace(u'\n', QString());
        lines.push_back(s);
    } else {
        s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        s.replace(u'\r', u'\n');
        const QStringList paragraphs = s.split(u'\n');
        for (const QString& para : paragraphs) {
            if (format & DT_WORDBREAK) {
                for (QString& l : WrapParagraph(para, width, fm, (format & DT_EDITCONTROL) != 0))
                    lines.push_back(std::move(l));
            } else {
                lines.push_back(para);
            }
        }
    }
    if (lines.empty()) lines.push_back(QString());

    const int textHeight = lineHeight * int(lines.size());
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const QString& l : lines) widest = std::max(widest, DrawnWidth(d, font, fm, l));
        rect->right = rect->left + widest;
        rect->bottom = rect->top + textHeight;
        return textHeight;
    }

    const bool single = (format & DT_SINGLELINE) != 0;
    int y = int(rect->top);
    if (single && (format & DT_VCENTER)) y = int(rect->top) + (int(rect->bottom - rect->top) - lineHeight) / 2;
    else if (single && (format & DT_BOTTOM)) y = int(rect->bottom) - lineHeight;

    QPainter* p = d->Painter();
    if (!p) return textHeight;
    const QRect deviceRect = d->ToDevice(*rect);
    p->save();
    if (!(format & DT_NOCLIP)) p->setClipRect(deviceRect, p->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    for (size_t i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS)) line = EndEllipsis(line, width, fm);
        else if (format & DT_PATH_ELLIPSIS) line = PathEllipsis(line, width, fm);
        const int w = DrawnWidth(d, font, fm, line);
        int x = int(rect->left);
        if (format & DT_CENTER) x = int(rect->left) + (width - w) / 2;
        else if (format & DT_RIGHT) x = int(rect->right) - w;
        DrawLine(p, d, font, fm, d->ToDevice(x, y + int(i) * lineHeight), line, lineHeight);
    }
    p->restore();
    if (single && (format & (DT_VCENTER | DT_BOTTOM))) return y - int(rect->top) + lineHeight;
    return textHeight;
}

BOOL CDC::TextOut(int x, int y, const std::u16string& text) {
    return TextOut(x, y, text.c_str(), int(text.size()));
}

BOOL CDC::TextOut(int x, int y, LPCWSTR text, int count) {
    return ExtTextOut(x, y, 0, nullptr, text, count < 0 ? 0u : UINT(count), nullptr);
}

BOOL CDC::ExtTextOut(int x, int y, UINT options, LPCRECT rect, LPCWSTR text, UINT count, const int* dx) {
    if (!m_hDC) return FALSE;
    DCImpl* d = m_hDC;
    QPainter* p = d->Painter();
    if (!p) return FALSE;
    if (rect && (options & ETO_OPAQUE)) p->fillRect(d->ToDevice(*rect), QtColour(d->state.bkColour));
    if (!text || count == 0) return TRUE;
    const QFont& font = CurrentFont(d);
    const QFontMetrics fm(font);
    const QString s = QString::fromUtf16(text, qsizetype(count));
    int width = 0;
    if (dx) for (UINT i = 0; i < count; ++i) width += dx[i];
    else width = DrawnWidth(d, font, fm, s);
    const UINT align = d->state.textAlign;
    if (align & TA_UPDATECP) {
        x = d->state.position.x();
        y = d->state.position.y();
    }
    const UINT h = align & TA_CENTER;
    if (h == TA_CENTER) x -= width / 2;
    else if (h == TA_RIGHT) x -= width;
    const UINT v = align & TA_BASELINE;
    if (v == TA_BASELINE) y -= fm.ascent();
    else if (v == TA_BOTTOM) y -= fm.height();
    if ((align & TA_UPDATECP) && h != TA_CENTER)
        d->state.position.setX(h == TA_RIGHT ? d->state.position.x() - width : d->state.position.x() + width);

    p->save();
    if (rect && (options & ETO_CLIPPED))
        p->setClipRect(d->ToDevice(*rect), p->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    if (!dx) {
        DrawLine(p, d, font, fm, d->ToDevice(x, y), s, fm.height());
    } else {
        int pos = x;
        for (UINT i = 0; i < count; ++i) {
            DrawLine(p, d, font, fm, d->ToDevice(pos, y), QString(QChar(text[i])), fm.height());
            pos += dx[i];
        }
    }
    p->restore();
    return TRUE;
}

CSize CDC::GetTextExtent(const std::u16string& text) const {
    return GetTextExtent(text.c_str(), int(text.size()));
}

CSize CDC::GetTextExtent(LPCWSTR text, int count) const {
    if (!m_hDC) return CSize();
    const QFontMetrics fm(CurrentFont(m_hDC));
    return CSize(fm.horizontalAdvance(ToQ(text, count)), fm.height());
}

BOOL CDC::GetTextMetrics(TEXTMETRICW* metrics) const {
    if (!m_hDC || !metrics) return FALSE;
    const QFont& font = CurrentFont(m_hDC);
    const LOGFONTW& lf = m_hDC->state.fontData->logFont;
    const QFontMetrics fm(font);
    *metrics = TEXTMETRICW{};
    metrics->tmAscent = fm.ascent();
    metrics->tmDescent = fm.descent();
    metrics->tmHeight = fm.ascent() + fm.descent();
    metrics->tmInternalLeading = std::max(0, metrics->tmHeight - font.pixelSize());
    metrics->tmExternalLeading = std::max(0, fm.leading());
    metrics->tmAveCharWidth = fm.averageCharWidth();
    metrics->tmMaxCharWidth = fm.maxWidth();
    metrics->tmWeight = lf.lfWeight == FW_DONTCARE ? FW_NORMAL : lf.lfWeight;
    metrics->tmItalic = lf.lfItalic;
    metrics->tmUnderlined = lf.lfUnderline;
    metrics->tmStruckOut = lf.lfStrikeOut;
    metrics->tmCharSet = lf.lfCharSet;
    // Bit 0 set means a variable pitch; 2 and 4 an outline (TrueType) face.
    metrics->tmPitchAndFamily = BYTE((font.fixedPitch() ? 0 : 1) | 0x06 | (lf.lfPitchAndFamily & 0xF0));
    return TRUE;
}

int CDC::GetTextFace(int count, LPWSTR faceName) const {
    if (!m_hDC) return 0;
    const std::u16string face = FaceOf(m_hDC->state.fontData->logFont);
    const int n = int(face.size());
    if (!faceName || count <= 0) return n + 1;
    const int copy = std::min(n, count - 1);
    std::copy_n(face.begin(), copy, faceName);
    faceName[copy] = 0;
    return copy;
}
