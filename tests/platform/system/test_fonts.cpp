// Private fonts from the program's resources, the HMI icon glyphs' figures,
// and the face names that stand for the Windows ones.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRawFont>
#include <QString>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/runtime/app.h"
#include "platform/system/fonts.h"
#include "platform/system/resources.h"
#include "res/resources.h"

namespace {

QByteArray FontResource(UINT id) {
    res::RegisterResources();
    const auto bytes = platform::FindResource(res::kBinaryResource, id);
    if (!bytes) return {};
    return QByteArray(reinterpret_cast<const char*>(bytes->data()), qsizetype(bytes->size()));
}

std::span<const std::byte> Span(const QByteArray& data) {
    return {reinterpret_cast<const std::byte*>(data.constData()), std::size_t(data.size())};
}

QString Q(const std::u16string& s) {
    return QString(reinterpret_cast<const QChar*>(s.data()), qsizetype(s.size()));
}

// A private font for the length of a test.
class LoadedFont {
public:
    explicit LoadedFont(const QByteArray& data) : m_font(platform::AddPrivateFont(Span(data))) {}
    ~LoadedFont() {
        if (m_font.ok()) platform::RemovePrivateFont(m_font.handle);
    }
    const platform::PrivateFont& operator*() const { return m_font; }
    const platform::PrivateFont* operator->() const { return &m_font; }

private:
    platform::PrivateFont m_font;
};

// Counts message boxes instead of showing them.
class MessageBoxCounter {
public:
    MessageBoxCounter()
        : m_previous(platform::SetMessageBoxHandler([this](const platform::MessageBoxRequest&) {
              ++count;
              return IDOK;
          })) {}
    ~MessageBoxCounter() { platform::SetMessageBoxHandler(m_previous); }
    int count = 0;

private:
    platform::MessageBoxHandler m_previous;
};

// The figures of an outline: one path per closed contour, in outline order.
std::vector<QPainterPath> Figures(const QPainterPath& outline) {
    std::vector<QPainterPath> figures;
    for (int i = 0; i < outline.elementCount(); ++i) {
        const QPainterPath::Element e = outline.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            figures.emplace_back();
            figures.back().moveTo(e.x, e.y);
            break;
        case QPainterPath::LineToElement:
            figures.back().lineTo(e.x, e.y);
            break;
        case QPainterPath::CurveToElement: {
            const auto c2 = outline.elementAt(i + 1);
            const auto end = outline.elementAt(i + 2);
            figures.back().cubicTo(e.x, e.y, c2.x, c2.y, end.x, end.y);
            i += 2;
            break;
        }
        default:
            break;
        }
    }
    for (QPainterPath& f : figures) f.closeSubpath();
    return figures;
}

constexpr int kEm = 64;  // pixel size of the rendered icons

// The outline of one icon glyph at kEm pixels, the origin on the baseline.
QPainterPath IconOutline(const QByteArray& font, char16_t code) {
    const QRawFont raw(font, kEm);
    const QList<quint32> glyphs = raw.glyphIndexesForString(QString(QChar(code)));
    if (glyphs.size() != 1 || glyphs[0] == 0) return {};
    return raw.pathForGlyph(glyphs[0]);
}

// The square in which the symbol renderer places a glyph: the em box from the
// ascender down, here in the glyph's own coordinates (y down, baseline at 0).
QRectF EmSquare() { return QRectF(0, -0.8 * kEm, kEm, kEm); }

QPointF EmPoint(double x, double y) {  // font units (1000 a em, y up) to pixels
    return QPointF(x * kEm / 1000.0, -y * kEm / 1000.0);
}

}  // namespace

// ---- loading ----------------------------------------------------------------

TEST(PrivateFonts, TheProgramsFourFontsLoadFromMemoryWithTheirFamiliesAndNoMessage) {
    const struct {
        UINT id;
        const char16_t* family;
    } rows[] = {
        {res::IDR_FONT_SEGMENT, u"Rerovora Segment"},
        {res::IDR_FONT_MATRIX_LCD, u"DSEG14 Classic"},
        {res::IDR_FONT_ROUND_LCD, u"DSEG14 Modern"},
        {res::IDR_FONT_HMI_ICONS, u"Rerovora HMI Icons"},
    };
    MessageBoxCounter boxes;
    // The icon font is the program's own: no system installs it, so its family
    // exists only while the program has added it.
    EXPECT_FALSE(QFontDatabase::hasFamily(QStringLiteral("Rerovora HMI Icons")));
    {
        std::vector<std::unique_ptr<LoadedFont>> fonts;
        for (const auto& row : rows) {
            fonts.push_back(std::make_unique<LoadedFont>(FontResource(row.id)));
            const LoadedFont& font = *fonts.back();
            ASSERT_TRUE(font->ok()) << "resource " << row.id;
            ASSERT_EQ(font->families.size(), 1u) << "resource " << row.id;
            EXPECT_EQ(font->families[0], row.family) << "resource " << row.id;
        }
        EXPECT_TRUE(QFontDatabase::hasFamily(QStringLiteral("Rerovora HMI Icons")));
        const QFont icons(QStringLiteral("Rerovora HMI Icons"));
        EXPECT_EQ(QFontInfo(icons).family(), QStringLiteral("Rerovora HMI Icons"));
    }
    EXPECT_FALSE(QFontDatabase::hasFamily(QStringLiteral("Rerovora HMI Icons")));
    EXPECT_EQ(boxes.count, 0);
}

TEST(PrivateFonts, BytesThatAreNoFontAreRejectedAndOtherFontsStillLoad) {
    const QByteArray real = FontResource(res::IDR_FONT_MATRIX_LCD);
    ASSERT_FALSE(real.isEmpty());
    const QByteArray garbage(4096, '\x5A');
    const QByteArray truncated = real.left(200);  // the table directory, no tables
    for (const QByteArray* bad : {&garbage, &truncated}) {
        LoadedFont font(*bad);
        EXPECT_FALSE(font->ok());
        EXPECT_TRUE(font->families.empty());
    }
    EXPECT_FALSE(platform::AddPrivateFont({}).ok());

    LoadedFont good(FontResource(res::IDR_FONT_HMI_ICONS));
    EXPECT_TRUE(good->ok());
    EXPECT_FALSE(platform::RemovePrivateFont(-1));
}

// ---- the HMI icon glyphs ----------------------------------------------------

TEST(HmiIconFont, EachSymbolHasTheFiguresItsFaceStyleDraws) {
    // Face styles 16, 18, 100 and 118 assign a fill to figures 1..n; the glyphs
    // must have exactly that many figures, or a fill lands on the wrong part.
    const QByteArray font = FontResource(res::IDR_FONT_HMI_ICONS);
    const struct {
        char16_t code;
        int figures;
    } rows[] = {{16, 11}, {18, 5}, {100, 2}, {0x76, 1}};

    LoadedFont loaded(font);
    ASSERT_TRUE(loaded->ok());
    QFont family(Q(loaded->families[0]));
    family.setPixelSize(kEm);
    for (const auto& row : rows) {
        const QPainterPath outline = IconOutline(font, row.code);
        EXPECT_EQ(Figures(outline).size(), std::size_t(row.figures)) << "glyph " << int(row.code);

        // Text drawn in the family (control codes 16 and 18 included) reaches
        // the same glyph.
        QPainterPath text;
        text.addText(0, 0, family, QString(QChar(row.code)));
        EXPECT_EQ(Figures(text).size(), std::size_t(row.figures)) << "text of glyph " << int(row.code);

        // The icon fills most of its square and sits in its middle.
        const QRectF box = outline.boundingRect();
        EXPECT_GT(box.width(), 0.75 * kEm) << "glyph " << int(row.code);
        EXPECT_GT(box.height(), 0.75 * kEm) << "glyph " << int(row.code);
        EXPECT_TRUE(EmSquare().contains(box)) << "glyph " << int(row.code);
        EXPECT_NEAR(box.center().x(), EmSquare().center().x(), 0.08 * kEm) << "glyph " << int(row.code);
        EXPECT_NEAR(box.center().y(), EmSquare().center().y(), 0.08 * kEm) << "glyph " << int(row.code);
    }
    // Codes without a symbol have no glyph.
    const QRawFont raw(font, kEm);
    EXPECT_FALSE(raw.supportsCharacter(QChar(17)));
    EXPECT_FALSE(raw.supportsCharacter(QChar(u'A')));
}

TEST(HmiIconFont, FiguresAreStackedSoThatEachPartShows) {
    const QByteArray font = FontResource(res::IDR_FONT_HMI_ICONS);
    const auto near = [](QPointF a, QPointF b) { return QLineF(a, b).length() < 1.0; };

    // Gear: white gear, grey gear, hub ring, boss, hole: concentric, each one
    // smaller than the one below it, so that every figure keeps a visible rim.
    const auto gear = Figures(IconOutline(font, 18));
    ASSERT_EQ(gear.size(), 5u);
    for (std::size_t k = 1; k < gear.size(); ++k) {
        EXPECT_TRUE(near(gear[k].boundingRect().center(), gear[0].boundingRect().center())) << k;
        EXPECT_LT(gear[k].boundingRect().width(), gear[k - 1].boundingRect().width() - 1.0) << k;
    }

    // Power: the symbol lies on the disc and covers the disc's centre.
    const auto power = Figures(IconOutline(font, 100));
    ASSERT_EQ(power.size(), 2u);
    EXPECT_TRUE(power[0].boundingRect().contains(power[1].boundingRect()));
    EXPECT_TRUE(power[1].contains(power[0].boundingRect().center()));

    // Camera: the lens (figures 4 to 7) is a stack of shrinking concentric
    // rings on the body, the glints (8, 9) lie on the glass, and every part but
    // the shutter button (3, standing on the top edge) lies on the body.
    const auto camera = Figures(IconOutline(font, 16));
    ASSERT_EQ(camera.size(), 11u);
    const QRectF body = camera[0].boundingRect();
    for (std::size_t k = 1; k < camera.size(); ++k) {
        if (k == 2) continue;
        EXPECT_TRUE(body.contains(camera[k].boundingRect())) << "figure " << k + 1;
    }
    EXPECT_LT(camera[2].boundingRect().top(), body.top() + 0.2 * kEm);
    for (std::size_t k = 4; k <= 6; ++k) {
        EXPECT_TRUE(near(camera[k].boundingRect().center(), camera[3].boundingRect().center())) << k + 1;
        EXPECT_TRUE(camera[k - 1].boundingRect().contains(camera[k].boundingRect())) << k + 1;
    }
    for (std::size_t k : {7u, 8u})
        EXPECT_TRUE(camera[6].boundingRect().contains(camera[k].boundingRect())) << "glint " << k + 1;
}

// ---- rendered previews --------------------------------------------------------

namespace {

// One figure's fill, after the entry its face style gives it, with the colours
// the button bar passes (symbol colour, face top 0x4C3F38): a vertical linear
// gradient whose bell peaks at `focus`, a radial one, or a flat colour.
struct PreviewFill {
    enum Kind { Linear, Radial, Solid } kind;
    QColor p, q;  // primary (ends of the bell, rim) and secondary (peak, centre)
    double focus = 0.0;
};

QImage RenderPreview(const QPainterPath& outline, const std::vector<PreviewFill>& fills) {
    QImage image(kEm, kEm, QImage::Format_ARGB32);
    QPainter painter(&image);
    QLinearGradient face(0, 0, 0, kEm);
    face.setColorAt(0, QColor(0x38, 0x3F, 0x4C));
    face.setColorAt(1, QColor(0x4F, 0x61, 0x82));
    painter.fillRect(image.rect(), face);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(-EmSquare().topLeft());
    const auto figures = Figures(outline);
    for (std::size_t k = 0; k < figures.size(); ++k) {
        const PreviewFill& f = fills[std::min(k, fills.size() - 1)];
        const QRectF r = figures[k].boundingRect();
        QBrush brush(f.p);
        if (f.kind == PreviewFill::Linear) {
            QLinearGradient g(r.topLeft(), r.bottomLeft());
            g.setColorAt(0, f.focus == 0.0 ? f.q : f.p);
            g.setColorAt(std::max(f.focus, 0.001), f.q);
            g.setColorAt(1, f.p);
            brush = QBrush(g);
        } else if (f.kind == PreviewFill::Radial) {
            QRadialGradient g(r.center(), r.width() / 2);
            g.setColorAt(0, f.q);
            g.setColorAt(1, f.p);
            brush = QBrush(g);
        }
        painter.setPen(QPen(f.p.darker(111), 1.0));
        painter.setBrush(brush);
        painter.drawPath(figures[k]);
    }
    painter.end();
    return image;
}

QColor PixelAtEm(const QImage& image, double x, double y) {
    const QPointF p = EmPoint(x, y) - EmSquare().topLeft();
    return image.pixelColor(int(p.x()), int(p.y()));
}

void SavePreview(const QImage& image, const char* name) {
    const std::filesystem::path dir = std::filesystem::path(REROVORA_BINARY_DIR) / "test-images";
    std::filesystem::create_directories(dir);
    image.save(QString::fromStdString((dir / name).string()));
}

}  // namespace

TEST(HmiIconFont, SymbolsRenderAsShadedIconsWithTheirPartsWhereExpected) {
    const QByteArray font = FontResource(res::IDR_FONT_HMI_ICONS);
    const QColor white(255, 255, 255), silver(192, 192, 192), grey(128, 128, 128);
    using F = PreviewFill;

    // "CAPTURE", symbol colour 0xC0C0C0: body grey, parts light grey, lens
    // ring silver, barrel black, glass blue (0xDA2531), glints light blue (0xFFA078).
    const QImage camera = RenderPreview(
        IconOutline(font, 16),
        {{F::Linear, grey, silver}, {F::Linear, silver, white}, {F::Linear, silver, white},
         {F::Linear, silver, white}, {F::Linear, silver, white}, {F::Linear, Qt::black, QColor(15, 15, 15)},
         {F::Linear, QColor(0x31, 0x25, 0xDA), QColor(181, 136, 255), 0.5},
         {F::Linear, QColor(0x78, 0xA0, 0xFF), QColor(180, 240, 255)},
         {F::Linear, QColor(0x78, 0xA0, 0xFF), QColor(180, 240, 255)}, {F::Linear, silver, white},
         {F::Linear, silver, white}});
    SavePreview(camera, "hmi_icon_16_camera.png");
    const QColor glass = PixelAtEm(camera, 500, 215);
    EXPECT_GT(glass.blue(), glass.red() + 60) << "lens centre";
    const QColor barrel = PixelAtEm(camera, 500 + 178, 215);
    EXPECT_LT(barrel.value(), 40) << "barrel ring";
    const QColor body = PixelAtEm(camera, 110, 0);
    EXPECT_NEAR(body.red(), body.blue(), 8) << "body";
    EXPECT_GT(body.value(), 100) << "body";

    // "CONFIG", symbol colour 0xE68C6E; the hole takes the bar's face colour.
    const QColor hub(0x6E, 0x8C, 0xE6), face(0x38, 0x3F, 0x4C);
    const QImage gear = RenderPreview(
        IconOutline(font, 18), {{F::Solid, white, white}, {F::Linear, silver, white},
                                {F::Linear, hub, QColor(187, 238, 255), 0.5}, {F::Linear, silver, white},
                                {F::Solid, face, face}});
    SavePreview(gear, "hmi_icon_18_gear.png");
    EXPECT_EQ(PixelAtEm(gear, 500, 300), face) << "centre hole";
    const QColor ring = PixelAtEm(gear, 500, 300 - 215);
    EXPECT_GT(ring.blue(), ring.red() + 40) << "hub ring";
    EXPECT_GT(PixelAtEm(gear, 500, 300 + 390).value(), 180) << "a tooth";

    // "EXIT", symbol colour 0x0000FF: a disc from a red rim to a white centre,
    // the white symbol on it.
    const QImage power = RenderPreview(IconOutline(font, 100),
                                       {{F::Radial, QColor(255, 0, 0), white}, {F::Solid, white, white}});
    SavePreview(power, "hmi_icon_100_power.png");
    const QColor rim = PixelAtEm(power, 500, 300 - 440);
    EXPECT_GT(rim.red(), 200);
    EXPECT_LT(rim.green(), 60);
    EXPECT_EQ(PixelAtEm(power, 500, 300), white) << "centre";
    EXPECT_EQ(PixelAtEm(power, 500 - 232, 275), white) << "left of the ring";
    const QColor opening = PixelAtEm(power, 500 + 95, 275 + 235);
    EXPECT_LT(opening.green(), 200) << "the ring's opening shows the disc";

    const QImage check = RenderPreview(IconOutline(font, 0x76), {{F::Linear, QColor(0, 160, 0), QColor(0, 255, 0)}});
    SavePreview(check, "hmi_icon_118_check.png");
    EXPECT_GT(PixelAtEm(check, 390, 80).green(), 150) << "the corner of the mark";
}

// ---- display fonts --------------------------------------------------------------

TEST(DisplayFonts, TheSegmentFontDrawsEveryCharacterOfTheNumericDisplay) {
    const QRawFont segment(FontResource(res::IDR_FONT_SEGMENT), 48);
    ASSERT_TRUE(segment.isValid());
    for (QChar c : QStringLiteral("0123456789.:-ERROROVER")) {
        ASSERT_TRUE(segment.supportsCharacter(c)) << char(c.unicode());
        const auto glyphs = segment.glyphIndexesForString(QString(c));
        EXPECT_FALSE(segment.pathForGlyph(glyphs[0]).isEmpty()) << char(c.unicode()) << " draws nothing";
    }
}

TEST(DisplayFonts, TheLcdFontsDrawDigitsAndCapitals) {
    for (UINT id : {res::IDR_FONT_MATRIX_LCD, res::IDR_FONT_ROUND_LCD}) {
        const QRawFont lcd(FontResource(id), 48);
        ASSERT_TRUE(lcd.isValid()) << id;
        for (QChar c : QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ.:-")) {
            const auto glyphs = lcd.glyphIndexesForString(QString(c));
            ASSERT_EQ(glyphs.size(), 1);
            EXPECT_NE(glyphs[0], 0u) << id << " " << char(c.unicode());
            EXPECT_FALSE(lcd.pathForGlyph(glyphs[0]).isEmpty()) << id << " " << char(c.unicode());
        }
    }
}

// ---- face names ---------------------------------------------------------------

TEST(FaceNames, WindowsFaceNamesBecomeInstalledFacesWithTheirScripts) {
    const QString hangul = QStringLiteral("돋움체굴림프로그램을 종료합니다서버");
    const struct {
        const char16_t* windowsName;
        bool korean;
    } rows[] = {
        {u"돋움체", true}, {u"굴림체", true}, {u"MS Shell Dlg", true}, {u"Arial", false}, {u"System", false},
    };
    for (const auto& row : rows) {
        const std::u16string resolved = platform::ResolveFaceName(row.windowsName);
        ASSERT_NE(resolved, row.windowsName) << QString::fromUtf16(row.windowsName).toStdString();
        const QFont font(Q(resolved));
        // The face itself is installed: Qt does not fall back to another one.
        EXPECT_EQ(QFontInfo(font).family(), Q(resolved));
        const QRawFont raw = QRawFont::fromFont(font);
        for (QChar c : QStringLiteral("ACEFGHIJKLMNOPSTVWXYZ0123456789"))
            EXPECT_TRUE(raw.supportsCharacter(c)) << Q(resolved).toStdString();
        if (!row.korean) continue;
        for (QChar c : hangul) {
            if (c == u' ') continue;
            EXPECT_TRUE(raw.supportsCharacter(c)) << Q(resolved).toStdString();
        }
    }
    // The Korean fixed-pitch faces map to a fixed-pitch face: every Latin
    // character as wide as every other.
    QFont fixed(Q(platform::ResolveFaceName(u"돋움체")));
    fixed.setPixelSize(30);
    const QFontMetricsF metrics(fixed);
    EXPECT_DOUBLE_EQ(metrics.horizontalAdvance(QChar(u'i')), metrics.horizontalAdvance(QChar(u'W')));
}

TEST(FaceNames, LatinNamesIgnoreCaseAndUnknownNamesPassThrough) {
    EXPECT_EQ(platform::ResolveFaceName(u"ARIAL"), platform::ResolveFaceName(u"Arial"));
    EXPECT_EQ(platform::ResolveFaceName(u"ms shell dlg"), platform::ResolveFaceName(u"MS Shell Dlg"));
    EXPECT_EQ(platform::ResolveFaceName(u"DSEG7 Classic"), u"DSEG7 Classic");
    EXPECT_EQ(platform::ResolveFaceName(u"Arial Black"), u"Arial Black");
    EXPECT_EQ(platform::ResolveFaceName(u""), u"");
}
